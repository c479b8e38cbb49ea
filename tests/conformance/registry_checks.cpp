// Registry behaviour the library relies on: creating and opening keys, the size protocol of value
// reads, enumeration, deleting values, and names compared without regard to case.
//
// Registry calls return their error code; none of them touches the thread's last error, so every
// call below runs with the last error set to kSentinel and leaves it there.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "check.h"
#include "rows.h"

namespace {

using conformance::Guarded;
using conformance::kSentinel;
using conformance::Narrow;

// Opens the group's fresh key; every check starts from an empty one. Its path below
// HKEY_CURRENT_USER is left in *path when one is given.
HKEY FreshBase(WideString* path_out = nullptr) {
  WideString path = conformance::FreshKey("registry");
  if (path_out) *path_out = path;
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key);
  EXPECT_SAME(rc, static_cast<LONG>(ERROR_SUCCESS));
  return key;
}

// RegCreateKeyExW with the arguments the library passes; the disposition is left in *disposition.
LONG Create(HKEY parent, const WideString& path, HKEY* key, DWORD* disposition) {
  return RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                         nullptr, key, disposition);
}

LONG Open(HKEY parent, const WideString& path, HKEY* key) {
  return RegOpenKeyExW(parent, path.c_str(), 0, KEY_ALL_ACCESS, key);
}

// The bytes of a wide string, with or without its terminator.
std::vector<uint8_t> TextBytes(const WideString& text, bool with_terminator) {
  std::vector<uint8_t> bytes(text.size() * 2 + (with_terminator ? 2 : 0), 0);
  for (size_t i = 0; i < text.size(); ++i) {
    bytes[2 * i] = static_cast<uint8_t>(text[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<uint8_t>((text[i] >> 8) & 0xFF);
  }
  return bytes;
}

LONG SetBytes(HKEY key, const WideString& name, DWORD type, const std::vector<uint8_t>& bytes) {
  return RegSetValueExW(key, name.c_str(), 0, type, bytes.data(), static_cast<DWORD>(bytes.size()));
}

LONG SetDword(HKEY key, const WideString& name, DWORD value) {
  std::vector<uint8_t> bytes(4);
  std::memcpy(bytes.data(), &value, 4);
  return SetBytes(key, name, REG_DWORD, bytes);
}

// The value's bytes, or an empty vector with *rc set when it cannot be read.
std::vector<uint8_t> QueryBytes(HKEY key, const WideString& name, LONG* rc, DWORD* type) {
  DWORD size = 0;
  *rc = RegQueryValueExW(key, name.c_str(), nullptr, type, nullptr, &size);
  if (*rc != ERROR_SUCCESS) return {};
  std::vector<uint8_t> bytes(size);
  *rc = RegQueryValueExW(key, name.c_str(), nullptr, type, bytes.data(), &size);
  bytes.resize(size);
  return bytes;
}

// Every subkey name of the key, sorted, enumerated with a buffer big enough for any name; the
// last call's result is left in *last.
std::vector<std::string> KeyNames(HKEY key, LONG* last) {
  std::vector<std::string> names;
  for (DWORD index = 0;; ++index) {
    WCHAR name[256];
    DWORD count = 256;
    *last = RegEnumKeyExW(key, index, name, &count, nullptr, nullptr, nullptr, nullptr);
    if (*last != ERROR_SUCCESS || index > 100) break;
    names.push_back(Narrow(WideString(name, count)));
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Every value name of the key, sorted, as KeyNames does for subkeys.
std::vector<std::string> ValueNames(HKEY key, LONG* last) {
  std::vector<std::string> names;
  for (DWORD index = 0;; ++index) {
    WCHAR name[256];
    DWORD count = 256;
    *last = RegEnumValueW(key, index, name, &count, nullptr, nullptr, nullptr, nullptr);
    if (*last != ERROR_SUCCESS || index > 100) break;
    names.push_back(Narrow(WideString(name, count)));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string Joined(const std::vector<std::string>& names) {
  std::string out;
  for (const auto& name : names) out += (out.empty() ? "" : ",") + name;
  return out;
}

}  // namespace

// The first create makes the key, the second opens it; a null disposition pointer is allowed.
CHECK_CASE(registry, create_reports_new_then_existing) {
  HKEY base = FreshBase();
  struct Step {
    const char* what;
    bool want_disposition;
    DWORD disposition;
  } steps[] = {
      {"first create", true, REG_CREATED_NEW_KEY},
      {"second create", true, REG_OPENED_EXISTING_KEY},
      {"create without a disposition pointer", false, 0},
  };
  for (const Step& step : steps) {
    HKEY key = nullptr;
    DWORD disposition = 0xDEAD;
    SetLastError(kSentinel);
    LONG rc = Create(base, WS("Alpha"), &key, step.want_disposition ? &disposition : nullptr);
    EXPECT_SAME(std::string(step.what) + ": " + std::to_string(rc), std::string(step.what) + ": 0");
    EXPECT_LAST_ERROR(kSentinel);
    if (step.want_disposition) EXPECT_SAME(disposition, step.disposition);
    if (rc == ERROR_SUCCESS) EXPECT_RESULT(RegCloseKey(key), static_cast<LONG>(ERROR_SUCCESS));
  }
  RegCloseKey(base);
}

// One create makes every missing key of a nested path; each level then opens on its own, in any
// case, and both spellings reach the same key. The same path below another root is another key.
CHECK_CASE(registry, create_makes_nested_path_in_one_call) {
  WideString base_path;
  HKEY base = FreshBase(&base_path);
  HKEY deep = nullptr;
  DWORD disposition = 0;
  SetLastError(kSentinel);
  EXPECT_RESULT(Create(base, WS("One\\Two\\Three"), &deep, &disposition),
                static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_LAST_ERROR(kSentinel);
  EXPECT_SAME(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  EXPECT_RESULT(SetDword(deep, WS("Marker"), 0x11223344), static_cast<LONG>(ERROR_SUCCESS));

  const WCHAR* levels[] = {WS("One"), WS("One\\Two"), WS("one\\TWO"), WS("ONE\\two\\three")};
  for (const WCHAR* level : levels) {
    HKEY key = nullptr;
    SetLastError(kSentinel);
    EXPECT_RESULT(Open(base, level, &key), static_cast<LONG>(ERROR_SUCCESS));
    EXPECT_LAST_ERROR(kSentinel);
    RegCloseKey(key);
  }
  HKEY again = nullptr;
  EXPECT_RESULT(Create(base, WS("one\\two\\THREE"), &again, &disposition),
                static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_SAME(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  DWORD value = 0, size = sizeof value, type = 0;
  EXPECT_RESULT(
      RegQueryValueExW(again, WS("marker"), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
      static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_SAME(value, static_cast<DWORD>(0x11223344));
  RegCloseKey(again);
  RegCloseKey(deep);

  HKEY elsewhere = nullptr;
  SetLastError(kSentinel);
  EXPECT_RESULT(Open(HKEY_LOCAL_MACHINE, base_path + WS("\\One"), &elsewhere),
                static_cast<LONG>(ERROR_FILE_NOT_FOUND));
  EXPECT_LAST_ERROR(kSentinel);
  RegCloseKey(base);
}

// Opening a key that is missing, or below a missing key, fails with ERROR_FILE_NOT_FOUND and
// creates nothing.
CHECK_CASE(registry, open_missing_key_fails_with_2) {
  HKEY base = FreshBase();
  const WCHAR* paths[] = {WS("Missing"), WS("Missing\\Below"), WS("Present\\Missing")};
  HKEY present = nullptr;
  DWORD disposition = 0;
  EXPECT_RESULT(Create(base, WS("Present"), &present, &disposition),
                static_cast<LONG>(ERROR_SUCCESS));
  RegCloseKey(present);
  for (const WCHAR* path : paths) {
    HKEY key = nullptr;
    SetLastError(kSentinel);
    LONG rc = Open(base, path, &key);
    EXPECT_SAME(Narrow(path) + " -> " + std::to_string(rc), Narrow(path) + " -> 2");
    EXPECT_LAST_ERROR(kSentinel);
  }
  LONG last = 0;
  EXPECT_RESULT(Joined(KeyNames(base, &last)), std::string("Present"));
  RegCloseKey(base);
}

// Windows CE's own callers spell some keys with a leading backslash ("\Drivers\Active"), and the
// handset opens them that way; the CE registry takes the backslash as the root of the path. The
// desktop registry does not: there a leading backslash makes the path invalid, which is why this
// holds on CE only.
CE_ONLY_CASE(registry, leading_backslash_names_the_same_key) {
  HKEY base = FreshBase();
  HKEY created = nullptr;
  DWORD disposition = 0;
  SetLastError(kSentinel);
  EXPECT_RESULT(Create(base, WS("\\Drivers\\Active"), &created, &disposition),
                static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_LAST_ERROR(kSentinel);
  EXPECT_SAME(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  EXPECT_RESULT(SetDword(created, WS("Count"), 7), static_cast<LONG>(ERROR_SUCCESS));
  RegCloseKey(created);

  const WCHAR* spellings[] = {WS("Drivers\\Active"), WS("\\Drivers\\Active"),
                              WS("\\drivers\\ACTIVE")};
  for (const WCHAR* spelling : spellings) {
    HKEY key = nullptr;
    EXPECT_RESULT(Open(base, spelling, &key), static_cast<LONG>(ERROR_SUCCESS));
    DWORD value = 0, size = sizeof value;
    EXPECT_RESULT(RegQueryValueExW(key, WS("Count"), nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(&value), &size),
                  static_cast<LONG>(ERROR_SUCCESS));
    EXPECT_SAME(value, static_cast<DWORD>(7));
    RegCloseKey(key);
  }
  LONG last = 0;
  EXPECT_RESULT(Joined(KeyNames(base, &last)), std::string("Drivers"));
  RegCloseKey(base);
}

// The size-in/size-out protocol of RegQueryValueExW, over one table: no buffer, an exact buffer,
// a larger one, a short one (ERROR_MORE_DATA with the size needed), strings stored with and
// without their terminator, and a 4-byte string read into a DWORD.
CHECK_CASE(registry, query_follows_the_size_protocol) {
  HKEY base = FreshBase();
  EXPECT_RESULT(SetBytes(base, WS("WithNul"), REG_SZ, TextBytes(WS("abc"), true)),
                static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_RESULT(SetBytes(base, WS("NoNul"), REG_SZ, TextBytes(WS("abc"), false)),
                static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_RESULT(SetBytes(base, WS("Short"), REG_SZ, TextBytes(WS("a"), true)),
                static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_RESULT(SetDword(base, WS("Number"), 0x11223344), static_cast<LONG>(ERROR_SUCCESS));

  constexpr DWORD kNoBuffer = 0xFFFFFFFF;
  // What a failed look-up leaves in *lpcbData and *lpType is not part of the protocol.
  constexpr DWORD kUnchecked = 0xFFFFFFFE;
  struct Case {
    const WCHAR* name;
    DWORD buffer;    // buffer size in bytes, or kNoBuffer for a null data pointer
    bool give_size;  // pass lpcbData
    bool give_type;  // pass lpType
    LONG result;
    DWORD size_after;           // *lpcbData afterwards (when given)
    DWORD type;                 // *lpType afterwards (when given)
    std::vector<uint8_t> data;  // the bytes copied (on success with a buffer)
  } cases[] = {
      {WS("WithNul"), kNoBuffer, false, true, ERROR_SUCCESS, 0, REG_SZ, {}},
      {WS("WithNul"), kNoBuffer, true, true, ERROR_SUCCESS, 8, REG_SZ, {}},
      {WS("WithNul"), kNoBuffer, true, false, ERROR_SUCCESS, 8, 0, {}},
      {WS("WithNul"), 8, true, true, ERROR_SUCCESS, 8, REG_SZ, TextBytes(WS("abc"), true)},
      {WS("WithNul"), 20, true, true, ERROR_SUCCESS, 8, REG_SZ, TextBytes(WS("abc"), true)},
      {WS("WithNul"), 6, true, true, ERROR_MORE_DATA, 8, REG_SZ, {}},
      {WS("WithNul"), 0, true, true, ERROR_MORE_DATA, 8, REG_SZ, {}},
      {WS("NoNul"), kNoBuffer, true, true, ERROR_SUCCESS, 6, REG_SZ, {}},
      {WS("NoNul"), 6, true, true, ERROR_SUCCESS, 6, REG_SZ, TextBytes(WS("abc"), false)},
      {WS("NoNul"), 5, true, true, ERROR_MORE_DATA, 6, REG_SZ, {}},
      {WS("Number"), 4, true, true, ERROR_SUCCESS, 4, REG_DWORD, {0x44, 0x33, 0x22, 0x11}},
      {WS("Number"), 3, true, true, ERROR_MORE_DATA, 4, REG_DWORD, {}},
      {WS("number"), 4, true, false, ERROR_SUCCESS, 4, 0, {0x44, 0x33, 0x22, 0x11}},
      {WS("Short"), 4, true, true, ERROR_SUCCESS, 4, REG_SZ, {'a', 0, 0, 0}},
      {WS("Absent"), kNoBuffer, true, true, ERROR_FILE_NOT_FOUND, kUnchecked, kUnchecked, {}},
      {WS("Absent"), 8, true, true, ERROR_FILE_NOT_FOUND, kUnchecked, kUnchecked, {}},
  };
  int row = 0;
  for (const Case& c : cases) {
    ++row;
    const bool buffered = c.buffer != kNoBuffer;
    Guarded buffer(buffered ? c.buffer : 0);
    std::memset(buffer.data(), 0xCC, buffer.size());
    DWORD size = buffered ? c.buffer : 0xBEEF;
    DWORD type = 0xBEEF;
    SetLastError(kSentinel);
    LONG rc = RegQueryValueExW(base, c.name, nullptr, c.give_type ? &type : nullptr,
                               buffered ? buffer.data() : nullptr, c.give_size ? &size : nullptr);
    std::string label = "row " + std::to_string(row) + " (" + Narrow(c.name) + ")";
    EXPECT_SAME(label + " result " + std::to_string(rc),
                label + " result " + std::to_string(c.result));
    EXPECT_LAST_ERROR(kSentinel);
    if (c.give_size && c.size_after != kUnchecked) {
      EXPECT_SAME(label + " size " + std::to_string(size),
                  label + " size " + std::to_string(c.size_after));
    }
    if (c.give_type && c.type != kUnchecked) {
      EXPECT_SAME(label + " type " + std::to_string(type),
                  label + " type " + std::to_string(c.type));
    }
    if (buffered && c.result == ERROR_SUCCESS) {
      std::vector<uint8_t> copied(buffer.data(), buffer.data() + c.data.size());
      EXPECT_SAME(copied, c.data);
      // Nothing is added after the stored bytes, not even a terminator.
      for (size_t i = c.data.size(); i < buffer.size(); ++i) {
        EXPECT_SAME(static_cast<unsigned>(buffer.data()[i]), 0xCCu);
      }
    }
    EXPECT_TRUE_(buffer.Intact());
  }
  RegCloseKey(base);
}

// Setting a value again replaces its type as well as its bytes, down to an empty value; a null
// value name and an empty one name the same, default value.
CHECK_CASE(registry, set_replaces_the_type_and_null_or_empty_name_the_default_value) {
  HKEY base = FreshBase();
  EXPECT_RESULT(SetDword(base, WS("D"), 0x12345678), static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_RESULT(SetBytes(base, WS("D"), REG_BINARY, {}), static_cast<LONG>(ERROR_SUCCESS));
  Guarded buffer(4);
  DWORD type = 0, size = 4;
  SetLastError(kSentinel);
  EXPECT_RESULT(RegQueryValueExW(base, WS("D"), nullptr, &type, buffer.data(), &size),
                static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_SAME(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_SAME(size, static_cast<DWORD>(0));

  const BYTE two[] = {1, 2};
  EXPECT_RESULT(RegSetValueExW(base, nullptr, 0, REG_BINARY, two, 2),
                static_cast<LONG>(ERROR_SUCCESS));
  size = 4;
  EXPECT_RESULT(RegQueryValueExW(base, WS(""), nullptr, &type, buffer.data(), &size),
                static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_SAME(size, static_cast<DWORD>(2));
  EXPECT_SAME(std::vector<uint8_t>(buffer.data(), buffer.data() + 2), std::vector<uint8_t>({1, 2}));
  EXPECT_LAST_ERROR(kSentinel);
  EXPECT_TRUE_(buffer.Intact());
  RegCloseKey(base);
}

// A data buffer without a size pointer is a bad argument.
CHECK_CASE(registry, query_with_buffer_but_no_size_is_87) {
  HKEY base = FreshBase();
  EXPECT_RESULT(SetDword(base, WS("Number"), 5), static_cast<LONG>(ERROR_SUCCESS));
  Guarded buffer(4);
  SetLastError(kSentinel);
  LONG rc = RegQueryValueExW(base, WS("Number"), nullptr, nullptr, buffer.data(), nullptr);
  EXPECT_SAME(rc, static_cast<LONG>(ERROR_INVALID_PARAMETER));
  EXPECT_LAST_ERROR(kSentinel);
  EXPECT_TRUE_(buffer.Intact());
  RegCloseKey(base);
}

// RegEnumKeyExW hands out every subkey once, in its stored case, then ERROR_NO_MORE_ITEMS; the
// name buffer counts characters with the terminator: one more than the name fits, the bare length
// is ERROR_MORE_DATA with nothing written past the buffer.
CHECK_CASE(registry, enumerates_keys_to_259_with_the_name_size_rule) {
  HKEY base = FreshBase();
  const WCHAR* names[] = {WS("Kappa"), WS("beta"), WS("GammaRay")};
  for (const WCHAR* name : names) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    EXPECT_RESULT(Create(base, name, &key, &disposition), static_cast<LONG>(ERROR_SUCCESS));
    RegCloseKey(key);
  }
  LONG last = 0;
  SetLastError(kSentinel);
  EXPECT_RESULT(Joined(KeyNames(base, &last)), std::string("GammaRay,Kappa,beta"));
  EXPECT_SAME(last, static_cast<LONG>(ERROR_NO_MORE_ITEMS));
  EXPECT_LAST_ERROR(kSentinel);

  // Find where "GammaRay" (8 characters) is, then ask for it with buffers around its length.
  DWORD index = 0;
  for (DWORD i = 0; i < 3; ++i) {
    WCHAR name[64];
    DWORD count = 64;
    if (RegEnumKeyExW(base, i, name, &count, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
        Narrow(WideString(name, count)) == "GammaRay")
      index = i;
  }
  struct Case {
    DWORD buffer_chars;
    LONG result;
  } cases[] = {{9, ERROR_SUCCESS}, {8, ERROR_MORE_DATA}, {1, ERROR_MORE_DATA}};
  for (const Case& c : cases) {
    Guarded buffer(c.buffer_chars * sizeof(WCHAR));
    DWORD count = c.buffer_chars;
    SetLastError(kSentinel);
    LONG rc =
        RegEnumKeyExW(base, index, buffer.as<WCHAR>(), &count, nullptr, nullptr, nullptr, nullptr);
    std::string label = "buffer of " + std::to_string(c.buffer_chars) + " chars";
    EXPECT_SAME(label + ": " + std::to_string(rc), label + ": " + std::to_string(c.result));
    EXPECT_LAST_ERROR(kSentinel);
    EXPECT_TRUE_(buffer.Intact());
    if (c.result == ERROR_SUCCESS) {
      EXPECT_SAME(count, static_cast<DWORD>(8));
      EXPECT_SAME(Narrow(WideString(buffer.as<WCHAR>(), 8)), std::string("GammaRay"));
      EXPECT_SAME(static_cast<unsigned>(buffer.as<WCHAR>()[8]), 0u);
    }
  }
  WCHAR name[64];
  DWORD count = 64;
  SetLastError(kSentinel);
  EXPECT_RESULT(RegEnumKeyExW(base, 3, name, &count, nullptr, nullptr, nullptr, nullptr),
                static_cast<LONG>(ERROR_NO_MORE_ITEMS));
  EXPECT_RESULT(RegEnumKeyExW(base, 50, name, &count, nullptr, nullptr, nullptr, nullptr),
                static_cast<LONG>(ERROR_NO_MORE_ITEMS));
  EXPECT_LAST_ERROR(kSentinel);
  RegCloseKey(base);
}

// RegEnumValueW hands out every value once with its type and data, then ERROR_NO_MORE_ITEMS; the
// name buffer follows the same rule as for keys, the data buffer the rule of RegQueryValueExW.
CHECK_CASE(registry, enumerates_values_to_259_with_the_size_rules) {
  HKEY base = FreshBase();
  EXPECT_RESULT(SetDword(base, WS("Counter"), 42), static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_RESULT(SetBytes(base, WS("label"), REG_SZ, TextBytes(WS("hello"), true)),
                static_cast<LONG>(ERROR_SUCCESS));
  LONG last = 0;
  SetLastError(kSentinel);
  EXPECT_RESULT(Joined(ValueNames(base, &last)), std::string("Counter,label"));
  EXPECT_SAME(last, static_cast<LONG>(ERROR_NO_MORE_ITEMS));
  EXPECT_LAST_ERROR(kSentinel);

  // Read each value through enumeration: name, type and bytes.
  for (DWORD index = 0; index < 2; ++index) {
    WCHAR name[64];
    DWORD count = 64, type = 0;
    BYTE data[64];
    DWORD size = sizeof data;
    SetLastError(kSentinel);
    EXPECT_RESULT(RegEnumValueW(base, index, name, &count, nullptr, &type, data, &size),
                  static_cast<LONG>(ERROR_SUCCESS));
    EXPECT_LAST_ERROR(kSentinel);
    std::string which = Narrow(WideString(name, count));
    if (which == "Counter") {
      EXPECT_SAME(type, static_cast<DWORD>(REG_DWORD));
      EXPECT_SAME(size, static_cast<DWORD>(4));
      EXPECT_SAME(static_cast<unsigned>(data[0]), 42u);
    } else {
      EXPECT_SAME(which, std::string("label"));
      EXPECT_SAME(type, static_cast<DWORD>(REG_SZ));
      EXPECT_SAME(size, static_cast<DWORD>(12));
    }
  }

  // Name buffers around "label" (5 characters), and a short data buffer.
  DWORD index = 0;
  {
    WCHAR name[64];
    DWORD count = 64;
    if (RegEnumValueW(base, 1, name, &count, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
        Narrow(WideString(name, count)) == "label")
      index = 1;
  }
  struct Case {
    DWORD name_chars;
    DWORD data_bytes;
    LONG result;
    DWORD size_after;  // checked when the name fitted
  } cases[] = {
      {6, 12, ERROR_SUCCESS, 12},
      {5, 12, ERROR_MORE_DATA, 0},
      {6, 11, ERROR_MORE_DATA, 12},
  };
  for (const Case& c : cases) {
    Guarded name(c.name_chars * sizeof(WCHAR));
    Guarded data(c.data_bytes);
    DWORD count = c.name_chars, size = c.data_bytes, type = 0;
    SetLastError(kSentinel);
    LONG rc =
        RegEnumValueW(base, index, name.as<WCHAR>(), &count, nullptr, &type, data.data(), &size);
    std::string label = "name " + std::to_string(c.name_chars) + " chars, data " +
                        std::to_string(c.data_bytes) + " bytes";
    EXPECT_SAME(label + ": " + std::to_string(rc), label + ": " + std::to_string(c.result));
    EXPECT_LAST_ERROR(kSentinel);
    EXPECT_TRUE_(name.Intact());
    EXPECT_TRUE_(data.Intact());
    if (c.name_chars > 5) {
      EXPECT_SAME(label + " size " + std::to_string(size),
                  label + " size " + std::to_string(c.size_after));
    }
  }
  WCHAR name[64];
  DWORD count = 64;
  SetLastError(kSentinel);
  EXPECT_RESULT(RegEnumValueW(base, 2, name, &count, nullptr, nullptr, nullptr, nullptr),
                static_cast<LONG>(ERROR_NO_MORE_ITEMS));
  EXPECT_LAST_ERROR(kSentinel);
  RegCloseKey(base);
}

// RegDeleteValueW removes the value, found without regard to case; a missing value is
// ERROR_FILE_NOT_FOUND and the other values stay.
CHECK_CASE(registry, delete_value_removes_it_and_missing_is_2) {
  HKEY base = FreshBase();
  EXPECT_RESULT(SetDword(base, WS("Keep"), 1), static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_RESULT(SetDword(base, WS("Drop"), 2), static_cast<LONG>(ERROR_SUCCESS));
  struct Step {
    const WCHAR* name;
    LONG result;
  } steps[] = {
      {WS("DROP"), ERROR_SUCCESS},
      {WS("Drop"), ERROR_FILE_NOT_FOUND},
      {WS("NeverThere"), ERROR_FILE_NOT_FOUND},
  };
  for (const Step& step : steps) {
    SetLastError(kSentinel);
    LONG rc = RegDeleteValueW(base, step.name);
    EXPECT_SAME(Narrow(step.name) + ": " + std::to_string(rc),
                Narrow(step.name) + ": " + std::to_string(step.result));
    EXPECT_LAST_ERROR(kSentinel);
  }
  LONG rc = 0;
  DWORD type = 0;
  QueryBytes(base, WS("Drop"), &rc, &type);
  EXPECT_SAME(rc, static_cast<LONG>(ERROR_FILE_NOT_FOUND));
  LONG last = 0;
  EXPECT_RESULT(Joined(ValueNames(base, &last)), std::string("Keep"));
  RegCloseKey(base);
}

// Key and value names are found without regard to case; enumeration shows the case they were
// first stored with, and writing a value under another spelling replaces it rather than adding
// a second one.
CHECK_CASE(registry, names_ignore_case_and_keep_the_stored_case) {
  HKEY base = FreshBase();
  HKEY key = nullptr;
  DWORD disposition = 0;
  EXPECT_RESULT(Create(base, WS("MixedCase"), &key, &disposition),
                static_cast<LONG>(ERROR_SUCCESS));
  RegCloseKey(key);
  EXPECT_RESULT(Create(base, WS("MIXEDCASE"), &key, &disposition),
                static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_SAME(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  RegCloseKey(key);
  EXPECT_RESULT(Open(base, WS("mixedcase"), &key), static_cast<LONG>(ERROR_SUCCESS));
  RegCloseKey(key);

  EXPECT_RESULT(SetDword(base, WS("Val"), 1), static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_RESULT(SetBytes(base, WS("VAL"), REG_SZ, TextBytes(WS("x"), true)),
                static_cast<LONG>(ERROR_SUCCESS));
  LONG rc = 0;
  DWORD type = 0;
  std::vector<uint8_t> bytes = QueryBytes(base, WS("vAL"), &rc, &type);
  EXPECT_SAME(rc, static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_SAME(type, static_cast<DWORD>(REG_SZ));
  EXPECT_SAME(bytes, TextBytes(WS("x"), true));

  LONG last = 0;
  EXPECT_RESULT(Joined(KeyNames(base, &last)), std::string("MixedCase"));
  EXPECT_RESULT(Joined(ValueNames(base, &last)), std::string("Val"));
  RegCloseKey(base);
}

// Keys are made the way the library makes them: with an empty class and KEY_WRITE, below either
// root, and below a key that was itself opened with KEY_WRITE. Values set through such a handle
// are there for a handle opened to read.
CHECK_CASE(registry, create_with_an_empty_class_below_either_root_and_a_write_key) {
  WCHAR no_class[] = WS("");
  struct Root {
    const char* what;
    HKEY root;
    const char* group;
  } roots[] = {
      {"HKEY_CURRENT_USER", HKEY_CURRENT_USER, "registry"},
      {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE, "registry-machine"},
  };
  for (const Root& r : roots) {
    const WideString base = conformance::FreshKey(r.group, r.root);
    const WideString made = base + WS("\\Made");
    for (DWORD expected : {DWORD{REG_CREATED_NEW_KEY}, DWORD{REG_OPENED_EXISTING_KEY}}) {
      HKEY key = nullptr;
      DWORD disposition = 0;
      SetLastError(kSentinel);
      EXPECT_ROW(r.what,
                 RegCreateKeyExW(r.root, made.c_str(), 0, no_class, 0, KEY_WRITE, nullptr, &key,
                                 &disposition),
                 static_cast<LONG>(ERROR_SUCCESS));
      EXPECT_ROW(r.what, disposition, expected);
      EXPECT_ROW(r.what, GetLastError(), kSentinel);
      EXPECT_ROW(r.what, SetDword(key, WS("Written"), 0x0A0B0C0D),
                 static_cast<LONG>(ERROR_SUCCESS));
      RegCloseKey(key);
    }

    // A subkey made through a key opened with KEY_WRITE.
    HKEY writer = nullptr;
    EXPECT_ROW(r.what, RegOpenKeyExW(r.root, made.c_str(), 0, KEY_WRITE, &writer),
               static_cast<LONG>(ERROR_SUCCESS));
    HKEY child = nullptr;
    DWORD disposition = 0;
    EXPECT_ROW(r.what,
               RegCreateKeyExW(writer, WS("Child"), 0, no_class, 0, KEY_WRITE, nullptr, &child,
                               &disposition),
               static_cast<LONG>(ERROR_SUCCESS));
    EXPECT_ROW(r.what, disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    EXPECT_ROW(r.what, SetDword(child, WS("Below"), 5), static_cast<LONG>(ERROR_SUCCESS));
    RegCloseKey(child);
    RegCloseKey(writer);

    struct Value {
      WideString key;
      const WCHAR* name;
      DWORD value;
    } values[] = {{made, WS("Written"), 0x0A0B0C0D}, {made + WS("\\Child"), WS("Below"), 5}};
    for (const Value& v : values) {
      HKEY reader = nullptr;
      EXPECT_ROW(r.what, RegOpenKeyExW(r.root, v.key.c_str(), 0, KEY_READ, &reader),
                 static_cast<LONG>(ERROR_SUCCESS));
      DWORD value = 0, size = sizeof value, type = 0;
      EXPECT_ROW(
          r.what,
          RegQueryValueExW(reader, v.name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
          static_cast<LONG>(ERROR_SUCCESS));
      EXPECT_ROW(r.what, type, static_cast<DWORD>(REG_DWORD));
      EXPECT_ROW(r.what, value, v.value);
      RegCloseKey(reader);
    }
  }
}

// Windows CE takes no access mask on RegOpenKeyExW ("not supported; set to 0"): a key opened
// with 0, as the library opens keys, reads, writes, enumerates and makes subkeys. Desktop
// Windows grants only what the mask asks for, so a key opened with 0 can do none of these.
CE_ONLY_CASE(registry, open_with_access_0_can_do_everything) {
  WideString path;
  HKEY base = FreshBase(&path);
  EXPECT_RESULT(SetDword(base, WS("Present"), 3), static_cast<LONG>(ERROR_SUCCESS));
  RegCloseKey(base);
  HKEY key = nullptr;
  SetLastError(kSentinel);
  EXPECT_RESULT(RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, 0, &key),
                static_cast<LONG>(ERROR_SUCCESS));
  DWORD value = 0, size = sizeof value;
  EXPECT_RESULT(RegQueryValueExW(key, WS("Present"), nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(&value), &size),
                static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_SAME(value, static_cast<DWORD>(3));
  EXPECT_RESULT(SetDword(key, WS("Added"), 4), static_cast<LONG>(ERROR_SUCCESS));
  HKEY child = nullptr;
  DWORD disposition = 0;
  EXPECT_RESULT(Create(key, WS("Child"), &child, &disposition), static_cast<LONG>(ERROR_SUCCESS));
  RegCloseKey(child);
  LONG last = 0;
  EXPECT_RESULT(Joined(ValueNames(key, &last)), std::string("Added,Present"));
  EXPECT_RESULT(Joined(KeyNames(key, &last)), std::string("Child"));
  EXPECT_RESULT(RegDeleteValueW(key, WS("Added")), static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_LAST_ERROR(kSentinel);
  RegCloseKey(key);
}

// A value of fewer than 4 bytes read into a DWORD buffer: the call works, the size says how many
// bytes came, and the buffer's other bytes are left as they were (the library reads such values
// into a DWORD that starts at 0).
CHECK_CASE(registry, values_shorter_than_a_dword_fill_only_their_bytes) {
  HKEY base = FreshBase();
  struct Row {
    const WCHAR* name;
    DWORD type;
    std::vector<uint8_t> bytes;
  } rows[] = {
      {WS("Empty"), REG_BINARY, {}},         {WS("One"), REG_BINARY, {0x11}},
      {WS("Two"), REG_BINARY, {0x11, 0x22}}, {WS("Three"), REG_BINARY, {0x11, 0x22, 0x33}},
      {WS("EmptyText"), REG_SZ, {0, 0}},
  };
  for (const Row& row : rows) {
    EXPECT_ROW(Narrow(row.name), SetBytes(base, row.name, row.type, row.bytes),
               static_cast<LONG>(ERROR_SUCCESS));
    Guarded buffer(4);
    std::memset(buffer.data(), 0xCC, 4);
    DWORD size = 4, type = 0xBEEF;
    SetLastError(kSentinel);
    EXPECT_ROW(Narrow(row.name),
               RegQueryValueExW(base, row.name, nullptr, &type, buffer.data(), &size),
               static_cast<LONG>(ERROR_SUCCESS));
    EXPECT_ROW(Narrow(row.name), size, static_cast<DWORD>(row.bytes.size()));
    EXPECT_ROW(Narrow(row.name), type, row.type);
    std::vector<uint8_t> expected = row.bytes;
    expected.resize(4, 0xCC);
    EXPECT_ROW(Narrow(row.name), std::vector<uint8_t>(buffer.data(), buffer.data() + 4), expected);
    EXPECT_ROW_TRUE(Narrow(row.name), buffer.Intact());
    EXPECT_ROW(Narrow(row.name), GetLastError(), kSentinel);
  }
  RegCloseKey(base);
}

// RegEnumValueW without a data buffer reports the data's size (and with no size pointer either,
// just the name and type); the library asks so when its first buffers were too small, with a
// name buffer that holds any name, then reads the value with buffers that fit.
CHECK_CASE(registry, enum_value_without_a_data_buffer_reports_the_size) {
  HKEY base = FreshBase();
  const WideString long_name(40, 'n');
  EXPECT_RESULT(SetBytes(base, long_name, REG_BINARY, std::vector<uint8_t>(300, 0x5A)),
                static_cast<LONG>(ERROR_SUCCESS));
  struct Row {
    const char* what;
    DWORD name_chars;
    bool give_size;
    LONG result;
    DWORD size_after;  // when the size pointer is given and the name fitted
  } rows[] = {
      {"short name buffer", 20, true, ERROR_MORE_DATA, 0},
      {"no data buffer", 256, true, ERROR_SUCCESS, 300},
      {"no data buffer and no size", 256, false, ERROR_SUCCESS, 0},
  };
  for (const Row& row : rows) {
    Guarded name(row.name_chars * sizeof(WCHAR));
    DWORD count = row.name_chars, size = 0xBEEF, type = 0xBEEF;
    SetLastError(kSentinel);
    LONG rc = RegEnumValueW(base, 0, name.as<WCHAR>(), &count, nullptr, &type, nullptr,
                            row.give_size ? &size : nullptr);
    EXPECT_ROW(row.what, rc, row.result);
    EXPECT_ROW(row.what, GetLastError(), kSentinel);
    EXPECT_ROW_TRUE(row.what, name.Intact());
    if (row.result == ERROR_SUCCESS) {
      EXPECT_ROW(row.what, count, static_cast<DWORD>(long_name.size()));
      EXPECT_ROW(row.what, WideString(name.as<WCHAR>(), count) == long_name, true);
      EXPECT_ROW(row.what, type, static_cast<DWORD>(REG_BINARY));
      if (row.give_size) EXPECT_ROW(row.what, size, row.size_after);
    }
  }
  // Buffers that fit, as the size asked for says.
  Guarded name(41 * sizeof(WCHAR));
  Guarded data(300);
  DWORD count = 41, size = 300, type = 0;
  EXPECT_RESULT(
      RegEnumValueW(base, 0, name.as<WCHAR>(), &count, nullptr, &type, data.data(), &size),
      static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_SAME(size, static_cast<DWORD>(300));
  EXPECT_SAME(std::vector<uint8_t>(data.data(), data.data() + 300),
              std::vector<uint8_t>(300, 0x5A));
  EXPECT_TRUE_(name.Intact() && data.Intact());
  RegCloseKey(base);
}

// An index whose key name does not fit the buffer is ERROR_MORE_DATA, and the enumeration goes
// on at the next index: the library passes over such names and looks at the keys after them.
CHECK_CASE(registry, enum_keys_go_on_after_a_name_too_long) {
  HKEY base = FreshBase();
  const WCHAR* names[] = {WS("01"), WS("AMuchLongerNameThanFits"), WS("02"), WS("03")};
  for (const WCHAR* name : names) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    EXPECT_RESULT(Create(base, name, &key, &disposition), static_cast<LONG>(ERROR_SUCCESS));
    RegCloseKey(key);
  }
  std::vector<std::string> fitted;
  int too_long = 0;
  LONG rc = ERROR_SUCCESS;
  DWORD index = 0;
  SetLastError(kSentinel);
  for (; index < 10; ++index) {
    Guarded buffer(16 * sizeof(WCHAR));
    DWORD count = 16;
    rc = RegEnumKeyExW(base, index, buffer.as<WCHAR>(), &count, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE_(buffer.Intact());
    if (rc == ERROR_MORE_DATA) {
      ++too_long;
      continue;
    }
    if (rc != ERROR_SUCCESS) break;
    fitted.push_back(Narrow(WideString(buffer.as<WCHAR>(), count)));
  }
  std::sort(fitted.begin(), fitted.end());
  EXPECT_SAME(Joined(fitted), std::string("01,02,03"));
  EXPECT_SAME(too_long, 1);
  EXPECT_SAME(rc, static_cast<LONG>(ERROR_NO_MORE_ITEMS));
  EXPECT_SAME(index, static_cast<DWORD>(4));
  EXPECT_LAST_ERROR(kSentinel);
  RegCloseKey(base);
}

// RegDeleteKeyW removes a key that has no subkeys, with its values; a missing key is
// ERROR_FILE_NOT_FOUND.
CHECK_CASE(registry, delete_key_removes_a_leaf_and_missing_is_2) {
  HKEY base = FreshBase();
  HKEY leaf = nullptr;
  DWORD disposition = 0;
  EXPECT_RESULT(Create(base, WS("Leaf"), &leaf, &disposition), static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_RESULT(SetDword(leaf, WS("Value"), 1), static_cast<LONG>(ERROR_SUCCESS));
  RegCloseKey(leaf);
  struct Step {
    const WCHAR* name;
    LONG result;
  } steps[] = {{WS("LEAF"), ERROR_SUCCESS}, {WS("Leaf"), ERROR_FILE_NOT_FOUND}};
  for (const Step& step : steps) {
    SetLastError(kSentinel);
    EXPECT_ROW(Narrow(step.name), RegDeleteKeyW(base, step.name), step.result);
    EXPECT_ROW(Narrow(step.name), GetLastError(), kSentinel);
  }
  HKEY gone = nullptr;
  EXPECT_RESULT(Open(base, WS("Leaf"), &gone), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
  RegCloseKey(base);
}

// Windows CE's RegDeleteKey deletes the key with every subkey and value below it; desktop
// Windows refuses a key that has subkeys (RegDeleteTree does that there).
CE_ONLY_CASE(registry, delete_key_takes_its_subkeys_with_it) {
  HKEY base = FreshBase();
  HKEY deep = nullptr;
  DWORD disposition = 0;
  EXPECT_RESULT(Create(base, WS("Top\\Middle\\Bottom"), &deep, &disposition),
                static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_RESULT(SetDword(deep, WS("Value"), 1), static_cast<LONG>(ERROR_SUCCESS));
  RegCloseKey(deep);
  HKEY side = nullptr;
  EXPECT_RESULT(Create(base, WS("Top\\Side"), &side, &disposition),
                static_cast<LONG>(ERROR_SUCCESS));
  RegCloseKey(side);
  SetLastError(kSentinel);
  EXPECT_RESULT(RegDeleteKeyW(base, WS("Top")), static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_LAST_ERROR(kSentinel);
  for (const WCHAR* path : {WS("Top"), WS("Top\\Middle"), WS("Top\\Middle\\Bottom")}) {
    HKEY key = nullptr;
    EXPECT_ROW(Narrow(path), Open(base, path, &key), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
  }
  LONG last = 0;
  EXPECT_RESULT(Joined(KeyNames(base, &last)), std::string(""));
  RegCloseKey(base);
}
