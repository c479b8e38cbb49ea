// Finding one UTF-16 unit in a text that ends at its first NUL.
#pragma once

namespace ini {

// The first unit of [begin, end) that is c or NUL; end when there is none. Compares as many
// units at a time as the processor allows.
const char16_t* ScanToUnitOrNul(const char16_t* begin, const char16_t* end, char16_t c);

// The widths a scan can compare at: four units a 64-bit word, eight with SSE2, sixteen with AVX2,
// 32 with AVX-512BW.
enum class ScanWidth { kWord, kSse2, kAvx2, kAvx512 };

// True when this build and this processor can scan at the width.
bool CanScanAt(ScanWidth width);

// ScanToUnitOrNul at the width, which CanScanAt must allow; gives the same answer at every width.
const char16_t* ScanToUnitOrNulAt(ScanWidth width, const char16_t* begin, const char16_t* end,
                                  char16_t c);

}  // namespace ini
