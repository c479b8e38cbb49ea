// Threads: started at once, their handles signalled when they end.
#include <atomic>
#include <chrono>
#include <thread>

#include "ce/kernel.h"
#include "event_table.h"
#include "handset_state.h"
#include "thread_object.h"

using namespace cehost;

extern "C" HANDLE CreateThread(LPSECURITY_ATTRIBUTES, DWORD, LPTHREAD_START_ROUTINE lpStartAddress,
                               LPVOID lpParameter, DWORD dwCreationFlags, LPDWORD lpThreadId) {
  // cehost has no way to hold a thread back, so a suspended start is refused.
  if (!lpStartAddress || (dwCreationFlags & CREATE_SUSPENDED)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  static std::atomic<DWORD> next_id{0x1000};
  DWORD id = next_id += 4;
  auto object = std::make_shared<ThreadObject>();
  HandsetState& state = Current();
  HANDLE handle = HandleTable::ToHandle<HANDLE>(state.handles.Insert(object));
  JournalEntry entry;
  entry.kind = "thread.start";
  entry.fields.emplace_back("id", std::to_string(id));
  state.journal.Record(std::move(entry));
  if (lpThreadId) *lpThreadId = id;
  // The thread keeps the object alive until it ends, whatever happens to the handle. Its end is
  // recorded in the journal of the handset it started on (handsets are never freed).
  Journal* journal = &state.journal;
  std::thread([object, lpStartAddress, lpParameter, journal, id] {
    DWORD code = lpStartAddress(lpParameter);
    object->exit_code.store(code);
    JournalEntry end;
    end.kind = "thread.end";
    end.fields = {{"id", std::to_string(id)}, {"exit_code", std::to_string(code)}};
    journal->Record(std::move(end));
    object->finished.Set();
  }).detach();
  return handle;
}

extern "C" BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
  auto object = Current().handles.Get<ThreadObject>(hThread, HandleKind::kThread);
  if (!object || !lpExitCode) {
    SetLastError(object ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *lpExitCode = object->exit_code.load();
  return TRUE;
}

extern "C" void Sleep(DWORD dwMilliseconds) {
  if (dwMilliseconds == 0) {
    std::this_thread::yield();
  } else if (dwMilliseconds == INFINITE) {
    for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
  }
}
