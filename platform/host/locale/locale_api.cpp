// The system locale, the user locale and the user-interface language, kept in the registry where
// the platform keeps them:
// - the system locale in HKEY_LOCAL_MACHINE\nls "DefaultLCID" (REG_DWORD), with the locale's
//   code pages in "DefaultACP" and "DefaultOCP";
// - the user locale in HKEY_CURRENT_USER\Control Panel\International "Locale", as the desktop
//   keeps it: REG_SZ of eight hexadecimal digits ("00000804"). CE documents no place of its own;
// - the user-interface language for the next reset in HKEY_CURRENT_USER\MUI "CurLang", REG_SZ of
//   eight hexadecimal digits, as the earlier "MultiUILanguageId" was written; the language the
//   image was built with in HKEY_LOCAL_MACHINE\MUI "SysLang" (REG_DWORD).
// The getters read these back as REG_DWORD or as hexadecimal text, and fall back to US English
// (the user settings first to the system's) where a value is missing or unreadable. The registry
// calls journal every write.
#include "ce/errors.h"
#include "ce/locale.h"
#include "ce/registry.h"
#include "locale/locale_settings.h"

using namespace cehost;

namespace {

constexpr char16_t kSystemKey[] = u"nls";
constexpr char16_t kUserLocaleKey[] = u"Control Panel\\International";
constexpr char16_t kMuiKey[] = u"MUI";

// FALSE with the registry's error as the last error, or TRUE.
BOOL Done(LONG result) {
  if (result == ERROR_SUCCESS) return TRUE;
  SetLastError(static_cast<DWORD>(result));
  return FALSE;
}

BOOL Refuse() {
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

}  // namespace

// The locale's code pages go with it: the ANSI code page of the system follows its locale.
extern "C" BOOL SetSystemDefaultLCID(LCID Locale) {
  auto locale = FindInstalledLocale(Locale);
  if (!locale) return Refuse();
  LONG result = WriteDwordSetting(HKEY_LOCAL_MACHINE, kSystemKey, u"DefaultLCID", Locale);
  if (result == ERROR_SUCCESS) {
    result =
        WriteDwordSetting(HKEY_LOCAL_MACHINE, kSystemKey, u"DefaultACP", locale->ansi_code_page);
  }
  if (result == ERROR_SUCCESS) {
    result =
        WriteDwordSetting(HKEY_LOCAL_MACHINE, kSystemKey, u"DefaultOCP", locale->oem_code_page);
  }
  return Done(result);
}

extern "C" BOOL SetUserDefaultLCID(LCID Locale) {
  if (!FindInstalledLocale(Locale)) return Refuse();
  return Done(WriteHexSetting(HKEY_CURRENT_USER, kUserLocaleKey, u"Locale", Locale, 8));
}

extern "C" BOOL SetUserDefaultUILanguage(LANGID LangID) {
  if (!FindInstalledLocale(MAKELCID(LangID, SORT_DEFAULT))) return Refuse();
  return Done(WriteHexSetting(HKEY_CURRENT_USER, kMuiKey, u"CurLang", LangID, 8));
}

extern "C" LCID GetSystemDefaultLCID(void) {
  return ReadLocaleValue(HKEY_LOCAL_MACHINE, kSystemKey, u"DefaultLCID").value_or(kFallbackLocale);
}

extern "C" LCID GetUserDefaultLCID(void) {
  auto locale = ReadLocaleValue(HKEY_CURRENT_USER, kUserLocaleKey, u"Locale");
  return locale ? *locale : GetSystemDefaultLCID();
}

extern "C" LANGID GetSystemDefaultUILanguage(void) {
  auto language = ReadLocaleValue(HKEY_LOCAL_MACHINE, kMuiKey, u"SysLang");
  return static_cast<LANGID>(language.value_or(LANGIDFROMLCID(kFallbackLocale)));
}

extern "C" LANGID GetUserDefaultUILanguage(void) {
  auto language = ReadLocaleValue(HKEY_CURRENT_USER, kMuiKey, u"CurLang");
  return language ? static_cast<LANGID>(*language) : GetSystemDefaultUILanguage();
}

extern "C" LANGID GetUserDefaultLangID(void) {
  return LANGIDFROMLCID(GetUserDefaultLCID());
}

extern "C" LANGID GetSystemDefaultLangID(void) {
  return GetUserDefaultLangID();
}

extern "C" UINT GetACP(void) {
  if (auto stored = ReadLocaleValue(HKEY_LOCAL_MACHINE, kSystemKey, u"DefaultACP")) return *stored;
  auto locale = FindInstalledLocale(GetSystemDefaultLCID());
  return locale ? locale->ansi_code_page : kFallbackAnsiCodePage;
}
