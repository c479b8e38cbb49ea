// WideCharToMultiByte: UTF-16 to the handset's code pages. The code pages of its locales (936
// among them) go through their tables (text/code_page_table.h), with ICU's canonical composition
// for WC_COMPOSITECHECK; UTF-8 is converted here.
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>

#include <cstring>
#include <string>

#include "ce/errors.h"
#include "ce/locale.h"
#include "ce/text.h"
#include "cehost/text.h"
#include "text/code_page_table.h"

namespace {

// CP_ACP and CP_OEMCP stand for the handset's own code pages, which follow its system locale.
UINT Resolve(UINT code_page) {
  if (code_page == CP_ACP) return GetACP();
  if (code_page == CP_OEMCP) return cehost::OemCodePage();
  return code_page;
}

// The flags a code page accepts: UTF-8 none, the others the composition and default-character
// ones.
bool FlagsAllowed(UINT code_page, DWORD flags) {
  if (code_page == CP_UTF8) return flags == 0;
  return (flags & ~DWORD{WC_DISCARDNS | WC_SEPCHARS | WC_DEFAULTCHAR | WC_COMPOSITECHECK}) == 0;
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

// The bytes of the whole text in the code page. The table is looked up one UTF-16 unit at a time,
// as the platform's tables are tables of units: a unit the table has no entry for (a surrogate,
// paired or lone, or a private-use character past code page 936's user-defined areas) becomes
// the default character, one for each unit.
// With WC_COMPOSITECHECK a base character and the nonspacing mark after it become their
// precomposed character first (one mark per base, as the flag's description has it). When the
// code page has no precomposed character for the pair, WC_DISCARDNS drops the mark,
// WC_DEFAULTCHAR makes the pair one default character, and otherwise (WC_SEPCHARS) both are
// converted on their own.
std::string Encode(UINT code_page, std::u16string_view text, DWORD flags,
                   const std::string& default_char, bool* used_default) {
  std::string out;
  auto put = [&](char16_t unit) {
    if (!cehost::EncodeUnit(code_page, unit, &out)) {
      out += default_char;
      *used_default = true;
    }
  };
  for (size_t i = 0; i < text.size(); ++i) {
    if ((flags & WC_COMPOSITECHECK) && i + 1 < text.size() &&
        u_charType(text[i + 1]) == U_NON_SPACING_MARK) {
      const char16_t composed = ComposePair(text[i], text[i + 1]);
      if (composed && cehost::EncodeUnit(code_page, composed, &out)) {
        ++i;
        continue;
      }
      if (flags & WC_DISCARDNS) {
        put(text[i]);
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
    put(text[i]);
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
  if (code_page != CP_UTF8 && !cehost::HasCodePage(code_page)) {
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
    bytes = Encode(code_page, text, dwFlags, default_char, &used_default);
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
