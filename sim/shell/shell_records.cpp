#include "sim/shell/shell_records.h"

#include <cstring>
#include <nlohmann/json.hpp>

#include "cehost/journal.h"

namespace sim {

namespace {

const std::array<ShellQueueSpec, kShellQueueCount> kQueues = {{
    {SHELL_NOTIFY_QUEUE_NAME, sizeof(ShellNotifySubscriptionRecord), "notify"},
    {SHELL_REQUEST_QUEUE_NAME, sizeof(ShellRequestRecord), "request"},
    {USER_NOTIFICATION_QUEUE_NAME, sizeof(UserNotificationRecord), "notification"},
}};

RecordOutcome Outcome(std::string text, std::vector<std::pair<std::string, std::string>> fields) {
  RecordOutcome outcome;
  outcome.text = std::move(text);
  outcome.fields = std::move(fields);
  return outcome;
}

RecordOutcome ApplySubscription(const ShellNotifySubscriptionRecord& r, ShellMemory& memory) {
  std::string window = HandleText(r.dwWindow);
  std::string value = std::to_string(r.dwValue);
  RecordOutcome outcome = Outcome(
      "", {{"operation", std::to_string(r.dwOperation)}, {"window", window}, {"value", value}});
  if (r.dwOperation != SHELL_SUBSCRIBE_REGISTER && r.dwOperation != SHELL_SUBSCRIBE_UNREGISTER) {
    outcome.text =
        "unknown subscription operation " + std::to_string(r.dwOperation) + " for window " + window;
    return outcome;
  }
  bool subscribe = r.dwOperation == SHELL_SUBSCRIBE_REGISTER;
  outcome.text = std::string(subscribe ? "subscribe" : "unsubscribe") + " window " + window +
                 " value " + value;
  if (r.dwWindow == 0) {
    outcome.text += " ignored: no window";
    return outcome;
  }
  auto found = memory.subscriptions.find(r.dwWindow);
  if (subscribe) {
    if (found != memory.subscriptions.end() && found->second == r.dwValue) {
      outcome.text += " (already subscribed)";
      return outcome;
    }
    if (found != memory.subscriptions.end())
      outcome.text += " (was value " + std::to_string(found->second) + ")";
    memory.subscriptions[r.dwWindow] = r.dwValue;
  } else {
    if (found == memory.subscriptions.end()) {
      outcome.text += " (not subscribed)";
      return outcome;
    }
    memory.subscriptions.erase(found);
  }
  outcome.changed = true;
  return outcome;
}

RecordOutcome ApplyNotification(const UserNotificationRecord& r, ShellMemory& memory) {
  std::string handle = HandleText(r.dwNotification);
  RecordOutcome outcome =
      Outcome("", {{"operation", std::to_string(r.dwOperation)}, {"handle", handle}});
  auto found = memory.notifications.find(r.dwNotification);
  bool shown = found != memory.notifications.end();
  std::vector<uint8_t> content(std::begin(r.abContent), std::end(r.abContent));
  std::string bytes = std::to_string(content.size()) + " bytes";
  switch (r.dwOperation) {
    case USER_NOTIFICATION_NEW:
      outcome.text = "notification " + handle + " new, " + bytes;
      if (shown) outcome.text += " (replaces the one shown)";
      break;
    case USER_NOTIFICATION_UPDATE:
      outcome.text = "notification " + handle + " updated, " + bytes;
      // An update of a notification the shell does not show (it was cleared, or the shell
      // started after it was made) shows it: the application holds it as shown.
      if (!shown) outcome.text += " (none was shown: shown as new)";
      break;
    case USER_NOTIFICATION_CLEAR:
      outcome.text = "notification " + handle + " cleared";
      if (!shown) {
        outcome.text += " (none was shown)";
        return outcome;
      }
      memory.notifications.erase(found);
      outcome.changed = true;
      return outcome;
    default:
      outcome.text =
          "unknown notification operation " + std::to_string(r.dwOperation) + " for " + handle;
      return outcome;
  }
  if (r.dwNotification == 0) {
    outcome.text += " ignored: no handle";
    return outcome;
  }
  outcome.fields.emplace_back("size", std::to_string(content.size()));
  memory.notifications[r.dwNotification] = std::move(content);
  outcome.changed = true;
  return outcome;
}

// Copies the record out of the bytes read, which may not be aligned for it.
template <class Record>
Record RecordOf(const uint8_t* data) {
  Record record;
  std::memcpy(&record, data, sizeof record);
  return record;
}

}  // namespace

const ShellQueueSpec& QueueSpec(ShellQueue queue) {
  return kQueues[queue];
}

std::string HandleText(DWORD handle) {
  return cehost::HexNumber(handle);
}

std::string QuotedText(const std::string& text) {
  return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

RecordOutcome ApplyRecord(ShellQueue queue, const uint8_t* data, size_t size, ShellMemory& memory) {
  const ShellQueueSpec& spec = QueueSpec(queue);
  RecordOutcome outcome;
  if (size != spec.record_size) {
    outcome =
        Outcome(std::string(spec.label) + " record of " + std::to_string(size) +
                    " bytes ignored (its records have " + std::to_string(spec.record_size) + ")",
                {{"size", std::to_string(size)}});
  } else if (queue == kNotifyQueue) {
    outcome = ApplySubscription(RecordOf<ShellNotifySubscriptionRecord>(data), memory);
  } else if (queue == kRequestQueue) {
    outcome = ApplyRequest(RecordOf<ShellRequestRecord>(data), memory);
  } else {
    outcome = ApplyNotification(RecordOf<UserNotificationRecord>(data), memory);
  }
  outcome.fields.insert(outcome.fields.begin(), {"queue", spec.label});
  return outcome;
}

}  // namespace sim
