#include "sim/control/handset_control.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cehost/text.h"
#include "sim/drivers/device_list.h"
#include "sim/journal_file.h"
#include "sim/shell/shell.h"
#include "sim/shell/shell_events.h"
#include "sim/shell/shell_status_view.h"
#include "sim/ui_library/sip_status_view.h"

namespace sim {

namespace {

// A request that cannot be done, and whether it was asked wrongly.
struct ControlError {
  std::string message;
  bool usage;
};

// How long a request waits for the shell to handle what is queued.
constexpr DWORD kIdleWaitMs = 10000;

// The most text of entries one answer carries: an answer travels in one message of the server's.
constexpr size_t kEntriesBudget = 768 * 1024;

// Journal entries an answer gives, as JSON texts (a JSON object would lose the order of an
// entry's fields).
struct EntryTexts {
  nlohmann::json texts = nlohmann::json::array();
  // The number of the last entry looked at: a later request that goes on from it misses none.
  uint64_t last = 0;
  // Whether some were left out for the budget.
  bool more = false;
};

// The entries recorded after the one numbered seen that keep (when given) takes, as many of the
// first ones as the budget holds.
EntryTexts EntriesAfter(const cehost::Journal& journal, uint64_t seen,
                        const std::function<bool(const cehost::JournalEntry&)>& keep = {}) {
  EntryTexts answer;
  size_t spent = 0;
  for (const cehost::JournalEntry& entry : journal.Entries()) {
    if (entry.seq > seen && (!keep || keep(entry))) {
      std::string text = entry.ToJson();
      spent += text.size();
      if (spent > kEntriesBudget) {
        answer.more = true;
        break;
      }
      answer.texts.push_back(std::move(text));
    }
    answer.last = entry.seq;
  }
  return answer;
}

// The number of the journal's last entry.
uint64_t LastSeq(const cehost::Journal& journal) {
  return EntriesAfter(journal, UINT64_MAX).last;
}

std::string Text(const nlohmann::json& request, const char* key) {
  auto found = request.find(key);
  if (found == request.end() || !found->is_string())
    throw ControlError{std::string("the request has no \"") + key + "\"", true};
  return found->get<std::string>();
}

nlohmann::json SetDevice(Handset& handset, const nlohmann::json& request) {
  std::string name = Text(request, "device");
  std::vector<DeviceField> fields;
  auto given = request.find("fields");
  if (given == request.end() || !given->is_array())
    throw ControlError{"the request has no \"fields\"", true};
  for (const auto& field : *given) {
    if (!field.is_array() || field.size() != 2 || !field[0].is_string() || !field[1].is_string())
      throw ControlError{"a field is not a [name, value] pair", true};
    fields.emplace_back(field[0].get<std::string>(), field[1].get<std::string>());
  }
  uint64_t seen = LastSeq(handset.journal());
  try {
    Device& device = sim::SetDevice(handset, name, fields);
    return {{"ok", true},
            {"device", device.device_name()},
            {"summary", device.Summary()},
            {"entries", EntriesAfter(handset.journal(), seen).texts}};
  } catch (const DeviceSetError& e) {
    throw ControlError{e.what(), e.usage()};
  }
}

nlohmann::json ListDevices(Handset& handset) {
  nlohmann::json devices = nlohmann::json::array();
  for (Device* device : HandsetDevices(handset)) {
    devices.push_back({{"device", device->device_name()},
                       {"description", device->description()},
                       {"present", device->present()},
                       {"summary", device->Summary()}});
  }
  return {{"ok", true}, {"devices", std::move(devices)}};
}

nlohmann::json ShowDevice(Handset& handset, const nlohmann::json& request) {
  std::string name = Text(request, "device");
  try {
    Device& device = NamedDevice(handset, name);
    nlohmann::json fields = nlohmann::json::array();
    for (const auto& [field, what] : device.FieldHelp()) fields.push_back(field);
    return {{"ok", true},
            {"device", device.device_name()},
            {"description", device.description()},
            {"present", device.present()},
            {"record", device.StateJson()},
            {"fields", std::move(fields)}};
  } catch (const DeviceSetError& e) {
    throw ControlError{e.what(), true};
  }
}

nlohmann::json FireEvent(Handset& handset, const nlohmann::json& request) {
  std::string name = Text(request, "event");
  auto event = FindShellEvent(name);
  if (!event) throw ControlError{"no shell event " + name + " (see m8sim shell --help)", true};
  auto shell = CurrentShell();
  if (!shell)
    throw ControlError{"the handset has no shell (handset.toml [shell] present = false)", false};
  ShellStatus status = shell->Status();
  uint64_t seen = LastSeq(handset.journal());
  if (!shell->FireEvent(*event))
    throw ControlError{
        std::string("the shell is ") + ShellRunName(status.run) + ": it announces nothing", false};
  nlohmann::json windows = nlohmann::json::array();
  for (const auto& [window, value] : status.memory.subscriptions) windows.push_back(window);
  return {{"ok", true},
          {"event", ShellEventName(*event)},
          {"message", shell->MessageId(*event)},
          {"windows", windows},
          {"entries", EntriesAfter(handset.journal(), seen).texts}};
}

// The entries recorded after "seq" (0: all that are kept), once the shell has handled what was
// written to it before ("idle": true), and the number of the last entry.
nlohmann::json JournalSince(Handset& handset, const nlohmann::json& request) {
  auto seq = request.find("seq");
  if (seq == request.end() || !seq->is_number_unsigned())
    throw ControlError{"the request has no \"seq\"", true};
  if (request.value("idle", false))
    if (auto shell = CurrentShell()) shell->WaitIdle(kIdleWaitMs);
  EntryTexts entries = EntriesAfter(handset.journal(), seq->get<uint64_t>());
  return {{"ok", true},
          {"last", entries.last},
          {"more", entries.more},
          {"entries", std::move(entries.texts)}};
}

nlohmann::json ShellStatusAnswer() {
  auto shell = CurrentShell();
  ShellStatus status;
  if (shell) {
    shell->WaitIdle(kIdleWaitMs);
    status = shell->Status();
  }
  return {{"ok", true}, {"record", ShellStatusJson(status)}, {"text", ShellStatusText(status)}};
}

nlohmann::json RunShell(Handset& handset, const nlohmann::json& request) {
  std::string run = Text(request, "run");
  if (run != "start" && run != "stop")
    throw ControlError{"\"run\" is \"start\" or \"stop\", not " + run, true};
  auto shell = CurrentShell();
  if (!shell)
    throw ControlError{"the handset has no shell (handset.toml [shell] present = false)", false};
  bool start = run == "start";
  uint64_t seen = LastSeq(handset.journal());
  ShellRun before = shell->Status().run;
  if (!(start ? shell->Start() : shell->Stop()))
    throw ControlError{"the shell cannot be " + std::string(start ? "started" : "stopped"), false};
  if (start) shell->WaitIdle(kIdleWaitMs);
  ShellRun after = shell->Status().run;
  // What the shell did, without the signal that woke its thread.
  EntryTexts entries = EntriesAfter(handset.journal(), seen, [](const cehost::JournalEntry& entry) {
    return !(entry.kind == "event.set" &&
             entry.Field("name") == cehost::ToUtf8(kShellWakeEventName));
  });
  return {{"ok", true},
          {"before", ShellRunName(before)},
          {"run", ShellRunName(after)},
          {"entries", std::move(entries.texts)}};
}

nlohmann::json SipStatusAnswer(Handset& handset) {
  SipView view = DescribeSip(handset.program<UiLibrary>());
  return {{"ok", true}, {"record", std::move(view.record)}, {"text", std::move(view.text)}};
}

nlohmann::json FollowJournalFile(Handset& handset) {
  bool served = PanelServes(handset.home());
  bool attached = served && handset.journal().AttachFile(JournalFile(handset.home()).string());
  if (!served) handset.journal().AttachFile("");
  return {{"ok", true}, {"attached", attached}};
}

}  // namespace

nlohmann::json AnswerControl(Handset& handset, const nlohmann::json& request) {
  try {
    if (!request.is_object()) throw ControlError{"the request is not an object", true};
    std::string op = Text(request, "op");
    if (op == "device.set") return SetDevice(handset, request);
    if (op == "device.list") return ListDevices(handset);
    if (op == "device.show") return ShowDevice(handset, request);
    if (op == "shell.event") return FireEvent(handset, request);
    if (op == "shell.status") return ShellStatusAnswer();
    if (op == "shell.run") return RunShell(handset, request);
    if (op == "sip.status") return SipStatusAnswer(handset);
    if (op == "journal.file") return FollowJournalFile(handset);
    if (op == "journal.since") return JournalSince(handset, request);
    throw ControlError{"no control " + op, true};
  } catch (const ControlError& e) {
    return {{"ok", false}, {"error", e.message}, {"usage", e.usage}};
  }
}

}  // namespace sim
