// The shell's six top-level windows: their classes, how handset.toml or a test sets each one up
// (present, absent or hung, and how long it takes to answer), and the names of the private
// messages they act on.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "ce/types.h"

namespace sim {

enum ShellWindow {
  kDesktopWindow,        // "DesktopExplorerWindow": refreshes the desktop's wallpaper
  kLockWindow,           // "CLockPhoneWnd": refreshes the lock screen's wallpaper
  kQuitAnimationWindow,  // "DesktopExploreWindows": plays the application-quit animation
  kTaskBarWindow,        // "CTaskBar": the top bar, its task-bar list, sliding and rotation
  kMainWindow,           // "CShellMainWnd": the volume window and display settings
  kStartupWindow,        // "CStartupWnd": applications' initialisation
  kShellWindowCount
};

// The window's class name.
const char16_t* ShellWindowClass(ShellWindow window);
// The window of that class (compared without case), or nothing.
std::optional<ShellWindow> ShellWindowOfClass(std::u16string_view class_name);

// Whether a window of the shell exists and answers.
enum class WindowPresence {
  kPresent,  // exists and answers
  kAbsent,   // does not exist: FindWindowW does not find it
  kHung,     // exists and takes messages, but answers none until it recovers
};

// "present", "absent" or "hung".
const char* WindowPresenceName(WindowPresence presence);

struct ShellWindowSetup {
  WindowPresence presence = WindowPresence::kPresent;
  // How long the window takes over each message before it acts on it and answers.
  DWORD answer_delay_ms = 0;
};

// The name the journal gives a private message of the shell ("wallpaper refresh"), or null.
const char* ShellMessageName(UINT msg);
// The private messages of the shell, each once.
const std::array<UINT, 10>& ShellPrivateMessages();

}  // namespace sim
