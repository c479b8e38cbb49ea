// Host control of the programs a handset can launch: sim installs them through these.
#include "cehost/launch.h"
#include "handset/handset_state.h"

namespace cehost {

void InstallLaunchable(std::u16string ce_path, Launchable program) {
  Current().launches.Install(ce_path, std::move(program));
}

bool RemoveLaunchable(std::u16string_view ce_path) {
  return Current().launches.Remove(ce_path);
}

}  // namespace cehost
