#include "sim/shell/shell_status_view.h"

#include <algorithm>
#include <optional>

#include "cehost/journal.h"
#include "cehost/text.h"

namespace sim {

namespace {

std::string Hex(DWORD value) {
  return cehost::HexNumber(value);
}

std::string IconText(const std::u16string& name, const DesktopIcon& icon) {
  std::string text = "  " + QuotedText(cehost::ToUtf8(name)) + ":";
  if (icon.animation)
    text += " animate " + std::to_string(icon.animation->first) + " " +
            std::to_string(icon.animation->second);
  if (icon.animation && icon.tip) text += ";";
  if (icon.tip) {
    text += " tip " + QuotedText(cehost::ToUtf8(icon.tip->text)) + " block";
    for (DWORD word : icon.tip->block) text += " " + std::to_string(word);
  }
  return text + "\n";
}

std::string Params(const std::optional<MessageParams>& p) {
  return p ? " (last " + std::to_string(p->wparam) + ", " + std::to_string(p->lparam) + ")" : "";
}

// The shell's windows: how each is set up, and what they did.
std::string WindowsText(const ShellStatus& s) {
  const ShellWindowMemory& w = s.memory.windows;
  std::string text = "windows:\n";
  for (int i = 0; i < kShellWindowCount; ++i) {
    const ShellWindowStatus& window = s.windows[i];
    text += "  " + cehost::ToUtf8(ShellWindowClass(static_cast<ShellWindow>(i))) + ": ";
    text += window.hwnd ? WindowPresenceName(window.setup.presence)
                        : WindowPresenceName(WindowPresence::kAbsent);
    if (window.hwnd) text += window.visible ? ", shown" : ", hidden";
    if (window.setup.answer_delay_ms)
      text += ", answers after " + std::to_string(window.setup.answer_delay_ms) + " ms";
    text += "\n";
  }
  auto count = [](uint32_t n) { return std::to_string(n); };
  text += "wallpaper refreshed " + count(w.desktop_wallpaper_refreshes) +
          " times on the desktop, " + count(w.lock_wallpaper_refreshes) +
          " on the lock screen; quit animation played " + count(w.quit_animations) + " times\n";
  text += std::string("top bar ") + (w.top_bar_visible ? "shown" : "hidden") + ", task-bar list " +
          (w.taskbar_list_enabled ? "enabled" : "disabled") + ", application sliding " +
          (w.slide_app_enabled ? "enabled" : "disabled") + ", screen rotations " +
          count(w.screen_rotations) + "\n";
  text += "volume window shown " + count(w.volume_shows) + " times" + Params(w.volume) +
          ", display settings changed " + count(w.display_setting_changes) + " times" +
          Params(w.display_settings) + "\n";
  text += "applications' initialisation begun " + count(w.app_init_begins) + ", finished " +
          count(w.app_init_finishes) + " times\n";
  return text;
}

}  // namespace

std::string ShellStatusText(const ShellStatus& s) {
  const ShellMemory& m = s.memory;
  std::string text = std::string("shell: ") + ShellRunName(s.run);
  if (s.run == ShellRun::kAbsent) return text;
  text += "\n";
  text += "subscribed windows:" + std::string(m.subscriptions.empty() ? " none" : "") + "\n";
  for (const auto& [window, value] : m.subscriptions)
    text += "  " + Hex(window) + " value " + std::to_string(value) + "\n";
  text += "battery-low box held by:";
  for (DWORD window : m.battery_box_holders) text += " " + Hex(window);
  text += std::string(m.battery_box_holders.empty() ? " nobody" : "") + "\n";
  text += "keys held by:";
  for (const auto& [window, value] : m.held_keys)
    text += " " + Hex(window) + " (value " + std::to_string(value) + ")";
  text += std::string(m.held_keys.empty() ? " nobody" : "") + "\n";
  text += "screen: " +
          (m.screen_always_on ? "always on, for " + Hex(m.screen_requester)
                              : std::string("switches off by itself")) +
          "\n";
  text += std::string("phone lock: ") + (m.locked ? "locked" : "unlocked") + "\n";
  text += "desktop icons:" + std::string(m.icons.empty() ? " none set" : "") + "\n";
  for (const auto& [name, icon] : m.icons) text += IconText(name, icon);
  text += "notifications:" + std::string(m.notifications.empty() ? " none" : "") + "\n";
  for (const auto& [handle, content] : m.notifications)
    text += "  " + Hex(handle) + ": " + std::to_string(content.size()) + " bytes, " +
            cehost::HexBytes(content.data(), std::min<size_t>(content.size(), 16)) + "...\n";
  text += "icons reloaded " + std::to_string(m.icon_reloads) + ", powered off " +
          std::to_string(m.power_offs) + ", reset " + std::to_string(m.resets) +
          ", user name changed " + std::to_string(m.user_name_changes) + " times\n";
  text += WindowsText(s);
  text += "waiting in its queues:";
  for (int q = 0; q < kShellQueueCount; ++q)
    text += std::string(q ? "," : "") + " " + QueueSpec(static_cast<ShellQueue>(q)).label + " " +
            std::to_string(s.waiting[q]);
  return text;
}

nlohmann::json ShellStatusJson(const ShellStatus& s) {
  nlohmann::json record = {{"type", "shell"}, {"run", ShellRunName(s.run)}};
  if (s.run == ShellRun::kAbsent) return record;
  record["memory"] = MemoryJson(s.memory);
  nlohmann::json waiting = nlohmann::json::object();
  for (int q = 0; q < kShellQueueCount; ++q)
    waiting[QueueSpec(static_cast<ShellQueue>(q)).label] = s.waiting[q];
  record["waiting"] = waiting;
  nlohmann::json windows = nlohmann::json::object();
  for (int i = 0; i < kShellWindowCount; ++i) {
    const ShellWindowStatus& window = s.windows[i];
    windows[cehost::ToUtf8(ShellWindowClass(static_cast<ShellWindow>(i)))] = {
        {"presence",
         WindowPresenceName(window.hwnd ? window.setup.presence : WindowPresence::kAbsent)},
        {"visible", window.visible},
        {"answer_delay_ms", window.setup.answer_delay_ms}};
  }
  record["windows"] = windows;
  return record;
}

}  // namespace sim
