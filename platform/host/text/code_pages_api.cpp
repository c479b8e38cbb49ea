// WideCharToMultiByte: UTF-16 to the handset's code pages. Code page 936 (Simplified Chinese,
// GBK) goes through glibc's iconv, with ICU's canonical composition for WC_COMPOSITECHECK;
// UTF-8 is converted here.
#include <iconv.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>

#include <cstring>
#include <string>

#include "ce/errors.h"
#include "ce/text.h"
#include "cehost/text.h"

namespace {

constexpr UINT kGbk = 936;

// The handset's ANSI and OEM code page: it is a Simplified Chinese handset.
UINT Resolve(UINT code_page) {
  return code_page == CP_ACP || code_page == CP_OEMCP ? kGbk : code_page;
}

// The flags a code page accepts: UTF-8 none, 936 the composition and default-character ones.
bool FlagsAllowed(UINT code_page, DWORD flags) {
  if (code_page == CP_UTF8) return flags == 0;
  return (flags & ~DWORD{WC_DISCARDNS | WC_SEPCHARS | WC_DEFAULTCHAR | WC_COMPOSITECHECK}) == 0;
}

// Converts one character (one code unit, or a surrogate pair) to GBK through iconv; false when
// GBK has no such character. iconv's handle is kept per thread: it is not thread-safe.
bool ToGbk(const char16_t* unit, size_t units, std::string* out) {
  // Each thread has its own converter, closed when the thread ends.
  struct Converter {
    iconv_t handle = iconv_open("CP936", "UTF-16LE");
    ~Converter() {
      if (handle != reinterpret_cast<iconv_t>(-1)) iconv_close(handle);
    }
  };
  thread_local Converter thread_converter;
  iconv_t converter = thread_converter.handle;
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  char input[4];
  std::memcpy(input, unit, units * 2);
  char output[8];
  char* in = input;
  size_t in_left = units * 2;
  char* outp = output;
  size_t out_left = sizeof output;
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  if (iconv(converter, &in, &in_left, &outp, &out_left) == static_cast<size_t>(-1)) return false;
  out->append(output, static_cast<size_t>(outp - output));
  return true;
}

// The precomposed character of a base and a nonspacing mark that follows it, as Unicode's
// canonical composition defines it; 0 when there is none.
char16_t ComposePair(char16_t base, char16_t mark) {
  if (u_charType(mark) != U_NON_SPACING_MARK) return 0;
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  if (U_FAILURE(status)) return 0;
  UChar32 composed = nfc->composePair(base, mark);
  return composed > 0 && composed < 0x10000 ? static_cast<char16_t>(composed) : 0;
}

// The bytes of the whole text in GBK; characters GBK lacks become the default character.
// With WC_COMPOSITECHECK a base character and the nonspacing mark after it become their
// precomposed character first (one mark per base, as the flag's description has it). When GBK
// has no precomposed character for the pair, WC_DISCARDNS drops the mark, WC_DEFAULTCHAR makes
// the pair one default character, and otherwise (WC_SEPCHARS) both are converted on their own.
std::string Gbk(std::u16string_view text, DWORD flags, const std::string& default_char,
                bool* used_default) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((flags & WC_COMPOSITECHECK) && i + 1 < text.size() &&
        u_charType(text[i + 1]) == U_NON_SPACING_MARK) {
      const char16_t composed = ComposePair(text[i], text[i + 1]);
      if (composed && ToGbk(&composed, 1, &out)) {
        ++i;
        continue;
      }
      if (flags & WC_DISCARDNS) {
        if (text[i] < 0x80) {
          out.push_back(static_cast<char>(text[i]));
        } else if (!ToGbk(&text[i], 1, &out)) {
          out += default_char;
          *used_default = true;
        }
        ++i;
        continue;
      }
      if (flags & WC_DEFAULTCHAR) {
        out += default_char;
        *used_default = true;
        ++i;
        continue;
      }
    }
    size_t units = 1;
    if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      units = 2;
    }
    if (text[i] < 0x80) {
      out.push_back(static_cast<char>(text[i]));
    } else if (!ToGbk(&text[i], units, &out)) {
      out += default_char;
      *used_default = true;
    }
    i += units - 1;
  }
  return out;
}

}  // namespace

extern "C" int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr,
                                   int cchWideChar, LPSTR lpMultiByteStr, int cbMultiByte,
                                   LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar) {
  UINT code_page = Resolve(CodePage);
  if (!lpWideCharStr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
      (cbMultiByte > 0 && !lpMultiByteStr) ||
      (lpMultiByteStr &&
       static_cast<const void*>(lpMultiByteStr) == static_cast<const void*>(lpWideCharStr))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (code_page != kGbk && code_page != CP_UTF8) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (!FlagsAllowed(code_page, dwFlags)) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  // UTF-8 holds every character: it takes no default character.
  if (code_page == CP_UTF8 && (lpDefaultChar || lpUsedDefaultChar)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t length = cchWideChar == -1 ? wcslen(lpWideCharStr) + 1 : static_cast<size_t>(cchWideChar);
  std::u16string_view text(lpWideCharStr, length);

  std::string bytes;
  bool used_default = false;
  if (code_page == CP_UTF8) {
    bytes = cehost::ToUtf8(text);
  } else {
    std::string default_char = "?";
    if (lpDefaultChar && *lpDefaultChar)
      default_char.assign(lpDefaultChar, strnlen(lpDefaultChar, 2));
    bytes = Gbk(text, dwFlags, default_char, &used_default);
  }
  if (lpUsedDefaultChar) *lpUsedDefaultChar = used_default ? TRUE : FALSE;
  if (cbMultiByte == 0) return static_cast<int>(bytes.size());
  if (bytes.size() > static_cast<size_t>(cbMultiByte)) {
    // What fits is written, but the call fails: the caller cannot use a cut text.
    std::memcpy(lpMultiByteStr, bytes.data(), static_cast<size_t>(cbMultiByte));
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(lpMultiByteStr, bytes.data(), bytes.size());
  return static_cast<int>(bytes.size());
}
