#include "sensors/idle_timeout.h"

#include <cstdint>

#include "ce/registry.h"
#include "frame/registry_value.h"

namespace {

constexpr char16_t kTimeoutsKey[] = u"SYSTEM\\CurrentControlSet\\Control\\Power\\Timeouts";
constexpr char16_t kBatterySuspendValue[] = u"BattSuspend";

}  // namespace

DWORD GetSystemIdleTimeout() {
  HKEY key = OpenExistingRegistryKey(HKEY_LOCAL_MACHINE, kTimeoutsKey);
  if (!key) return kIdleTimeoutUnknown;
  DWORD seconds = 0;
  bool read = QueryDwordOrZero(key, kBatterySuspendValue, &seconds);
  RegCloseKey(key);
  if (!read) return kIdleTimeoutUnknown;
  // Seconds beyond what 32-bit milliseconds can hold would wrap to a short time-out; they are
  // held at the longest one instead, which stays apart from the "cannot be read" answer.
  uint64_t ms = uint64_t{seconds} * 1000;
  if (ms >= kIdleTimeoutUnknown) return kIdleTimeoutUnknown - 1;
  return static_cast<DWORD>(ms);
}
