// The INI file exports: thin entries over the INI engine's operations; 1 success, 0 failure.
#include "frame/entries/guard.h"
#include "frame/exports.h"
#include "ini/ini_ops.h"

namespace {
constexpr INT kFailed = 0;
INT Result(bool done) {
  return done ? 1 : kFailed;
}
}  // namespace

extern "C" INT IsExistAppEx(LPCWSTR pszSection, LPCWSTR pszFile) {
  return RunGuarded(kFailed, [&] { return Result(IniSectionExists(pszSection, pszFile)); });
}

extern "C" INT IniReadStringEx(LPCWSTR pszSection, LPCWSTR pszKey, LPWSTR* ppszValue,
                               LPCWSTR pszFile) {
  return RunGuarded(kFailed,
                    [&] { return Result(ReadIniString(pszSection, pszKey, ppszValue, pszFile)); });
}

extern "C" INT IniReadIntEx(LPCWSTR pszSection, LPCWSTR pszKey, INT* pnValue, LPCWSTR pszFile) {
  return RunGuarded(kFailed,
                    [&] { return Result(ReadIniInt(pszSection, pszKey, pnValue, pszFile)); });
}

extern "C" INT IniWriteStringEx(LPCWSTR pszSection, LPCWSTR pszKey, LPCWSTR pszValue,
                                LPCWSTR pszFile) {
  // Memory for the new text that could not be had fails the write before the file is touched.
  return RunGuarded(kFailed,
                    [&] { return Result(WriteIniString(pszSection, pszKey, pszValue, pszFile)); });
}

extern "C" INT IniWriteIntEx(LPCWSTR pszSection, LPCWSTR pszKey, INT nValue, LPCWSTR pszFile) {
  return RunGuarded(kFailed,
                    [&] { return Result(WriteIniInt(pszSection, pszKey, nValue, pszFile)); });
}

extern "C" INT IniCreateFileEx(LPCWSTR pszFile) {
  return RunGuarded(kFailed, [&] { return Result(CreateIniFile(pszFile)); });
}
