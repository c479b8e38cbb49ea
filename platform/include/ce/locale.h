// Locales: the system locale, the user locale and the user-interface language, as identifiers.
#pragma once

#include "ce/types.h"

#define SORT_DEFAULT 0x0
// A locale identifier from a language identifier and a sort identifier.
#define MAKELCID(lgid, srtid) ((DWORD)((((DWORD)((WORD)(srtid))) << 16) | ((DWORD)((WORD)(lgid)))))
// The language identifier of a locale identifier.
#define LANGIDFROMLCID(lcid) ((WORD)(lcid))
// A language identifier from a primary language and a sublanguage.
#define MAKELANGID(p, s) ((((WORD)(s)) << 10) | (WORD)(p))

extern "C" {

// Sets the system locale (with its ANSI code page); FALSE and ERROR_INVALID_PARAMETER for a
// locale the handset does not have.
BOOL SetSystemDefaultLCID(LCID Locale);
// Sets the user locale; FALSE and ERROR_INVALID_PARAMETER for a locale the handset does not have.
BOOL SetUserDefaultLCID(LCID Locale);
// Sets the user-interface language, which takes effect at the next reset; FALSE and
// ERROR_INVALID_PARAMETER for a language the handset does not have.
BOOL SetUserDefaultUILanguage(LANGID LangID);

// The system locale (0x0409 when none is set).
LCID GetSystemDefaultLCID(void);
// The user locale (the system locale when none is set).
LCID GetUserDefaultLCID(void);
// The user-interface language chosen for the next reset (the system's when none is chosen).
LANGID GetUserDefaultUILanguage(void);
// The user-interface language the handset was built with (0x0409).
LANGID GetSystemDefaultUILanguage(void);
// The language of the user locale.
LANGID GetUserDefaultLangID(void);
// The language of the user locale: CE keeps no separate system language identifier.
LANGID GetSystemDefaultLangID(void);
// The ANSI code page: the one stored with the system locale, else that locale's own (1252 for
// US English). Narrow text and CP_ACP conversions go through it.
UINT GetACP(void);

}  // extern "C"
