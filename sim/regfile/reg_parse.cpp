#include "sim/regfile/reg_parse.h"

#include <optional>
#include <string_view>

#include "cehost/text.h"
#include "sim/regfile/reg_decode.h"
#include "sim/regfile/reg_file.h"
#include "sim/regfile/reg_keys.h"

namespace sim {

namespace {

using View = std::u16string_view;

[[noreturn]] void Fail(size_t line, const std::string& what) {
  throw RegFileError("line " + std::to_string(line) + ": " + what);
}

// A short printable excerpt of text for a message.
std::string Quote(View text) {
  if (text.size() > 40) return "\"" + cehost::ToUtf8(text.substr(0, 40)) + "...\"";
  return "\"" + cehost::ToUtf8(text) + "\"";
}

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

View TrimLeft(View text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

View TrimRight(View text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// True when nothing but blanks, or a comment, is left.
bool OnlyComment(View rest) {
  rest = TrimLeft(rest);
  return rest.empty() || rest.front() == u';';
}

// The text before a comment, without blanks around it.
View BeforeComment(View text) {
  return TrimRight(TrimLeft(text.substr(0, text.find(u';'))));
}

bool StartsWithIgnoreCase(View text, View prefix) {
  return text.size() >= prefix.size() &&
         cehost::EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// The number of 1 to max_digits hexadecimal digits, or nothing.
std::optional<uint32_t> HexNumber(View digits, size_t max_digits) {
  if (digits.empty() || digits.size() > max_digits) return std::nullopt;
  uint32_t value = 0;
  for (char16_t c : digits) {
    int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    value = value << 4 | static_cast<uint32_t>(digit);
  }
  return value;
}

std::vector<uint8_t> Utf16Bytes(View text) {
  std::vector<uint8_t> bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  return bytes;
}

class Parser {
 public:
  explicit Parser(const std::u16string& text) {
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find(u'\n', start);
      if (end == text.npos) end = text.size();
      View line(text.data() + start, end - start);
      if (line.ends_with(u'\r')) line.remove_suffix(1);
      lines_.push_back(line);
      start = end + 1;
    }
  }

  std::vector<RegOperation> Run() {
    View header = TrimRight(TrimLeft(lines_[0]));
    if (header == u"Windows Registry Editor Version 5.00")
      wide_strings_ = true;
    else if (header != u"REGEDIT4")
      Fail(1, "expected \"Windows Registry Editor Version 5.00\" or \"REGEDIT4\", found " +
                  Quote(header));
    for (line_ = 1; line_ < lines_.size(); ++line_) {
      View line = TrimLeft(lines_[line_]);
      if (OnlyComment(line)) continue;
      if (line.front() == u'[')
        KeyLine(line);
      else if (line.front() == u'"' || line.front() == u'@')
        ValueLine(line);
      else
        Fail(Number(), "expected a key in brackets or a value, found " + Quote(line));
    }
    return std::move(operations_);
  }

 private:
  size_t Number() const { return line_ + 1; }

  void KeyLine(View line) {
    size_t close = line.rfind(u']');
    if (close == View::npos || !OnlyComment(line.substr(close + 1)))
      Fail(Number(), "a key name must end with ']'");
    View name = line.substr(1, close - 1);
    RegOperation op;
    op.kind = RegOperation::Kind::kCreateKey;
    if (name.starts_with(u'-')) {
      op.kind = RegOperation::Kind::kDeleteKey;
      name.remove_prefix(1);
    }
    auto split = SplitKeyName(name);
    if (!split) Fail(Number(), "not a registry key: " + Quote(name));
    size_t depth = split->path.empty() ? 0 : 1;
    for (char16_t c : split->path) depth += c == u'\\';
    if (depth > REG_MAX_DEPTH)
      Fail(Number(), "key nested deeper than " + std::to_string(REG_MAX_DEPTH) + " levels");
    if (op.kind == RegOperation::Kind::kDeleteKey && split->path.empty())
      Fail(Number(), "a root key cannot be deleted");
    op.line = Number();
    op.root = split->root;
    op.path = split->path;
    op.full_name = split->root_name + (op.path.empty() ? u"" : u"\\" + op.path);
    key_deleted_ = op.kind == RegOperation::Kind::kDeleteKey;
    key_ = op;
    operations_.push_back(std::move(op));
  }

  // A quoted text with its escapes \\ and \" read; rest moves past the closing quote.
  std::u16string Quoted(View* rest, const char* what) {
    std::u16string out;
    for (size_t i = 1; i < rest->size(); ++i) {
      char16_t c = (*rest)[i];
      if (c == u'"') {
        rest->remove_prefix(i + 1);
        return out;
      }
      if (c == u'\\') {
        if (i + 1 == rest->size() || ((*rest)[i + 1] != u'\\' && (*rest)[i + 1] != u'"'))
          Fail(Number(),
               std::string("unknown escape in the ") + what + ": only \\\\ and \\\" are known");
        c = (*rest)[++i];
      }
      out += c;
    }
    Fail(Number(), std::string("the ") + what + " lacks its closing quote");
  }

  void ValueLine(View line) {
    RegOperation op;
    op.line = Number();
    if (line.front() == u'@') {
      line.remove_prefix(1);
    } else {
      op.name = Quoted(&line, "value name");
      if (op.name.size() > REG_MAX_NAME)
        Fail(Number(), "value name longer than " + std::to_string(REG_MAX_NAME) + " characters");
    }
    line = TrimLeft(line);
    if (!line.starts_with(u'=')) Fail(Number(), "expected '=' after the value name");
    line = TrimLeft(line.substr(1));
    op.kind = RegOperation::Kind::kSetValue;
    if (line.starts_with(u'"')) {
      op.type = REG_SZ;
      op.data = Utf16Bytes(Quoted(&line, "string"));
      op.data.insert(op.data.end(), {0, 0});
      if (!OnlyComment(line)) Fail(Number(), "unexpected text after the string: " + Quote(line));
    } else if (BeforeComment(line) == u"-") {
      op.kind = RegOperation::Kind::kDeleteValue;
    } else if (StartsWithIgnoreCase(line, u"dword:")) {
      auto value = HexNumber(BeforeComment(line.substr(6)), 8);
      if (!value) Fail(Number(), "a dword needs 1 to 8 hexadecimal digits");
      op.type = REG_DWORD;
      op.data = {static_cast<uint8_t>(*value), static_cast<uint8_t>(*value >> 8),
                 static_cast<uint8_t>(*value >> 16), static_cast<uint8_t>(*value >> 24)};
    } else if (StartsWithIgnoreCase(line, u"hex")) {
      HexValue(line.substr(3), &op);
    } else {
      Fail(Number(), "unknown value data " + Quote(line));
    }
    if (!key_) Fail(op.line, "a value before any key");
    // Values of a deleted key are read but not applied.
    if (key_deleted_) return;
    op.root = key_->root;
    op.path = key_->path;
    op.full_name = key_->full_name;
    operations_.push_back(std::move(op));
  }

  // "hex:" or "hex(type):" and the bytes, over as many lines as end with a backslash.
  void HexValue(View rest, RegOperation* op) {
    op->type = REG_BINARY;
    if (rest.starts_with(u'(')) {
      size_t close = rest.find(u')');
      auto type = close == View::npos ? std::nullopt : HexNumber(rest.substr(1, close - 1), 8);
      if (!type) Fail(Number(), "hex(type) needs 1 to 8 hexadecimal digits in parentheses");
      op->type = *type;
      rest.remove_prefix(close + 1);
    }
    if (!rest.starts_with(u':')) Fail(Number(), "expected ':' after hex");
    rest.remove_prefix(1);
    for (;;) {
      View part = TrimRight(rest);
      bool more = part.ends_with(u'\\');
      if (more) part.remove_suffix(1);
      HexBytes(part, &op->data);
      if (!more) break;
      if (line_ + 1 == lines_.size())
        Fail(Number(), "the hex data goes on past the end of the file");
      rest = TrimLeft(lines_[++line_]);
    }
    // In a REGEDIT4 file, expandable and multiple strings are 8-bit text.
    if (!wide_strings_ && (op->type == REG_EXPAND_SZ || op->type == REG_MULTI_SZ)) {
      std::string narrow(op->data.begin(), op->data.end());
      op->data = Utf16Bytes(Widen8Bit(narrow));
    }
  }

  // The comma-separated bytes of one line; the last one may be followed by a comma.
  void HexBytes(View part, std::vector<uint8_t>* data) {
    while (!TrimLeft(part).empty()) {
      size_t comma = part.find(u',');
      View token = TrimRight(TrimLeft(part.substr(0, comma)));
      auto byte = HexNumber(token, 2);
      if (!byte) Fail(Number(), "not a hexadecimal byte: " + Quote(token));
      data->push_back(static_cast<uint8_t>(*byte));
      if (comma == View::npos) break;
      part.remove_prefix(comma + 1);
    }
  }

  std::vector<View> lines_;
  size_t line_ = 0;
  bool wide_strings_ = false;
  std::optional<RegOperation> key_;
  bool key_deleted_ = false;
  std::vector<RegOperation> operations_;
};

}  // namespace

std::vector<RegOperation> ParseRegFile(const std::vector<uint8_t>& bytes) {
  std::u16string text = DecodeRegBytes(bytes);
  return Parser(text).Run();
}

}  // namespace sim
