// Host control of the modules a handset has: sim's programs install and remove them.
#include "cehost/modules.h"
#include "handset/handset_state.h"

namespace cehost {

void InstallModule(std::u16string_view ce_path, ModuleEntries entries) {
  Current().modules.Install(ce_path, std::move(entries));
}

void RemoveModule(std::u16string_view ce_path) {
  Current().modules.Remove(ce_path);
}

}  // namespace cehost
