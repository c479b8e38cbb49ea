// Host control of the handset's clock: a test or tool pins the local time GetLocalTime returns.
#include "cehost/handset.h"
#include "handset/handset_state.h"

namespace cehost {

void PinLocalTime(const SYSTEMTIME* time) {
  Current().clock.Pin(time);
}

}  // namespace cehost
