// The INI text model: positions of headers, spans, keys and values in a file's text.
//
// The text is UTF-16: sections are header lines "[name]", keys are lines "  key=value", lines
// are separated by CR LF (a lone LF also ends a header or a value when reading). Names are
// compared exactly, case included; there are no comments and no escapes.
//
// A text ends at its first NUL or at the end of its view, whichever comes first: every search
// below stops there, so a file's characters can be searched as they were read, in one pass, and
// nothing after a NUL is ever found. Names and needles hold no NUL.
#pragma once

#include <string_view>
#include <vector>

namespace ini {

constexpr size_t kNone = std::u16string_view::npos;

// Position of the first c at or after from, or kNone when the text ends first (c NUL: the
// position of the first NUL at or after from).
size_t FindUnit(std::u16string_view text, char16_t c, size_t from);

// Position of the first c or NUL at or after from; text.size() when there is neither.
size_t FindUnitOrEnd(std::u16string_view text, char16_t c, size_t from);

// The length of the text: the position of its first NUL, or the view's size.
inline size_t TextLength(std::u16string_view text) {
  return FindUnitOrEnd(text, 0, 0);
}

// Position of the first occurrence of needle at or after from, or kNone.
size_t FindText(std::u16string_view text, std::u16string_view needle, size_t from);

// What may follow a header's "]": readers accept a LF or CR LF (or the end of the text); the
// section-existence test accepts a CR whatever follows it (or the end of the text).
enum class HeaderRule { kReader, kExistence };

// The positions of the "[" that begin a line of a text, in order: where headers and span ends
// may stand.
using LineBrackets = std::vector<size_t>;

// Adds the line brackets of the text's positions [from, to) to brackets (those before from are
// in already); the position of the first NUL among them (where the text ends), or to.
size_t AddLineBrackets(std::u16string_view text, size_t from, size_t to, LineBrackets* brackets);

// Position of the "[" of the first well-formed header of the section, or kNone; brackets are
// the text's line brackets.
size_t FindHeader(std::u16string_view text, const LineBrackets& brackets,
                  std::u16string_view section, HeaderRule rule);

// Position of the first "[" that begins a line at or after from, or kNone (the span of the
// section whose header ends just before from runs to the end of the text).
size_t FindSpanEnd(const LineBrackets& brackets, size_t from);

// Position of the key's name on its key line within [from, span_end), or kNone. The hit must be
// followed by "=" and begin its line's text after the line's leading spaces.
size_t FindKey(std::u16string_view text, std::u16string_view key, size_t from, size_t span_end);

// The value of the key found at key_hit: from after "=" to the line's end (a LF, or the CR right
// before it) or the end of the text (a NUL or the view's end).
std::u16string_view ValueAt(std::u16string_view text, size_t key_hit, size_t key_length);

// Position of the first character of the line holding pos.
size_t LineStart(std::u16string_view text, size_t pos);

// The body of a section whose header "[" is at header: the position after its "]".
inline size_t BodyStart(size_t header, std::u16string_view section) {
  return header + section.size() + 2;
}

}  // namespace ini
