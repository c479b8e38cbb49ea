// Locales as Windows CE documents them: SetSystemDefaultLCID, SetUserDefaultLCID and
// SetUserDefaultUILanguage, each refusing a locale the handset does not have with
// ERROR_INVALID_PARAMETER, and their getters; CE keeps no system language identifier apart from
// the user's. The library's factory reset sets all three from one locale. SetSystemDefaultLCID
// and a UI language chosen for the next reset are CE's (desktop Windows sets neither this way),
// so every check is CE-only, and the Win32 build leaves this file out.
#include <string>

#include "ce/locale.h"
#include "check.h"
#include "rows.h"

namespace {

using conformance::kSentinel;

constexpr LCID kEnglish = 0x0409;
constexpr LCID kChinese = 0x0804;
constexpr LCID kFrench = 0x040C;
constexpr LCID kMissing = 0x0419;  // Russian: not on the handset

// Each setter's value reads back through its getter; the user's language follows the user
// locale, and the system language identifier is the user's.
CE_ONLY_CASE(locale, set_locales_read_back) {
  EXPECT_SAME(SetSystemDefaultLCID(kChinese), TRUE);
  EXPECT_SAME(GetSystemDefaultLCID(), kChinese);
  EXPECT_SAME(SetUserDefaultLCID(kFrench), TRUE);
  EXPECT_SAME(GetUserDefaultLCID(), kFrench);
  EXPECT_SAME(GetUserDefaultLangID(), LANGID{0x040C});
  EXPECT_SAME(GetSystemDefaultLangID(), GetUserDefaultLangID());
  EXPECT_SAME(GetSystemDefaultLCID(), kChinese);

  const LANGID built_with = GetSystemDefaultUILanguage();
  EXPECT_SAME(SetUserDefaultUILanguage(LANGIDFROMLCID(kChinese)), TRUE);
  EXPECT_SAME(GetUserDefaultUILanguage(), LANGID{0x0804});
  EXPECT_SAME(GetSystemDefaultUILanguage(), built_with);

  EXPECT_SAME(SetUserDefaultLCID(kEnglish), TRUE);
  EXPECT_SAME(GetUserDefaultLCID(), kEnglish);
}

struct MissingRow {
  const char* what;
  BOOL result;
  DWORD error;
};

MissingRow Call(const char* what, BOOL result) {
  return MissingRow{what, result, result ? 0 : GetLastError()};
}

// A locale the handset does not have is refused with ERROR_INVALID_PARAMETER and changes nothing.
CE_ONLY_CASE(locale, missing_locale_is_refused) {
  SetSystemDefaultLCID(kEnglish);
  SetUserDefaultLCID(kEnglish);
  SetUserDefaultUILanguage(LANGIDFROMLCID(kEnglish));
  SetLastError(kSentinel);
  const MissingRow rows[] = {
      Call("system", SetSystemDefaultLCID(kMissing)),
      Call("user", SetUserDefaultLCID(kMissing)),
      Call("UI language", SetUserDefaultUILanguage(LANGIDFROMLCID(kMissing))),
  };
  for (const MissingRow& row : rows) {
    EXPECT_ROW(row.what, row.result, FALSE);
    EXPECT_ROW(row.what, row.error, DWORD{ERROR_INVALID_PARAMETER});
  }
  EXPECT_SAME(GetSystemDefaultLCID(), kEnglish);
  EXPECT_SAME(GetUserDefaultLCID(), kEnglish);
  EXPECT_SAME(GetUserDefaultUILanguage(), LANGID{0x0409});
}

}  // namespace
