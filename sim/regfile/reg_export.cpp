// Export of key trees as the desktop registry editor writes them (Version 5.00).
#include <cstring>

#include "cehost/text.h"
#include "sim/regfile/reg_file.h"
#include "sim/regfile/reg_keys.h"
#include "sim/regfile/reg_walk.h"

namespace sim {

namespace {

// A hex line is broken once it holds this many characters, before the "\" that continues it.
constexpr size_t kHexLineBreak = 77;

std::u16string Escaped(std::u16string_view text) {
  std::u16string out;
  for (char16_t c : text) {
    if (c == u'\\' || c == u'"') out += u'\\';
    out += c;
  }
  return out;
}

std::u16string Hex(uint32_t value, int digits) {
  static const char16_t kDigits[] = u"0123456789abcdef";
  std::u16string out;
  do {
    out.insert(out.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value || static_cast<int>(out.size()) < digits);
  return out;
}

// The data as text when a quoted string gives back exactly these bytes: whole characters, one
// terminator at the end and none before it, and no line end inside.
bool AsPlainString(const std::vector<uint8_t>& data, std::u16string* text) {
  if (data.size() < 2 || data.size() % 2) return false;
  text->resize(data.size() / 2);
  std::memcpy(text->data(), data.data(), data.size());
  if (text->back() != 0) return false;
  text->pop_back();
  return text->find_first_of(std::u16string_view(u"\0\r\n", 3)) == std::u16string::npos;
}

// The value's line (or lines), without the final line end.
std::u16string ValueText(const std::u16string& name, DWORD type, const std::vector<uint8_t>& data) {
  std::u16string line = name.empty() ? u"@=" : u"\"" + Escaped(name) + u"\"=";
  std::u16string text;
  if (type == REG_SZ && AsPlainString(data, &text)) return line + u"\"" + Escaped(text) + u"\"";
  if (type == REG_DWORD && data.size() == 4) {
    uint32_t value = data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24;
    return line + u"dword:" + Hex(value, 8);
  }
  line += type == REG_BINARY ? u"hex:" : u"hex(" + Hex(type, 1) + u"):";
  size_t length = line.size();
  for (size_t i = 0; i < data.size(); ++i) {
    line += Hex(data[i], 2);
    if (i + 1 == data.size()) break;
    line += u',';
    length += 3;
    if (length >= kHexLineBreak) {
      line += u"\\\r\n  ";
      length = 2;
    }
  }
  return line;
}

void ExportKey(HKEY key, const std::u16string& full_name, std::u16string* out) {
  *out += u"[" + full_name + u"]\r\n";
  for (const KeyValue& value : ReadKeyValues(key, full_name))
    *out += ValueText(value.name, value.type, value.data) + u"\r\n";
  *out += u"\r\n";
  for (const std::u16string& subkey : ReadSubkeyNames(key, full_name)) {
    OpenedKey child;
    OpenSubkey(key, full_name, subkey, &child);
    ExportKey(child.get(), full_name + u"\\" + subkey, out);
  }
}

// The stored spelling of a subkey's name, found among the parent's subkeys.
std::u16string StoredName(HKEY parent, std::u16string_view wanted) {
  for (DWORD index = 0;; ++index) {
    char16_t name[REG_MAX_NAME + 1];
    DWORD name_chars = REG_MAX_NAME + 1;
    if (RegEnumKeyExW(parent, index, name, &name_chars, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      return std::u16string(wanted);
    std::u16string_view found(name, name_chars);
    if (cehost::EqualsIgnoreCase(found, wanted)) return std::u16string(found);
  }
}

void ExportTree(std::u16string_view full_name, std::u16string* out) {
  auto split = SplitKeyName(full_name);
  if (!split) throw RegFileError("not a registry key: " + cehost::ToUtf8(full_name));
  // Walk down from the root so that the header shows each name as stored.
  std::u16string stored = split->root_name;
  OpenedKey key(split->root);
  std::u16string_view path = split->path;
  while (!path.empty()) {
    size_t slash = path.find(u'\\');
    std::u16string name(path.substr(0, slash));
    path = slash == path.npos ? std::u16string_view() : path.substr(slash + 1);
    OpenedKey child;
    if (RegOpenKeyExW(key.get(), name.c_str(), 0, KEY_READ, child.out()) != ERROR_SUCCESS)
      throw RegFileError("no such key: " + cehost::ToUtf8(full_name));
    stored += u"\\" + StoredName(key.get(), name);
    std::swap(*key.out(), *child.out());
  }
  ExportKey(key.get(), stored, out);
}

}  // namespace

std::vector<uint8_t> ExportRegistry(const std::vector<std::u16string>& keys) {
  std::u16string text = u"Windows Registry Editor Version 5.00\r\n\r\n";
  if (keys.empty()) {
    ExportTree(u"HKEY_LOCAL_MACHINE", &text);
    ExportTree(u"HKEY_CURRENT_USER", &text);
  }
  for (const std::u16string& key : keys) ExportTree(key, &text);
  std::vector<uint8_t> bytes{0xFF, 0xFE};
  for (char16_t c : text) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  return bytes;
}

}  // namespace sim
