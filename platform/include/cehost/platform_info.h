// The current handset's platform information record, which SystemParametersInfoW answers with.
#pragma once

#include <cstdint>
#include <vector>

namespace cehost {

// The M8's record, which every handset starts with when it is mounted: ten words, all 0 but
// word 6 (hardware version) = 1; word 8 = 0 says the handset has Wi-Fi.
std::vector<uint32_t> DefaultPlatformInfo();

// Replaces the current handset's record with these words (little-endian, in order), for as long
// as it stays mounted.
void SetPlatformInfo(std::vector<uint32_t> words);

// Takes the record away: the current handset no longer answers SPI_GETPLATFORMINFO.
void ClearPlatformInfo();

}  // namespace cehost
