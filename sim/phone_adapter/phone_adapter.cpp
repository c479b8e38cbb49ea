// The phone adapter library of the simulated handset: answers from the script of the phone
// installed on the current handset and records every call, with its arguments, in the handset's
// journal.
#include "oem/phone_adapter.h"

#include <cstring>
#include <string>

#include "cehost/handset.h"
#include "cehost/text.h"
#include "sim/phone_adapter/phone.h"
#include "sim/phone_adapter/phone_remote.h"

namespace {

using sim::AdapterEntry;
using sim::CallServerPhone;

constexpr LONG kFailed = -1;

// An output of the caller's, for a call the server's phone answers.
template <class T>
sim::AdapterOut Out(T* data, size_t size = sizeof(T)) {
  return {data, static_cast<uint32_t>(size)};
}

template <class Result>
Result Record(const char* call, std::string args, Result result) {
  cehost::RecordEffect(
      cehost::CurrentJournal(), cehost::EffectKind::kPhone,
      {{"call", call}, {"args", std::move(args)}, {"result", std::to_string(result)}});
  return result;
}

// Copies text with its terminator into a buffer of cch characters; refuses a buffer too small
// for the whole text, so that a caller never reads a cut identifier.
BOOL CopyText(const std::u16string& text, WCHAR* buffer, DWORD cch) {
  if (!buffer || text.size() + 1 > cch) return FALSE;
  std::memcpy(buffer, text.data(), text.size() * sizeof(WCHAR));
  buffer[text.size()] = 0;
  return TRUE;
}

// Whether the script makes the call succeed without writing its output.
bool Unwritten(const sim::PhoneScript& script, const char* call) {
  return script.unwritten_outputs.count(call) == 1;
}

// Writes one count from the script; a phone that is not there writes nothing.
BOOL WriteCount(const char* call, DWORD* out, DWORD sim::PhoneScript::*field) {
  std::shared_ptr<sim::Phone> phone = sim::CurrentPhone();
  BOOL ok = FALSE;
  if (phone && out) {
    auto locked = phone->Script();
    if (!Unwritten(locked.script, call)) *out = locked.script.*field;
    ok = TRUE;
  }
  return Record(call, out ? "&count" : "null", ok);
}

// Writes one text from the script unless the script makes the query fail.
BOOL WriteText(const char* call, WCHAR* buffer, DWORD cch, std::u16string sim::PhoneScript::*text,
               bool sim::PhoneScript::*fails) {
  std::string args = std::string(buffer ? "&buffer" : "null") + "," + std::to_string(cch);
  std::shared_ptr<sim::Phone> phone = sim::CurrentPhone();
  BOOL ok = FALSE;
  bool written = false;
  if (phone) {
    auto locked = phone->Script();
    if (!(locked.script.*fails) && Unwritten(locked.script, call)) {
      ok = TRUE;
    } else {
      ok = written = !(locked.script.*fails) && CopyText(locked.script.*text, buffer, cch);
    }
  }
  return Record(call, written ? args + " -> \"" + cehost::ToUtf8(buffer) + "\"" : args, ok);
}

}  // namespace

extern "C" LONG PAC_Initialize(DWORD dwMode, DWORD r1, DWORD r2, DWORD r3, DWORD r4, DWORD r5,
                               DWORD r6, HPAC* phSession) {
  if (auto served = CallServerPhone(AdapterEntry::kInitialize, {dwMode, r1, r2, r3, r4, r5, r6},
                                    Out(phSession)))
    return *served;
  std::string args = std::to_string(dwMode);
  for (DWORD r : {r1, r2, r3, r4, r5, r6}) args.append(",").append(std::to_string(r));
  args += phSession ? ",&session" : ",null";
  std::shared_ptr<sim::Phone> phone = sim::CurrentPhone();
  HPAC session = 0;
  if (!phone || !phSession || !phone->OpenSession(&session)) {
    return Record("PAC_Initialize", args, kFailed);
  }
  *phSession = session;
  return Record("PAC_Initialize", args + " -> " + cehost::HexNumber(session), LONG{0});
}

extern "C" LONG PAC_Deinitialize(HPAC hSession) {
  if (auto served = CallServerPhone(AdapterEntry::kDeinitialize, {hSession})) return *served;
  std::shared_ptr<sim::Phone> phone = sim::CurrentPhone();
  LONG result = phone && phone->CloseSession(hSession) ? 0 : kFailed;
  return Record("PAC_Deinitialize", cehost::HexNumber(hSession), result);
}

extern "C" LONG PAC_SSetGPRSAttached(HPAC hSession, BOOL fAttach, DWORD dwTimeout) {
  if (auto served = CallServerPhone(AdapterEntry::kSetGprsAttached,
                                    {hSession, static_cast<uint32_t>(fAttach), dwTimeout}))
    return *served;
  std::string args =
      cehost::HexNumber(hSession) + "," + std::to_string(fAttach) + "," + std::to_string(dwTimeout);
  std::shared_ptr<sim::Phone> phone = sim::CurrentPhone();
  if (!phone || !phone->SessionOpen(hSession)) return Record("PAC_SSetGPRSAttached", args, kFailed);
  if (!fAttach && phone->Script()->detach_refused)
    return Record("PAC_SSetGPRSAttached", args, LONG{0});
  phone->ChangeLive([fAttach](sim::PhoneLive& live) { live.gprs_attached = fAttach != 0; });
  return Record("PAC_SSetGPRSAttached", args, LONG{1});
}

extern "C" LONG PAC_SGetGprsTrafficCount(HPAC hSession, DWORD dwTimeout,
                                         PAC_GPRS_TRAFFIC_COUNT* pCount, DWORD* pdwInfo) {
  if (auto served = CallServerPhone(AdapterEntry::kGetTrafficCount, {hSession, dwTimeout},
                                    Out(pCount), Out(pdwInfo)))
    return *served;
  std::string args = cehost::HexNumber(hSession) + "," + std::to_string(dwTimeout) +
                     (pCount ? ",&record" : ",null") + (pdwInfo ? ",&info" : ",null");
  std::shared_ptr<sim::Phone> phone = sim::CurrentPhone();
  if (!phone || !phone->SessionOpen(hSession) || !pCount) {
    return Record("PAC_SGetGprsTrafficCount", args, kFailed);
  }
  {
    auto script = phone->Script();
    if (script->traffic_read_fails) return Record("PAC_SGetGprsTrafficCount", args, kFailed);
    if (Unwritten(script.script, "PAC_SGetGprsTrafficCount"))
      return Record("PAC_SGetGprsTrafficCount", args, LONG{0});
  }
  sim::PhoneLive live = phone->Live();
  *pCount = PAC_GPRS_TRAFFIC_COUNT{};
  pCount->dwSent = live.traffic_sent;
  pCount->dwReceived = live.traffic_received;
  if (pdwInfo) *pdwInfo = 0;
  return Record("PAC_SGetGprsTrafficCount",
                args + " -> sent " + std::to_string(live.traffic_sent) + ", received " +
                    std::to_string(live.traffic_received),
                LONG{0});
}

extern "C" LONG PAC_SSetGprsTrafficCount(HPAC hSession, DWORD dwWhich, DWORD dwSent,
                                         DWORD dwReceived, DWORD dwTimeout) {
  if (auto served = CallServerPhone(AdapterEntry::kSetTrafficCount,
                                    {hSession, dwWhich, dwSent, dwReceived, dwTimeout}))
    return *served;
  std::string args = cehost::HexNumber(hSession) + "," + std::to_string(dwWhich) + "," +
                     std::to_string(dwSent) + "," + std::to_string(dwReceived) + "," +
                     std::to_string(dwTimeout);
  std::shared_ptr<sim::Phone> phone = sim::CurrentPhone();
  if (!phone || !phone->SessionOpen(hSession))
    return Record("PAC_SSetGprsTrafficCount", args, kFailed);
  phone->ChangeLive([dwSent, dwReceived](sim::PhoneLive& live) {
    live.traffic_sent = dwSent;
    live.traffic_received = dwReceived;
  });
  return Record("PAC_SSetGprsTrafficCount", args, LONG{0});
}

extern "C" LONG PAC_SGetRegistrationStatus(HPAC hSession, DWORD dwTimeout, DWORD* pdwStatus) {
  if (auto served = CallServerPhone(AdapterEntry::kGetRegistrationStatus, {hSession, dwTimeout},
                                    Out(pdwStatus)))
    return *served;
  std::string args = cehost::HexNumber(hSession) + "," + std::to_string(dwTimeout) +
                     (pdwStatus ? ",&status" : ",null");
  std::shared_ptr<sim::Phone> phone = sim::CurrentPhone();
  if (!phone || !phone->SessionOpen(hSession) || !pdwStatus) {
    return Record("PAC_SGetRegistrationStatus", args, kFailed);
  }
  auto script = phone->Script();
  if (Unwritten(script.script, "PAC_SGetRegistrationStatus"))
    return Record("PAC_SGetRegistrationStatus", args, LONG{0});
  *pdwStatus = script->registration_status;
  return Record("PAC_SGetRegistrationStatus", args + " -> " + std::to_string(*pdwStatus), LONG{0});
}

extern "C" BOOL PAL_SGetPhoneIMEI(WCHAR* pszBuffer, DWORD cchBuffer) {
  if (auto served = CallServerPhone(AdapterEntry::kGetImei, {},
                                    Out(pszBuffer, size_t{cchBuffer} * sizeof(WCHAR))))
    return static_cast<BOOL>(*served);
  return WriteText("PAL_SGetPhoneIMEI", pszBuffer, cchBuffer, &sim::PhoneScript::imei,
                   &sim::PhoneScript::imei_fails);
}

extern "C" BOOL PAL_SGetPhoneModel(WCHAR* pszBuffer, DWORD cchBuffer) {
  if (auto served = CallServerPhone(AdapterEntry::kGetModel, {},
                                    Out(pszBuffer, size_t{cchBuffer} * sizeof(WCHAR))))
    return static_cast<BOOL>(*served);
  return WriteText("PAL_SGetPhoneModel", pszBuffer, cchBuffer, &sim::PhoneScript::model,
                   &sim::PhoneScript::model_fails);
}

extern "C" BOOL PAL_SGetPhoneIMSI(WCHAR* pszBuffer, DWORD cchBuffer) {
  if (auto served = CallServerPhone(AdapterEntry::kGetImsi, {},
                                    Out(pszBuffer, size_t{cchBuffer} * sizeof(WCHAR))))
    return static_cast<BOOL>(*served);
  return WriteText("PAL_SGetPhoneIMSI", pszBuffer, cchBuffer, &sim::PhoneScript::imsi,
                   &sim::PhoneScript::imsi_fails);
}

extern "C" BOOL PAL_SGetMissedCallCnt(DWORD* pdwCount) {
  if (auto served = CallServerPhone(AdapterEntry::kGetMissedCalls, {}, Out(pdwCount)))
    return static_cast<BOOL>(*served);
  return WriteCount("PAL_SGetMissedCallCnt", pdwCount, &sim::PhoneScript::missed_calls);
}

extern "C" BOOL PAL_SGetExistedCallCnt(DWORD* pdwCount) {
  if (auto served = CallServerPhone(AdapterEntry::kGetExistingCalls, {}, Out(pdwCount)))
    return static_cast<BOOL>(*served);
  return WriteCount("PAL_SGetExistedCallCnt", pdwCount, &sim::PhoneScript::calls_in_progress);
}

extern "C" BOOL PAL_SGetUnreadMsgCnt(DWORD* pdwCount) {
  if (auto served = CallServerPhone(AdapterEntry::kGetUnreadMessages, {}, Out(pdwCount)))
    return static_cast<BOOL>(*served);
  return WriteCount("PAL_SGetUnreadMsgCnt", pdwCount, &sim::PhoneScript::unread_messages);
}

extern "C" BOOL PAL_SGetSessionStatus(DWORD* pdwStatus) {
  if (auto served = CallServerPhone(AdapterEntry::kGetSessionStatus, {}, Out(pdwStatus)))
    return static_cast<BOOL>(*served);
  std::shared_ptr<sim::Phone> phone = sim::CurrentPhone();
  BOOL ok = FALSE;
  if (phone && pdwStatus) {
    auto script = phone->Script();
    if (!script->session_status_fails) {
      if (!Unwritten(script.script, "PAL_SGetSessionStatus")) *pdwStatus = script->session_status;
      ok = TRUE;
    }
  }
  return Record("PAL_SGetSessionStatus", pdwStatus ? "&status" : "null", ok);
}
