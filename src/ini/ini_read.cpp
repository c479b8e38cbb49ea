// Reading: the section test, string and integer values.
#include <cstring>
#include <new>

#include "ce/files.h"
#include "ce/text.h"
#include "ini/ini_file.h"
#include "ini/ini_ops.h"
#include "ini/ini_text.h"

bool IniSectionExists(LPCWSTR section, LPCWSTR path) {
  if (!section || !path || !*section) return false;
  ini::LoadedFile file;
  // Opened for writing as well: a file that cannot be written reports no section.
  if (!file.Load(path, GENERIC_READ | GENERIC_WRITE, false)) return false;
  return ini::FindHeader(file.text(), file.brackets(), section, ini::HeaderRule::kExistence) !=
         ini::kNone;
}

bool ReadIniString(LPCWSTR section, LPCWSTR key, LPWSTR* value, LPCWSTR path) {
  if (!section || !key || !value || !path || !*section || !*key) return false;
  ini::LoadedFile file;
  if (!file.Load(path, GENERIC_READ, false)) return false;
  std::u16string_view text = file.text();
  std::u16string_view name(section);
  size_t header = ini::FindHeader(text, file.brackets(), name, ini::HeaderRule::kReader);
  if (header == ini::kNone) return false;
  size_t body = ini::BodyStart(header, name);
  std::u16string_view key_name(key);
  size_t hit = ini::FindKey(text, key_name, body, ini::FindSpanEnd(file.brackets(), body));
  if (hit == ini::kNone) return false;
  std::u16string_view found = ini::ValueAt(text, hit, key_name.size());
  // The interface hands the caller an array it releases with delete[]; memory that cannot be had
  // is told by a null pointer.
  WCHAR* copy = new (std::nothrow) WCHAR[found.size() + 1]();
  *value = copy;
  if (!copy) return false;
  std::memcpy(copy, found.data(), found.size() * sizeof(WCHAR));
  return true;
}

bool ReadIniInt(LPCWSTR section, LPCWSTR key, INT* value, LPCWSTR path) {
  if (!value) return false;
  LPWSTR text = nullptr;
  if (!ReadIniString(section, key, &text, path) || !text) return false;
  // Leading white space and a sign are read; the number ends at the first other character, and
  // a value without digits reads as 0.
  *value = wcstol(text, nullptr, 10);
  delete[] text;
  return true;
}
