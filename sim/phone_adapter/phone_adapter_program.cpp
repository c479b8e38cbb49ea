#include "sim/phone_adapter/phone_adapter_program.h"

#include "cehost/modules.h"
#include "cehost/programs.h"
#include "oem/phone_adapter.h"
#include "sim/config_table.h"

namespace sim {

void PhoneAdapter::Configure(const ConfigTable& t) {
  t.OnlyKeys({"imei", "imsi", "model", "registration_status", "session_status", "missed_calls",
              "unread_messages", "calls_in_progress", "traffic_sent", "traffic_received",
              "gprs_attached", "session_start_fails", "detach_refused", "traffic_read_fails",
              "imei_fails", "model_fails", "imsi_fails", "session_status_fails"});
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
}

void PhoneAdapter::Install() {
  cehost::InstallProgramState(kPhoneProgram, phone_);
  using cehost::Entry;
  cehost::InstallModule(u"\\Windows\\PhoneAdapter.dll",
                        {
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
                        });
}

}  // namespace sim
