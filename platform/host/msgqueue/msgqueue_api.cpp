// Point-to-point message queues: making and opening their ends, writing, reading, describing and
// closing them.
#include <memory>
#include <new>
#include <string>

#include "ce/kernel.h"
#include "ce/msgqueue.h"
#include "cehost/text.h"
#include "handset/handset_state.h"
#include "msgqueue/queue_end.h"
#include "msgqueue/remote_queue.h"

using namespace cehost;

namespace {

constexpr DWORD kKnownQueueFlags = MSGQUEUE_NOPRECOMMIT | MSGQUEUE_ALLOW_BROKEN;

// Options are checked whole on every call, also when the queue already exists and keeps its own
// flags and limits.
bool ValidOptions(const MSGQUEUEOPTIONS* options) {
  return options && options->dwSize == sizeof(MSGQUEUEOPTIONS) &&
         (options->dwFlags & ~kKnownQueueFlags) == 0 && options->cbMaxMessage != 0;
}

// The name's length when it is shorter than MAX_PATH characters; -1 when it is not.
int NameLength(LPCWSTR name) {
  for (int n = 0; n < MAX_PATH; ++n)
    if (name[n] == 0) return n;
  return -1;
}

HANDLE Fail(DWORD error) {
  SetLastError(error);
  return nullptr;
}

BOOL Refuse(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// The end behind a queue handle; null, with ERROR_INVALID_HANDLE, when it is not one.
std::shared_ptr<QueueEnd> EndOf(HANDLE handle) {
  auto end = Current().handles.Get<QueueEnd>(handle, HandleKind::kQueue);
  if (!end) SetLastError(ERROR_INVALID_HANDLE);
  return end;
}

HANDLE Enter(HandsetState& state, std::shared_ptr<MessageQueue> queue, bool reader) {
  return HandleTable::ToHandle<HANDLE>(
      state.handles.Insert(std::make_shared<LocalQueueEnd>(std::move(queue), reader)));
}

void RecordCreate(Journal& journal, const MessageQueue& queue, const MSGQUEUEOPTIONS& options) {
  RecordEffect(journal, EffectKind::kQueueCreate,
               {{"queue", queue.name()},
                {"flags", HexNumber(options.dwFlags)},
                {"max_messages", std::to_string(options.dwMaxMessages)},
                {"max_message_bytes", std::to_string(options.cbMaxMessage)},
                {"access", options.bReadAccess ? "read" : "write"}});
}

}  // namespace

namespace cehost {

std::shared_ptr<QueueEnd> LocalQueueEnd::Open(bool reader, DWORD* error) {
  // This end may have been closed meanwhile, and with it the last end of its queue.
  if (!queue_->AddEnd(reader)) {
    *error = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  try {
    return std::make_shared<LocalQueueEnd>(queue_, reader);
  } catch (const std::bad_alloc&) {
    queue_->RemoveEnd(reader);
    *error = ERROR_OUTOFMEMORY;
    return nullptr;
  }
}

}  // namespace cehost

// A name is at most MAX_PATH - 1 characters; "" is a name like any other, as it is for events.
extern "C" HANDLE CreateMsgQueue(LPCWSTR lpszName, LPMSGQUEUEOPTIONS lpOptions) {
  if (!ValidOptions(lpOptions)) return Fail(ERROR_INVALID_PARAMETER);
  const int length = lpszName ? NameLength(lpszName) : 0;
  if (length < 0) return Fail(ERROR_INVALID_PARAMETER);
  const bool reader = lpOptions->bReadAccess != 0;
  HandsetState& state = Current();
  // A named queue of a handset attached to its server is the server's, shared by every program.
  if (lpszName && state.server)
    return CreateRemoteQueue(state, std::u16string_view(lpszName, length), *lpOptions);
  try {
    std::shared_ptr<MessageQueue> queue;
    bool existed = false;
    if (lpszName) {
      std::u16string name(lpszName, static_cast<size_t>(length));
      queue = state.queues.Open(name, reader, &existed, [&] {
        return std::make_shared<MessageQueue>(ToUtf8(name), *lpOptions, &state.journal);
      });
    } else {
      queue = std::make_shared<MessageQueue>("(unnamed)", *lpOptions, &state.journal);
      queue->AddEnd(reader);
    }
    if (!existed) RecordCreate(state.journal, *queue, *lpOptions);
    HANDLE handle = Enter(state, std::move(queue), reader);
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_OUTOFMEMORY);
  }
}

// The source process must be the caller's own, named by GetCurrentProcess() (ERROR_INVALID_HANDLE
// for any other value); of the options only dwSize and bReadAccess count.
extern "C" HANDLE OpenMsgQueue(HANDLE hSrcProc, HANDLE hMsgQ, LPMSGQUEUEOPTIONS lpOptions) {
  if (!lpOptions || lpOptions->dwSize != sizeof(MSGQUEUEOPTIONS)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if (hSrcProc != GetCurrentProcess()) return Fail(ERROR_INVALID_HANDLE);
  auto source = EndOf(hMsgQ);
  if (!source) return nullptr;
  DWORD error = ERROR_SUCCESS;
  auto end = source->Open(lpOptions->bReadAccess != 0, &error);
  if (!end) return Fail(error);
  try {
    return HandleTable::ToHandle<HANDLE>(Current().handles.Insert(end));
  } catch (const std::bad_alloc&) {
    end->Close();
    return Fail(ERROR_OUTOFMEMORY);
  }
}

// Writing on a read end is refused with ERROR_ACCESS_DENIED (the end was not opened for
// writing); so are flags other than MSGQUEUE_MSGALERT, with ERROR_INVALID_PARAMETER.
extern "C" BOOL WriteMsgQueue(HANDLE hMsgQ, LPVOID lpBuffer, DWORD cbDataSize, DWORD dwTimeout,
                              DWORD dwFlags) {
  auto end = EndOf(hMsgQ);
  if (!end) return FALSE;
  if (end->reader()) return Refuse(ERROR_ACCESS_DENIED);
  if (!lpBuffer || cbDataSize == 0 || (dwFlags & ~DWORD{MSGQUEUE_MSGALERT}) != 0) {
    return Refuse(ERROR_INVALID_PARAMETER);
  }
  DWORD error =
      end->WriteMessage(static_cast<const uint8_t*>(lpBuffer), cbDataSize, dwTimeout, dwFlags);
  return error ? Refuse(error) : TRUE;
}

// Reading on a write end is refused with ERROR_ACCESS_DENIED. lpBuffer and lpNumberOfBytesRead
// are required (ERROR_INVALID_PARAMETER); pdwFlags may be NULL, and is then not written. A
// message longer than the buffer is taken off the queue with ERROR_INSUFFICIENT_BUFFER: the
// buffer holds its first cbBufferSize bytes and *lpNumberOfBytesRead says cbBufferSize, the bytes
// stored. On any other failure both outputs are 0.
extern "C" BOOL ReadMsgQueue(HANDLE hMsgQ, LPVOID lpBuffer, DWORD cbBufferSize,
                             LPDWORD lpNumberOfBytesRead, DWORD dwTimeout, DWORD* pdwFlags) {
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
  if (pdwFlags) *pdwFlags = 0;
  auto end = EndOf(hMsgQ);
  if (!end) return FALSE;
  if (!end->reader()) return Refuse(ERROR_ACCESS_DENIED);
  if (!lpBuffer || cbBufferSize == 0 || !lpNumberOfBytesRead) {
    return Refuse(ERROR_INVALID_PARAMETER);
  }
  DWORD copied = 0;
  DWORD flags = 0;
  DWORD error =
      end->ReadMessage(static_cast<uint8_t*>(lpBuffer), cbBufferSize, dwTimeout, &copied, &flags);
  *lpNumberOfBytesRead = copied;
  if (pdwFlags) *pdwFlags = flags;
  return error ? Refuse(error) : TRUE;
}

extern "C" BOOL GetMsgQueueInfo(HANDLE hMsgQ, LPMSGQUEUEINFO lpInfo) {
  auto end = EndOf(hMsgQ);
  if (!end) return FALSE;
  if (!lpInfo || lpInfo->dwSize != sizeof(MSGQUEUEINFO)) return Refuse(ERROR_INVALID_PARAMETER);
  return end->Describe(lpInfo) ? TRUE : FALSE;
}

// Any other kind of handle is refused with ERROR_INVALID_HANDLE.
extern "C" BOOL CloseMsgQueue(HANDLE hMsgQ) {
  auto end = Current().handles.Remove(HandleTable::ValueOf(hMsgQ), HandleKind::kQueue);
  if (!end) return Refuse(ERROR_INVALID_HANDLE);
  end->Close();
  return TRUE;
}
