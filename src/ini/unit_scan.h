// Finding one UTF-16 unit in a text that ends at its first NUL.
#pragma once

namespace ini {

// The first unit of [begin, end) that is c or NUL; end when there is none.
const char16_t* ScanToUnitOrNul(const char16_t* begin, const char16_t* end, char16_t c);

}  // namespace ini
