#include "settings/theme_reset.h"

#include "ce/registry.h"
#include "frame/registry_value.h"
#include "settings/directory_tree.h"
#include "settings/registry_settings.h"
#include "settings/value_enumeration.h"
#include "shell/shell_windows.h"

namespace {

constexpr char16_t kThemeKey[] = u"Software\\Razud\\Theme";
constexpr char16_t kAppColorsTemplate[] = u"Software\\Razud\\Theme\\Default\\Colors\\App";
constexpr char16_t kAppColorsKey[] = u"Software\\Razud\\Theme\\Colors\\App";
constexpr char16_t kColorsTemplate[] = u"Software\\Razud\\Theme\\Default\\Colors";
constexpr char16_t kColorsKey[] = u"Software\\Razud\\Theme\\Colors";
constexpr char16_t kIconsTemplate[] = u"Software\\Razud\\Theme\\Default\\Icons";
constexpr char16_t kApplicationsKey[] = u"Software\\Razud\\DovuZivUvaro\\Main";
constexpr char16_t kCalendarKey[] = u"Software\\Razud\\DovuZivUvaro\\Main\\Calendar";
// The desktop window and the lock screen's.
constexpr DWORD kBothWallpapers = 3;

// Makes the key exist, without keeping it open.
void MakeKey(LPCWSTR path) {
  if (HKEY key = CreateRegistryKey(HKEY_LOCAL_MACHINE, path, KEY_ALL_ACCESS)) RegCloseKey(key);
}

// Calls write for each value of the template key, in enumeration order, each read whole. A value
// that changed size while it was read is passed over; any other failure ends the walk, as its
// end does.
template <class Write>
void ForEachTemplateValue(HKEY from, Write write) {
  EnumeratedValue value;
  for (DWORD index = 0;; ++index) {
    LONG result = ReadValueAt(from, index, &value);
    if (result == ERROR_SUCCESS) {
      write(value);
    } else if (result != ERROR_MORE_DATA) {
      return;
    }
  }
}

// Copies every value of the template into the live key; the live key's other values stay.
void CopyValues(HKEY from, HKEY to) {
  ForEachTemplateValue(from, [&](const EnumeratedValue& value) {
    RegSetValueExW(to, value.name.data(), 0, value.type, value.data.data(), value.size);
  });
}

void ResetAppColors() {
  HKEY from = OpenExistingRegistryKey(HKEY_LOCAL_MACHINE, kAppColorsTemplate);
  if (!from) return;
  MakeKey(kAppColorsKey);
  if (HKEY to = OpenExistingRegistryKey(HKEY_LOCAL_MACHINE, kAppColorsKey)) {
    CopyValues(from, to);
    RegCloseKey(to);
  }
  RegCloseKey(from);
}

void ResetColors() {
  HKEY from = OpenExistingRegistryKey(HKEY_LOCAL_MACHINE, kColorsTemplate);
  if (!from) return;
  if (HKEY to = OpenExistingRegistryKey(HKEY_LOCAL_MACHINE, kColorsKey)) {
    CopyValues(from, to);
    RegCloseKey(to);
  }
  RegCloseKey(from);
}

// Each template icon value names an application; the application's key, when it has one, gets
// the value as its "DefaultIcon".
void ResetIcons() {
  HKEY applications = OpenExistingRegistryKey(HKEY_LOCAL_MACHINE, kApplicationsKey);
  if (!applications) return;
  if (HKEY icons = OpenExistingRegistryKey(HKEY_LOCAL_MACHINE, kIconsTemplate)) {
    ForEachTemplateValue(icons, [&](const EnumeratedValue& value) {
      HKEY application = OpenExistingRegistryKey(applications, value.name.data());
      if (!application) return;
      RegSetValueExW(application, u"DefaultIcon", 0, value.type, value.data.data(), value.size);
      RegCloseKey(application);
    });
    RegCloseKey(icons);
  }
  RegCloseKey(applications);
}

}  // namespace

int ResetThemeSetting() {
  MakeKey(kThemeKey);
  if (!WriteSettingsToExistingKey(HKEY_LOCAL_MACHINE, kThemeKey,
                                  {Text(u"ThemeName", u""), Number(u"DllTheme", 0)})) {
    return 0;
  }
  ResetAppColors();
  ResetColors();
  ResetIcons();
  WriteSettingsToExistingKey(HKEY_LOCAL_MACHINE, kCalendarKey, {Number(u"AnimateIcon", 1)});
  // "callPaper" is the shell's own spelling of the name.
  WriteSettingsToExistingKey(HKEY_CURRENT_USER, u"ControlPanel\\Desktop",
                             {Text(u"StandbyPaper", u"\\Windows\\StandbyBg.png"),
                              Text(u"Wallpaper", u"\\Windows\\DesktopBg.png"),
                              Text(u"callPaper", u"\\Windows\\CallBg.jpg")});
  for (LPCWSTR folder : {u"\\Windows\\Themes\\Default1", u"\\Windows\\Themes\\Default2",
                         u"\\Windows\\Themes\\Default3"}) {
    DeleteDirectoryTree(folder);
  }
  RefreshShellWallpaper(kBothWallpapers);
  return 1;
}
