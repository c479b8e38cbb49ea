// m8sim reg: the handset's registry by key path: values read decoded by type, written, deleted,
// exported to and imported from .reg files.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "ce/errors.h"
#include "ce/registry.h"
#include "cehost/text.h"
#include "context.h"
#include "errors.h"
#include "journal_view.h"
#include "reg_path.h"
#include "reg_value.h"
#include "sim/regfile/reg_file.h"

namespace m8sim {

namespace {

constexpr const char* kRegHelp =
    R"(Keys are written ROOT\path, ROOT one of HKLM, HKCU, HKCR, HKU (or the full name,
HKEY_LOCAL_MACHINE...); slashes work as backslashes.

Examples:
  m8sim reg get HKLM\DialParameter
  m8sim reg get HKLM\DialParameter gprsReceiveDataCount
  m8sim reg set HKCU\ControlPanel\Setting\EDGE Switch dword 0
  m8sim reg set HKLM\Software\Demo Servers multi_sz a.example b.example
  m8sim reg set HKLM\Software\Demo Blob binary "01 02 ff"
  m8sim reg delete HKLM\Software\Demo Blob
  m8sim reg export HKLM\DialParameter -o dial.reg
  m8sim reg import dial.reg)";

std::string Utf8(std::u16string_view text) {
  return cehost::ToUtf8(text);
}

// The open key, or Failure naming it.
struct OpenKey {
  explicit OpenKey(const KeyPath& path) {
    if (RegOpenKeyExW(path.root, path.sub_key.c_str(), 0, 0, &key) != ERROR_SUCCESS)
      throw Failure("no such key: " + Utf8(path.Full()));
  }
  ~OpenKey() { RegCloseKey(key); }
  HKEY key = nullptr;
};

void EmitValue(Context& ctx, const KeyPath& path, const std::u16string& name, DWORD type,
               const std::vector<uint8_t>& data) {
  ctx.out.Emit({{"type", "value"},
                {"key", Utf8(path.Full())},
                {"name", Utf8(name)},
                {"type_name", RegTypeName(type)},
                {"value", DecodeRegValue(type, data)}},
               nlohmann::json(Utf8(name)).dump() + " = " + RegValueText(type, data));
}

int Get(Context& ctx, const std::string& key_text, const std::optional<std::string>& name) {
  KeyPath path = ParseKeyPath(key_text);
  ctx.Mount();
  OpenKey key(path);
  if (name) {
    std::u16string value_name = cehost::ToUtf16(*name);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.key, value_name.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
      throw Failure("no value \"" + *name + "\" in " + Utf8(path.Full()));
    std::vector<uint8_t> data(size);
    RegQueryValueExW(key.key, value_name.c_str(), nullptr, &type, data.data(), &size);
    data.resize(size);
    EmitValue(ctx, path, value_name, type, data);
    return 0;
  }
  ctx.out.Text("[" + Utf8(path.Full()) + "]");
  for (DWORD i = 0;; ++i) {
    WCHAR sub[256];
    DWORD length = 256;
    if (RegEnumKeyExW(key.key, i, sub, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    ctx.out.Emit({{"type", "subkey"}, {"key", Utf8(path.Full())}, {"name", Utf8(sub)}},
                 Utf8(sub) + "\\");
  }
  for (DWORD i = 0;; ++i) {
    WCHAR value_name[256];
    DWORD length = 256;
    DWORD type = 0;
    DWORD size = 0;
    if (RegEnumValueW(key.key, i, value_name, &length, nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
      break;
    std::vector<uint8_t> data(size);
    length = 256;
    RegEnumValueW(key.key, i, value_name, &length, nullptr, &type, data.data(), &size);
    data.resize(size);
    EmitValue(ctx, path, value_name, type, data);
  }
  return 0;
}

int Set(Context& ctx, const std::string& key_text, const std::string& name,
        const std::string& type_name, const std::vector<std::string>& words) {
  KeyPath path = ParseKeyPath(key_text);
  auto type = RegTypeByName(type_name);
  if (!type)
    throw UsageError("unknown value type '" + type_name +
                     "' (sz, expand_sz, dword, binary, multi_sz)");
  std::vector<uint8_t> data = EncodeRegValue(*type, words);
  cehost::Journal& journal = ctx.Mount();
  HKEY key = nullptr;
  if (RegCreateKeyExW(path.root, path.sub_key.c_str(), 0, nullptr, 0, 0, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    throw Failure("cannot create " + Utf8(path.Full()));
  std::u16string value_name = cehost::ToUtf16(name);
  LONG rc = RegSetValueExW(key, value_name.c_str(), 0, *type, data.data(),
                           static_cast<DWORD>(data.size()));
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS)
    throw Failure("cannot set \"" + name + "\": error " + std::to_string(rc));
  EmitValue(ctx, path, value_name, *type, data);
  EmitJournal(ctx.out, journal.Entries(), {{"command", "reg set"}});
  return 0;
}

int Delete(Context& ctx, const std::string& key_text, const std::optional<std::string>& name) {
  KeyPath path = ParseKeyPath(key_text);
  cehost::Journal& journal = ctx.Mount();
  if (name) {
    OpenKey key(path);
    if (RegDeleteValueW(key.key, cehost::ToUtf16(*name).c_str()) != ERROR_SUCCESS)
      throw Failure("no value \"" + *name + "\" in " + Utf8(path.Full()));
  } else {
    if (path.sub_key.empty()) throw UsageError("a root key cannot be deleted");
    if (RegDeleteKeyW(path.root, path.sub_key.c_str()) != ERROR_SUCCESS)
      throw Failure("cannot delete " + Utf8(path.Full()));
  }
  ctx.out.Emit({{"type", "deleted"}, {"key", Utf8(path.Full())}, {"name", name ? *name : ""}},
               "deleted " + Utf8(path.Full()) + (name ? " \"" + *name + "\"" : ""));
  EmitJournal(ctx.out, journal.Entries(), {{"command", "reg delete"}});
  return 0;
}

int Export(Context& ctx, const std::vector<std::string>& key_texts, const std::string& file) {
  std::vector<std::u16string> keys;
  for (const auto& text : key_texts) keys.push_back(ParseKeyPath(text).Full());
  ctx.Mount();
  std::vector<uint8_t> bytes;
  try {
    bytes = sim::ExportRegistry(keys);
  } catch (const sim::RegFileError& e) {
    throw Failure(e.what());
  }
  nlohmann::json record = {{"type", "export"}, {"bytes", bytes.size()}};
  if (!file.empty()) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw Failure("cannot write " + file);
    record["file"] = file;
    ctx.out.Emit(record, "exported " + std::to_string(bytes.size()) + " bytes to " + file);
  } else if (ctx.out.json()) {
    // The text without its mark, as UTF-8.
    std::u16string text(bytes.size() / 2, u'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * 2);
    if (!text.empty() && text.front() == u'\xFEFF') text.erase(text.begin());
    record["text"] = Utf8(text);
    ctx.out.Emit(record, "");
  } else {
    ctx.out.stream().write(reinterpret_cast<const char*>(bytes.data()),
                           static_cast<std::streamsize>(bytes.size()));
  }
  return 0;
}

int Import(Context& ctx, const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  // A folder opens as a stream but cannot be read: it is bad input like a missing file.
  if (!in || !std::filesystem::is_regular_file(file)) throw UsageError("cannot read " + file);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  ctx.Mount();
  size_t values = 0;
  try {
    values = sim::ImportRegistry(bytes);
  } catch (const sim::RegFileError& e) {
    throw UsageError(file + ": " + e.what());
  }
  ctx.out.Emit({{"type", "import"}, {"file", file}, {"values", values}},
               "imported " + std::to_string(values) + " values from " + file);
  return 0;
}

}  // namespace

void AddRegCommands(CLI::App& app, Context& ctx) {
  auto* reg = app.add_subcommand("reg", "Read and change the handset's registry");
  reg->footer(kRegHelp);
  reg->require_subcommand(1);

  struct Args {
    std::string key;
    std::optional<std::string> name;
    std::string type;
    std::vector<std::string> words;
    std::vector<std::string> keys;
    std::string file;
  };
  auto a = std::make_shared<Args>();

  auto* get = reg->add_subcommand("get", "Show a value decoded by its type, or a whole key");
  get->add_option("key", a->key, "The key, e.g. HKLM\\DialParameter")->required();
  get->add_option("name", a->name, "The value's name; without it, every value and subkey");
  get->callback([&ctx, a] { ctx.action = [&ctx, a] { return Get(ctx, a->key, a->name); }; });

  auto* set = reg->add_subcommand("set", "Write a value, making the key when it is missing");
  set->add_option("key", a->key, "The key")->required();
  set->add_option("name", a->name, "The value's name (\"\" for the default value)")->required();
  set->add_option("type", a->type, "sz, expand_sz, dword, binary (hex bytes) or multi_sz")
      ->required();
  set->add_option("value", a->words, "The value; multi_sz takes one word a string")->required();
  set->callback([&ctx, a] {
    ctx.action = [&ctx, a] { return Set(ctx, a->key, *a->name, a->type, a->words); };
  });

  auto* del = reg->add_subcommand("delete", "Delete a value, or a key with its subkeys");
  del->add_option("key", a->key, "The key")->required();
  del->add_option("name", a->name, "The value's name; without it, the key goes");
  del->callback([&ctx, a] { ctx.action = [&ctx, a] { return Delete(ctx, a->key, a->name); }; });

  auto* exp = reg->add_subcommand(
      "export",
      "Write keys as a .reg file (Version 5.00, UTF-16LE with its mark); without -o the bytes "
      "go to standard output, with --json the text goes in one record");
  exp->add_option("keys", a->keys, "Keys to export; none exports HKLM and HKCU");
  exp->add_option("-o,--output", a->file, "The file to write");
  exp->callback([&ctx, a] { ctx.action = [&ctx, a] { return Export(ctx, a->keys, a->file); }; });

  auto* imp = reg->add_subcommand(
      "import",
      "Apply a .reg file (Version 5.00 or REGEDIT4) as one change: a malformed file, or one that "
      "fails midway, changes nothing");
  imp->add_option("file", a->file, "The .reg file")->required();
  imp->callback([&ctx, a] { ctx.action = [&ctx, a] { return Import(ctx, a->file); }; });
}

}  // namespace m8sim
