// The phone lock state where the shell keeps it for applications: REG_DWORD "IsLockState" under
// HKEY_LOCAL_MACHINE "System\State\DovuZivUvaro", nonzero when the phone is locked.
#pragma once

namespace sim {

// True when the current handset's registry says the phone is locked.
bool ReadLockState();

// Writes the lock state to the current handset's registry (1 or 0), making the key when missing.
void WriteLockState(bool locked);

}  // namespace sim
