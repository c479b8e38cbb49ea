// The screen and the platform record of a handset attached to its server: the display driver
// and the record are the server's, so GetDC, ExtEscape and SystemParametersInfoW ask it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "ce/windows.h"
#include "server/server_link.h"

namespace cehost {

// The value of the screen's device context: 1 modulo 4, so it is neither a kernel handle (a
// multiple of 4) nor a window (2 modulo 4), and it fits the 32-bit fields of records.
constexpr uintptr_t kScreenDcValue = 0x10001;

// The largest escape input or output that travels to the server; the driver's escapes take a
// few bytes.
constexpr int kMaxEscapeData = 1 << 16;

// GetDC answered by the server; null with ERROR_NOT_SUPPORTED (no screen) when it cannot be
// reached.
HDC RemoteGetDC(ServerLink& server, HWND hwnd);
// ExtEscape answered by the server's display driver; 0 (nothing implements the escape) when the
// server cannot be reached.
int RemoteExtEscape(ServerLink& server, HDC hdc, int escape, int in_size, LPCSTR in, int out_size,
                    LPSTR out);
// The server's platform record; nullopt when it has none or cannot be reached.
std::optional<std::vector<uint32_t>> RemotePlatformInfo(ServerLink& server);

}  // namespace cehost
