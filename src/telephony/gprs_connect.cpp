// Dialling the GPRS connection and telling the caller's callback of it.
#include <new>

#include "ce/kernel.h"
#include "ce/text.h"
#include "frame/registry_value.h"
#include "oem/phone_adapter.h"
#include "telephony/gprs_dial.h"
#include "telephony/phone_queries.h"

namespace {

// The data-connection callback: set by each callback-form dial that passes the policy check.
GprsCallback g_callback = nullptr;
// The last worker thread started.
HANDLE g_worker = nullptr;

// What a worker needs: the callback to call and its own thread handle, handed over once
// CreateThread has returned it, so that two workers started close together each close their
// own handle.
struct WorkerStart {
  GprsCallback callback;
  HANDLE self;
  HANDLE handed_over;
};

DWORD Worker(LPVOID parameter) {
  auto* start = static_cast<WorkerStart*>(parameter);
  Sleep(5);
  start->callback(1);
  WaitForSingleObject(start->handed_over, INFINITE);
  CloseHandle(start->self);
  CloseHandle(start->handed_over);
  delete start;
  return 1;
}

void StartWorker() {
  auto* start = new (std::nothrow) WorkerStart{g_callback, nullptr, nullptr};
  if (!start) return;
  start->handed_over = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!start->handed_over) {
    delete start;
    return;
  }
  HANDLE thread = CreateThread(nullptr, 0, Worker, start, 0, nullptr);
  if (!thread) {
    CloseHandle(start->handed_over);
    delete start;
    return;
  }
  g_worker = thread;
  start->self = thread;
  SetEvent(start->handed_over);
}

void CopyField(WCHAR* field, size_t size, const WCHAR* text) {
  size_t length = wcslen(text);
  if (length >= size) length = size - 1;
  for (size_t i = 0; i < length; ++i) field[i] = text[i];
  field[length] = 0;
}

}  // namespace

int StartRasConnect(BOOL no_callback, LPCWSTR access_name) {
  if (GetExistingCallCount() != 0) {
    NKDbgPrintfW(u"Corvanta::StartRasConnect::have existing call.\r\n");
    return 0;
  }
  auto* access_point = new (std::nothrow) AccessPointContent;
  auto* entry = new (std::nothrow) RASENTRY;
  auto* config = new (std::nothrow) UNIMODEM_DEVCONFIG;
  struct Release {
    AccessPointContent* a;
    RASENTRY* e;
    UNIMODEM_DEVCONFIG* c;
    ~Release() {
      delete a;
      delete e;
      delete c;
    }
  } release{access_point, entry, config};
  if (!access_point || !entry || !config) return 0;

  if (!GetAccessPointContent(access_name, access_point) ||
      !SetRasEntryParameter(entry, config, *access_point)) {
    NKDbgPrintfW(u"Corvanta::SetRasEntry::GetAccessPointContent is fail\r\n");
    return 0;
  }
  DWORD entry_size = 0;
  WCHAR no_name[] = u"";
  RasGetEntryProperties(nullptr, no_name, nullptr, &entry_size, nullptr, nullptr);
  WCHAR entry_name[] = u"GPRS";
  DWORD result = RasSetEntryProperties(nullptr, entry_name, entry, entry_size,
                                       reinterpret_cast<BYTE*>(config), sizeof *config);
  if (result != 0) {
    NKDbgPrintfW(u"Corvanta::SetRasEntry::RasSetEntryProperties is error = 0x%08x\r\n", result);
    return 0;
  }

  RASDIALPARAMS params = {};
  params.dwSize = sizeof params;
  CopyField(params.szEntryName, std::size(params.szEntryName), u"GPRS");
  CopyField(params.szUserName, std::size(params.szUserName), access_point->wszUserName);
  CopyField(params.szPassword, std::size(params.szPassword), access_point->wszPassword);

  DWORD session = PAL_SESSION_READY;
  if (PAL_SGetSessionStatus(&session) && session != PAL_SESSION_READY) {
    NKDbgPrintfW(u"Corvanta::StartRasConnect::is not PAL_SESSSTATUS_READY\r\n");
    return 0;
  }
  NKDbgPrintfW(u"Corvanta::StartRasConnect::apn name =%s\r\n", access_point->wszApn);

  HRASCONN connection = nullptr;
  result = RasDial(nullptr, nullptr, &params, 0xFFFFFFFF, nullptr, &connection);
  if (result != 0) {
    RasHangUp(connection);
    NKDbgPrintfW(u"Corvanta::SetRasEntry::RasDial is error = %d\r\n", result);
    return 0;
  }
  DWORD proxy = access_point->wszAgency[0] != 0 && access_point->nPort != 0 ? 1 : 0;
  WriteRegistryDword(HKEY_LOCAL_MACHINE, u"DialParameter", u"GprsIsProxy", proxy);
  NKDbgPrintfW(u"Corvanta::SetRasEntry::RasDial is successful\r\n");
  if (!no_callback && g_callback) StartWorker();
  return 1;
}

LONG StartGprsConnectForCallback(GprsCallback callback, DWORD mode, LPCWSTR access_name) {
  if (!HandleGprsSettingStatus(mode, FALSE)) return 3;
  g_callback = callback;
  return StartRasConnect(callback ? FALSE : TRUE, access_name) ? 1 : 3;
}

LONG StartGprsConnectForWindow(DWORD mode) {
  if (!HandleGprsSettingStatus(mode, TRUE)) return 3;
  // A callback stored by an earlier callback-form dial is told of this dial too.
  return StartRasConnect(FALSE, nullptr) ? 1 : 3;
}
