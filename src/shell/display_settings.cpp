#include "shell/display_settings.h"

#include "ce/windows.h"
#include "oem/shell.h"

BOOL AcceptDisplaySettingChanges(bool accept) {
  HDC screen = GetDC(nullptr);
  if (!screen) return FALSE;
  int escape =
      accept ? DISPLAY_ESCAPE_ENABLE_SETTING_CHANGES : DISPLAY_ESCAPE_DISABLE_SETTING_CHANGES;
  int result = ExtEscape(screen, escape, 0, nullptr, 0, nullptr);
  ReleaseDC(nullptr, screen);
  return result > 0 ? TRUE : FALSE;
}
