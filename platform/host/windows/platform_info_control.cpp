// Host control of the handset's platform information record, which SystemParametersInfoW reads.
#include <utility>

#include "cehost/platform_info.h"
#include "handset/handset_state.h"

namespace cehost {

namespace {
constexpr size_t kDefaultWords = 10;
constexpr size_t kHardwareVersionWord = 6;
}  // namespace

std::vector<uint32_t> DefaultPlatformInfo() {
  std::vector<uint32_t> words(kDefaultWords, 0);
  words[kHardwareVersionWord] = 1;
  return words;
}

void SetPlatformInfo(std::vector<uint32_t> words) {
  Current().platform_info.Set(std::move(words));
}

void ClearPlatformInfo() {
  Current().platform_info.Clear();
}

}  // namespace cehost
