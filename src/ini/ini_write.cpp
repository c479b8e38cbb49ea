// Writing: setting and deleting keys and sections.
#include <string>

#include "ce/files.h"
#include "ce/text.h"
#include "ini/ini_file.h"
#include "ini/ini_ops.h"
#include "ini/ini_text.h"

namespace {

// A name or value with a line end would forge lines of its own in the file.
bool HoldsLineEnd(LPCWSTR text) {
  for (; text && *text; ++text)
    if (*text == u'\r' || *text == u'\n') return true;
  return false;
}

bool Write(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR path) {
  ini::LoadedFile file;
  if (!file.Load(path, GENERIC_READ | GENERIC_WRITE, true)) return false;
  const std::u16string_view text = file.text();
  const std::u16string_view name(section);
  size_t header = ini::FindHeader(text, file.brackets(), name, ini::HeaderRule::kReader);

  if (!key) {
    // Delete the section: its header and its span go; the next section follows directly.
    if (header == ini::kNone) return true;
    size_t end = ini::FindSpanEnd(file.brackets(), ini::BodyStart(header, name));
    std::u16string rest(text.substr(0, header));
    if (end != ini::kNone) rest += text.substr(end);
    return file.Rewrite(path, rest);
  }

  const std::u16string_view key_name(key);
  if (header == ini::kNone) {
    if (!value) return true;
    std::u16string added = text.empty() ? u"[" : u"\r\n[";
    added.append(name).append(u"]\r\n  ").append(key_name).append(u"=").append(value);
    return file.Rewrite(path, std::u16string(text) + added);
  }

  size_t body = ini::BodyStart(header, name);
  size_t span_end = ini::FindSpanEnd(file.brackets(), body);
  size_t hit = ini::FindKey(text, key_name, body, span_end);

  if (!value) {
    // Delete the key: exactly its line, whatever its indentation.
    if (hit == ini::kNone) return true;
    size_t lf = text.find(u'\n', hit);
    std::u16string rest(text.substr(0, ini::LineStart(text, hit)));
    if (lf != ini::kNone) rest += text.substr(lf + 1);
    return file.Rewrite(path, rest);
  }

  if (hit != ini::kNone) {
    // Replace the value: the line keeps its place and indentation.
    std::u16string rest(text.substr(0, hit));
    rest.append(key_name).append(u"=").append(value);
    size_t lf = text.find(u'\n', hit);
    if (lf != ini::kNone) rest += text.substr(lf > hit && text[lf - 1] == u'\r' ? lf - 1 : lf);
    return file.Rewrite(path, rest);
  }
  if (span_end != ini::kNone) {
    // A new key becomes the last line of its section, before the next header.
    std::u16string rest(text.substr(0, span_end));
    rest.append(u"  ").append(key_name).append(u"=").append(value).append(u"\r\n");
    rest += text.substr(span_end);
    return file.Rewrite(path, rest);
  }
  std::u16string added = u"\r\n  ";
  added.append(key_name).append(u"=").append(value);
  return file.Rewrite(path, std::u16string(text) + added);
}

}  // namespace

bool WriteIniString(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR path) {
  if (!section || !path || !*section || (key && !*key)) return false;
  if (HoldsLineEnd(section) || HoldsLineEnd(key) || (key && HoldsLineEnd(value))) return false;
  // A key holding "=" would be read, and later overwritten, as a shorter key with another value.
  if (key && wcschr(key, u'=')) return false;
  // Memory for the new text that cannot be had throws std::bad_alloc before the file is touched.
  return Write(section, key, value, path);
}

bool WriteIniInt(LPCWSTR section, LPCWSTR key, INT value, LPCWSTR path) {
  WCHAR text[16] = {};
  wsprintfW(text, u"%d", value);
  return WriteIniString(section, key, text, path);
}
