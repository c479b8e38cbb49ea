#include "msgqueue/remote_queue.h"

#include <cstring>

#include "ce/errors.h"
#include "handset/handset_state.h"

namespace cehost {

namespace {

// The most one message may carry through the server; a queue's messages are far smaller.
constexpr DWORD kMaxMessage = 1u << 20;

// The handle of a new remote end, entered in the program's table; null when the reply has none.
std::shared_ptr<QueueEnd> NewEnd(HandsetState& state, ServerReply& reply, bool reader) {
  uint32_t handle = reply.fields.U32();
  if (!reply.fields.End() || handle == 0) return nullptr;
  return std::make_shared<RemoteQueueEnd>(RemoteHandle(state.server, reply.boot, handle), reader);
}

}  // namespace

HANDLE CreateRemoteQueue(HandsetState& state, std::u16string_view name,
                         const MSGQUEUEOPTIONS& options) {
  wire::Writer request = ServerRequest(ServerOp::kQueueCreate);
  request.Text(name)
      .U32(options.dwFlags)
      .U32(options.dwMaxMessages)
      .U32(options.cbMaxMessage)
      .U8(options.bReadAccess ? 1 : 0);
  auto reply = state.server->Call(request);
  if (!reply) {
    SetLastError(ERROR_OUTOFMEMORY);
    return nullptr;
  }
  auto end = NewEnd(state, *reply, options.bReadAccess != 0);
  SetLastError(end ? reply->last_error
                   : (reply->last_error ? reply->last_error : ERROR_OUTOFMEMORY));
  if (!end) return nullptr;
  return HandleTable::ToHandle<HANDLE>(state.handles.Insert(std::move(end)));
}

DWORD RemoteQueueEnd::WriteMessage(const uint8_t* data, DWORD size, DWORD timeout_ms, DWORD flags) {
  if (size > kMaxMessage) return ERROR_INSUFFICIENT_BUFFER;
  wire::Writer request = remote_.Request(ServerOp::kQueueWrite);
  request.Bytes(data, size).U32(timeout_ms).U32(flags);
  auto reply = remote_.Call(request);
  BOOL result = reply ? reply->fields.U32() : FALSE;
  if (!reply || !reply->fields.End()) return ERROR_INVALID_HANDLE;
  return result ? 0 : reply->last_error;
}

DWORD RemoteQueueEnd::ReadMessage(uint8_t* buffer, DWORD capacity, DWORD timeout_ms, DWORD* copied,
                                  DWORD* flags) {
  if (capacity > kMaxMessage) capacity = kMaxMessage;
  wire::Writer request = remote_.Request(ServerOp::kQueueRead);
  request.U32(capacity).U32(timeout_ms);
  auto reply = remote_.Call(request);
  if (!reply) return ERROR_INVALID_HANDLE;
  BOOL result = reply->fields.U32();
  std::vector<uint8_t> bytes = reply->fields.Bytes(capacity);
  DWORD read_flags = reply->fields.U32();
  if (!reply->fields.End()) return ERROR_INVALID_HANDLE;
  if (!bytes.empty()) std::memcpy(buffer, bytes.data(), bytes.size());
  *copied = static_cast<DWORD>(bytes.size());
  *flags = read_flags;
  return result ? 0 : reply->last_error;
}

bool RemoteQueueEnd::Describe(MSGQUEUEINFO* info) {
  auto reply = remote_.Call(remote_.Request(ServerOp::kQueueInfo));
  BOOL result = reply ? reply->fields.U32() : FALSE;
  std::vector<uint8_t> bytes =
      reply ? reply->fields.Bytes(sizeof(MSGQUEUEINFO)) : std::vector<uint8_t>{};
  if (!reply || !reply->fields.End() || (result && bytes.size() != sizeof(MSGQUEUEINFO))) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  if (!result) {
    SetLastError(reply->last_error);
    return false;
  }
  std::memcpy(info, bytes.data(), sizeof(MSGQUEUEINFO));
  return true;
}

std::shared_ptr<QueueEnd> RemoteQueueEnd::Open(bool reader, DWORD* error) {
  wire::Writer request = remote_.Request(ServerOp::kQueueOpen);
  request.U8(reader ? 1 : 0);
  auto reply = remote_.Call(request);
  *error = ERROR_INVALID_HANDLE;
  if (!reply) return nullptr;
  auto end = NewEnd(Current(), *reply, reader);
  if (!end && reply->last_error) *error = reply->last_error;
  return end;
}

}  // namespace cehost
