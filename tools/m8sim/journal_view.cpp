#include "journal_view.h"

#include "oem/shell.h"
#include "reg_value.h"

namespace m8sim {

namespace {

std::string Pad(const std::string& label) {
  std::string text = label;
  if (text.size() < 9) text.resize(9, ' ');
  return text + " ";
}

std::string Quoted(const std::string& text) {
  return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// Trace lines end in CR LF; the line shows without them.
std::string TrimLineEnd(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

// The lines of a multi-line field joined with "; ".
std::string OneLine(const std::string& text) {
  std::string line;
  for (char c : TrimLineEnd(text)) {
    if (c == '\r') continue;
    line += c == '\n' ? std::string("; ") : std::string(1, c);
  }
  return line;
}

uint32_t TypeOf(const cehost::JournalEntry& e) {
  return static_cast<uint32_t>(std::stoul(e.Field("type")));
}

// "N bytes", and how many of them the journal kept when it kept fewer.
std::string ByteCount(const cehost::JournalEntry& e) {
  if (!e.BytesCut()) return std::to_string(e.bytes.size()) + " bytes";
  return std::to_string(e.byte_count) + " bytes, the first " + std::to_string(e.bytes.size()) +
         " kept";
}

std::string Generic(const cehost::JournalEntry& e) {
  std::string text;
  for (const auto& [name, value] : e.fields) text += " " + name + "=" + value;
  if (!e.bytes.empty()) text += " (" + ByteCount(e) + ")";
  return text;
}

// The value a reg.set_value entry wrote; a value the journal kept only the beginning of is named
// by type and size, since its beginning alone would read as another value.
std::string SetValueText(const cehost::JournalEntry& e) {
  if (!e.HasField("type")) return "";
  if (e.BytesCut()) return " = " + RegTypeName(TypeOf(e)) + " (" + ByteCount(e) + ")";
  return " = " + RegValueText(TypeOf(e), e.bytes);
}

std::string Registry(const cehost::JournalEntry& e) {
  const std::string& k = e.kind;
  std::string key = e.Field("key");
  if (k == "reg.set_value") {
    return Pad("registry") + "set " + key + " " + Quoted(e.Field("name")) + SetValueText(e);
  }
  if (k == "reg.create_key") return Pad("registry") + "create key " + key;
  if (k == "reg.delete_value")
    return Pad("registry") + "delete " + key + " " + Quoted(e.Field("name"));
  if (k == "reg.delete_key") return Pad("registry") + "delete key " + key;
  if (k == "reg.begin") return Pad("registry") + "begin transaction";
  if (k == "reg.commit") return Pad("registry") + "commit transaction";
  if (k == "reg.rollback") return Pad("registry") + "roll back transaction (its changes undone)";
  return Pad("registry") + k.substr(4) + Generic(e);
}

std::string File(const cehost::JournalEntry& e) {
  std::string action = e.kind.substr(5);
  if (e.HasField("from") && e.HasField("to"))
    return Pad("file") + action + " " + e.Field("from") + " -> " + e.Field("to");
  std::string text = Pad("file") + action + " " + e.Field("path");
  if (e.kind == "file.write")
    text += " (" + e.Field("size") + " bytes at " + e.Field("offset") + ")";
  else if (e.kind == "file.replace")
    text += " with " + e.Field("from");
  else if (e.HasField("size"))
    text += " to " + e.Field("size") + " bytes";
  return text;
}

std::string Ras(const cehost::JournalEntry& e) {
  std::string entry = Quoted(e.Field("entry"));
  if (e.kind == "ras.set_entry") {
    std::string text = Pad("ras") + "set entry " + entry + " on " + e.Field("device") +
                       ", number " + e.Field("number");
    if (e.HasField("modifier")) text += ", modifier " + e.Field("modifier");
    return text;
  }
  if (e.kind == "ras.dial")
    return Pad("ras") + "dial " + entry + " on " + e.Field("device") + " -> " + e.Field("result");
  if (e.kind == "ras.hangup") {
    std::string result =
        e.HasField("result") && e.Field("result") != "0" ? " -> refused " + e.Field("result") : "";
    return Pad("ras") + "hang up " + entry + (e.Field("was_up") == "1" ? "" : " (was down)") +
           result;
  }
  if (e.kind == "ras.delete_entry") return Pad("ras") + "delete entry " + entry;
  return Pad("ras") + e.kind.substr(4) + Generic(e);
}

std::string Window(const cehost::JournalEntry& e) {
  std::string action = e.kind.substr(7);
  if (action == "post" || action == "send") {
    std::string name = e.HasField("name") ? " \"" + e.Field("name") + "\"" : "";
    return Pad("window") + action + " to " + e.Field("to") + " msg " + e.Field("msg") + name +
           " wparam " + e.Field("wparam") + " lparam " + e.Field("lparam") + " -> " +
           e.Field("result");
  }
  return Pad("window") + action + Generic(e);
}

std::string Modem(const cehost::JournalEntry& e) {
  if (e.Field("event") == "dial") {
    return Pad("modem") + "dial " + e.Field("number") + ", apn " + e.Field("apn") + ", commands " +
           OneLine(e.Field("commands")) + " -> " + e.Field("result");
  }
  if (e.Field("event") == "hangup" && e.HasField("result"))
    return Pad("modem") + "hang up refused -> " + e.Field("result");
  if (e.Field("event") == "hangup")
    return Pad("modem") + "hang up: sent " + e.Field("sent") + ", received " + e.Field("received");
  return Pad("modem") + Generic(e);
}

// A queue's record: the queue by name and the record by size; an alert record says so.
std::string Queue(const cehost::JournalEntry& e) {
  std::string queue = Quoted(e.Field("queue"));
  if (e.kind == "queue.write") {
    bool alert = e.HasField("flags") && e.Field("flags") != "0x0";
    return Pad("queue") + "write " + queue + " " + e.Field("size") + " bytes" +
           (alert ? " (alert)" : "");
  }
  if (e.kind == "queue.create") {
    return Pad("queue") + "create " + queue + " for " + e.Field("access") + ", " +
           e.Field("max_messages") + " records of " + e.Field("max_message_bytes") + " bytes";
  }
  return Pad("queue") + e.kind.substr(6) + Generic(e);
}

// An escape handed to the display driver, named when it is one the handset's driver knows.
std::string DisplayEscape(const cehost::JournalEntry& e) {
  std::string escape = e.Field("escape");
  std::string name;
  if (escape == cehost::HexNumber(DISPLAY_ESCAPE_ENABLE_SETTING_CHANGES))
    name = " (accept display-setting changes)";
  else if (escape == cehost::HexNumber(DISPLAY_ESCAPE_DISABLE_SETTING_CHANGES))
    name = " (refuse display-setting changes)";
  std::string input = e.bytes.empty() ? "" : ", input " + ByteCount(e);
  return Pad("display") + "escape " + escape + name + input + " -> " + e.Field("result");
}

// The result of a device call: "-> 1", or "-> 0, error N".
std::string DeviceResult(const cehost::JournalEntry& e) {
  std::string text = " -> " + e.Field("result");
  if (e.HasField("error")) text += ", error " + e.Field("error");
  return text;
}

// A stream driver's open, control, read, write or close, with its control code by name; a
// driver loaded or unloaded by the device manager.
std::string DeviceCall(const cehost::JournalEntry& e) {
  std::string action = e.kind.substr(7);
  std::string device = e.Field("device");
  if (action == "open") {
    std::string text = Pad("device") + "open " + device + " access " + e.Field("access") +
                       " share " + e.Field("share");
    return text + (e.HasField("handle") ? " -> handle " + e.Field("handle")
                                        : " -> error " + e.Field("error"));
  }
  std::string on = device + " (" + e.Field("handle") + ")";
  if (action == "control") {
    std::string code = e.HasField("code_name") ? e.Field("code_name") + " (" + e.Field("code") + ")"
                                               : e.Field("code");
    std::string text = Pad("device") + "control " + on + " " + code;
    if (!e.bytes.empty()) text += ", input " + cehost::HexBytes(e.bytes.data(), e.bytes.size());
    if (e.HasField("out")) text += ", output " + e.Field("out");
    return text + DeviceResult(e);
  }
  if (action == "read")
    return Pad("device") + "read " + on + " " + e.Field("size") + " bytes" +
           (e.bytes.empty() ? "" : " " + cehost::HexBytes(e.bytes.data(), e.bytes.size())) +
           DeviceResult(e);
  if (action == "write")
    return Pad("device") + "write " + on + " " + ByteCount(e) +
           (e.bytes.empty() ? "" : " " + cehost::HexBytes(e.bytes.data(), e.bytes.size())) +
           DeviceResult(e);
  if (action == "close") return Pad("device") + "close " + on;
  if (action == "activate" || action == "deactivate") {
    std::string text = Pad("device") + action;
    if (e.HasField("key")) text += " " + e.Field("key");
    if (e.HasField("dll")) text += " (" + e.Field("dll") + ")";
    if (e.HasField("device")) text += (action == "activate" ? " as " : " ") + device;
    text += " handle " + e.Field("handle");
    if (e.HasField("active")) text += ", Drivers\\Active\\" + e.Field("active");
    return text + DeviceResult(e);
  }
  return Pad("device") + action + Generic(e);
}

// What a simulated device did of itself: a tilt, a plug, a detection, a notification posted.
std::string DeviceEvent(const cehost::JournalEntry& e) {
  std::string event = e.Field("event");
  std::string text = Pad("device") + e.Field("device") + " " + event;
  if (event == "post")
    return text + " to " + e.Field("to") + " msg " + e.Field("msg") + " wparam " +
           e.Field("wparam") + " lparam " + e.Field("lparam");
  if (event == "led")
    return text + " " + e.Field("led") + " (" + e.Field("role") + ") " + e.Field("does");
  for (const auto& [name, value] : e.fields)
    if (name != "device" && name != "event") text += " " + name + "=" + value;
  return text;
}

// A notification LED (or the vibrator) set off, on or blinking, with its times in microseconds.
std::string LedSet(const cehost::JournalEntry& e) {
  std::string state = e.Field("state");
  std::string text = Pad("led") + "set LED " + e.Field("led") + " ";
  if (state == "0") {
    text += "off";
  } else if (state == "1") {
    text += "on";
  } else if (state == "2") {
    text += "blink, cycle " + e.Field("total") + " us, on " + e.Field("on") + " us, off " +
            e.Field("off") + " us";
    if (e.Field("meta_on") != "0" || e.Field("meta_off") != "0")
      text += ", meta cycles " + e.Field("meta_on") + " on, " + e.Field("meta_off") + " off";
  } else {
    text += "state " + state;
  }
  return text + DeviceResult(e);
}

}  // namespace

std::string DescribeEntry(const cehost::JournalEntry& e) {
  const std::string& k = e.kind;
  if (k.rfind("reg.", 0) == 0) return Registry(e);
  if (k.rfind("file.", 0) == 0) return File(e);
  if (k.rfind("ras.", 0) == 0) return Ras(e);
  if (k.rfind("window.", 0) == 0) return Window(e);
  if (k == "modem") return Modem(e);
  if (k == "display.escape") return DisplayEscape(e);
  if (k.rfind("queue.", 0) == 0) return Queue(e);
  if (k.rfind("device.", 0) == 0) return DeviceCall(e);
  if (k == "device") return DeviceEvent(e);
  if (k == "led.set") return LedSet(e);
  if (k == "shell") return Pad("shell") + e.Field("text");
  if (k == "phone")
    return Pad("phone") + e.Field("call") + "(" + e.Field("args") + ") -> " + e.Field("result");
  if (k == "trace" || k == "console") return Pad(k) + TrimLineEnd(e.Field("text"));
  std::string fields = Generic(e);
  return Pad(k) + (fields.empty() ? fields : fields.substr(1));
}

nlohmann::json EntryJson(const cehost::JournalEntry& e) {
  nlohmann::json record;
  record["seq"] = e.seq;
  record["kind"] = e.kind;
  nlohmann::json fields = nlohmann::json::object();
  for (const auto& [name, value] : e.fields) fields[name] = value;
  record["fields"] = fields;
  if (e.kind == "reg.set_value" && e.HasField("type")) record["type_name"] = RegTypeName(TypeOf(e));
  if (e.kind == "reg.set_value" && e.HasField("type") && !e.BytesCut()) {
    record["value"] = DecodeRegValue(TypeOf(e), e.bytes);
  } else if (!e.bytes.empty()) {
    record["bytes"] = cehost::HexBytes(e.bytes.data(), e.bytes.size());
  }
  if (e.BytesCut()) {
    record["byte_count"] = e.byte_count;
    record["bytes_cut"] = true;
  }
  record["text"] = DescribeEntry(e);
  return record;
}

void EmitJournal(Output& out, const std::vector<cehost::JournalEntry>& entries,
                 const nlohmann::json& context) {
  for (const auto& entry : entries) {
    nlohmann::json record = {{"type", "journal"}};
    record.update(context);
    record.update(EntryJson(entry));
    out.Emit(record, "    " + DescribeEntry(entry));
  }
}

}  // namespace m8sim
