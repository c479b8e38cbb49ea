#include "sim/phone_adapter/phone_adapter_program.h"

#include <utility>

#include "cehost/handset.h"
#include "cehost/modules.h"
#include "cehost/programs.h"
#include "oem/phone_adapter.h"
#include "sim/config_table.h"
#include "sim/state_file.h"
#include "sim/state_values.h"

namespace sim {

namespace {

// The module's entries by name.
const std::vector<std::pair<std::string_view, FARPROC>>& Entries() {
  using cehost::Entry;
  static const std::vector<std::pair<std::string_view, FARPROC>> entries = {
      {"PAC_Initialize", Entry(&PAC_Initialize)},
      {"PAC_Deinitialize", Entry(&PAC_Deinitialize)},
      {"PAC_SSetGPRSAttached", Entry(&PAC_SSetGPRSAttached)},
      {"PAC_SGetGprsTrafficCount", Entry(&PAC_SGetGprsTrafficCount)},
      {"PAC_SSetGprsTrafficCount", Entry(&PAC_SSetGprsTrafficCount)},
      {"PAC_SGetRegistrationStatus", Entry(&PAC_SGetRegistrationStatus)},
      {"PAL_SGetPhoneIMEI", Entry(&PAL_SGetPhoneIMEI)},
      {"PAL_SGetPhoneModel", Entry(&PAL_SGetPhoneModel)},
      {"PAL_SGetPhoneIMSI", Entry(&PAL_SGetPhoneIMSI)},
      {"PAL_SGetMissedCallCnt", Entry(&PAL_SGetMissedCallCnt)},
      {"PAL_SGetExistedCallCnt", Entry(&PAL_SGetExistedCallCnt)},
      {"PAL_SGetSessionStatus", Entry(&PAL_SGetSessionStatus)},
      {"PAL_SGetUnreadMsgCnt", Entry(&PAL_SGetUnreadMsgCnt)},
  };
  return entries;
}

// The adapter's functions that write an output.
const std::vector<std::string_view> kWithOutput = {
    "PAC_SGetGprsTrafficCount", "PAC_SGetRegistrationStatus", "PAL_SGetPhoneIMEI",
    "PAL_SGetPhoneModel",       "PAL_SGetPhoneIMSI",          "PAL_SGetMissedCallCnt",
    "PAL_SGetExistedCallCnt",   "PAL_SGetSessionStatus",      "PAL_SGetUnreadMsgCnt"};

// The entries applications look up by name instead of linking them; only these can be missing.
const std::vector<std::string_view> kLookedUp = {"PAL_SGetUnreadMsgCnt"};

nlohmann::json LiveJson(const PhoneLive& live) {
  return {{"traffic_sent", live.traffic_sent},
          {"traffic_received", live.traffic_received},
          {"gprs_attached", live.gprs_attached}};
}

PhoneLive LiveFromJson(const nlohmann::json& json, const PhoneLive& start) {
  return {StateDword(json, "traffic_sent", start.traffic_sent),
          StateDword(json, "traffic_received", start.traffic_received),
          StateBool(json, "gprs_attached", start.gprs_attached)};
}

// The live state in the handset home's state.json, section "phone".
PhoneLiveStore StateFileStore(const std::filesystem::path& home) {
  return {[home](const PhoneLive& start) {
            return LiveFromJson(StateFile(home).Read(kPhoneProgram), start);
          },
          [home](const PhoneLive& start, const std::function<void(PhoneLive&)>& change) {
            StateFile(home).Update(kPhoneProgram, [&](nlohmann::json& section) {
              PhoneLive live = LiveFromJson(section, start);
              change(live);
              section = LiveJson(live);
            });
          }};
}

}  // namespace

void PhoneAdapter::Configure(const ConfigTable& t) {
  t.OnlyKeys({"imei",
              "imsi",
              "model",
              "registration_status",
              "session_status",
              "missed_calls",
              "unread_messages",
              "calls_in_progress",
              "traffic_sent",
              "traffic_received",
              "gprs_attached",
              "session_start_fails",
              "detach_refused",
              "traffic_read_fails",
              "imei_fails",
              "model_fails",
              "imsi_fails",
              "session_status_fails",
              "unwritten_outputs",
              "module",
              "missing_entries"});
  t.ReadChoice<bool>("module", {{"installed", true}, {"missing", false}}, &module_present_);
  t.ReadNames("missing_entries", kLookedUp, "phone adapter entry looked up by name",
              &missing_entries_);
  auto locked = phone_->Script();
  PhoneScript& script = locked.script;
  t.Read("imei", &script.imei);
  t.Read("imsi", &script.imsi);
  t.Read("model", &script.model);
  t.Read("registration_status", &script.registration_status);
  t.Read("session_status", &script.session_status);
  t.Read("missed_calls", &script.missed_calls);
  t.Read("unread_messages", &script.unread_messages);
  t.Read("calls_in_progress", &script.calls_in_progress);
  t.Read("traffic_sent", &script.traffic_sent);
  t.Read("traffic_received", &script.traffic_received);
  t.Read("gprs_attached", &script.gprs_attached);
  t.Read("session_start_fails", &script.session_start_fails);
  t.Read("detach_refused", &script.detach_refused);
  t.Read("traffic_read_fails", &script.traffic_read_fails);
  t.Read("imei_fails", &script.imei_fails);
  t.Read("model_fails", &script.model_fails);
  t.Read("imsi_fails", &script.imsi_fails);
  t.Read("session_status_fails", &script.session_status_fails);
  t.ReadNames("unwritten_outputs", kWithOutput, "phone adapter function with an output",
              &script.unwritten_outputs);
}

void PhoneAdapter::Install() {
  phone_->SetLiveStore(StateFileStore(cehost::CurrentHome()));
  cehost::InstallProgramState(kPhoneProgram, phone_);
  if (!module_present_) {
    cehost::RemoveModule(u"\\Windows\\PhoneAdapter.dll");
    return;
  }
  cehost::ModuleEntries entries;
  for (const auto& [name, function] : Entries())
    if (!missing_entries_.count(std::string(name))) entries[std::string(name)] = function;
  cehost::InstallModule(u"\\Windows\\PhoneAdapter.dll", std::move(entries));
}

}  // namespace sim
