#include "sim/shell/shell_windows.h"

#include "cehost/text.h"
#include "oem/shell.h"

namespace sim {

const char16_t* ShellWindowClass(ShellWindow window) {
  switch (window) {
    case kDesktopWindow:
      return SHELL_DESKTOP_WINDOW_CLASS;
    case kLockWindow:
      return SHELL_LOCK_WINDOW_CLASS;
    case kQuitAnimationWindow:
      return SHELL_QUIT_ANIMATION_WINDOW_CLASS;
    case kTaskBarWindow:
      return SHELL_TASKBAR_WINDOW_CLASS;
    case kMainWindow:
      return SHELL_MAIN_WINDOW_CLASS;
    case kStartupWindow:
    case kShellWindowCount:
      break;
  }
  return SHELL_STARTUP_WINDOW_CLASS;
}

std::optional<ShellWindow> ShellWindowOfClass(std::u16string_view class_name) {
  for (int w = 0; w < kShellWindowCount; ++w) {
    auto window = static_cast<ShellWindow>(w);
    if (cehost::EqualsIgnoreCase(class_name, ShellWindowClass(window))) return window;
  }
  return std::nullopt;
}

const char* WindowPresenceName(WindowPresence presence) {
  switch (presence) {
    case WindowPresence::kPresent:
      return "present";
    case WindowPresence::kAbsent:
      return "absent";
    case WindowPresence::kHung:
      return "hung";
  }
  return "present";
}

const char* ShellMessageName(UINT msg) {
  switch (msg) {
    case SHELL_MSG_APP_QUIT_ANIMATE:
      return "app quit animate";
    case SHELL_MSG_REFRESH_WALLPAPER:
      return "wallpaper refresh";
    case SHELL_MSG_BEGIN_SCREEN_ROTATE:
      return "begin screen rotate";
    case SHELL_MSG_ENABLE_TASKBAR_LIST:
      return "enable taskbar list";
    case SHELL_MSG_DISABLE_TASKBAR_LIST:
      return "disable taskbar list";
    case SHELL_MSG_ENABLE_SLIDE_APP:
      return "enable slide app";
    case SHELL_MSG_DISABLE_SLIDE_APP:
      return "disable slide app";
    case SHELL_MSG_SHOW_VOLUME_WINDOW:
      return "show volume window";
    case SHELL_MSG_CHANGE_DISPLAY_SETTINGS:
      return "change display settings";
    case SHELL_MSG_APP_INIT:
      return "app init";
    default:
      return nullptr;
  }
}

const std::array<UINT, 10>& ShellPrivateMessages() {
  static const std::array<UINT, 10> messages{
      SHELL_MSG_APP_QUIT_ANIMATE,        SHELL_MSG_REFRESH_WALLPAPER,
      SHELL_MSG_BEGIN_SCREEN_ROTATE,     SHELL_MSG_ENABLE_TASKBAR_LIST,
      SHELL_MSG_DISABLE_TASKBAR_LIST,    SHELL_MSG_ENABLE_SLIDE_APP,
      SHELL_MSG_DISABLE_SLIDE_APP,       SHELL_MSG_SHOW_VOLUME_WINDOW,
      SHELL_MSG_CHANGE_DISPLAY_SETTINGS, SHELL_MSG_APP_INIT};
  return messages;
}

}  // namespace sim
