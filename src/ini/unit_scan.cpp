#include "ini/unit_scan.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ini {

namespace {

#if defined(__SSE2__)

// A mask with two bits for each of the eight units at p that is c or NUL.
inline int UnitOrNulMask(const char16_t* p, __m128i wanted) {
  __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  __m128i hits =
      _mm_or_si128(_mm_cmpeq_epi16(units, wanted), _mm_cmpeq_epi16(units, _mm_setzero_si128()));
  return _mm_movemask_epi8(hits);
}

// Skips whole blocks of 32 units holding neither c nor NUL, then finds the unit in blocks of 8;
// what is left (fewer than 8 units) is for the caller.
const char16_t* ScanBlocks(const char16_t* p, const char16_t* end, char16_t c) {
  const __m128i wanted = _mm_set1_epi16(static_cast<short>(c));
  const __m128i zero = _mm_setzero_si128();
  while (end - p >= 32) {
    __m128i hits = zero;
    for (int i = 0; i < 4; ++i) {
      __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8 * i));
      hits = _mm_or_si128(hits, _mm_cmpeq_epi16(units, wanted));
      hits = _mm_or_si128(hits, _mm_cmpeq_epi16(units, zero));
    }
    if (_mm_movemask_epi8(hits) != 0) break;
    p += 32;
  }
  while (end - p >= 8) {
    if (int mask = UnitOrNulMask(p, wanted))
      return p + __builtin_ctz(static_cast<unsigned>(mask)) / 2;
    p += 8;
  }
  return p;
}

#else

// Four units a word: a lane of the word, or of the word XOR the pattern, is zero where NUL or c
// stands, and the test below is true exactly when some lane is zero. Stops at the first word
// holding either; what is left is for the caller.
const char16_t* ScanBlocks(const char16_t* p, const char16_t* end, char16_t c) {
  constexpr uint64_t kOnes = 0x0001000100010001ull;
  constexpr uint64_t kHighs = 0x8000800080008000ull;
  const uint64_t pattern = kOnes * c;
  while (end - p >= 4) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    uint64_t x = word ^ pattern;
    if (((x - kOnes) & ~x & kHighs) | ((word - kOnes) & ~word & kHighs)) break;
    p += 4;
  }
  return p;
}

#endif

}  // namespace

const char16_t* ScanToUnitOrNul(const char16_t* begin, const char16_t* end, char16_t c) {
  const char16_t* p = ScanBlocks(begin, end, c);
  for (; p < end; ++p)
    if (*p == c || *p == 0) return p;
  return end;
}

}  // namespace ini
