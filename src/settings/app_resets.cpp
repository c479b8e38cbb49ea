#include "settings/app_resets.h"

#include "ce/files.h"
#include "ce/registry.h"
#include "frame/path_probe.h"
#include "frame/stored_path.h"
#include "settings/handset_paths.h"
#include "settings/registry_settings.h"

int ResetPhotoViewerSettings() {
  WriteSettingsToExistingKey(
      HKEY_LOCAL_MACHINE, u"Software\\Razud\\PhotoViewer",
      {Number(u"PhotoStayTime", 1), Number(u"BlackLightTime", 40), Number(u"SlideEffect", 2),
       Number(u"DisplayRandom", 0), Number(u"PlayRepeat", 0), Number(u"BlackLightRate", 50)});
  return 1;
}

int ResetFileBrowserSettings() {
  WriteSettingsToExistingKey(HKEY_LOCAL_MACHINE, u"Software\\Razud\\FileBrowser",
                             {Text(u"Path", u"\\Disk"), Number(u"Position", 0)});
  // The list goes whether or not the browser has its key.
  DeleteFileW(u"\\Documents and Settings\\encryptFile.txt");
  return 1;
}

int ResetEbookSettings() {
  WCHAR folder[MAX_PATH];
  ReadStoredPath(HKEY_LOCAL_MACHINE, u"Software\\Razud\\Path", u"EbookPath", folder);
  if (!PathExists(folder)) return 1;
  for (LPCWSTR name : {u"Ebook.ini", u"Ebook.dat"}) {
    WCHAR file[MAX_PATH];
    if (JoinPath(file, folder, name)) DeleteFileIfFound(file);
  }
  return 1;
}

LONG ResetEmail() {
  HKEY key = nullptr;
  LONG result = RegOpenKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\VERIDAZ", 0, 0, &key);
  if (result != ERROR_SUCCESS) return result;
  static const WCHAR kEmpty[] = u"";
  result = RegSetValueExW(key, u"email", 0, REG_SZ, reinterpret_cast<const BYTE*>(kEmpty),
                          sizeof kEmpty);
  RegCloseKey(key);
  return result;
}

int ResetEmailSettings() {
  // "autoupdat" is the client's own spelling of the name.
  WriteSettingsToExistingKey(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Razud\\Email",
                             {Number(u"mail", 0), Number(u"autoupdat", 0), Number(u"showmail", 5),
                              Number(u"mailfont", 1)});
  return 1;
}

int ResetWifiSettings() {
  WriteSettingsToExistingKey(HKEY_CURRENT_USER, u"Software\\VIROVU", {Number(u"wifisetting", 0)});
  return 1;
}
