// The RAS calls of a handset attached to its server: the phone book's lock, the RAS devices and
// the connections are the server's, so the calls run there. A connection's handle is the
// server's: any program may hang up or list any connection, as on the platform.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ce/ras.h"
#include "server/server_link.h"

namespace cehost {

// RasSetEntryProperties in the server; ERROR_CANNOT_OPEN_PHONEBOOK when it cannot be reached.
DWORD RemoteRasSetEntry(ServerLink& server, LPCWSTR name, const RASENTRY& entry, const BYTE* device,
                        DWORD device_size);
// RasDial in the server; ERROR_DEVICE_DOES_NOT_EXIST, with no handle, when it cannot be reached.
DWORD RemoteRasDial(ServerLink& server, const RASDIALPARAMS& params, HRASCONN* connection);
// RasHangUp in the server; ERROR_INVALID_HANDLE when it cannot be reached (its connections went
// with it).
DWORD RemoteRasHangUp(ServerLink& server, HRASCONN connection);
// The connections up in the server, by handle value and entry name; none when it cannot be
// reached.
std::vector<std::pair<uint32_t, std::u16string>> RemoteRasConnections(ServerLink& server);
// RasDeleteEntry in the server; ERROR_CANNOT_OPEN_PHONEBOOK when it cannot be reached.
DWORD RemoteRasDeleteEntry(ServerLink& server, LPCWSTR name);

}  // namespace cehost
