#include "shell/lock_state.h"

#include "frame/registry_value.h"
#include "oem/shell.h"

bool IsPhoneLocked() {
  return ReadDwordOfExistingKey(HKEY_LOCAL_MACHINE, SHELL_LOCK_STATE_KEY, SHELL_LOCK_STATE_VALUE) !=
         0;
}
