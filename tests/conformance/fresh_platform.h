// What each check runs on: on cehost a fresh simulated handset, current while it lives; on Win32
// the machine as it is.
#pragma once

#ifdef _WIN32
namespace conformance {
struct FreshPlatform {};
}  // namespace conformance
#else
#include "sim/handset.h"

namespace conformance {
using FreshPlatform = sim::Handset;
}  // namespace conformance
#endif
