// m8sim fs: the handset's files by their CE paths, through the platform's file calls.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "ce/files.h"
#include "ce/kernel.h"
#include "cehost/journal.h"
#include "cehost/text.h"
#include "context.h"
#include "errors.h"
#include "journal_view.h"

namespace m8sim {

namespace {

constexpr const char* kFsHelp =
    R"(Paths are the handset's own, from its root: '\Windows\46000.ini' (quote the
backslashes in the shell); look-ups ignore case.
  ls [PATH]              the folder's entries (or the file's own), with sizes
  cat PATH [--raw]       UTF-16 text (an INI file) decoded to UTF-8; other files as a hex
                         dump; --raw writes the bytes as they are
  put HOSTFILE PATH      copies a file of this computer onto the handset, making folders

Examples:
  m8sim fs ls '\Windows'
  m8sim fs cat '\Windows\46000.ini'
  m8sim fs put profile.ini '\Disk\profile.ini')";

std::u16string CePath(const std::string& text) {
  std::u16string path = cehost::ToUtf16(text);
  for (char16_t& c : path)
    if (c == u'/') c = u'\\';
  if (path.empty() || path.front() != u'\\') path.insert(path.begin(), u'\\');
  while (path.size() > 1 && path.back() == u'\\') path.pop_back();
  return path;
}

int Ls(Context& ctx, const std::string& text) {
  std::u16string path = CePath(text);
  ctx.Mount();
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) throw Failure("no such file or folder: " + text);
  bool folder = attributes & FILE_ATTRIBUTE_DIRECTORY;
  std::u16string pattern = !folder ? path : path == u"\\" ? u"\\*" : path + u"\\*";
  std::u16string base = folder ? (path == u"\\" ? u"\\" : path + u"\\") : u"";
  WIN32_FIND_DATAW data = {};
  HANDLE find = FindFirstFileW(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  do {
    std::string name = cehost::ToUtf8(data.cFileName);
    bool dir = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    std::string size = dir ? "" : std::to_string(data.nFileSizeLow);
    std::string column = size;
    if (column.size() < 10) column.insert(0, 10 - column.size(), ' ');
    ctx.out.Emit({{"type", "entry"},
                  {"path", cehost::ToUtf8(folder ? base + data.cFileName : path)},
                  {"name", name},
                  {"directory", dir},
                  {"size", data.nFileSizeLow},
                  {"attributes", data.dwFileAttributes}},
                 column + "  " + name + (dir ? "\\" : ""));
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return 0;
}

std::vector<uint8_t> ReadAll(const std::u16string& path, const std::string& text) {
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw Failure("cannot open " + text);
  std::vector<uint8_t> bytes;
  uint8_t chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
    bytes.insert(bytes.end(), chunk, chunk + got);
  CloseHandle(file);
  return bytes;
}

std::string HexDump(const std::vector<uint8_t>& bytes) {
  std::string dump;
  for (size_t at = 0; at < bytes.size(); at += 16) {
    char line[32];
    std::snprintf(line, sizeof line, "%08zx ", at);
    dump += line;
    size_t end = std::min(bytes.size(), at + 16);
    dump += " " + cehost::HexBytes(bytes.data() + at, end - at) + "\n";
  }
  if (!dump.empty()) dump.pop_back();
  return dump;
}

int Cat(Context& ctx, const std::string& text, bool raw) {
  std::u16string path = CePath(text);
  ctx.Mount();
  std::vector<uint8_t> bytes = ReadAll(path, text);
  bool utf16 = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE && bytes.size() % 2 == 0;
  if (raw && !ctx.out.json()) {
    ctx.out.stream().write(reinterpret_cast<const char*>(bytes.data()),
                           static_cast<std::streamsize>(bytes.size()));
    return 0;
  }
  nlohmann::json record = {
      {"type", "file"}, {"path", cehost::ToUtf8(path)}, {"size", bytes.size()}};
  if (utf16 && !raw) {
    std::u16string units((bytes.size() - 2) / 2, u'\0');
    std::memcpy(units.data(), bytes.data() + 2, units.size() * 2);
    std::string decoded = cehost::ToUtf8(units);
    record["text"] = decoded;
    ctx.out.Emit(record, decoded);
  } else {
    record["bytes"] = cehost::HexBytes(bytes.data(), bytes.size());
    ctx.out.Emit(record, HexDump(bytes));
  }
  return 0;
}

int Put(Context& ctx, const std::string& host_file, const std::string& text) {
  std::ifstream in(host_file, std::ios::binary);
  // A folder opens as a stream but cannot be read: it is bad input like a missing file.
  if (!in || !std::filesystem::is_regular_file(host_file))
    throw UsageError("cannot read " + host_file);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
  std::u16string path = CePath(text);
  if (path == u"\\") throw UsageError("put needs a file path, not the root");
  cehost::Journal& journal = ctx.Mount();
  for (size_t at = path.find(u'\\', 1); at != std::u16string::npos; at = path.find(u'\\', at + 1))
    CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw Failure("cannot write " + text);
  DWORD written = 0;
  BOOL ok = bytes.empty() ||
            WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  if (!ok) throw Failure("cannot write " + text);
  ctx.out.Emit({{"type", "put"}, {"path", cehost::ToUtf8(path)}, {"size", bytes.size()}},
               "put " + std::to_string(bytes.size()) + " bytes in " + cehost::ToUtf8(path));
  EmitJournal(ctx.out, journal.Entries(), {{"command", "fs put"}});
  return 0;
}

}  // namespace

void AddFsCommands(CLI::App& app, Context& ctx) {
  auto* fs = app.add_subcommand("fs", "List, show and put the handset's files");
  fs->footer(kFsHelp);
  fs->require_subcommand(1);
  struct Args {
    std::string path = "\\";
    std::string host_file;
    bool raw = false;
  };
  auto a = std::make_shared<Args>();

  auto* ls = fs->add_subcommand("ls", "List a folder of the handset (the root by default)");
  ls->add_option("path", a->path, "The folder or file");
  ls->callback([&ctx, a] { ctx.action = [&ctx, a] { return Ls(ctx, a->path); }; });

  auto* cat = fs->add_subcommand("cat", "Show a file: UTF-16 text decoded, else a hex dump");
  cat->add_option("path", a->path, "The file")->required();
  cat->add_flag("--raw", a->raw, "Write the bytes as they are");
  cat->callback([&ctx, a] { ctx.action = [&ctx, a] { return Cat(ctx, a->path, a->raw); }; });

  auto* put = fs->add_subcommand("put", "Copy a file of this computer onto the handset");
  put->add_option("hostfile", a->host_file, "The file to copy")->required();
  put->add_option("path", a->path, "Its path on the handset")->required();
  put->callback([&ctx, a] { ctx.action = [&ctx, a] { return Put(ctx, a->host_file, a->path); }; });
}

}  // namespace m8sim
