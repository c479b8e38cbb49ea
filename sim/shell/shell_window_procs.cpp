// The shell's six windows: made when the shell is installed, each acting on the private
// messages it knows and keeping what it did in the shell's memory.
#include <chrono>
#include <string>
#include <thread>

#include "cehost/handset.h"
#include "cehost/text.h"
#include "cehost/windows.h"
#include "oem/shell.h"
#include "sim/shell/shell.h"

namespace sim {
namespace {

std::string Params(WPARAM wparam, LPARAM lparam) {
  return "(wParam " + std::to_string(wparam) + ", lParam " + std::to_string(lparam) + ")";
}

}  // namespace

void Shell::CreateWindows() {
  for (UINT msg : ShellPrivateMessages()) cehost::NameMessage(msg, ShellMessageName(msg));
  bool top_bar_visible;
  {
    std::lock_guard lock(mutex_);
    windows_now_ = window_setup_;
    hwnds_ = {};
    top_bar_visible = memory_.windows.top_bar_visible;
  }
  for (int w = 0; w < kShellWindowCount; ++w) {
    auto window = static_cast<ShellWindow>(w);
    if (window_setup_[w].presence != WindowPresence::kAbsent)
      MakeWindow(window, window != kTaskBarWindow || top_bar_visible);
  }
}

void Shell::MakeWindow(ShellWindow window, bool visible) {
  std::weak_ptr<Shell> weak = std::static_pointer_cast<Shell>(shared_from_this());
  cehost::WindowSpec spec;
  spec.class_name = ShellWindowClass(window);
  spec.visible = visible;
  spec.proc = [weak, window](HWND, UINT msg, WPARAM wparam, LPARAM lparam) -> LRESULT {
    auto shell = weak.lock();
    return shell ? shell->OnWindowMessage(window, msg, wparam, lparam) : 0;
  };
  HWND hwnd = cehost::CreateHostWindow(spec);
  bool hung;
  {
    std::lock_guard lock(mutex_);
    hwnds_[window] = hwnd;
    hung = windows_now_[window].presence == WindowPresence::kHung;
  }
  if (hwnd && hung) cehost::SetWindowHung(hwnd, true);
}

void Shell::DestroyWindows() {
  NoteTopBar();
  std::array<HWND, kShellWindowCount> hwnds;
  {
    std::lock_guard lock(mutex_);
    hwnds = std::exchange(hwnds_, {});
  }
  for (HWND hwnd : hwnds)
    if (hwnd) cehost::DestroyHostWindow(hwnd);
}

void Shell::NoteTopBar() {
  HWND top_bar;
  {
    std::lock_guard lock(mutex_);
    top_bar = hwnds_[kTaskBarWindow];
  }
  if (!top_bar) return;
  bool visible = cehost::IsHostWindowVisible(top_bar);
  std::lock_guard lock(mutex_);
  memory_.windows.top_bar_visible = visible;
}

LRESULT Shell::OnWindowMessage(ShellWindow window, UINT msg, WPARAM wparam, LPARAM lparam) {
  DWORD delay;
  {
    std::lock_guard lock(mutex_);
    delay = windows_now_[window].answer_delay_ms;
  }
  if (delay) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  std::string text;
  {
    std::lock_guard lock(mutex_);
    ShellWindowMemory& m = memory_.windows;
    switch (window) {
      case kDesktopWindow:
      case kLockWindow:
        if (msg != SHELL_MSG_REFRESH_WALLPAPER) break;
        if (window == kDesktopWindow) {
          ++m.desktop_wallpaper_refreshes;
          text = "wallpaper refreshed on the desktop";
        } else {
          ++m.lock_wallpaper_refreshes;
          text = "wallpaper refreshed on the lock screen";
        }
        break;
      case kQuitAnimationWindow:
        if (msg != SHELL_MSG_APP_QUIT_ANIMATE) break;
        ++m.quit_animations;
        text = "application-quit animation played " + Params(wparam, lparam);
        break;
      case kTaskBarWindow:
        if (msg == SHELL_MSG_BEGIN_SCREEN_ROTATE) {
          ++m.screen_rotations;
          text = "screen rotation begun";
        } else if (msg == SHELL_MSG_ENABLE_TASKBAR_LIST || msg == SHELL_MSG_DISABLE_TASKBAR_LIST) {
          m.taskbar_list_enabled = msg == SHELL_MSG_ENABLE_TASKBAR_LIST;
          text = m.taskbar_list_enabled ? "task-bar list enabled" : "task-bar list disabled";
        } else if (msg == SHELL_MSG_ENABLE_SLIDE_APP || msg == SHELL_MSG_DISABLE_SLIDE_APP) {
          m.slide_app_enabled = msg == SHELL_MSG_ENABLE_SLIDE_APP;
          text =
              m.slide_app_enabled ? "application sliding enabled" : "application sliding disabled";
        }
        break;
      case kMainWindow:
        if (msg == SHELL_MSG_SHOW_VOLUME_WINDOW) {
          ++m.volume_shows;
          m.volume = MessageParams{wparam, lparam};
          text = "volume window shown " + Params(wparam, lparam);
        } else if (msg == SHELL_MSG_CHANGE_DISPLAY_SETTINGS) {
          ++m.display_setting_changes;
          m.display_settings = MessageParams{wparam, lparam};
          text = "display settings changed " + Params(wparam, lparam);
        }
        break;
      case kStartupWindow:
        if (msg != SHELL_MSG_APP_INIT) break;
        if (wparam == SHELL_APP_INIT_BEGIN) {
          ++m.app_init_begins;
          text = "an application's initialisation began";
        } else if (wparam == SHELL_APP_INIT_FINISHED) {
          ++m.app_init_finishes;
          text = "an application's initialisation finished";
        }
        break;
      case kShellWindowCount:
        break;
    }
  }
  if (text.empty()) return 0;
  std::string class_name = cehost::ToUtf8(ShellWindowClass(window));
  cehost::RecordEffect(cehost::CurrentJournal(), cehost::EffectKind::kShell,
                       {{"text", text}, {"window", class_name}});
  Save();
  return 1;
}

bool Shell::SetWindowPresent(std::u16string_view class_name, bool present) {
  auto window = ShellWindowOfClass(class_name);
  HWND gone = nullptr;
  bool make = false;
  bool top_bar_visible;
  {
    std::lock_guard lock(mutex_);
    if (!window || run_ == ShellRun::kAbsent || !installed_) return false;
    ShellWindowSetup& setup = windows_now_[*window];
    if (!present) {
      setup.presence = WindowPresence::kAbsent;
      gone = std::exchange(hwnds_[*window], nullptr);
    } else if (setup.presence == WindowPresence::kAbsent) {
      setup.presence = WindowPresence::kPresent;
      make = true;
    }
    top_bar_visible = memory_.windows.top_bar_visible;
  }
  if (gone) {
    if (*window == kTaskBarWindow) {
      bool visible = cehost::IsHostWindowVisible(gone);
      std::lock_guard lock(mutex_);
      memory_.windows.top_bar_visible = visible;
    }
    cehost::DestroyHostWindow(gone);
  }
  if (make) MakeWindow(*window, *window != kTaskBarWindow || top_bar_visible);
  return true;
}

bool Shell::SetWindowHung(std::u16string_view class_name, bool hung) {
  auto window = ShellWindowOfClass(class_name);
  HWND hwnd;
  {
    std::lock_guard lock(mutex_);
    if (!window || !hwnds_[*window]) return false;
    hwnd = hwnds_[*window];
    windows_now_[*window].presence = hung ? WindowPresence::kHung : WindowPresence::kPresent;
  }
  return cehost::SetWindowHung(hwnd, hung);
}

bool Shell::SetWindowAnswerDelay(std::u16string_view class_name, DWORD delay_ms) {
  auto window = ShellWindowOfClass(class_name);
  std::lock_guard lock(mutex_);
  if (!window || run_ == ShellRun::kAbsent || !installed_) return false;
  windows_now_[*window].answer_delay_ms = delay_ms;
  return true;
}

HWND Shell::Window(std::u16string_view class_name) const {
  auto window = ShellWindowOfClass(class_name);
  std::lock_guard lock(mutex_);
  return window ? hwnds_[*window] : nullptr;
}

}  // namespace sim
