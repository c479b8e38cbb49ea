// The write end of one of the shell's message queues, as this process holds it.
#pragma once

#include "ce/kernel.h"
#include "ce/types.h"

// One queue the shell reads: opened for writing on first use, with room for 16 records of
// max_record bytes and writes allowed while the shell has it closed, and kept open until the
// process ends. A failed open is tried again on the next use.
class ShellQueue {
 public:
  // A queue of that name whose records are at most max_record bytes; open_failure is the trace
  // line printed each time the queue cannot be opened.
  ShellQueue(LPCWSTR name, DWORD max_record, LPCWSTR open_failure);
  ShellQueue(const ShellQueue&) = delete;
  ShellQueue& operator=(const ShellQueue&) = delete;

  // The write end, opening the queue when it is not open; NULL when it cannot be opened. Two
  // threads making their first use at once open it once.
  HANDLE Open();
  // Writes one record without waiting for room: nonzero when it went into the queue, 0 when the
  // queue cannot be opened or is full.
  BOOL Write(const void* record, DWORD size);

 private:
  // Lets go of a handle that no longer names the queue, unless another thread replaced it.
  void Forget(HANDLE stale);

  const LPCWSTR name_;
  const DWORD max_record_;
  const LPCWSTR open_failure_;
  CRITICAL_SECTION open_lock_;
  HANDLE handle_ = nullptr;
};
