// The run-time library's fopen modes and line ends: a stream opened with "t" writes "\n" as
// CR LF and reads CR LF as "\n" (a CR alone stays); one opened with "b" reads and writes the
// file's bytes as they are. fopen reads its 8-bit path in the ANSI code page. The library's
// settings log writes lines that end in CR LF of their own and needs its bytes on disk exactly.
//
// Each check works in the group's fresh folder and looks at the file's bytes with ReadFile.
#include <cstdio>
#include <string>

#include "check.h"
#include "rows.h"

namespace {

// The group's fresh folder as an 8-bit path (the folder's name is ASCII).
std::string Folder() {
  const WideString wide = conformance::FreshFolder("text_stream");
  return std::string(wide.begin(), wide.end());
}

// Opens a stream with the run-time library's fopen.
FILE* OpenStream(const std::string& path, const char* mode) {
#ifdef _WIN32
  return fopen(path.c_str(), mode);
#else
  return ce::fopen(path.c_str(), mode);
#endif
}

// Writes the bytes through a stream of that mode; "<failed>" when a step fails, else "".
std::string WriteStream(const std::string& path, const char* mode, const std::string& bytes) {
  FILE* stream = OpenStream(path, mode);
  if (!stream) return "<open failed>";
  const size_t written = fwrite(bytes.data(), 1, bytes.size(), stream);
  const int closed = fclose(stream);
  return written == bytes.size() && closed == 0 ? "" : "<write failed>";
}

// Everything a stream of that mode reads from the file, or "<open failed>".
std::string ReadStream(const std::string& path, const char* mode) {
  FILE* stream = OpenStream(path, mode);
  if (!stream) return "<open failed>";
  std::string text;
  char buffer[1000];
  size_t got = 0;
  while ((got = fread(buffer, 1, sizeof buffer, stream)) > 0) text.append(buffer, got);
  fclose(stream);
  return text;
}

// The file's bytes as ReadFile gives them, or "<missing>".
std::string FileBytes(const WideString& wide) {
  HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

// The same for an ASCII path.
std::string FileBytes(const std::string& path) {
  return FileBytes(WideString(path.begin(), path.end()));
}

// Writing in text mode turns each "\n" into CR LF, a CR already there included ("\r\n" is
// written CR CR LF); "b" writes the bytes as given. "a" modes append in the same way.
CHECK_CASE(text_stream, fopen_write_modes_and_line_ends) {
  const std::string folder = Folder();
  struct Row {
    const char* mode;
    std::string first;
    std::string second;  // appended with the same mode and "a" in place of "w"
    std::string bytes;
  };
  const Row rows[] = {
      {"wt", "one\ntwo\r\n", "\n", "one\r\ntwo\r\r\n\r\n"},
      {"wb", "one\ntwo\r\n", "\n", "one\ntwo\r\n\n"},
      {"w+t", "\n\n", "x", "\r\n\r\nx"},
      {"wb+", "a\rb", "\r\n", "a\rb\r\n"},
  };
  int index = 0;
  for (const Row& row : rows) {
    const std::string path = folder + "\\w" + std::to_string(index++) + ".txt";
    std::string append_mode(row.mode);
    append_mode[0] = 'a';
    EXPECT_ROW(row.mode, WriteStream(path, row.mode, row.first), std::string());
    EXPECT_ROW(row.mode, WriteStream(path, append_mode.c_str(), row.second), std::string());
    EXPECT_ROW(row.mode, FileBytes(path), row.bytes);
  }
}

// Reading in text mode turns CR LF into "\n" and keeps a CR that no LF follows; "b" reads the
// bytes as they are. A CR LF that straddles the stream's buffer (4096 or 8192 bytes) is still one
// "\n".
CHECK_CASE(text_stream, fopen_read_modes_and_line_ends) {
  const std::string folder = Folder();
  const std::string path = folder + "\\r.txt";
  // CRs at offsets 4095 and 8191, their LFs just past them.
  const std::string bytes =
      "x\r\ny\rz\r\r\n\n" + std::string(4085, 'a') + "\r\n" + std::string(4094, 'b') + "\r\nend\r";
  EXPECT_SAME(WriteStream(path, "wb", bytes), std::string());
  EXPECT_SAME(ReadStream(path, "rb"), bytes);
  EXPECT_SAME(ReadStream(path, "rt"),
              "x\ny\rz\r\n\n" + std::string(4085, 'a') + "\n" + std::string(4094, 'b') + "\nend\r");
  EXPECT_SAME(ReadStream(path, "r+t").substr(0, 6), std::string("x\ny\rz\r"));
}

// The 8-bit path names the file in the ANSI code page: in 1252 the byte 0xE9 is e acute, in 936
// two bytes make one Hanzi.
CHECK_CASE(text_stream, fopen_path_is_in_the_ansi_code_page) {
  const std::string folder = Folder();
  const WideString wide_folder(folder.begin(), folder.end());
  const UINT acp = GetACP();
  std::string name;
  WideString wide_name;
  if (acp == 1252) {
    name = "caf\xE9.txt";
    wide_name = WS("caf\u00E9.txt");
  } else if (acp == 936) {
    name = "\xC8\xD5\xD6\xBE.txt";
    wide_name = WS("\u65E5\u5FD7.txt");
  } else {
    conformance::SkipOnWine("the check knows the ANSI code pages 1252 and 936 only");
    EXPECT_SAME(acp, 1252u);
    return;
  }
  EXPECT_SAME(WriteStream(folder + "\\" + name, "wb", "named"), std::string());
  EXPECT_SAME(FileBytes(wide_folder + WS("\\") + wide_name), std::string("named"));
  EXPECT_SAME(ReadStream(folder + "\\" + name, "rb"), std::string("named"));
}

}  // namespace
