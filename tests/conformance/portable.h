// One view of the platform API for the conformance checks: <windows.h> when built for Win32
// (mingw-w64, run under Wine), cehost's platform headers when built natively.
#pragma once

#ifdef _WIN32
// The wide ("W") forms of the calls, and std::min/std::max left alone by <windows.h>.
#ifndef UNICODE
#define UNICODE
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

// A wide literal in the platform's wide character type.
#define WS(text) L##text
typedef std::wstring WideString;

// Windows CE's form of GetProcAddress, which takes the entry's name in UTF-16; desktop Win32 has
// only the 8-bit form, to which this hands the name (an ordinal passes as it is).
FARPROC GetProcAddressW(HMODULE module, LPCWSTR name);
#else
#include "ce/crt.h"
#include "ce/errors.h"
#include "ce/files.h"
#include "ce/kernel.h"
#include "ce/locale.h"
#include "ce/modules.h"
#include "ce/registry.h"
#include "ce/text.h"
#include "ce/windows.h"

#include <string>

#define WS(text) u##text
typedef std::u16string WideString;
#endif

namespace conformance {

// True when the checks run on Wine rather than on cehost.
bool OnWine();

// A fresh, empty folder for one group of checks, as an absolute platform path without a
// trailing backslash (e.g. "\Conformance\files" on cehost, "C:\m8conformance\files" on Wine).
WideString FreshFolder(const char* group);

// A fresh, empty registry key for one group of checks, below the root (HKEY_CURRENT_USER unless
// another is given); the path is relative to that root.
WideString FreshKey(const char* group, HKEY root = HKEY_CURRENT_USER);

// A module the platform always has, by its full path and by its bare name, and one entry it
// exports: on Win32 the system's kernel32.dll, on the handset the phone adapter library that its
// software installs in "\Windows".
struct KnownModule {
  WideString path;       // the full path, with the extension
  WideString bare_name;  // the name alone, without folder or extension
  const char* entry;     // an entry it exports, spelled exactly
};
KnownModule AKnownModule();

// The text of a wide string for comparing names and showing them: ASCII kept, anything else '?'.
std::string Narrow(const WideString& text);

}  // namespace conformance
