// Wide text as the platform's run-time library gives it: 16-bit characters, 32-bit integers.
#pragma once

#include <cstdarg>
// The C library's wide routines are declared first, so that the overloads below never join
// the std:: names that the standard library takes from them.
#include <cwchar>
#include <string>

#include "ce/types.h"

#define WSPRINTF_LIMIT 1024

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_UTF8 65001
#define WC_DISCARDNS 0x00000010
#define WC_SEPCHARS 0x00000020
#define WC_DEFAULTCHAR 0x00000040
#define WC_COMPOSITECHECK 0x00000200

extern "C" {

// Converts UTF-16 text to the code page (those of the handset's locales, 936 among them, and
// UTF-8; CP_ACP is the one GetACP names); cchWideChar -1 means "up to and with the terminator".
// With cbMultiByte 0 it returns the bytes needed; otherwise the bytes written, or 0 and the last
// error (ERROR_INSUFFICIENT_BUFFER when the output does not fit). Characters the code page cannot
// hold become the default character, and *lpUsedDefaultChar says whether that happened.
int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                        LPBOOL lpUsedDefaultChar);

// Formats into lpOut, which must hold 1024 characters; stores at most 1023 characters and the
// terminator, and returns the number of characters stored without the terminator. Narrow text
// arguments are read in the ANSI code page (GetACP).
int wsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, ...);

// wsprintfW with its arguments in a va_list.
int wvsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, va_list arglist);

}  // extern "C"

// The run-time library's wide-string routines over 16-bit characters. They are overloads of the
// C library's names for WCHAR text, so that the host's 32-bit wchar_t routines are never used.

// Number of characters before the terminator.
size_t wcslen(const WCHAR* s);
// Ordinal comparison: negative, zero or positive.
int wcscmp(const WCHAR* a, const WCHAR* b);
// Ordinal comparison of at most n characters.
int wcsncmp(const WCHAR* a, const WCHAR* b, size_t n);
// Comparison that ignores case: both strings in lower case, compared unit by unit as unsigned
// values; negative, zero or positive.
int _wcsicmp(const WCHAR* a, const WCHAR* b);
// Comparison of at most n characters that ignores case, as _wcsicmp.
int _wcsnicmp(const WCHAR* a, const WCHAR* b, size_t n);
// Copies src with its terminator into dst; returns dst.
WCHAR* wcscpy(WCHAR* dst, const WCHAR* src);
// Copies at most n characters and pads with terminators to n, like the C routine; returns dst.
WCHAR* wcsncpy(WCHAR* dst, const WCHAR* src, size_t n);
// Appends src to dst; returns dst.
WCHAR* wcscat(WCHAR* dst, const WCHAR* src);
// First occurrence of c in s (the terminator included), or null.
const WCHAR* wcschr(const WCHAR* s, WCHAR c);
WCHAR* wcschr(WCHAR* s, WCHAR c);
// Last occurrence of c in s, or null.
const WCHAR* wcsrchr(const WCHAR* s, WCHAR c);
WCHAR* wcsrchr(WCHAR* s, WCHAR c);
// First occurrence of needle in s, or null; an empty needle finds s.
const WCHAR* wcsstr(const WCHAR* s, const WCHAR* needle);
WCHAR* wcsstr(WCHAR* s, const WCHAR* needle);
// Reads a 32-bit integer: leading white space, an optional sign, an optional 0x prefix where the
// base allows it, digits of the base (0 picks 8, 10 or 16 from the prefix, else 2 to 36); stops
// at the first other character and stores its address in *endptr when endptr is not null.
// Overflow gives LONG_MAX or LONG_MIN; no digits give 0 with *endptr = s.
LONG wcstol(const WCHAR* s, WCHAR** endptr, int base);
