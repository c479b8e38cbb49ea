#include "toml_edit.h"

#include <algorithm>
#include <set>
#include <sstream>

namespace m8sim {

namespace {

// The byte offsets of a document's lines, for turning toml++'s positions (lines, and columns
// counted in code points, from 1) into places in the text.
class Lines {
 public:
  explicit Lines(std::string_view text) : text_(text) {
    starts_.push_back(0);
    for (size_t i = 0; i < text.size(); ++i)
      if (text[i] == '\n' && i + 1 < text.size()) starts_.push_back(i + 1);
  }

  // The offset of the line's first byte; the end of the text past the last line.
  size_t Start(size_t line) const {
    return line >= 1 && line <= starts_.size() ? starts_[line - 1] : text_.size();
  }
  // The line without its line break; empty past the last.
  std::string_view Line(size_t line) const {
    size_t start = Start(line);
    size_t end = text_.find('\n', start);
    std::string_view text = text_.substr(start, end == std::string_view::npos ? end : end - start);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    return text;
  }
  // The offset of a position in the document.
  size_t Offset(const toml::source_position& at) const {
    size_t offset = Start(at.line);
    for (size_t column = 1; column < at.column && offset < text_.size(); ++column) {
      ++offset;
      while (offset < text_.size() && (static_cast<unsigned char>(text_[offset]) & 0xC0) == 0x80)
        ++offset;
    }
    return offset;
  }

 private:
  std::string_view text_;
  std::vector<size_t> starts_;
};

std::string_view Trimmed(std::string_view text) {
  size_t start = text.find_first_not_of(" \t");
  return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

// A key name as a document writes it: bare when it can be, else quoted.
std::string KeyText(const std::string& name) {
  bool bare = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-';
  });
  return bare ? name : TomlValueText(toml::value<std::string>(name));
}

// The names path[from, to) as a dotted key.
std::string Dotted(const std::vector<std::string>& path, size_t from, size_t to) {
  std::string key;
  for (size_t i = from; i < to; ++i) key += (i > from ? "." : "") + KeyText(path[i]);
  return key;
}

// An array of [[name]] tables (an array of inline tables is a value like any other).
bool IsTableArray(const toml::node& node) {
  const toml::array* array = node.as_array();
  return array && !array->empty() && array->is_array_of_tables() &&
         !array->front().as_table()->is_inline();
}

toml::table ParseDocument(std::string_view text) {
  try {
    return toml::parse(text);
  } catch (const toml::parse_error& e) {
    throw TomlEditError("line " + std::to_string(e.source().begin.line) + ": " +
                        std::string(e.description()));
  }
}

// The path a table header line opens ("[a.b]  # note" opens a.b), or nothing for another line.
std::vector<std::string> HeaderPath(std::string_view line) {
  std::string_view trimmed = Trimmed(line);
  if (trimmed.empty() || trimmed.front() != '[') return {};
  std::vector<std::string> path;
  try {
    toml::table header = toml::parse(trimmed);
    const toml::table* table = &header;
    while (table && table->size() == 1) {
      path.push_back(std::string(table->begin()->first.str()));
      const toml::node& below = table->begin()->second;
      table = below.as_table();
      if (!table && below.is_array() && !below.as_array()->empty())
        table = below.as_array()->back().as_table();
    }
  } catch (const toml::parse_error&) {
    return {};
  }
  return path;
}

// True when the table at path is opened by a [header] line of its own (not only made by
// dotted keys, or implied by a [path.sub] header).
bool OpensWithHeader(const toml::node& table, const std::vector<std::string>& path,
                     const Lines& lines) {
  std::string_view line = Trimmed(lines.Line(table.source().begin.line));
  return line.substr(0, 2) != "[[" && HeaderPath(line) == path;
}

// Walks the document's nodes: each value (anything but a table opened by a header or a
// [[name]] array) is given to visit with its table; tables and [[name]] arrays are entered,
// and their first lines given to header.
template <class Value, class Header>
void Walk(const toml::table& table, Value&& visit, Header&& header) {
  for (auto&& [key, node] : table) {
    if (const toml::table* sub = node.as_table(); sub && !sub->is_inline()) {
      header(node.source().begin.line);
      Walk(*sub, visit, header);
    } else if (IsTableArray(node)) {
      for (const toml::node& item : *node.as_array()) {
        header(item.source().begin.line);
        Walk(*item.as_table(), visit, header);
      }
    } else {
      visit(node);
    }
  }
}

// The number of spaces and tabs that lead to a comment on the same line; 0 when no comment
// follows.
size_t SpacesBefore(std::string_view rest) {
  size_t spaces = rest.find_first_not_of(" \t");
  return spaces != std::string_view::npos && spaces > 0 && rest[spaces] == '#' ? spaces : 0;
}

// The gap between a new value and the comment that followed the old one after gap, such that
// the comment keeps its column where the line leaves room.
std::string CommentGap(std::string_view old_value, std::string_view new_value,
                       std::string_view gap) {
  auto width = [](std::string_view text) {
    return static_cast<long>(std::count_if(text.begin(), text.end(), [](char c) {
      return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
  };
  if (gap.empty() || old_value.find('\n') != std::string_view::npos) return std::string(gap);
  long kept = width(gap) + width(old_value) - width(new_value);
  return std::string(static_cast<size_t>(std::max(1L, kept)), ' ');
}

// The document with "key = value" added at the end of the section that starts after line
// header_line (0: the keys before the first header): after the last value that begins there.
std::string InsertInSection(std::string_view text, const toml::table& root, size_t header_line,
                            const std::string& key_text, const std::string& value_text) {
  Lines lines(text);
  std::set<size_t> headers;
  Walk(
      root, [](const toml::node&) {},
      [&](size_t line) {
        if (Trimmed(lines.Line(line)).substr(0, 1) == "[") headers.insert(line);
      });
  auto next = headers.upper_bound(header_line);
  size_t section_end = next == headers.end() ? SIZE_MAX : *next;
  size_t last = header_line;
  Walk(
      root,
      [&](const toml::node& value) {
        const toml::source_region& where = value.source();
        if (where.begin.line > header_line && where.begin.line < section_end)
          last = std::max<size_t>(last, where.end.line);
      },
      [](size_t) {});
  size_t offset = lines.Start(last + 1);
  std::string line = key_text + " = " + value_text + "\n";
  if (offset == text.size() && !text.empty() && text.back() != '\n') line = "\n" + line;
  return std::string(text.substr(0, offset)) + line + std::string(text.substr(offset));
}

// The document with "[table]" and "key = value" after its last line.
std::string AppendTable(std::string_view text, const std::string& table_text,
                        const std::string& key_text, const std::string& value_text) {
  std::string out(text);
  if (!out.empty() && out.back() != '\n') out += '\n';
  if (!out.empty()) out += '\n';
  return out + "[" + table_text + "]\n" + key_text + " = " + value_text + "\n";
}

}  // namespace

std::vector<std::string> TomlKeyPath(std::string_view key) {
  std::vector<std::string> path;
  size_t start = 0;
  while (true) {
    size_t dot = key.find('.', start);
    std::string_view name = key.substr(start, dot == std::string_view::npos ? dot : dot - start);
    if (name.empty()) throw TomlEditError("not a key: \"" + std::string(key) + "\"");
    path.emplace_back(name);
    if (dot == std::string_view::npos) return path;
    start = dot + 1;
  }
}

const toml::node* TomlNodeAt(const toml::table& root, const std::vector<std::string>& path) {
  const toml::node* node = &root;
  for (size_t i = 0; i < path.size(); ++i) {
    if (node->is_array()) {
      std::string name = Dotted(path, 0, i);
      throw TomlEditError(IsTableArray(*node) ? name + " is an array of tables ([[" + name +
                                                    "]]), whose keys only an editor changes"
                                              : name + " is an array, not a table");
    }
    if (!node->is_table()) return nullptr;
    node = node->as_table()->get(path[i]);
    if (!node) return nullptr;
  }
  return node;
}

std::string TomlValueText(const toml::node& value) {
  std::ostringstream out;
  out << toml::toml_formatter(value, toml::format_flags::allow_unicode_strings);
  return out.str();
}

std::string SetTomlValue(std::string_view text, const std::vector<std::string>& path,
                         const toml::node& value) {
  const std::string key = Dotted(path, 0, path.size());
  if (path.size() < 2) throw TomlEditError(key + ": name a table and its key, TABLE.KEY");
  const toml::table root = ParseDocument(text);
  const std::string value_text = TomlValueText(value);
  const std::string key_text = KeyText(path.back());
  const std::vector<std::string> parent_path(path.begin(), path.end() - 1);
  const Lines lines(text);

  // The edits that may do, in the order they are tried; the first that reads back as the key
  // holding the value is the one.
  std::vector<std::string> edits;
  const toml::node* parent = TomlNodeAt(root, parent_path);
  const std::string parent_key = Dotted(parent_path, 0, parent_path.size());
  if (const toml::node* current = TomlNodeAt(root, path)) {
    if (IsTableArray(*current))
      throw TomlEditError(key + " is an array of tables ([[" + key +
                          "]]), whose keys only an editor changes");
    if (current->is_table()) throw TomlEditError(key + " is a table: set its keys, KEY.NAME=VALUE");
    size_t begin = lines.Offset(current->source().begin);
    size_t end = lines.Offset(current->source().end);
    std::string_view rest = text.substr(end);
    size_t spaces = SpacesBefore(rest);
    edits.push_back(
        std::string(text.substr(0, begin)) + value_text +
        CommentGap(text.substr(begin, end - begin), value_text, rest.substr(0, spaces)) +
        std::string(rest.substr(spaces)));
  } else if (parent && !parent->is_table()) {
    throw TomlEditError(parent_key + " is not a table");
  } else if (parent && parent->as_table()->is_inline()) {
    throw TomlEditError(parent_key + " is an inline table, which only an editor changes");
  } else if (parent && OpensWithHeader(*parent, parent_path, lines)) {
    edits.push_back(InsertInSection(text, root, parent->source().begin.line, key_text, value_text));
  } else {
    edits.push_back(AppendTable(text, parent_key, key_text, value_text));
    // A table that dotted keys made cannot be opened again by a header: the key joins them, as
    // a dotted key in the section of the nearest table above that has a header.
    for (size_t n = parent_path.size(); n-- > 0;) {
      std::vector<std::string> above(path.begin(), path.begin() + n);
      const toml::node* table = n == 0 ? &root : TomlNodeAt(root, above);
      if (n > 0 && !(table && OpensWithHeader(*table, above, lines))) continue;
      size_t header_line = n == 0 ? 0 : table->source().begin.line;
      edits.push_back(
          InsertInSection(text, root, header_line, Dotted(path, n, path.size()), value_text));
      break;
    }
  }
  for (const std::string& edit : edits) {
    try {
      const toml::table changed = toml::parse(edit);
      const toml::node* now = TomlNodeAt(changed, path);
      if (now && !now->is_table() && TomlValueText(*now) == value_text) return edit;
    } catch (const toml::parse_error&) {
    } catch (const TomlEditError&) {
    }
  }
  throw TomlEditError(key + " cannot be added to this document: only an editor can");
}

}  // namespace m8sim
