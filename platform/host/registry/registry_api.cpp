// The registry calls over the current handset's registry store.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ce/registry.h"
#include "ce/text.h"
#include "cehost/text.h"
#include "handset/handset_state.h"
#include "registry/registry_store.h"

namespace cehost {
namespace {

struct KeyObject : HandleObject {
  KeyObject(int64_t key_id, std::string key_path)
      : HandleObject(HandleKind::kKey), id(key_id), path(std::move(key_path)) {}
  // A key closes only with RegCloseKey.
  bool ClosedByCloseHandle() const override { return false; }
  int64_t id;
  // The key's full name in its stored case, as the journal shows it.
  std::string path;
};

int64_t RootId(HKEY key) {
  if (key == HKEY_CLASSES_ROOT) return RegistryStore::kClassesRoot;
  if (key == HKEY_CURRENT_USER) return RegistryStore::kCurrentUser;
  if (key == HKEY_LOCAL_MACHINE) return RegistryStore::kLocalMachine;
  if (key == HKEY_USERS) return RegistryStore::kUsers;
  return 0;
}

// The registry and the key a handle stands for, or the error code that the call returns.
struct Target {
  HandsetState* state = nullptr;
  RegistryStore* store = nullptr;
  int64_t key = 0;
  // The key's full name: a root's, or the handle's, which object keeps.
  std::string_view path;
  std::shared_ptr<KeyObject> object;
  LONG error = ERROR_SUCCESS;
};

const char* RootName(int64_t root) {
  switch (root) {
    case RegistryStore::kClassesRoot:
      return "HKEY_CLASSES_ROOT";
    case RegistryStore::kCurrentUser:
      return "HKEY_CURRENT_USER";
    case RegistryStore::kLocalMachine:
      return "HKEY_LOCAL_MACHINE";
    default:
      return "HKEY_USERS";
  }
}

Target Resolve(HandsetState& state, HKEY hkey) {
  Target t;
  t.state = &state;
  if (!state.registry) {
    t.error = state.registry_error ? state.registry_error : ERROR_BADDB;
    return t;
  }
  t.store = state.registry.get();
  t.key = RootId(hkey);
  if (t.key) {
    t.path = RootName(t.key);
    return t;
  }
  t.object = state.handles.Get<KeyObject>(hkey, HandleKind::kKey);
  if (!t.object) {
    t.error = ERROR_INVALID_HANDLE;
    return t;
  }
  t.key = t.object->id;
  t.path = t.object->path;
  return t;
}

// Splits a key path at its backslashes. One leading backslash is accepted ("\Drivers\Active" is
// how the platform's own callers spell some keys) and so is one trailing backslash; an empty
// name inside the path or a name over 255 characters is refused.
LONG SplitPath(LPCWSTR sub_key, std::vector<std::u16string>* parts) {
  parts->clear();
  if (!sub_key) return ERROR_SUCCESS;
  std::u16string_view path(sub_key);
  if (path.starts_with(u'\\')) path.remove_prefix(1);
  if (path.ends_with(u'\\')) path.remove_suffix(1);
  if (path.empty()) return ERROR_SUCCESS;
  size_t start = 0;
  for (;;) {
    size_t end = path.find(u'\\', start);
    std::u16string_view name = path.substr(start, end == path.npos ? path.npos : end - start);
    if (name.empty() || name.size() > REG_MAX_NAME) return ERROR_INVALID_PARAMETER;
    parts->emplace_back(name);
    if (end == path.npos) break;
    start = end + 1;
  }
  return ERROR_SUCCESS;
}

// The key a handle stands for and the path below it, for the calls that open a subkey; an
// error code when the result pointer is null or the handle or path is bad.
LONG ResolveSubKey(HandsetState& state, HKEY hkey, LPCWSTR sub_key, PHKEY result, Target* t,
                   std::vector<std::u16string>* parts) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *t = Resolve(state, hkey);
  if (t->error) return t->error;
  return SplitPath(sub_key, parts);
}

// The full name of a key below t's key, from the names of the path below it as stored.
std::string PathBelow(const Target& t, std::u16string_view stored) {
  std::string path(t.path);
  if (!stored.empty()) path += '\\' + ToUtf8(stored);
  return path;
}

// How many keys t's key lies below its root.
size_t DepthOf(const Target& t) {
  return static_cast<size_t>(std::count(t.path.begin(), t.path.end(), '\\'));
}

LONG OpenHandle(const Target& t, int64_t key, std::string path, PHKEY result) {
  auto object = std::make_shared<KeyObject>(key, std::move(path));
  *result = HandleTable::ToHandle<HKEY>(t.state->handles.Insert(std::move(object)));
  return ERROR_SUCCESS;
}

void RecordValue(EffectKind kind, const Target& t, std::u16string_view name, const DWORD* type,
                 const BYTE* data, DWORD size) {
  // Built in place: a value is set often, and each copied string would cost an allocation.
  std::vector<std::pair<std::string, std::string>> fields;
  fields.reserve(3);
  fields.emplace_back("key", t.path);
  fields.emplace_back("name", ToUtf8(name));
  if (type) fields.emplace_back("type", std::to_string(*type));
  std::vector<uint8_t> bytes;
  if (data && size) bytes.assign(data, data + size);
  RecordEffect(t.state->journal, kind, std::move(fields), std::move(bytes));
}

std::u16string_view ValueName(LPCWSTR name) {
  return name ? std::u16string_view(name) : u"";
}

// The platform's size-in/size-out protocol for value data: with no buffer only the size is
// reported; a buffer that is too small gets ERROR_MORE_DATA and the size it needs.
LONG DeliverData(const std::vector<uint8_t>& bytes, LPBYTE data, LPDWORD size) {
  DWORD needed = static_cast<DWORD>(bytes.size());
  if (!data) {
    if (size) *size = needed;
    return ERROR_SUCCESS;
  }
  if (*size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  if (needed) std::memcpy(data, bytes.data(), needed);
  *size = needed;
  return ERROR_SUCCESS;
}

// Copies a name into a caller's buffer of *count characters (the terminator included); on
// success *count is the length without the terminator.
LONG DeliverName(const std::u16string& name, LPWSTR buffer, LPDWORD count) {
  if (name.size() + 1 > *count) return ERROR_MORE_DATA;
  std::memcpy(buffer, name.data(), name.size() * sizeof(WCHAR));
  buffer[name.size()] = 0;
  *count = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

}  // namespace
}  // namespace cehost

using namespace cehost;

extern "C" LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD, REGSAM,
                                LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition) {
  Target t;
  std::vector<std::u16string> parts;
  if (LONG rc = ResolveSubKey(Current(), hKey, lpSubKey, phkResult, &t, &parts)) return rc;
  int64_t key = 0;
  std::u16string stored;
  LONG rc = t.store->OpenBelow(t.key, parts, &key, &stored);
  if (rc == ERROR_FILE_NOT_FOUND) {
    // Only a key that would be created can break the nesting limit.
    if (DepthOf(t) + parts.size() > REG_MAX_DEPTH) return ERROR_INVALID_PARAMETER;
    std::vector<int64_t> created;
    if ((rc = t.store->Create(t.key, parts, &key, &created, &stored))) return rc;
    // Each key made is an effect of its own, parents first: the made keys end the path.
    std::string path = PathBelow(t, stored);
    std::vector<std::string> made;
    for (size_t i = 0; i < created.size(); ++i) {
      made.push_back(path);
      path.resize(path.rfind('\\'));
    }
    for (auto name = made.rbegin(); name != made.rend(); ++name)
      RecordEffect(t.state->journal, EffectKind::kRegCreateKey, {{"key", *name}});
    if (lpdwDisposition) *lpdwDisposition = REG_CREATED_NEW_KEY;
  } else if (rc) {
    return rc;
  } else if (lpdwDisposition) {
    *lpdwDisposition = REG_OPENED_EXISTING_KEY;
  }
  return OpenHandle(t, key, PathBelow(t, stored), phkResult);
}

extern "C" LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM, PHKEY phkResult) {
  Target t;
  std::vector<std::u16string> parts;
  if (LONG rc = ResolveSubKey(Current(), hKey, lpSubKey, phkResult, &t, &parts)) return rc;
  int64_t key = 0;
  std::u16string stored;
  if (LONG rc = t.store->OpenBelow(t.key, parts, &key, &stored)) return rc;
  return OpenHandle(t, key, PathBelow(t, stored), phkResult);
}

extern "C" LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                 LPBYTE lpData, LPDWORD lpcbData) {
  if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  Target t = Resolve(Current(), hKey);
  if (t.error) return t.error;
  DWORD type = 0;
  std::vector<uint8_t> bytes;
  if (LONG rc = t.store->Query(t.key, ValueName(lpValueName), &type, &bytes)) return rc;
  if (lpType) *lpType = type;
  return DeliverData(bytes, lpData, lpcbData);
}

extern "C" LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType,
                               const BYTE* lpData, DWORD cbData) {
  if (!lpData && cbData) return ERROR_INVALID_PARAMETER;
  std::u16string_view name = ValueName(lpValueName);
  if (name.size() > REG_MAX_NAME) return ERROR_INVALID_PARAMETER;
  Target t = Resolve(Current(), hKey);
  if (t.error) return t.error;
  // The store refuses a value of a key that is gone with ERROR_KEY_DELETED.
  if (LONG rc = t.store->Set(t.key, name, dwType, lpData, cbData)) return rc;
  RecordValue(EffectKind::kRegSetValue, t, name, &dwType, lpData, cbData);
  return ERROR_SUCCESS;
}

extern "C" LONG RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName,
                              LPDWORD lpReserved, LPWSTR lpClass, LPDWORD lpcchClass,
                              PFILETIME lpftLastWriteTime) {
  if (!lpName || !lpcchName || lpReserved || (lpClass && !lpcchClass))
    return ERROR_INVALID_PARAMETER;
  Target t = Resolve(Current(), hKey);
  if (t.error) return t.error;
  std::u16string name;
  if (LONG rc = t.store->EnumKey(t.key, dwIndex, &name)) return rc;
  if (LONG rc = DeliverName(name, lpName, lpcchName)) return rc;
  // Keys have no class and no write time here.
  if (lpClass && *lpcchClass) lpClass[0] = 0;
  if (lpcchClass) *lpcchClass = 0;
  if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

// A name buffer too small for the value's name is ERROR_MORE_DATA with the count, type and data
// size left as the caller set them: the platform documents no required length for it (a caller
// asks RegQueryInfoKeyW). A data buffer too small is ERROR_MORE_DATA with the name and type
// given and the size the data needs, as RegQueryValueExW reports it.
extern "C" LONG RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                              LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  if (!lpValueName || !lpcchValueName || lpReserved || (lpData && !lpcbData))
    return ERROR_INVALID_PARAMETER;
  Target t = Resolve(Current(), hKey);
  if (t.error) return t.error;
  std::u16string name;
  DWORD type = 0;
  std::vector<uint8_t> bytes;
  if (LONG rc = t.store->EnumValue(t.key, dwIndex, &name, &type, &bytes)) return rc;
  if (LONG rc = DeliverName(name, lpValueName, lpcchValueName)) return rc;
  if (lpType) *lpType = type;
  return DeliverData(bytes, lpData, lpcbData);
}

extern "C" LONG RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
  Target t = Resolve(Current(), hKey);
  if (t.error) return t.error;
  std::u16string_view name = ValueName(lpValueName);
  if (LONG rc = t.store->Delete(t.key, name)) return rc;
  RecordValue(EffectKind::kRegDeleteValue, t, name, nullptr, nullptr, 0);
  return ERROR_SUCCESS;
}

extern "C" LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
  Target t = Resolve(Current(), hKey);
  if (t.error) return t.error;
  std::vector<std::u16string> parts;
  if (LONG rc = SplitPath(lpSubKey, &parts)) return rc;
  // A root key, or the key itself, cannot be deleted this way.
  if (parts.empty()) return ERROR_ACCESS_DENIED;
  std::vector<std::u16string> parent_path(parts.begin(), parts.end() - 1);
  int64_t parent = 0;
  std::u16string stored;
  if (LONG rc = t.store->Open(t.key, parent_path, &parent, &stored)) return rc;
  int64_t key = 0;
  std::u16string name;
  if (LONG rc = t.store->Open(parent, {parts.back()}, &key, &name)) return rc;
  std::string path = PathBelow(t, stored.empty() ? name : stored + u'\\' + name);
  if (LONG rc = t.store->DeleteKey(parent, parts.back())) return rc;
  RecordEffect(t.state->journal, EffectKind::kRegDeleteKey, {{"key", path}});
  return ERROR_SUCCESS;
}

extern "C" LONG RegCloseKey(HKEY hKey) {
  if (RootId(hKey)) return ERROR_SUCCESS;
  uint32_t value = HandleTable::ValueOf(hKey);
  if (!Current().handles.Remove(value, HandleKind::kKey)) return ERROR_INVALID_HANDLE;
  return ERROR_SUCCESS;
}
