// The settings reset exports: thin entries over the settings family's resets.
#include "ce/errors.h"
#include "frame/entries/guard.h"
#include "frame/exports.h"
#include "settings/app_resets.h"
#include "settings/bluetooth_reset.h"
#include "settings/factory_reset.h"
#include "settings/keyboard_reset.h"
#include "settings/network_reset.h"
#include "settings/theme_reset.h"

extern "C" INT SettingApiResetPhotoViewerSettings(void) {
  return RunGuarded(0, [] { return ResetPhotoViewerSettings(); });
}

extern "C" INT SettingApiResetFileBrowserSettings(void) {
  return RunGuarded(0, [] { return ResetFileBrowserSettings(); });
}

extern "C" INT SettingApiResetEbookSettings(void) {
  return RunGuarded(0, [] { return ResetEbookSettings(); });
}

extern "C" LONG ResetEmailEx(void) {
  return RunGuarded(static_cast<LONG>(ERROR_NOT_ENOUGH_MEMORY), [] { return ResetEmail(); });
}

extern "C" INT SettingApiResetThemeSetting(void) {
  return RunGuarded(0, [] { return ResetThemeSetting(); });
}

extern "C" INT SettingApiResetKeyBoard(void) {
  return RunGuarded(0, [] { return ResetKeyBoard(); });
}

extern "C" INT SettingApiResetBluetoothSettings(void) {
  return RunGuarded(0, [] { return ResetBluetoothSettings(); });
}

extern "C" INT SettingApiResetNetSettings(void) {
  return RunGuarded(0, [] { return ResetNetSettings(); });
}

extern "C" INT SettingApiResetFactorySettings(void) {
  return RunGuarded(0, [] { return ResetFactorySettings(); });
}
