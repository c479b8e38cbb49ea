// Shared pieces of the file tests: a fixture with short calls for opening and planting files.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ce/files.h"
#include "ce/kernel.h"
#include "handset_fixture.h"

class FilesTest : public HandsetTest {
 protected:
  // CreateFileW with the arguments that vary.
  static HANDLE Open(const char16_t* path, DWORD access, DWORD share = 0,
                     DWORD disposition = OPEN_EXISTING, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    return CreateFileW(path, access, share, nullptr, disposition, attributes, nullptr);
  }
  // Writes a file directly on the host, making its folders.
  void Put(const char16_t* path, const std::string& text) {
    handset().PutFile(path, std::vector<unsigned char>(text.begin(), text.end()));
  }
  // Writes a file directly on the host, then gives it the attributes through the platform.
  void Put(const char16_t* path, const std::string& text, DWORD attributes) {
    Put(path, text);
    ASSERT_TRUE(SetFileAttributesW(path, attributes)) << U8(path);
  }
  // The content of a file, read directly on the host.
  std::string Content(const char16_t* path) {
    auto bytes = handset().ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
  }
  // The file's whole content read through a handle.
  static std::string ReadAll(HANDLE file) {
    std::string text;
    char buffer[64];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
      text.append(buffer, got);
    return text;
  }
  static bool Write(HANDLE file, const std::string& text) {
    DWORD written = 0;
    return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
  }
  // The journal entries of one kind, as "field=value" lists, for compact comparisons.
  std::vector<std::string> Effects(const char* kind) {
    std::vector<std::string> out;
    for (const auto& entry : handset().journal().Entries(kind)) {
      std::string line;
      for (const auto& [key, value] : entry.fields)
        line += (line.empty() ? "" : " ") + key + "=" + value;
      out.push_back(line);
    }
    return out;
  }
};

// Expects the condition (a call's failure) to hold, with the code as the last error; the last
// error is cleared before, so that a stale code cannot pass.
#define EXPECT_FAILS(failed, code)                                  \
  do {                                                              \
    SetLastError(0);                                                \
    EXPECT_TRUE(failed) << #failed;                                 \
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(code)) << #failed; \
  } while (0)

// Error codes as DWORD, for comparisons with GetLastError().
constexpr DWORD E(long code) {
  return static_cast<DWORD>(code);
}
