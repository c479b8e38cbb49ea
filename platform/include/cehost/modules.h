// The modules a handset has: sim's programs install them, and LoadLibraryW finds them.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "ce/modules.h"

namespace cehost {

// Entries of a module by their exact names.
using ModuleEntries = std::map<std::string, FARPROC>;

// Puts a module on the current handset at the CE path (e.g. "\Windows\PhoneAdapter.dll"),
// replacing one of the same path.
void InstallModule(std::u16string_view ce_path, ModuleEntries entries);

// Takes the module away from the current handset; handles already loaded keep working.
void RemoveModule(std::u16string_view ce_path);

// Casts any function to the platform's entry type.
template <class F>
FARPROC Entry(F* function) {
  return reinterpret_cast<FARPROC>(function);
}

}  // namespace cehost
