// m8sim shell: what the handset's shell holds, the events it announces, and stopping and
// starting it.
#include <optional>
#include <string>
#include <vector>

#include "cehost/journal.h"
#include "cehost/text.h"
#include "context.h"
#include "errors.h"
#include "handset_steer.h"
#include "journal_view.h"
#include "sim/shell/shell.h"
#include "sim/shell/shell_events.h"

namespace m8sim {

namespace {

// How long a command waits for the shell to handle what is queued.
constexpr DWORD kIdleWaitMs = 10000;

constexpr const char* kShellHelp =
    R"(  status       what the shell holds: subscribed windows, held items, screen, lock,
               desktop icons, notifications, whether it runs, and its six windows
               (present, absent or hung; shown or hidden) with what they did
  event NAME   the shell announces an event: its message is posted to every subscribed
               window (wParam 0, lParam 0)
  stop         the shell stops reading its queues; they keep what is written (16 records
               each, the 17th is refused) until
  start        the shell reads its queues again, beginning with what waited
Exit 1 when the handset has no shell (handset.toml [shell] present = false).

Examples:
  m8sim shell status
  m8sim shell event ClickMKey
  m8sim shell stop
  m8sim call ShellNotifyMsgMzEntryLockPhone    # waits in the queue
  m8sim shell start                            # the shell locks the phone now)";

// The event names, three a line, for the help.
std::string EventNames() {
  std::string text = "Events (the part of the message name after \"ShellNotifyMsg/\"):\n";
  for (int e = 0; e < SHELL_EVENT_COUNT; ++e) {
    std::string name = sim::ShellEventName(static_cast<ShellEvent>(e));
    if (e % 3 == 0) text += " ";
    text += " " + name;
    if (e % 3 == 2 || e + 1 == SHELL_EVENT_COUNT)
      text += "\n";
    else
      text += std::string(name.size() < 16 ? 16 - name.size() : 1, ' ');
  }
  return text;
}

// The shell of the handset; Failure when it has none.
sim::Shell& PresentShell(Context& ctx) {
  ctx.Handset();
  auto shell = sim::CurrentShell();
  if (!shell) throw Failure("the handset has no shell (handset.toml [shell] present = false)");
  return *shell;
}

std::string Hex(DWORD value) {
  return cehost::HexNumber(value);
}

std::string IconText(const std::u16string& name, const sim::DesktopIcon& icon) {
  std::string text = "  " + sim::QuotedText(cehost::ToUtf8(name)) + ":";
  if (icon.animation)
    text += " animate " + std::to_string(icon.animation->first) + " " +
            std::to_string(icon.animation->second);
  if (icon.animation && icon.tip) text += ";";
  if (icon.tip) {
    text += " tip " + sim::QuotedText(cehost::ToUtf8(icon.tip->text)) + " block";
    for (DWORD word : icon.tip->block) text += " " + std::to_string(word);
  }
  return text + "\n";
}

std::string Params(const std::optional<sim::MessageParams>& p) {
  return p ? " (last " + std::to_string(p->wparam) + ", " + std::to_string(p->lparam) + ")" : "";
}

// The shell's windows: how each is set up, and what they did.
std::string WindowsText(const sim::ShellStatus& s) {
  const sim::ShellWindowMemory& w = s.memory.windows;
  std::string text = "windows:\n";
  for (int i = 0; i < sim::kShellWindowCount; ++i) {
    const sim::ShellWindowStatus& window = s.windows[i];
    text += "  " + cehost::ToUtf8(sim::ShellWindowClass(static_cast<sim::ShellWindow>(i))) + ": ";
    text += window.hwnd ? sim::WindowPresenceName(window.setup.presence)
                        : sim::WindowPresenceName(sim::WindowPresence::kAbsent);
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

std::string StatusText(const sim::ShellStatus& s) {
  const sim::ShellMemory& m = s.memory;
  std::string text = std::string("shell: ") + sim::ShellRunName(s.run);
  if (s.run == sim::ShellRun::kAbsent) return text;
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
  for (int q = 0; q < sim::kShellQueueCount; ++q)
    text += std::string(q ? "," : "") + " " +
            sim::QueueSpec(static_cast<sim::ShellQueue>(q)).label + " " +
            std::to_string(s.waiting[q]);
  return text;
}

nlohmann::json StatusJson(const sim::ShellStatus& s) {
  nlohmann::json record = {{"type", "shell"}, {"run", sim::ShellRunName(s.run)}};
  if (s.run == sim::ShellRun::kAbsent) return record;
  record["memory"] = sim::MemoryJson(s.memory);
  nlohmann::json waiting = nlohmann::json::object();
  for (int q = 0; q < sim::kShellQueueCount; ++q)
    waiting[sim::QueueSpec(static_cast<sim::ShellQueue>(q)).label] = s.waiting[q];
  record["waiting"] = waiting;
  nlohmann::json windows = nlohmann::json::object();
  for (int i = 0; i < sim::kShellWindowCount; ++i) {
    const sim::ShellWindowStatus& window = s.windows[i];
    windows[cehost::ToUtf8(sim::ShellWindowClass(static_cast<sim::ShellWindow>(i)))] = {
        {"presence", sim::WindowPresenceName(window.hwnd ? window.setup.presence
                                                         : sim::WindowPresence::kAbsent)},
        {"visible", window.visible},
        {"answer_delay_ms", window.setup.answer_delay_ms}};
  }
  record["windows"] = windows;
  return record;
}

int Status(Context& ctx) {
  ctx.Handset();
  auto shell = sim::CurrentShell();
  sim::ShellStatus status;
  if (shell) {
    shell->WaitIdle(kIdleWaitMs);
    status = shell->Status();
  }
  ctx.out.Emit(StatusJson(status), StatusText(status));
  return 0;
}

int Event(Context& ctx, const std::string& name) {
  nlohmann::json answer = Steer(ctx, {{"op", "shell.event"}, {"event", name}});
  nlohmann::json windows = answer.value("windows", nlohmann::json::array());
  std::string event_name = answer.value("event", name);
  UINT message = answer.value("message", 0u);
  ctx.out.Emit(
      {{"type", "shell_event"}, {"event", event_name}, {"message", message}, {"windows", windows}},
      event_name + " (message " + Hex(message) + ") posted to " + std::to_string(windows.size()) +
          (windows.size() == 1 ? " subscribed window" : " subscribed windows"));
  EmitJournal(ctx.out, AnswerEntries(answer), {{"event", event_name}});
  return 0;
}

int StopOrStart(Context& ctx, bool start) {
  sim::Shell& shell = PresentShell(ctx);
  sim::ShellRun before = shell.Status().run;
  if (!(start ? shell.Start() : shell.Stop()))
    throw Failure("the shell cannot be " + std::string(start ? "started" : "stopped"));
  if (start) shell.WaitIdle(kIdleWaitMs);
  sim::ShellRun after = shell.Status().run;
  std::string text = std::string("shell ") + sim::ShellRunName(after);
  if (before == after) text += " already";
  ctx.out.Emit({{"type", "shell_run"},
                {"before", sim::ShellRunName(before)},
                {"run", sim::ShellRunName(after)}},
               text);
  // What the shell did, without the signal that woke its thread.
  std::vector<cehost::JournalEntry> entries;
  for (auto& entry : ctx.Handset().journal().Entries())
    if (entry.kind != "event.set" ||
        entry.Field("name") != cehost::ToUtf8(sim::kShellWakeEventName))
      entries.push_back(std::move(entry));
  EmitJournal(ctx.out, entries, {{"command", start ? "start" : "stop"}});
  return 0;
}

}  // namespace

void AddShellCommands(CLI::App& app, Context& ctx) {
  auto* shell = app.add_subcommand("shell", "Show, steer and drive the handset's shell");
  shell->footer(std::string(kShellHelp) + "\n\n" + EventNames());
  shell->require_subcommand(1);
  shell->add_subcommand("status", "What the shell holds and whether it runs")->callback([&ctx] {
    ctx.action = [&ctx] { return Status(ctx); };
  });
  auto* event = shell->add_subcommand("event", "Announce an event to the subscribed windows");
  event->footer(EventNames());
  auto name = std::make_shared<std::string>();
  event->add_option("name", *name, "The event (ClickMKey, EntryLockphone, ...)")->required();
  event->callback([&ctx, name] { ctx.action = [&ctx, name] { return Event(ctx, *name); }; });
  shell->add_subcommand("stop", "Stop reading the queues")->callback([&ctx] {
    ctx.action = [&ctx] { return StopOrStart(ctx, false); };
  });
  shell->add_subcommand("start", "Start reading the queues, beginning with what waited")
      ->callback([&ctx] { ctx.action = [&ctx] { return StopOrStart(ctx, true); }; });
}

}  // namespace m8sim
