#include "sim/shell/lock_state.h"

#include "ce/registry.h"
#include "oem/shell.h"

namespace sim {

bool ReadLockState() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, SHELL_LOCK_STATE_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  DWORD value = 0;
  DWORD size = sizeof value;
  DWORD type = 0;
  LONG result = RegQueryValueExW(key, SHELL_LOCK_STATE_VALUE, nullptr, &type,
                                 reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS && size == sizeof value && value != 0;
}

void WriteLockState(bool locked) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, SHELL_LOCK_STATE_KEY, 0, nullptr, 0, 0, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  DWORD value = locked ? 1 : 0;
  RegSetValueExW(key, SHELL_LOCK_STATE_VALUE, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                 sizeof value);
  RegCloseKey(key);
}

}  // namespace sim
