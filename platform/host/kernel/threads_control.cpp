// Host control of a handset's threads: waiting until those CreateThread started have ended.
#include <chrono>

#include "cehost/handset.h"
#include "handset/handset_state.h"

namespace cehost {

bool WaitForThreads(uint32_t milliseconds) {
  return Current().threads.WaitIdle(std::chrono::milliseconds(milliseconds));
}

}  // namespace cehost
