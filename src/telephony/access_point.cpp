#include "telephony/access_point.h"

#include <string>

#include "ce/crt.h"
#include "ce/files.h"
#include "ce/kernel.h"
#include "ce/registry.h"
#include "ce/text.h"
#include "frame/format.h"
#include "frame/path_probe.h"
#include "frame/stored_path.h"
#include "frame/wide_copy.h"
#include "ini/ini_file.h"
#include "ini/ini_ops.h"
#include "log/settings_log.h"
#include "telephony/operator_id.h"

namespace {

constexpr size_t kPathChars = MAX_PATH;
// The longest name or value a 255-character field holds, and the MMS centre's 256.
constexpr size_t kFieldChars = 254;
constexpr size_t kMmscChars = 255;

// Copies the operator's profile file onto its working copy and makes the copy writable (the
// INI engine's section test opens it for writing); a failed copy is logged with its pass number.
void RefreshWorkingCopy(LPCWSTR profile, LPCWSTR copy, int pass) {
  if (!CopyFileW(profile, copy, FALSE)) {
    DWORD error = GetLastError();
    WCHAR message[256] = {};
    FormatInto(message, 256,
               u"GetDefConIniPath: CopyFile %d Return=%d, GetLastError=%u, fileName=%s;", pass, 0,
               error, copy);
    WriteSettingsLog(message, 1);
  }
  DWORD attributes = GetFileAttributesW(copy);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    SetFileAttributesW(copy, attributes & ~FILE_ATTRIBUTE_READONLY);
}

// The user profile file's path from the registry; empty when it cannot be read.
void ReadUserProfilePath(WCHAR* path) {
  ReadStoredPath(HKEY_LOCAL_MACHINE, u"Software\\Razud\\Path", u"UsrConnectNodePath", path);
}

// One value of a section, or nothing when the key is missing; false when it is too long for
// its field.
bool ReadField(LPCWSTR section, LPCWSTR key, LPCWSTR path, size_t max_chars, bool* found,
               std::u16string* value) {
  LPWSTR text = nullptr;
  *found = ReadIniString(section, key, &text, path) && text;
  if (*found) value->assign(text);
  delete[] text;
  return !*found || value->size() <= max_chars;
}

}  // namespace

void GetDefConIniPath(WCHAR* path) {
  DWORD card = 0;
  LONG result = Dial_GetOperatorIdentifier(&card);
  ce::wprintf(u"********** dwCardId = %d **********\r\n", card);
  path[0] = 0;
  if (result != kTelephonyDone) return;
  WCHAR profile[kPathChars] = {};
  FormatInto(profile, kPathChars, u"\\Windows\\%d.ini", card);
  if (!PathExists(profile)) return;

  // "\Windows\46000.ini" has the working copy "\Windows\46000cpy.ini".
  size_t length = wcslen(profile);
  std::u16string copy_path(profile, length - 4);
  copy_path += u"cpy";
  copy_path += profile + length - 4;

  if (!PathExists(copy_path.c_str())) RefreshWorkingCopy(profile, copy_path.c_str(), 1);
  HANDLE file = CreateFileW(copy_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD size = 0;
  if (file != INVALID_HANDLE_VALUE) {
    size = GetFileSize(file, nullptr);
    CloseHandle(file);
  }
  // A working copy that cannot be opened, or is empty, is refreshed; any other is kept, with
  // the changes made to it.
  if (file == INVALID_HANDLE_VALUE || size == 0 || size == INVALID_FILE_SIZE)
    RefreshWorkingCopy(profile, copy_path.c_str(), 2);
  wcscpy(path, copy_path.c_str());
}

bool FindSelectedAccessName(WCHAR* name, LPCWSTR path) {
  if (!name || !path) return false;
  ini::LoadedFile file;
  if (!file.Load(path, GENERIC_READ, false)) return false;
  const std::u16string_view text = file.text();
  if (text.empty()) return false;
  constexpr size_t kNone = std::u16string_view::npos;
  // The scan position counts as the start of a line.
  for (size_t pos = 0;;) {
    size_t open = kNone;
    for (size_t p = text.find(u'[', pos); p != kNone; p = text.find(u'[', p + 1)) {
      if (p == pos || text[p - 1] == u'\n') {
        open = p;
        break;
      }
    }
    if (open == kNone) return false;
    size_t close = kNone;
    for (size_t q = text.find(u']', open + 1); q != kNone; q = text.find(u']', q + 1)) {
      if (q + 1 == text.size() || text[q + 1] == u'\r') {
        close = q;
        break;
      }
    }
    if (close == kNone) return false;
    size_t line_end = text.find(u"\r\n", open);
    if (line_end != kNone && line_end < close) {
      // Not a header: go on from the next line.
      pos = line_end + 2;
      continue;
    }
    std::u16string section(text.substr(open + 1, close - open - 1));
    if (section.size() <= kFieldChars) {
      INT selected = 0;
      if (ReadIniInt(section.c_str(), u"IsSelect", &selected, path) && selected == 1) {
        CopyWideBounded(name, kFieldChars + 1, section.c_str());
        return true;
      }
    }
    if (close + 1 == text.size()) return false;
    pos = close + 3;
  }
}

bool GetDefaultAccessName(WCHAR* name) {
  if (!name) return false;
  WCHAR copy[kPathChars] = {};
  GetDefConIniPath(copy);
  bool in_copy = FindSelectedAccessName(name, copy);
  // The user's file is searched second, so its selection wins.
  WCHAR user[kPathChars] = {};
  ReadUserProfilePath(user);
  bool in_user = FindSelectedAccessName(name, user);
  return in_copy || in_user;
}

bool ReadAccessPointContent(AccessPointContent* content) {
  if (!content) return false;
  const WCHAR* name = content->wszAccessName;
  size_t name_length = 0;
  while (name_length < std::size(content->wszAccessName) && name[name_length]) ++name_length;
  if (name_length == 0 || name_length > kFieldChars) return false;

  // The working copy's section shadows one of the same name in the user's file.
  WCHAR path[kPathChars] = {};
  GetDefConIniPath(path);
  if (!IniSectionExists(name, path)) {
    ReadUserProfilePath(path);
    if (!IniSectionExists(name, path)) return false;
  }

  struct Field {
    const char16_t* key;
    WCHAR* target;
    size_t max_chars;
    bool found;
    std::u16string value;
  } fields[] = {
      {u"APN", content->wszApn, kFieldChars, false, {}},
      {u"NAME", content->wszUserName, kFieldChars, false, {}},
      {u"PASSWORD", content->wszPassword, kFieldChars, false, {}},
      {u"AGENCY", content->wszAgency, kFieldChars, false, {}},
      {u"MMSC", content->wszMmsc, kMmscChars, false, {}},
  };
  // Every value is read and checked before any is stored: a dial never uses a cut APN or
  // password, nor half of an access point. The reads keep the file's order: the four texts,
  // the port, then the MMS centre.
  Field& mmsc = fields[std::size(fields) - 1];
  for (auto& field : fields) {
    if (&field == &mmsc) continue;
    if (!ReadField(name, field.key, path, field.max_chars, &field.found, &field.value))
      return false;
  }
  INT port = 0;
  bool has_port = ReadIniInt(name, u"PORT", &port, path);
  if (!ReadField(name, mmsc.key, path, mmsc.max_chars, &mmsc.found, &mmsc.value)) return false;

  for (const auto& field : fields)
    if (field.found) CopyWideBounded(field.target, field.max_chars + 1, field.value.c_str());
  if (has_port) content->nPort = port;
  return true;
}
