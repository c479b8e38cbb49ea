// The windows of a program attached to its handset's server: each is entered in the server's
// table too, under the handle the server gives it, so that every program (the shell, a driver,
// another application) reaches it; what reaches it there comes down the program's tie.
#pragma once

#include <memory>

#include "ce/types.h"
#include "cehost/windows.h"

namespace cehost {

class ServerLink;
struct HandsetState;

// Enters a new window of the program in the server's table; its handle, or null with *error set
// (the server's error, or ERROR_NOT_ENOUGH_MEMORY when no server can be reached). From the first
// window on, the messages the server delivers go to the handset's windows while it lives.
HWND EnterRemoteWindow(const std::shared_ptr<HandsetState>& state, const WindowSpec& spec,
                       DWORD* error);
// Takes a destroyed window of the program out of the server's table.
void LeaveRemoteWindow(ServerLink& server, HWND hwnd);

// PostMessageW to a window of another program, or HWND_BROADCAST, through the server. A server
// that cannot be reached knows no window: ERROR_INVALID_WINDOW_HANDLE.
BOOL RemotePost(ServerLink& server, HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
// SendMessageTimeoutW through the server, as RemotePost.
LRESULT RemoteSend(ServerLink& server, HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam,
                   UINT flags, UINT timeout_ms, PDWORD_PTR result);
// FindWindowW among every program's windows; null when none matches or no server answers.
HWND RemoteFindWindow(ServerLink& server, LPCWSTR class_name, LPCWSTR title);

}  // namespace cehost
