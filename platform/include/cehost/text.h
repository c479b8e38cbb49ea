// Conversions between the platform's UTF-16 text and the host's UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace cehost {

// UTF-8 of UTF-16 text; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

// UTF-8 of NUL-terminated UTF-16 text; null gives "".
std::string ToUtf8(const char16_t* text);

// UTF-16 of UTF-8 text; a malformed sequence becomes U+FFFD.
std::u16string ToUtf16(std::string_view text);

// The text up to its terminating zero, or its first limit units when it has none before; empty
// for null.
std::u16string_view BoundedText(const char16_t* text, size_t limit);

// The character with case folded as the platform compares names (upper case).
char16_t FoldCase(char16_t c);

// The text with every character folded.
std::u16string FoldCase(std::u16string_view text);

// True when the two texts are equal without regard to case.
bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b);

}  // namespace cehost
