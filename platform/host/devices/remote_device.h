// Devices of a handset attached to its server: the driver runs in the server, and the program
// holds a handle to the server's open context.
#pragma once

#include <cstdint>
#include <memory>

#include "ce/devices.h"
#include "ce/types.h"
#include "devices/device_handle.h"
#include "server/remote_handle.h"

namespace cehost {

struct HandsetState;

// Opens a device of the given name in the server, as OpenDevice does in a program that runs its
// own devices; false when the name is not of a device's form.
bool OpenRemoteDevice(ServerLink& server, LPCWSTR name, DWORD access, DWORD share, HANDLE* handle);

// An open context the server holds for this program. Once that server has gone (stopped,
// killed, or replaced by a new one), its calls fail with ERROR_INVALID_HANDLE, as those of a
// device that was removed.
class RemoteDevice : public DeviceObject {
 public:
  explicit RemoteDevice(RemoteHandle remote) : remote_(std::move(remote)) {}

  BOOL Control(DWORD code, const void* in, DWORD in_size, void* out, DWORD out_size,
               DWORD* returned) override;
  BOOL Read(void* buffer, DWORD size, DWORD* done) override;
  BOOL Write(const void* data, DWORD size, DWORD* done) override;
  // Closes the open context in the server, when it still runs.
  void Close() override { remote_.Close(); }

 private:
  const RemoteHandle remote_;
};

// FindFirstDevice answered by the server's device manager: the search holds the records of the
// devices it matched (at most 64), and the program opens their bus names in the server from then
// on.
HANDLE FindRemoteDevices(HandsetState& state, DeviceSearchType type, LPCVOID param,
                         PDEVMGR_DEVICE_INFORMATION first);

// NLedGetDeviceInfo and NLedSetDevice answered by the server's LED service.
BOOL RemoteLedInfo(ServerLink& server, UINT id, void* record);
BOOL RemoteLedSet(ServerLink& server, UINT id, void* record);

}  // namespace cehost
