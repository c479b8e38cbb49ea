// One request as the server answers it, and the answers of the request families kept in files of
// their own (RAS, network, the handset's programs).
#pragma once

#include <cstdint>

#include "ce/files.h"
#include "ce/types.h"
#include "server/server_host.h"
#include "server/wire.h"

namespace cehost {

// Device data a request may carry; the wire's limit leaves room for the other fields.
constexpr uint32_t kMaxRequestData = 1u << 20;
// The longest name a request may give: a device's name is within MAX_PATH, a registered message
// name within 255 units (a longer one is refused by the call itself).
constexpr uint32_t kMaxRequestName = MAX_PATH;

// A request being answered: each answer reads its fields from in and writes its reply's to out,
// and returns false for a malformed request (nothing done).
struct Call {
  ServerHost& host;
  ServedProgram& program;
  wire::Reader& in;
  wire::Writer& out;
};

// The handle of an object the call made for the program, or 0 when it made none (or the program
// holds too many already: the object is closed again, ERROR_NOT_ENOUGH_QUOTA).
uint32_t OwnedHandle(Call& call, HANDLE handle);

bool RasSetEntryRequest(Call& call);
bool RasDialRequest(Call& call);
bool RasHangUpRequest(Call& call);
bool RasConnectionsRequest(Call& call);
bool RasDeleteEntryRequest(Call& call);
bool NetworkInterfacesRequest(Call& call);
bool ProgramCallRequest(Call& call);
bool StorageRequest(Call& call);
bool GetDCRequest(Call& call);
bool EscapeRequest(Call& call);
bool PlatformInfoRequest(Call& call);
bool LaunchProgramRequest(Call& call);
bool ExitCodeRequest(Call& call);
bool ModuleQueryRequest(Call& call);

}  // namespace cehost
