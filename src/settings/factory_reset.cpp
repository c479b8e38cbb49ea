#include "settings/factory_reset.h"

#include <cstring>

#include "ce/locale.h"
#include "ce/registry.h"
#include "ce/text.h"
#include "ce/windows.h"
#include "frame/registry_value.h"
#include "sensors/infrared.h"
#include "sensors/touch.h"
#include "settings/app_resets.h"
#include "settings/keyboard_reset.h"
#include "settings/network_reset.h"
#include "settings/registry_settings.h"
#include "settings/theme_reset.h"
#include "settings/usb_client.h"

namespace {

// The ring tone paths are read into 255 characters; a 256th place keeps a value that fills them
// terminated, so that it is never read past.
struct RingTonePath {
  WCHAR text[256];
};

constexpr DWORD kRingToneBytes = 255 * sizeof(WCHAR);
// The touch driver's setting bit that the factory setting clears.
constexpr DWORD kTouchSettingBit = 2;
// "LanguageVer" of a handset with Western European text.
constexpr DWORD kWesternLanguageVersion = 1252;
constexpr LCID kFrench = 0x040C;
constexpr LCID kChinese = 0x0804;
// lParam of the settings broadcast: the regional settings changed.
constexpr LPARAM kRegionalSettings = 1;

// Reads the value (any type) into path, empty when it is missing or longer than 255 characters.
void ReadRingTone(HKEY key, LPCWSTR name, RingTonePath* path) {
  std::memset(path, 0, sizeof *path);
  DWORD size = kRingToneBytes;
  if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(path->text), &size) !=
      ERROR_SUCCESS) {
    std::memset(path, 0, sizeof *path);
  }
}

void ResetRingTones() {
  HKEY key = CreateRegistryKey(HKEY_CURRENT_USER, u"ControlPanel\\Ring", KEY_ALL_ACCESS);
  if (!key) return;
  RingTonePath path;
  ReadRingTone(key, u"CallRingDef", &path);
  SetDwordValue(key, u"bCallRingDef", 1);
  SetStringValue(key, u"IncomingCall", path.text);
  ReadRingTone(key, u"MsgToneDef", &path);
  SetDwordValue(key, u"bMsgToneDef", 1);
  SetStringValue(key, u"MessageTone", path.text);
  RegCloseKey(key);
}

void ResetLanguage() {
  DWORD version = 0;
  HKEY key =
      CreateRegistryKey(HKEY_CURRENT_USER, u"ControlPanel\\Setting\\Language", KEY_ALL_ACCESS);
  bool read = false;
  if (key) {
    read = QueryDwordOrZero(key, u"LanguageVer", &version);
    RegCloseKey(key);
  }
  LCID locale = read && version == kWesternLanguageVersion ? kFrench : kChinese;
  // The system locale, the user interface language and the user locale, in that order.
  SetSystemDefaultLCID(locale);
  SetUserDefaultUILanguage(LANGIDFROMLCID(locale));
  SetUserDefaultLCID(locale);
  PostMessageW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, kRegionalSettings);
}

void DeleteValues(LPCWSTR key_path, std::initializer_list<LPCWSTR> names) {
  HKEY key = CreateRegistryKey(HKEY_LOCAL_MACHINE, key_path, KEY_ALL_ACCESS);
  if (!key) return;
  for (LPCWSTR name : names) RegDeleteValueW(key, name);
  RegCloseKey(key);
}

}  // namespace

int ResetFactorySettings() {
  const HKEY user = HKEY_CURRENT_USER;
  const HKEY machine = HKEY_LOCAL_MACHINE;
  ResetThemeSetting();
  ResetKeyBoard();
  WriteSettingsToKey(
      user, u"ControlPanel\\Volume",
      {Number(u"UsrVolume", 50), Number(u"SilenceVibrant", 1), Number(u"RingVibrant", 1),
       Number(u"FadeIn", 1), Number(u"Silence", 0), Number(u"RcvEmailTone", 1),
       Number(u"SndEmailTone", 1), Number(u"EventTone", 1), Number(u"Key", 1)});
  WriteSettingsToKey(machine, u"Software\\Razud\\CameraSetup", {Number(u"IsPlaySound", 1)});
  ResetRingTones();
  WriteSettingsToKey(user, u"ControlPanel\\BackLight",
                     {Number(u"AdjustBrightness", 1), Number(u"BacklightLevel", 128)});
  ResetLanguage();
  WriteSettingsToKey(
      machine, u"System\\CurrentControlSet\\Control\\Power\\Timeouts",
      {Number(u"BattUserIdle", 30), Number(u"ACUserIdle", 30), Number(u"BattSystemIdle", 10),
       Number(u"ACSystemIdle", 10), Number(u"BattSuspend", 10), Number(u"ACSuspend", 0)});
  WriteSettingsToKey(user, u"ControlPanel\\Desktop", {Number(u"PhoneLock", 0)});
  DeleteValues(u"Drivers\\BuiltIn\\Battery", {u"ChargeWithUSBDevice"});
  SetInfraredLevel(2);
  DeleteValues(u"Drivers\\BuiltIn\\IRSensor", {u"Threshold", u"Frequency"});
  if (GetTouchDriverSetting() & kTouchSettingBit) SetTouchDriverSetting(0);
  USBChangeCurrentDriver(u"Mass_Storage_Class");
  USBChangeDefaultDriver(u"Mass_Storage_Class");
  ResetNetSettings();
  ResetPhotoViewerSettings();
  ResetFileBrowserSettings();
  ResetWifiSettings();
  ResetEmailSettings();
  ResetEbookSettings();
  return 1;
}
