// A phone adapter session around one or two PAC_ calls.
#pragma once

#include "ce/kernel.h"
#include "oem/phone_adapter.h"

// Opens a session, makes the calls with its handle, and closes it whatever they returned; the
// caller judges the calls' results afterwards. When the session cannot be opened the calls are
// not made, the failure is traced (unless the caller traces its own text) and false returns.
template <class Calls>
bool WithPhoneSession(Calls calls, bool trace_failure = true) {
  HPAC session = 0;
  if (PAC_Initialize(1, 0, 0, 0, 0, 0, 0, &session) < 0) {
    if (trace_failure) NKDbgPrintfW(u"Corvanta::PAC_PInitialize:is fail\r\n");
    return false;
  }
  calls(session);
  PAC_Deinitialize(session);
  return true;
}
