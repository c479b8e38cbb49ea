// Where the checks run, and the fresh folders and keys they work in.
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "portable.h"

namespace conformance {

namespace {

#ifdef _WIN32
const WCHAR kFolderRoot[] = L"C:\\m8conformance";
#else
const WCHAR kFolderRoot[] = u"\\Conformance";
#endif
const WCHAR kKeyRoot[] = WS("Software\\M8Conformance");

// The group's name (ASCII) as wide text.
WideString Widen(const char* text) {
  return WideString(text, text + std::strlen(text));
}

bool IsDotOrDotDot(const WCHAR* name) {
  return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

// Removes a file, or a folder with everything in it, read-only ones too; a missing path is fine.
void DeleteTree(const WideString& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteFileW(path.c_str());
    return;
  }
  // The names are collected first: the folder does not change while it is searched.
  std::vector<WideString> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + WS("\\*")).c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!IsDotOrDotDot(found.cFileName)) names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  for (const WideString& name : names) DeleteTree(path + WS("\\") + name);
  RemoveDirectoryW(path.c_str());
}

}  // namespace

bool OnWine() {
#ifdef _WIN32
  static const bool on_wine = [] {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return on_wine;
#else
  return false;
#endif
}

WideString FreshFolder(const char* group) {
  WideString root = kFolderRoot;
  WideString folder = root + WS("\\") + Widen(group);
  DeleteTree(folder);
  CreateDirectoryW(root.c_str(), nullptr);
  if (!CreateDirectoryW(folder.c_str(), nullptr)) {
    throw std::runtime_error(std::string("cannot make a fresh folder for ") + group + ", error " +
                             std::to_string(GetLastError()));
  }
  return folder;
}

WideString FreshKey(const char* group, HKEY root) {
  WideString path = WideString(kKeyRoot) + WS("\\") + Widen(group);
#ifdef _WIN32
  RegDeleteTreeW(root, path.c_str());
#else
  // cehost's RegDeleteKeyW takes the subkeys with the key.
  RegDeleteKeyW(root, path.c_str());
#endif
  HKEY key = nullptr;
  LONG result = RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (result != ERROR_SUCCESS) {
    throw std::runtime_error(std::string("cannot make a fresh key for ") + group + ", error " +
                             std::to_string(result));
  }
  RegCloseKey(key);
  return path;
}

KnownModule AKnownModule() {
#ifdef _WIN32
  WCHAR system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  return {WideString(system) + L"\\kernel32.dll", L"kernel32", "GetTickCount"};
#else
  return {u"\\Windows\\PhoneAdapter.dll", u"PhoneAdapter", "PAL_SGetPhoneIMEI"};
#endif
}

std::string Narrow(const WideString& text) {
  std::string out;
  for (auto c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

}  // namespace conformance

#ifdef _WIN32
FARPROC GetProcAddressW(HMODULE module, LPCWSTR name) {
  if (reinterpret_cast<ULONG_PTR>(name) < 0x10000) {
    return GetProcAddress(module, reinterpret_cast<LPCSTR>(name));
  }
  std::string narrow;
  for (const WCHAR* c = name; *c; ++c) narrow += static_cast<char>(*c);
  return GetProcAddress(module, narrow.c_str());
}
#endif
