// The network stack's control devices: the NDIS power service "NPW1:", which keeps the power
// state an adapter is to be in, and the NDIS control device "NDS0:", which binds adapters to the
// protocols and unbinds them.
#pragma once

#include <cstddef>

#include "ce/devices.h"
#include "ce/types.h"

inline constexpr char16_t kNdisPowerDevice[] = u"NPW1:";
inline constexpr char16_t kNdisDevice[] = u"NDS0:";

// "NPW1:": keeps the power state of the adapter named in NDISPWR_SAVEPOWERSTATE.
#define IOCTL_NPW_SAVE_POWER_STATE 0x00120800u
// "NDS0:": bind or unbind the adapters named in the input, a list of names each ending in a
// terminator, the list ending in one more.
#define IOCTL_NDIS_BIND_ADAPTER 0x00170032u
#define IOCTL_NDIS_UNBIND_ADAPTER 0x00170036u

// The power state to keep for an adapter. The record holds a pointer: 8 bytes with the
// platform's 32-bit pointers, 16 on this host.
typedef struct _NDISPWR_SAVEPOWERSTATE {
  LPCWSTR pwcAdapterName;
  CEDEVICE_POWER_STATE CePowerState;
} NDISPWR_SAVEPOWERSTATE, *PNDISPWR_SAVEPOWERSTATE;
static_assert(sizeof(void*) != 8 || sizeof(NDISPWR_SAVEPOWERSTATE) == 16);
static_assert(sizeof(void*) != 4 || sizeof(NDISPWR_SAVEPOWERSTATE) == 8);
