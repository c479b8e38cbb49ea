// The INI file exports: thin entries over the INI engine's operations.
#include "frame/exports.h"
#include "ini/ini_ops.h"

extern "C" INT IsExistAppEx(LPCWSTR pszSection, LPCWSTR pszFile) {
  return IniSectionExists(pszSection, pszFile);
}

extern "C" INT IniReadStringEx(LPCWSTR pszSection, LPCWSTR pszKey, LPWSTR* ppszValue,
                               LPCWSTR pszFile) {
  return ReadIniString(pszSection, pszKey, ppszValue, pszFile);
}

extern "C" INT IniReadIntEx(LPCWSTR pszSection, LPCWSTR pszKey, INT* pnValue, LPCWSTR pszFile) {
  return ReadIniInt(pszSection, pszKey, pnValue, pszFile);
}

extern "C" INT IniWriteStringEx(LPCWSTR pszSection, LPCWSTR pszKey, LPCWSTR pszValue,
                                LPCWSTR pszFile) {
  return WriteIniString(pszSection, pszKey, pszValue, pszFile);
}

extern "C" INT IniWriteIntEx(LPCWSTR pszSection, LPCWSTR pszKey, INT nValue, LPCWSTR pszFile) {
  return WriteIniInt(pszSection, pszKey, nValue, pszFile);
}

extern "C" INT IniCreateFileEx(LPCWSTR pszFile) {
  return CreateIniFile(pszFile);
}
