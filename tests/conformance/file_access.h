// File helpers of the file groups' checks: opening with the arguments the checks vary, writing a
// file anew, reading it back, and outcomes as comparable text.
#pragma once

#include <string>

#include "portable.h"

namespace conformance {

constexpr DWORD kRead = GENERIC_READ;
constexpr DWORD kWrite = GENERIC_WRITE;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kNoAttributes = INVALID_FILE_ATTRIBUTES;

// A group's fresh, empty folder; names below it are made with operator().
class GroupFolder {
 public:
  explicit GroupFolder(const char* group) : root_(FreshFolder(group)) {}
  WideString operator()(const WideString& name) const { return root_ + WS("\\") + name; }
  const WideString& root() const { return root_; }

 private:
  WideString root_;
};

// CreateFileW with no security attributes and no template.
inline HANDLE Open(const WideString& path, DWORD access, DWORD share, DWORD disposition,
                   DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
  return CreateFileW(path.c_str(), access, share, nullptr, disposition, attributes, nullptr);
}

// Writes the file anew with the given bytes; true when every step worked.
inline bool Put(const WideString& path, const std::string& bytes) {
  HANDLE file = Open(path, kWrite, 0, CREATE_ALWAYS);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

// Reads everything (up to 4 KB) from the handle's file pointer on.
inline std::string ReadRest(HANDLE file) {
  std::string bytes(4096, '\0');
  DWORD got = 0;
  if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) got = 0;
  bytes.resize(got);
  return bytes;
}

// Reads everything (up to 4 KB) from the start of the handle's file.
inline std::string ReadAll(HANDLE file) {
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  return ReadRest(file);
}

// The file's bytes (up to 4 KB), or "<missing>" when it cannot be opened for reading.
inline std::string Contents(const WideString& path) {
  HANDLE file = Open(path, kRead, kShareAll, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes = ReadRest(file);
  CloseHandle(file);
  return bytes;
}

inline DWORD Attributes(const WideString& path) {
  return GetFileAttributesW(path.c_str());
}

// The outcome of an open, as one comparable line: "opened" or "failed <code>".
inline std::string Outcome(HANDLE handle, DWORD error) {
  return handle != INVALID_HANDLE_VALUE ? "opened" : "failed " + std::to_string(error);
}

}  // namespace conformance
