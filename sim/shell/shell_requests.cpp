// The requests of the shell request queue: what the shell does for each code.
#include <string>

#include "cehost/text.h"
#include "sim/shell/shell_records.h"

namespace sim {

namespace {

// A text field of the record: up to its first NUL, or the whole field when it has none.
template <size_t N>
std::u16string FieldText(const WCHAR (&field)[N]) {
  size_t length = 0;
  while (length < N && field[length] != 0) ++length;
  return std::u16string(field, length);
}

struct Request {
  const ShellRequestRecord& record;
  ShellMemory& memory;
  RecordOutcome& outcome;

  std::string window() const { return HandleText(record.dwRequester); }
  void Say(const std::string& what) { outcome.text += " " + what; }
  void Changed() { outcome.changed = true; }
};

void BatteryBox(Request& r, bool hold) {
  r.Say(std::string(hold ? "hold" : "release") + " battery-low box for window " + r.window());
  auto& holders = r.memory.battery_box_holders;
  if (hold && !holders.insert(r.record.dwRequester).second) return r.Say("(already held)");
  if (!hold && holders.erase(r.record.dwRequester) == 0) return r.Say("(not held)");
  r.Changed();
}

void Keys(Request& r, bool hold) {
  r.Say(std::string(hold ? "hold" : "release") + " keys for window " + r.window() + " value " +
        std::to_string(r.record.dwValue));
  std::pair<DWORD, DWORD> held{r.record.dwRequester, r.record.dwValue};
  if (hold && !r.memory.held_keys.insert(held).second) return r.Say("(already held)");
  if (!hold && r.memory.held_keys.erase(held) == 0) return r.Say("(not held)");
  r.Changed();
}

void Lock(Request& r, bool lock) {
  r.Say(lock ? "enter phone lock" : "leave phone lock");
  // The lock state is written either way, so that it holds what the shell holds; subscribers
  // hear of a change only.
  r.outcome.lock_state = lock;
  if (r.memory.locked == lock) return r.Say(lock ? "(already locked)" : "(not locked)");
  r.memory.locked = lock;
  r.outcome.announce = lock ? SHELL_EVENT_ENTRY_LOCK_PHONE : SHELL_EVENT_LEAVE_LOCK_PHONE;
  r.Changed();
}

void AnimateIcon(Request& r) {
  const ShellRequestRecord& record = r.record;
  std::u16string name = FieldText(record.szIconName);
  std::string quoted = QuotedText(cehost::ToUtf8(name));
  r.outcome.fields.emplace_back("icon", cehost::ToUtf8(name));
  r.outcome.fields.emplace_back("kind", std::to_string(record.dwAnimationKind));
  if (name.empty()) return r.Say("icon without a name ignored");
  if (record.dwAnimationKind == SHELL_ICON_ANIMATE) {
    r.Say("animate icon " + quoted + " " + std::to_string(record.dwAnimationArg1) + " " +
          std::to_string(record.dwAnimationArg2));
    r.outcome.fields.emplace_back("first", std::to_string(record.dwAnimationArg1));
    r.outcome.fields.emplace_back("second", std::to_string(record.dwAnimationArg2));
    r.memory.icons[name].animation = IconAnimation{record.dwAnimationArg1, record.dwAnimationArg2};
  } else if (record.dwAnimationKind == SHELL_ICON_TIP) {
    IconTip tip;
    tip.text = FieldText(record.szTipText);
    std::string block;
    for (size_t i = 0; i < tip.block.size(); ++i) {
      tip.block[i] = record.dwTipBlock[i];
      block += (i ? " " : "") + std::to_string(tip.block[i]);
    }
    r.Say("tip on icon " + quoted + " " + QuotedText(cehost::ToUtf8(tip.text)) + " block " + block);
    r.outcome.fields.emplace_back("tip", cehost::ToUtf8(tip.text));
    r.outcome.fields.emplace_back("block", block);
    r.memory.icons[name].tip = std::move(tip);
  } else {
    return r.Say("icon " + quoted + " of unknown kind " + std::to_string(record.dwAnimationKind) +
                 " ignored");
  }
  r.Changed();
}

// The codes whose record names the requesting window.
bool NamesRequester(DWORD code) {
  return (code >= SHELL_REQUEST_HOLD_BATTERY_LOW_BOX && code <= SHELL_REQUEST_UNHOLD_KEYS) ||
         code == SHELL_REQUEST_SCREEN_ALWAYS_ON;
}

}  // namespace

RecordOutcome ApplyRequest(const ShellRequestRecord& record, ShellMemory& memory) {
  RecordOutcome outcome;
  DWORD code = record.dwCode;
  outcome.fields.emplace_back("code", std::to_string(code));
  if (code < SHELL_REQUEST_HOLD_BATTERY_LOW_BOX || code > SHELL_REQUEST_USER_NAME_CHANGED) {
    outcome.text = "unknown request " + std::to_string(code);
    return outcome;
  }
  outcome.text = "shell request " + std::to_string(code);
  Request r{record, memory, outcome};
  if (NamesRequester(code)) {
    outcome.fields.emplace_back("window", r.window());
    if (code == SHELL_REQUEST_HOLD_KEYS || code == SHELL_REQUEST_UNHOLD_KEYS)
      outcome.fields.emplace_back("value", std::to_string(record.dwValue));
    if (record.dwRequester == 0) {
      r.Say("without a window ignored");
      return outcome;
    }
  }
  switch (code) {
    case SHELL_REQUEST_HOLD_BATTERY_LOW_BOX:
    case SHELL_REQUEST_UNHOLD_BATTERY_LOW_BOX:
      BatteryBox(r, code == SHELL_REQUEST_HOLD_BATTERY_LOW_BOX);
      break;
    case SHELL_REQUEST_HOLD_KEYS:
    case SHELL_REQUEST_UNHOLD_KEYS:
      Keys(r, code == SHELL_REQUEST_HOLD_KEYS);
      break;
    case SHELL_REQUEST_RELOAD_DESKTOP_ICONS:
      r.Say("reload desktop icons");
      ++memory.icon_reloads;
      r.Changed();
      break;
    case SHELL_REQUEST_POWER_OFF:
    case SHELL_REQUEST_RESET:
      // Both end the system's run: subscribers are told that the power is about to go.
      r.Say(code == SHELL_REQUEST_POWER_OFF ? "power off" : "reset");
      ++(code == SHELL_REQUEST_POWER_OFF ? memory.power_offs : memory.resets);
      outcome.announce = SHELL_EVENT_READY_POWER_OFF;
      r.Changed();
      break;
    case SHELL_REQUEST_ENTER_LOCK:
    case SHELL_REQUEST_LEAVE_LOCK:
      Lock(r, code == SHELL_REQUEST_ENTER_LOCK);
      break;
    case SHELL_REQUEST_SCREEN_ALWAYS_ON:
      r.Say("screen always on for window " + r.window());
      memory.screen_always_on = true;
      memory.screen_requester = record.dwRequester;
      r.Changed();
      break;
    case SHELL_REQUEST_SCREEN_AUTO_OFF:
      r.Say("screen back to automatic off");
      memory.screen_always_on = false;
      memory.screen_requester = 0;
      r.Changed();
      break;
    case SHELL_REQUEST_ANIMATE_ICON:
      AnimateIcon(r);
      break;
    case SHELL_REQUEST_USER_NAME_CHANGED:
      r.Say("user name changed");
      ++memory.user_name_changes;
      r.Changed();
      break;
  }
  return outcome;
}

}  // namespace sim
