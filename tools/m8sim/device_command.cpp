// m8sim device: the handset's simulated devices, their state, and playing what their hardware
// does (a tilt, a cable plugged in, a hand over the proximity sensor).
#include <string>
#include <vector>

#include "context.h"
#include "errors.h"
#include "handset_steer.h"
#include "journal_view.h"
#include "sim/drivers/device_list.h"

namespace m8sim {

namespace {

constexpr const char* kDeviceHelp =
    R"(  list                       every device: present or not, and its state in one line
  show NAME                  one device's whole state and the faults it plays
  set NAME FIELD=VALUE...    change what the hardware holds, as the hardware would: the
                             device notifies as it does on the handset, and the change is
                             kept in state.json for the programs run after
Names: ACC0:, IRD1:, BKL1:, TCH0:, UFN1: (the USB function controller) and LED (the LEDs and
the vibrator), without regard to case, the colon optional. handset.toml's [accelerometer],
[infrared], [backlight], [touch], [usb] and [leds] tables set what each starts with and the
faults it plays. Exit 1 when the device is not present.

Examples:
  m8sim device list
  m8sim device set ACC0: x=-5 y=10 z=0       # tilts the handset; posts "AccMessage"
  m8sim device set IRD1: detection=1         # covers the sensor; its subscribers hear it
  m8sim device set UFN1: connect=pc          # plugs the cable in; posts "UsbNotifyMsgName"
  m8sim device set bkl1 level=200
  m8sim call GetBackLightLevelEx out         # 200
  m8sim device set LED mode=blink on_us=500000 off_us=500000
  m8sim device show usb --json)";

std::string Presence(bool present) {
  return present ? "present" : "absent";
}

int List(Context& ctx) {
  nlohmann::json answer = Steer(ctx, {{"op", "device.list"}});
  for (const auto& device : answer.value("devices", nlohmann::json::array())) {
    std::string name = device.value("device", "");
    bool present = device.value("present", false);
    std::string summary = device.value("summary", "");
    std::string line = name + std::string(name.size() < 6 ? 6 - name.size() : 1, ' ') + " " +
                       device.value("description", "") + ", " + Presence(present);
    if (present) line += ": " + summary;
    nlohmann::json record = {{"type", "device"}};
    record.update(device);
    ctx.out.Emit(record, line);
  }
  return 0;
}

// A JSON value as a line shows it: text without quotes, an LED by what it does, a list one item
// a line, the rest as JSON.
std::string ValueText(const nlohmann::json& value) {
  if (value.is_string()) return value.get<std::string>();
  if (value.is_object() && value.contains("does"))
    return value.value("role", "") + " " + value["led"].dump() + ": " + value.value("does", "");
  if (value.is_array() && !value.empty()) {
    std::string text;
    for (const auto& item : value) text += "\n    " + ValueText(item);
    return text;
  }
  return value.dump();
}

int Show(Context& ctx, const std::string& name) {
  nlohmann::json answer = Steer(ctx, {{"op", "device.show"}, {"device", name}});
  nlohmann::json record = answer.value("record", nlohmann::json::object());
  std::string text = answer.value("device", name) + " " + answer.value("description", "") + ", " +
                     Presence(answer.value("present", false)) + "\n";
  if (record.contains("open_handles"))
    text += "  open handles: " + record["open_handles"].dump() + "\n";
  for (const auto& [key, value] : record["state"].items()) {
    std::string shown = ValueText(value);
    text += "  " + key + ":" + (shown.starts_with('\n') ? shown : " " + shown) + "\n";
  }
  std::string faults;
  for (const auto& [key, value] : record["faults"].items())
    if (value != 0 && !(value.is_object() && value.empty()))
      faults += "  fault " + key + ": " + ValueText(value) + "\n";
  text += faults.empty() ? "  no faults\n" : faults;
  text += "  fields:";
  for (const auto& field : answer.value("fields", nlohmann::json::array()))
    text += " " + field.get<std::string>();
  record["type"] = "device";
  ctx.out.Emit(record, text);
  return 0;
}

int Set(Context& ctx, const std::string& name, const std::vector<std::string>& assignments) {
  nlohmann::json set = nlohmann::json::object();
  nlohmann::json fields = nlohmann::json::array();
  for (const std::string& assignment : assignments) {
    size_t equals = assignment.find('=');
    if (equals == std::string::npos || equals == 0)
      throw UsageError("expected FIELD=VALUE, not " + assignment);
    fields.push_back({assignment.substr(0, equals), assignment.substr(equals + 1)});
    set[assignment.substr(0, equals)] = assignment.substr(equals + 1);
  }
  nlohmann::json answer = Steer(ctx, {{"op", "device.set"}, {"device", name}, {"fields", fields}});
  std::string device = answer.value("device", name);
  std::string summary = answer.value("summary", "");
  ctx.out.Emit({{"type", "device_set"}, {"device", device}, {"fields", set}, {"summary", summary}},
               device + " " + summary);
  EmitJournal(ctx.out, AnswerEntries(answer), {{"device", device}});
  return 0;
}

// The fields each device takes, for the help.
std::string FieldsHelp() {
  return R"(Fields:
  ACC0:  x, y, z            axes, -128 to 127
  IRD1:  detection          1 covered, 0 not; state (0 off, else on); level 1 to 3
  BKL1:  level              0 to 255; state; lux_state
  TCH0:  x, y, pressure, down (a new sample); raw (48 hex digits); setting
  UFN1:  connect            none, pc (or usb), charger (or 0, 1, 2); current_client;
                            default_client
  LED    led (the vibrator unless given), mode (off, on, blink), on_us, off_us, cycle_us)";
}

}  // namespace

void AddDeviceCommands(CLI::App& app, Context& ctx) {
  auto* device = app.add_subcommand("device", "Show and play the handset's simulated devices");
  device->footer(std::string(kDeviceHelp) + "\n\n" + FieldsHelp());
  device->require_subcommand(1);
  device->add_subcommand("list", "Every device and its state in one line")->callback([&ctx] {
    ctx.action = [&ctx] { return List(ctx); };
  });
  auto* show = device->add_subcommand("show", "One device's whole state");
  auto shown = std::make_shared<std::string>();
  show->add_option("name", *shown, "The device (ACC0:, IRD1:, BKL1:, TCH0:, UFN1:, LED)")
      ->required();
  show->callback([&ctx, shown] { ctx.action = [&ctx, shown] { return Show(ctx, *shown); }; });
  auto* set = device->add_subcommand("set", "Change what a device's hardware holds");
  set->footer(FieldsHelp());
  auto target = std::make_shared<std::string>();
  auto assignments = std::make_shared<std::vector<std::string>>();
  set->add_option("name", *target, "The device")->required();
  set->add_option("fields", *assignments, "FIELD=VALUE, one or more")->required();
  set->callback([&ctx, target, assignments] {
    ctx.action = [&ctx, target, assignments] { return Set(ctx, *target, *assignments); };
  });
}

}  // namespace m8sim
