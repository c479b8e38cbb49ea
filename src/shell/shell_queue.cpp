#include "shell/shell_queue.h"

#include "ce/msgqueue.h"
#include "oem/shell.h"

ShellQueue::ShellQueue(LPCWSTR name, DWORD max_record, LPCWSTR open_failure)
    : name_(name), max_record_(max_record), open_failure_(open_failure) {
  // The queues live for the whole process, so their locks are never deleted.
  InitializeCriticalSection(&open_lock_);
}

HANDLE ShellQueue::Open() {
  EnterCriticalSection(&open_lock_);
  if (!handle_) {
    MSGQUEUEOPTIONS options = {};
    options.dwSize = sizeof options;
    options.dwFlags = MSGQUEUE_ALLOW_BROKEN;
    options.dwMaxMessages = SHELL_QUEUE_MAX_MESSAGES;
    options.cbMaxMessage = max_record_;
    options.bReadAccess = FALSE;
    handle_ = CreateMsgQueue(name_, &options);
    if (!handle_) NKDbgPrintfW(open_failure_);
  }
  HANDLE handle = handle_;
  LeaveCriticalSection(&open_lock_);
  return handle;
}

BOOL ShellQueue::Write(const void* record, DWORD size) {
  HANDLE queue = Open();
  if (!queue) return FALSE;
  BOOL written = WriteMsgQueue(queue, const_cast<void*>(record), size, 0, 0);
  if (!written && GetLastError() == ERROR_INVALID_HANDLE) {
    // The handle no longer names the queue (other code of the process closed it): the queue is
    // opened again, once, rather than every later record failing.
    Forget(queue);
    queue = Open();
    if (!queue) return FALSE;
    written = WriteMsgQueue(queue, const_cast<void*>(record), size, 0, 0);
  }
  return written;
}

void ShellQueue::Forget(HANDLE stale) {
  EnterCriticalSection(&open_lock_);
  if (handle_ == stale) handle_ = nullptr;
  LeaveCriticalSection(&open_lock_);
}
