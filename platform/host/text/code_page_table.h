// The code pages of the handset's image and the converters that stand in for their tables.
#pragma once

#include <string>
#include <string_view>

#include "ce/types.h"

namespace cehost {

// True for a code page the handset's image holds: the ANSI and OEM code pages of its locales
// (936, 950, 1252, 437, 850).
bool HasCodePage(UINT code_page);

// The handset's OEM code page: the system locale's (437 when it has none).
UINT OemCodePage();

// The bytes of one UTF-16 unit in the code page, appended to *out; false when the code page's
// table has no entry for the unit. The table is a table of units: a surrogate, paired or not,
// has no entry.
bool EncodeUnit(UINT code_page, char16_t unit, std::string* out);

// UTF-16 of 8-bit text in the code page. A byte of a single-byte code page that its table leaves
// undefined stands for the unit of the same value, as the platform's tables have it; a byte
// that starts no character of a double-byte code page becomes '?'.
std::u16string DecodeBytes(UINT code_page, std::string_view bytes);

}  // namespace cehost
