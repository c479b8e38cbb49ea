#include "ini/unit_scan.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#define INI_SCAN_AVX2 1
#include <immintrin.h>
#endif

namespace ini {

namespace {

// Four units a word: a lane of the word, or of the word XOR the pattern, is zero where NUL or c
// stands, and the test below is true exactly when some lane is zero. Stops at the first word
// holding either; what is left is for the caller.
const char16_t* ScanWords(const char16_t* p, const char16_t* end, char16_t c) {
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

#if defined(__SSE2__)

// The lanes of the eight units at p that are c or NUL, all bits set.
inline __m128i UnitOrNulLanes(const char16_t* p, __m128i wanted, __m128i zero) {
  __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  return _mm_or_si128(_mm_cmpeq_epi16(units, wanted), _mm_cmpeq_epi16(units, zero));
}

// Skips whole runs of 32 units holding neither c nor NUL, then finds the unit eight at a time;
// what is left (fewer than eight units) is for the caller.
const char16_t* ScanBlocks(const char16_t* p, const char16_t* end, char16_t c) {
  const __m128i wanted = _mm_set1_epi16(static_cast<short>(c));
  const __m128i zero = _mm_setzero_si128();
  while (end - p >= 32) {
    __m128i first =
        _mm_or_si128(UnitOrNulLanes(p, wanted, zero), UnitOrNulLanes(p + 8, wanted, zero));
    __m128i second =
        _mm_or_si128(UnitOrNulLanes(p + 16, wanted, zero), UnitOrNulLanes(p + 24, wanted, zero));
    if (_mm_movemask_epi8(_mm_or_si128(first, second)) != 0) break;
    p += 32;
  }
  while (end - p >= 8) {
    if (int mask = _mm_movemask_epi8(UnitOrNulLanes(p, wanted, zero)))
      return p + __builtin_ctz(static_cast<unsigned>(mask)) / 2;
    p += 8;
  }
  return p;
}

#endif

#if defined(INI_SCAN_AVX2)

// The lanes of the sixteen units at p that are c or NUL, all bits set.
__attribute__((target("avx2"))) inline __m256i WideUnitOrNulLanes(const char16_t* p, __m256i wanted,
                                                                  __m256i zero) {
  __m256i units = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  return _mm256_or_si256(_mm256_cmpeq_epi16(units, wanted), _mm256_cmpeq_epi16(units, zero));
}

// The units of the sixteen at p, each made zero where it is c (and kept zero where it is NUL):
// their unsigned minimum with the same units XOR c.
__attribute__((target("avx2"))) inline __m256i WideZeroWhereUnitOrNul(const char16_t* p,
                                                                      __m256i wanted) {
  __m256i units = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  return _mm256_min_epu16(units, _mm256_xor_si256(units, wanted));
}

// As ScanBlocks, sixteen units a compare, on processors that have AVX2: skips whole runs of 64
// units holding neither c nor NUL, then finds the unit sixteen at a time; what is left (fewer
// than sixteen units) is for the narrower scans.
__attribute__((target("avx2"))) const char16_t* ScanWideBlocks(const char16_t* p,
                                                               const char16_t* end, char16_t c) {
  const __m256i wanted = _mm256_set1_epi16(static_cast<short>(c));
  const __m256i zero = _mm256_setzero_si256();
  while (end - p >= 64) {
    // A lane of the minimum is zero where some unit is c or NUL.
    __m256i first =
        _mm256_min_epu16(WideZeroWhereUnitOrNul(p, wanted), WideZeroWhereUnitOrNul(p + 16, wanted));
    __m256i second = _mm256_min_epu16(WideZeroWhereUnitOrNul(p + 32, wanted),
                                      WideZeroWhereUnitOrNul(p + 48, wanted));
    __m256i zeros = _mm256_cmpeq_epi16(_mm256_min_epu16(first, second), zero);
    if (!_mm256_testz_si256(zeros, zeros)) break;
    p += 64;
  }
  while (end - p >= 16) {
    if (int mask = _mm256_movemask_epi8(WideUnitOrNulLanes(p, wanted, zero)))
      return p + __builtin_ctz(static_cast<unsigned>(mask)) / 2;
    p += 16;
  }
  return p;
}

#endif

#if defined(INI_SCAN_AVX2)

// The bits of the 32 units at p that are c or NUL.
__attribute__((target("avx512bw"))) inline __mmask32 UnitOrNulBits(const char16_t* p,
                                                                   __m512i wanted) {
  __m512i units = _mm512_loadu_si512(p);
  return _mm512_cmpeq_epi16_mask(units, wanted) |
         _mm512_cmpeq_epi16_mask(units, _mm512_setzero_si512());
}

// As ScanWideBlocks, 32 units a compare, on processors that have AVX-512BW: skips whole runs of
// 128 units holding neither c nor NUL, then finds the unit 32 at a time; what is left (fewer than
// 32 units) is for the narrower scans.
__attribute__((target("avx512bw"))) const char16_t* ScanWidestBlocks(const char16_t* p,
                                                                     const char16_t* end,
                                                                     char16_t c) {
  const __m512i wanted = _mm512_set1_epi16(static_cast<short>(c));
  while (end - p >= 128) {
    if ((UnitOrNulBits(p, wanted) | UnitOrNulBits(p + 32, wanted) | UnitOrNulBits(p + 64, wanted) |
         UnitOrNulBits(p + 96, wanted)) != 0)
      break;
    p += 128;
  }
  while (end - p >= 32) {
    if (__mmask32 bits = UnitOrNulBits(p, wanted)) return p + __builtin_ctz(bits);
    p += 32;
  }
  return p;
}

#endif

}  // namespace

bool CanScanAt(ScanWidth width) {
  switch (width) {
    case ScanWidth::kWord:
      return true;
    case ScanWidth::kSse2:
#if defined(__SSE2__)
      return true;
#else
      return false;
#endif
    case ScanWidth::kAvx2: {
#if defined(INI_SCAN_AVX2)
      static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
      }();
      return has;
#else
      return false;
#endif
    }
    case ScanWidth::kAvx512: {
#if defined(INI_SCAN_AVX2)
      static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx512bw") != 0;
      }();
      return has;
#else
      return false;
#endif
    }
  }
  return false;
}

const char16_t* ScanToUnitOrNulAt(ScanWidth width, const char16_t* begin, const char16_t* end,
                                  char16_t c) {
  // Each scan stops at the unit sought or where fewer units are left than it compares at once;
  // the narrower ones after it go on from there.
  auto found = [&](const char16_t* at) { return at < end && (*at == c || *at == 0); };
  const char16_t* p = begin;
#if defined(INI_SCAN_AVX2)
  if (width == ScanWidth::kAvx512) p = ScanWidestBlocks(p, end, c);
  if (found(p)) return p;
  if (width == ScanWidth::kAvx2 || width == ScanWidth::kAvx512) p = ScanWideBlocks(p, end, c);
  if (found(p)) return p;
#endif
#if defined(__SSE2__)
  if (width != ScanWidth::kWord) p = ScanBlocks(p, end, c);
#endif
  p = ScanWords(p, end, c);
  for (; p < end; ++p)
    if (*p == c || *p == 0) return p;
  return end;
}

const char16_t* ScanToUnitOrNul(const char16_t* begin, const char16_t* end, char16_t c) {
  static const ScanWidth widest = CanScanAt(ScanWidth::kAvx512) ? ScanWidth::kAvx512
                                  : CanScanAt(ScanWidth::kAvx2) ? ScanWidth::kAvx2
                                  : CanScanAt(ScanWidth::kSse2) ? ScanWidth::kSse2
                                                                : ScanWidth::kWord;
  return ScanToUnitOrNulAt(widest, begin, end, c);
}

}  // namespace ini
