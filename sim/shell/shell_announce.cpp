// The shell's announcements: its registered message for an event, posted to every subscribed
// window with wParam 0 and lParam 0.
#include <vector>

#include "ce/windows.h"
#include "cehost/handset.h"
#include "cehost/journal.h"
#include "sim/shell/shell.h"
#include "sim/shell/shell_events.h"

namespace sim {

void Shell::Announce(ShellEvent event) {
  std::vector<DWORD> windows;
  UINT message = 0;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [window, value] : memory_.subscriptions) windows.push_back(window);
    message = message_ids_[event];
  }
  std::string name = ShellEventName(event);
  std::string list;
  for (DWORD window : windows) list += (list.empty() ? "" : " ") + HandleText(window);
  std::string text = "event " + name + " (message " + cehost::HexNumber(message) + ") to " +
                     std::to_string(windows.size()) +
                     (windows.size() == 1 ? " window" : " windows");
  cehost::RecordEffect(cehost::CurrentJournal(), cehost::EffectKind::kShell,
                       {{"text", text},
                        {"event", name},
                        {"message", cehost::HexNumber(message)},
                        {"windows", list}});
  for (DWORD window : windows)
    PostMessageW(reinterpret_cast<HWND>(static_cast<uintptr_t>(window)), message, 0, 0);
}

}  // namespace sim
