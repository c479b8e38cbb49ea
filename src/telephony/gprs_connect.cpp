// Dialling the GPRS connection and telling the caller's callback of it.
#include <atomic>

#include "ce/kernel.h"
#include "ce/text.h"
#include "frame/record_memory.h"
#include "frame/registry_value.h"
#include "frame/wide_copy.h"
#include "oem/phone_adapter.h"
#include "telephony/gprs_dial.h"
#include "telephony/phone_queries.h"

namespace {

// The data-connection callback: set by each callback-form dial that passes the policy check, and
// read by every successful dial, on whichever threads the callers make them.
std::atomic<GprsCallback> g_callback = nullptr;

// What a worker needs: the callback to call and its own thread handle, handed over once
// CreateThread has returned it, so that two workers started close together each close their
// own handle.
struct WorkerStart {
  GprsCallback callback;
  HANDLE self;
  HANDLE handed_over;
};

DWORD Worker(LPVOID parameter) {
  // The worker owns its record from here.
  RecordPtr<WorkerStart> start(static_cast<WorkerStart*>(parameter));
  Sleep(5);
  start->callback(1);
  WaitForSingleObject(start->handed_over, INFINITE);
  CloseHandle(start->self);
  CloseHandle(start->handed_over);
  return 1;
}

void StartWorker(GprsCallback callback) {
  RecordPtr<WorkerStart> start = AllocateRecord<WorkerStart>();
  if (!start) return;
  start->callback = callback;
  start->handed_over = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!start->handed_over) return;
  HANDLE thread = CreateThread(nullptr, 0, Worker, start.get(), 0, nullptr);
  if (!thread) {
    CloseHandle(start->handed_over);
    return;
  }
  // From here the worker owns the record.
  WorkerStart* handed = start.release();
  handed->self = thread;
  SetEvent(handed->handed_over);
}

}  // namespace

bool StartRasConnect(BOOL no_callback, LPCWSTR access_name) {
  if (GetExistingCallCount() != 0) {
    NKDbgPrintfW(u"Corvanta::StartRasConnect::have existing call.\r\n");
    return false;
  }
  RecordPtr<AccessPointContent> access_point = AllocateRecord<AccessPointContent>();
  RecordPtr<RASENTRY> entry = AllocateRecord<RASENTRY>();
  RecordPtr<UNIMODEM_DEVCONFIG> config = AllocateRecord<UNIMODEM_DEVCONFIG>();
  if (!access_point || !entry || !config) return false;

  if (!GetAccessPointContent(access_name, access_point.get()) ||
      !SetRasEntryParameter(entry.get(), config.get(), *access_point)) {
    NKDbgPrintfW(u"Corvanta::SetRasEntry::GetAccessPointContent is fail\r\n");
    return false;
  }
  DWORD entry_size = 0;
  WCHAR no_name[] = u"";
  RasGetEntryProperties(nullptr, no_name, nullptr, &entry_size, nullptr, nullptr);
  WCHAR entry_name[] = u"GPRS";
  DWORD result = RasSetEntryProperties(nullptr, entry_name, entry.get(), entry_size,
                                       reinterpret_cast<BYTE*>(config.get()), sizeof *config);
  if (result != 0) {
    NKDbgPrintfW(u"Corvanta::SetRasEntry::RasSetEntryProperties is error = 0x%08x\r\n", result);
    return false;
  }

  RASDIALPARAMS params = {};
  params.dwSize = sizeof params;
  CopyWideBounded(params.szEntryName, u"GPRS");
  CopyWideBounded(params.szUserName, access_point->wszUserName);
  CopyWideBounded(params.szPassword, access_point->wszPassword);

  DWORD session = PAL_SESSION_READY;
  if (PAL_SGetSessionStatus(&session) && session != PAL_SESSION_READY) {
    NKDbgPrintfW(u"Corvanta::StartRasConnect::is not PAL_SESSSTATUS_READY\r\n");
    return false;
  }
  NKDbgPrintfW(u"Corvanta::StartRasConnect::apn name =%s\r\n", access_point->wszApn);

  HRASCONN connection = nullptr;
  result = RasDial(nullptr, nullptr, &params, 0xFFFFFFFF, nullptr, &connection);
  if (result != 0) {
    RasHangUp(connection);
    NKDbgPrintfW(u"Corvanta::SetRasEntry::RasDial is error = %d\r\n", result);
    return false;
  }
  DWORD proxy = access_point->wszAgency[0] != 0 && access_point->nPort != 0 ? 1 : 0;
  WriteRegistryDword(HKEY_LOCAL_MACHINE, u"DialParameter", u"GprsIsProxy", proxy);
  NKDbgPrintfW(u"Corvanta::SetRasEntry::RasDial is successful\r\n");
  if (!no_callback) {
    if (GprsCallback callback = g_callback.load()) StartWorker(callback);
  }
  return true;
}

LONG StartGprsConnectForCallback(GprsCallback callback, DWORD mode, LPCWSTR access_name) {
  if (!HandleGprsSettingStatus(mode, FALSE)) return kTelephonyRefused;
  g_callback.store(callback);
  return StartRasConnect(callback ? FALSE : TRUE, access_name) ? kTelephonyDone : kTelephonyRefused;
}

LONG StartGprsConnectForWindow(DWORD mode) {
  if (!HandleGprsSettingStatus(mode, TRUE)) return kTelephonyRefused;
  // A callback stored by an earlier callback-form dial is told of this dial too.
  return StartRasConnect(FALSE, nullptr) ? kTelephonyDone : kTelephonyRefused;
}
