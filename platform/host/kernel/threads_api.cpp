// Threads: started at once, their handles signalled when they end.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "ce/kernel.h"
#include "cehost/handset.h"
#include "handset/handset_state.h"
#include "kernel/event_table.h"
#include "kernel/thread_object.h"
#include "server/server_link.h"

using namespace cehost;

namespace {

std::atomic<DWORD> next_thread_id{0x1000};

// The calling thread's identifier; 0 until CreateThread or GetCurrentThreadId gives it one.
thread_local DWORD current_thread_id = 0;

}  // namespace

extern "C" HANDLE CreateThread(LPSECURITY_ATTRIBUTES, DWORD, LPTHREAD_START_ROUTINE lpStartAddress,
                               LPVOID lpParameter, DWORD dwCreationFlags, LPDWORD lpThreadId) {
  // cehost has no way to hold a thread back, so a suspended start is refused.
  if (!lpStartAddress || (dwCreationFlags & CREATE_SUSPENDED)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  DWORD id = next_thread_id += 4;
  auto object = std::make_shared<ThreadObject>();
  std::shared_ptr<HandsetState> state = CurrentShared();
  HANDLE handle = HandleTable::ToHandle<HANDLE>(state->handles.Insert(object));
  RecordEffect(state->journal, EffectKind::kThreadStart, {{"id", std::to_string(id)}});
  if (lpThreadId) *lpThreadId = id;
  // The thread keeps the object alive until it ends, whatever happens to the handle, and the
  // handset it started on, whose journal records its end.
  state->threads.Started();
  std::thread([object, lpStartAddress, lpParameter, state, id] {
    current_thread_id = id;
    DWORD code = lpStartAddress(lpParameter);
    object->exit_code.store(code);
    RecordEffect(state->journal, EffectKind::kThreadEnd,
                 {{"id", std::to_string(id)}, {"exit_code", std::to_string(code)}});
    object->finished.Set();
    // What the thread had done is in the handset's journal before it counts as ended.
    if (state->server) state->server->Sync();
    state->threads.Ended();
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

extern "C" DWORD GetCurrentThreadId(void) {
  if (current_thread_id == 0) current_thread_id = next_thread_id += 4;
  return current_thread_id;
}

extern "C" HANDLE GetCurrentProcess(void) {
  return HandleTable::ToHandle<HANDLE>(0x42);
}

extern "C" DWORD GetCurrentProcessId(void) {
  return static_cast<DWORD>(getpid());
}
