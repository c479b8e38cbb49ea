// Host control of the handset's clock: a test or tool pins the local time GetLocalTime returns.
#include <mutex>
#include <optional>

#include "cehost/handset.h"
#include "handset/handset_state.h"

namespace cehost {

void PinLocalTime(const SYSTEMTIME* time) {
  HandsetState& state = Current();
  std::lock_guard lock(state.clock_mutex);
  state.pinned_time = time ? std::optional<SYSTEMTIME>(*time) : std::nullopt;
}

}  // namespace cehost
