// Dynamic loading of the handset's modules.
#pragma once

#include "ce/errors.h"
#include "ce/types.h"

// The generic type of a module's entry. Callers cast it to the entry's real type; a function
// taking and returning nothing is the one type that converts cleanly to every other.
typedef void (*FARPROC)(void);

extern "C" {

// Loads a module by CE path or bare name (searched in "\Windows", then "\"; ".dll" is added to a
// name without an extension); loading it again returns the same handle. NULL and the last error
// (ERROR_MOD_NOT_FOUND) when the handset has no such module.
HMODULE LoadLibraryW(LPCWSTR lpLibFileName);

// The address of the module's entry of exactly that name; NULL and ERROR_PROC_NOT_FOUND when
// the module has none.
FARPROC GetProcAddressW(HMODULE hModule, LPCWSTR lpProcName);

// Drops one use of the module; it is unloaded when the last use goes.
BOOL FreeLibrary(HMODULE hLibModule);

}  // extern "C"
