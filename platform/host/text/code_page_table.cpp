// The handset's code pages through glibc's iconv, one converter per code page and direction,
// kept per thread (an iconv converter is not thread-safe). Where the platform's table and
// glibc's differ for a character the platform documents, the platform's mapping is made here.
#include "text/code_page_table.h"

#include <iconv.h>

#include <cstring>
#include <map>
#include <optional>
#include <utility>

#include "ce/locale.h"
#include "ce/registry.h"
#include "locale/locale_settings.h"

namespace cehost {

namespace {

constexpr UINT kGbk = 936;
constexpr UINT kWestern = 1252;
constexpr UINT kFallbackOem = 437;

// The bytes of code page 1252 that its table leaves undefined: they map to and from the unit of
// the same value.
bool IsWesternHole(unsigned value) {
  return value == 0x81 || value == 0x8D || value == 0x8F || value == 0x90 || value == 0x9D;
}

// Code page 936's user-defined areas hold the private-use characters U+E000 to U+E765, in
// three blocks: AAA1-AFFE, then F8A1-FEFE (trail bytes A1-FE), then A140-A7A0 (trail bytes
// 40-A0 without 7F). glibc's table leaves them out.
std::optional<std::pair<unsigned char, unsigned char>> GbkUserDefined(char16_t unit) {
  if (unit < 0xE000 || unit > 0xE765) return std::nullopt;
  unsigned index = unit - 0xE000u;
  if (index < 6 * 94) {
    return std::pair<unsigned char, unsigned char>(0xAA + index / 94, 0xA1 + index % 94);
  }
  index -= 6 * 94;
  if (index < 7 * 94) {
    return std::pair<unsigned char, unsigned char>(0xF8 + index / 94, 0xA1 + index % 94);
  }
  index -= 7 * 94;
  unsigned trail = 0x40 + index % 96;
  if (trail >= 0x7F) ++trail;
  return std::pair<unsigned char, unsigned char>(0xA1 + index / 96, trail);
}

// The unit of a user-defined pair of code page 936, or 0 when the pair is not one.
char16_t GbkUserDefinedUnit(unsigned char lead, unsigned char trail) {
  if (lead >= 0xAA && lead <= 0xAF && trail >= 0xA1 && trail <= 0xFE)
    return static_cast<char16_t>(0xE000 + (lead - 0xAA) * 94 + (trail - 0xA1));
  if (lead >= 0xF8 && lead <= 0xFE && trail >= 0xA1 && trail <= 0xFE)
    return static_cast<char16_t>(0xE234 + (lead - 0xF8) * 94 + (trail - 0xA1));
  if (lead >= 0xA1 && lead <= 0xA7 && trail >= 0x40 && trail <= 0xA0 && trail != 0x7F)
    return static_cast<char16_t>(0xE4C6 + (lead - 0xA1) * 96 + (trail - 0x40) -
                                 (trail > 0x7F ? 1 : 0));
  return 0;
}

bool IsDoubleByte(UINT code_page) {
  return code_page == kGbk || code_page == 950;
}

// This thread's converter between UTF-16LE and the code page; (iconv_t)-1 when glibc lacks it.
iconv_t Converter(UINT code_page, bool to_code_page) {
  struct Converters {
    std::map<std::pair<UINT, bool>, iconv_t> open;
    ~Converters() {
      for (auto& entry : open) {
        if (entry.second != reinterpret_cast<iconv_t>(-1)) iconv_close(entry.second);
      }
    }
  };
  thread_local Converters converters;
  const std::pair<UINT, bool> key(code_page, to_code_page);
  auto [it, added] = converters.open.try_emplace(key);
  if (added) {
    const std::string name = "CP" + std::to_string(code_page);
    it->second =
        to_code_page ? iconv_open(name.c_str(), "UTF-16LE") : iconv_open("UTF-16LE", name.c_str());
  }
  if (it->second != reinterpret_cast<iconv_t>(-1))
    iconv(it->second, nullptr, nullptr, nullptr, nullptr);
  return it->second;
}

}  // namespace

bool HasCodePage(UINT code_page) {
  return code_page == kGbk || code_page == 950 || code_page == kWestern || code_page == 437 ||
         code_page == 850;
}

UINT OemCodePage() {
  if (auto stored = ReadLocaleValue(HKEY_LOCAL_MACHINE, u"nls", u"DefaultOCP")) return *stored;
  auto locale = FindInstalledLocale(GetSystemDefaultLCID());
  return locale ? locale->oem_code_page : kFallbackOem;
}

bool EncodeUnit(UINT code_page, char16_t unit, std::string* out) {
  if (unit < 0x80) {
    out->push_back(static_cast<char>(unit));
    return true;
  }
  if (unit >= 0xD800 && unit <= 0xDFFF) return false;
  if (code_page == kGbk) {
    if (auto pair = GbkUserDefined(unit)) {
      out->push_back(static_cast<char>(pair->first));
      out->push_back(static_cast<char>(pair->second));
      return true;
    }
  }
  if (code_page == kWestern && IsWesternHole(unit)) {
    out->push_back(static_cast<char>(unit));
    return true;
  }
  iconv_t converter = Converter(code_page, true);
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  char input[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  char output[8];
  char* in = input;
  size_t in_left = sizeof input;
  char* outp = output;
  size_t out_left = sizeof output;
  if (iconv(converter, &in, &in_left, &outp, &out_left) == static_cast<size_t>(-1)) return false;
  out->append(output, static_cast<size_t>(outp - output));
  return true;
}

std::u16string DecodeBytes(UINT code_page, std::string_view bytes) {
  std::u16string text;
  iconv_t converter = Converter(code_page, false);
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t i = 0;
  while (i < bytes.size()) {
    if (p[i] < 0x80) {
      text.push_back(p[i++]);
      continue;
    }
    if (code_page == kGbk && i + 1 < bytes.size()) {
      if (char16_t unit = GbkUserDefinedUnit(p[i], p[i + 1])) {
        text.push_back(unit);
        i += 2;
        continue;
      }
    }
    if (code_page == kWestern && IsWesternHole(p[i])) {
      text.push_back(p[i++]);
      continue;
    }
    // One character: one byte, or two of a double-byte code page.
    size_t length = IsDoubleByte(code_page) && i + 1 < bytes.size() ? 2 : 1;
    bool converted = false;
    if (converter != reinterpret_cast<iconv_t>(-1)) {
      for (size_t take = 1; take <= length && !converted; ++take) {
        char input[2];
        std::memcpy(input, p + i, take);
        char output[8];
        char* in = input;
        size_t in_left = take;
        char* outp = output;
        size_t out_left = sizeof output;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        if (iconv(converter, &in, &in_left, &outp, &out_left) != static_cast<size_t>(-1) &&
            outp > output) {
          for (char* u = output; u + 1 < outp; u += 2)
            text.push_back(static_cast<char16_t>(static_cast<unsigned char>(u[0]) |
                                                 (static_cast<unsigned char>(u[1]) << 8)));
          i += take;
          converted = true;
        }
      }
    }
    if (!converted) {
      text.push_back(u'?');
      ++i;
    }
  }
  return text;
}

}  // namespace cehost
