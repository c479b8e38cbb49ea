// The journal entries of the device calls. Fields are short and the same across kinds: "device"
// (the legacy name), "handle", "result" (1 or 0), "error" (only when the call failed).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ce/types.h"
#include "cehost/journal.h"

namespace cehost {

// "0x" and the value in lower-case hexadecimal, padded with zeros to digits digits; made without
// streams or printf, since a device call makes several on its way.
std::string Hex(uint32_t value, int digits = 0);

// A device opened by name: the name asked for, access, share and the handle, or the error.
void RecordOpen(Journal& journal, std::string_view device, DWORD access, DWORD share,
                uint32_t handle, DWORD error);

// One control code answered (or refused) by a driver.
struct ControlRecord {
  std::string_view device;
  uint32_t handle = 0;
  DWORD code = 0;
  std::string_view code_name;
  const void* in = nullptr;
  DWORD in_size = 0;
  const void* out = nullptr;
  DWORD returned = 0;
  BOOL result = FALSE;
  DWORD error = 0;
};
void RecordControl(Journal& journal, const ControlRecord& control);

// A read (with the bytes it gave) or a write (with the bytes given) on a device handle; done is
// what the driver says it read or wrote.
void RecordTransfer(Journal& journal, EffectKind kind, std::string_view device, uint32_t handle,
                    const void* data, DWORD data_size, DWORD done, BOOL result, DWORD error);

// A device handle closed.
void RecordClose(Journal& journal, std::string_view device, uint32_t handle);

}  // namespace cehost
