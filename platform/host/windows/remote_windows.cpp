#include "windows/remote_windows.h"

#include <vector>

#include <string_view>

#include "ce/errors.h"
#include "cehost/text.h"
#include "handset/handset_state.h"
#include "kernel/handle_table.h"
#include "server/server_link.h"
#include "windows/window_table.h"

namespace cehost {

namespace {

// Hands a delivery from the server to the program's window: a post behind the window's others,
// a sent message to its procedure, waiting as long as the sender does. Neither is journaled
// again: the server's journal has it.
bool Deliver(WindowTable& windows, const Delivery& delivery, LRESULT* answer) {
  auto window = windows.Find(HandleTable::ToHandle<HWND>(delivery.hwnd));
  if (!window) return false;
  if (!delivery.send) {
    DWORD error = 0;
    return window->Post(delivery.msg, delivery.wparam, delivery.lparam, &error, nullptr);
  }
  SendResult result =
      window->Send(delivery.msg, delivery.wparam, delivery.lparam, delivery.timeout_ms, nullptr);
  *answer = result.answer;
  return result.outcome == SendOutcome::kAnswered;
}

}  // namespace

HWND EnterRemoteWindow(const std::shared_ptr<HandsetState>& state, const WindowSpec& spec,
                       DWORD* error) {
  ServerLink& server = *state->server;
  // A delivery that comes as the handset goes finds no windows.
  server.Listen(
      [weak = std::weak_ptr<HandsetState>(state)](const Delivery& delivery, LRESULT* answer) {
        auto live = weak.lock();
        if (!live) return false;
        if (Deliver(*live->windows, delivery, answer)) return true;
        // A window that went without DestroyWindow (its thread ended) leaves the server's table.
        HWND hwnd = HandleTable::ToHandle<HWND>(delivery.hwnd);
        if (!live->windows->Find(hwnd)) LeaveRemoteWindow(*live->server, hwnd);
        return false;
      });
  server.WhileWaiting([weak = std::weak_ptr<HandsetState>(state)] {
    auto live = weak.lock();
    auto queue = live ? live->windows->ThreadQueue(false) : nullptr;
    if (!queue) return false;
    queue->HandleSent();
    return true;
  });
  wire::Writer request = ServerRequest(ServerOp::kWindowCreate);
  // The server keeps names of up to MAX_PATH - 1 characters, as FindWindowW compares them.
  request.U32(HandleTable::ValueOf(spec.parent))
      .Text(std::u16string_view(spec.class_name).substr(0, MAX_PATH - 1))
      .Text(std::u16string_view(spec.title).substr(0, MAX_PATH - 1))
      .U8(spec.visible ? 1 : 0);
  // A window this program made on a server that has since been restarted may hold the value the
  // new server gives: such a value is skipped, kept in the server's table until a free one comes,
  // and then let go of.
  std::vector<HWND> skipped;
  HWND given = nullptr;
  for (;;) {
    auto reply = server.Call(request);
    uint32_t hwnd = reply ? reply->fields.U32() : 0;
    if (!reply || !reply->fields.End() || hwnd == 0) {
      *error = reply && reply->last_error ? reply->last_error : ERROR_NOT_ENOUGH_MEMORY;
      break;
    }
    given = HandleTable::ToHandle<HWND>(hwnd);
    if (!state->windows->Find(given)) break;
    skipped.push_back(given);
    given = nullptr;
  }
  for (HWND hwnd : skipped) LeaveRemoteWindow(server, hwnd);
  return given;
}

void LeaveRemoteWindow(ServerLink& server, HWND hwnd) {
  wire::Writer request = ServerRequest(ServerOp::kWindowDestroy);
  request.U32(HandleTable::ValueOf(hwnd));
  server.Call(request);
}

BOOL RemotePost(ServerLink& server, HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  wire::Writer request = ServerRequest(ServerOp::kPost);
  request.U32(HandleTable::ValueOf(hwnd)).U32(msg).U64(wparam).U64(static_cast<uint64_t>(lparam));
  auto reply = server.Call(request);
  BOOL result = reply ? reply->fields.U32() : FALSE;
  if (!reply || !reply->fields.End()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (!result) SetLastError(reply->last_error);
  return result;
}

LRESULT RemoteSend(ServerLink& server, HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam,
                   UINT flags, UINT timeout_ms, PDWORD_PTR result) {
  wire::Writer request = ServerRequest(ServerOp::kSend);
  request.U32(HandleTable::ValueOf(hwnd))
      .U32(msg)
      .U64(wparam)
      .U64(static_cast<uint64_t>(lparam))
      .U32(flags)
      .U32(timeout_ms);
  auto reply = server.Call(request);
  auto sent = reply ? static_cast<LRESULT>(reply->fields.U64()) : 0;
  auto answer = reply ? static_cast<DWORD_PTR>(reply->fields.U64()) : 0;
  if (!reply || !reply->fields.End()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (result) *result = answer;
  if (!sent) SetLastError(reply->last_error);
  return sent;
}

HWND RemoteFindWindow(ServerLink& server, LPCWSTR class_name, LPCWSTR title) {
  wire::Writer request = ServerRequest(ServerOp::kFindWindow);
  request.U8(class_name ? 1 : 0)
      .Text(BoundedText(class_name, MAX_PATH))
      .U8(title ? 1 : 0)
      .Text(BoundedText(title, MAX_PATH));
  auto reply = server.Call(request);
  uint32_t found = reply ? reply->fields.U32() : 0;
  if (!reply || !reply->fields.End()) return nullptr;
  return found ? HandleTable::ToHandle<HWND>(found) : nullptr;
}

}  // namespace cehost
