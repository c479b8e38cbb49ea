// UTF-16 text on the host: conversions to and from UTF-8, case folding, and the run-time
// library's wide-string routines over 16-bit characters.
#include <locale.h>
#include <wctype.h>

#include <array>
#include <cstdint>
#include <memory>

#include "ce/text.h"
#include "cehost/text.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char32_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

using CaseTable = std::array<char16_t, 0x10000>;

// Upper (or lower) case of every UTF-16 code unit, built from the C.UTF-8 locale's tables so that
// the result never depends on the process locale. A mapping that would leave the BMP (there is
// none in practice) keeps the character; surrogates map to themselves. Without C.UTF-8 only
// ASCII letters change.
std::unique_ptr<CaseTable> MakeCaseTable(bool upper) {
  auto t = std::make_unique<CaseTable>();
  locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  for (uint32_t c = 0; c < 0x10000; ++c) {
    char16_t mapped = static_cast<char16_t>(c);
    if (c < 0x80) {
      if (upper && c >= u'a' && c <= u'z') mapped = static_cast<char16_t>(c - (u'a' - u'A'));
      if (!upper && c >= u'A' && c <= u'Z') mapped = static_cast<char16_t>(c + (u'a' - u'A'));
    } else if (utf8 && !IsHighSurrogate(c) && !IsLowSurrogate(c)) {
      wint_t u = upper ? towupper_l(static_cast<wint_t>(c), utf8)
                       : towlower_l(static_cast<wint_t>(c), utf8);
      if (u < 0x10000) mapped = static_cast<char16_t>(u);
    }
    (*t)[c] = mapped;
  }
  if (utf8) freelocale(utf8);
  return t;
}

const CaseTable& UpperTable() {
  static const auto table = MakeCaseTable(true);
  return *table;
}

const CaseTable& LowerTable() {
  static const auto table = MakeCaseTable(false);
  return *table;
}

// The unit in lower case, as the run-time library's case-insensitive comparisons take it.
int Lower(WCHAR c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c;
  return LowerTable()[c];
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

bool IsContinuation(unsigned char b) {
  return (b & 0xC0) == 0x80;
}

}  // namespace

namespace cehost {

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    char32_t c = text[i];
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    if (IsHighSurrogate(c) && i + 1 < n && IsLowSurrogate(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::string ToUtf8(const char16_t* text) {
  return text ? ToUtf8(std::u16string_view(text)) : "";
}

// Decodes strictly: overlong forms, encoded surrogates and values past U+10FFFF are malformed.
// Each maximal ill-formed prefix becomes one U+FFFD, and decoding resumes at the byte that
// broke it.
std::u16string ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    unsigned char b = p[i];
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    size_t length = 0;
    char32_t c = 0;
    // Allowed range of the second byte, which rules out overlong forms, surrogates and values
    // past U+10FFFF.
    unsigned char low = 0x80, high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
      length = 2;
      c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3;
      c = b & 0x0F;
      if (b == 0xE0) low = 0xA0;
      if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      length = 4;
      c = b & 0x07;
      if (b == 0xF0) low = 0x90;
      if (b == 0xF4) high = 0x8F;
    } else {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    size_t used = 1;
    bool ok = true;
    for (; used < length; ++used) {
      if (i + used >= n) {
        ok = false;
        break;
      }
      unsigned char next = p[i + used];
      bool fits = used == 1 ? (next >= low && next <= high) : IsContinuation(next);
      if (!fits) {
        ok = false;
        break;
      }
      c = (c << 6) | (next & 0x3F);
    }
    i += used;
    if (!ok) {
      out.push_back(kReplacement);
    } else if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

char16_t FoldCase(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - (u'a' - u'A')) : c;
  return UpperTable()[c];
}

std::u16string FoldCase(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = FoldCase(c);
  return out;
}

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

std::u16string_view BoundedText(const char16_t* text, size_t limit) {
  if (!text) return {};
  size_t length = 0;
  while (length < limit && text[length]) ++length;
  return std::u16string_view(text, length);
}

}  // namespace cehost

size_t wcslen(const WCHAR* s) {
  const WCHAR* p = s;
  while (*p) ++p;
  return static_cast<size_t>(p - s);
}

int wcscmp(const WCHAR* a, const WCHAR* b) {
  while (*a && *a == *b) ++a, ++b;
  return static_cast<int>(*a) - static_cast<int>(*b);
}

int wcsncmp(const WCHAR* a, const WCHAR* b, size_t n) {
  for (; n > 0; --n, ++a, ++b) {
    if (*a != *b) return static_cast<int>(*a) - static_cast<int>(*b);
    if (!*a) break;
  }
  return 0;
}

// As the run-time library documents it: both strings in lower case, then compared unit by unit
// as unsigned values. So "_" (0x5F) sorts before every letter, which comparing in upper case
// would put after "A" to "Z".
int _wcsicmp(const WCHAR* a, const WCHAR* b) {
  for (;; ++a, ++b) {
    int fa = Lower(*a);
    int fb = Lower(*b);
    if (fa != fb) return fa - fb;
    if (!*a) return 0;
  }
}

int _wcsnicmp(const WCHAR* a, const WCHAR* b, size_t n) {
  for (; n > 0; --n, ++a, ++b) {
    int fa = Lower(*a);
    int fb = Lower(*b);
    if (fa != fb) return fa - fb;
    if (!*a) break;
  }
  return 0;
}

WCHAR* wcscpy(WCHAR* dst, const WCHAR* src) {
  WCHAR* d = dst;
  while ((*d++ = *src++) != 0) {
  }
  return dst;
}

WCHAR* wcsncpy(WCHAR* dst, const WCHAR* src, size_t n) {
  size_t i = 0;
  for (; i < n && src[i]; ++i) dst[i] = src[i];
  for (; i < n; ++i) dst[i] = 0;
  return dst;
}

WCHAR* wcscat(WCHAR* dst, const WCHAR* src) {
  wcscpy(dst + wcslen(dst), src);
  return dst;
}

const WCHAR* wcschr(const WCHAR* s, WCHAR c) {
  for (;; ++s) {
    if (*s == c) return s;
    if (!*s) return nullptr;
  }
}

WCHAR* wcschr(WCHAR* s, WCHAR c) {
  return const_cast<WCHAR*>(wcschr(static_cast<const WCHAR*>(s), c));
}

const WCHAR* wcsrchr(const WCHAR* s, WCHAR c) {
  const WCHAR* found = nullptr;
  for (;; ++s) {
    if (*s == c) found = s;
    if (!*s) return found;
  }
}

WCHAR* wcsrchr(WCHAR* s, WCHAR c) {
  return const_cast<WCHAR*>(wcsrchr(static_cast<const WCHAR*>(s), c));
}

const WCHAR* wcsstr(const WCHAR* s, const WCHAR* needle) {
  if (!*needle) return s;
  for (; *s; ++s) {
    if (*s != *needle) continue;
    size_t i = 1;
    while (needle[i] && s[i] == needle[i]) ++i;
    if (!needle[i]) return s;
  }
  return nullptr;
}

WCHAR* wcsstr(WCHAR* s, const WCHAR* needle) {
  return const_cast<WCHAR*>(wcsstr(static_cast<const WCHAR*>(s), needle));
}
