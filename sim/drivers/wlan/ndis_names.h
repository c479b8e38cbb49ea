// Adapter names as the network stack's control devices take them from their callers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ce/types.h"

namespace sim {

// The longest adapter name the stack takes, in characters without the terminator.
inline constexpr size_t kMaxAdapterName = 255;

// The adapter name a caller's pointer gives, read up to its terminator and no further than
// kMaxAdapterName characters; nothing for a null pointer, an empty name or one that does not end
// within that length.
std::optional<std::u16string> ReadAdapterName(LPCWSTR name);

// The names of a list (each ending in a terminator, the list ending in one more) that ends within
// size bytes; nothing when the list does not end within them or names no adapter.
std::optional<std::vector<std::u16string>> ParseAdapterList(const uint8_t* bytes, DWORD size);

// True when the two adapter names are the same, case ignored as NDIS compares them.
bool SameAdapter(std::u16string_view a, std::u16string_view b);

}  // namespace sim
