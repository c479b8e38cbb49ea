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

int Status(Context& ctx) {
  nlohmann::json answer = Steer(ctx, {{"op", "shell.status"}});
  ctx.out.Emit(answer.value("record", nlohmann::json::object()), answer.value("text", ""));
  return 0;
}

int Event(Context& ctx, const std::string& name) {
  nlohmann::json answer = Steer(ctx, {{"op", "shell.event"}, {"event", name}});
  nlohmann::json windows = answer.value("windows", nlohmann::json::array());
  std::string event_name = answer.value("event", name);
  UINT message = answer.value("message", 0u);
  ctx.out.Emit(
      {{"type", "shell_event"}, {"event", event_name}, {"message", message}, {"windows", windows}},
      event_name + " (message " + cehost::HexNumber(message) + ") posted to " +
          std::to_string(windows.size()) +
          (windows.size() == 1 ? " subscribed window" : " subscribed windows"));
  EmitJournal(ctx.out, AnswerEntries(answer), {{"event", event_name}});
  return 0;
}

int StopOrStart(Context& ctx, bool start) {
  nlohmann::json answer = Steer(ctx, {{"op", "shell.run"}, {"run", start ? "start" : "stop"}});
  std::string before = answer.value("before", "");
  std::string after = answer.value("run", "");
  std::string text = "shell " + after;
  if (before == after) text += " already";
  ctx.out.Emit({{"type", "shell_run"}, {"before", before}, {"run", after}}, text);
  EmitJournal(ctx.out, AnswerEntries(answer), {{"command", start ? "start" : "stop"}});
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
