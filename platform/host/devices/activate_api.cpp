// ActivateDeviceEx, DeactivateDevice: loading a driver from its registry key, and unloading it.
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "ce/devices.h"
#include "ce/errors.h"
#include "ce/registry.h"
#include "cehost/text.h"
#include "devices/device_journal.h"
#include "devices/device_names.h"
#include "handset/handset_state.h"
#include "registry/registry_store.h"

using namespace cehost;

namespace {

// What a driver key says.
struct DriverKey {
  std::u16string dll;
  std::u16string prefix;
  bool has_index = false;
  DWORD index = 0;
};

std::vector<std::u16string> SplitKey(std::u16string_view key) {
  std::vector<std::u16string> parts;
  size_t start = 0;
  while (start <= key.size()) {
    size_t end = key.find(u'\\', start);
    if (end == std::u16string_view::npos) end = key.size();
    // A leading backslash names the root, as the CE registry takes it.
    if (end > start) parts.emplace_back(key.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// A REG_SZ value's text without its terminator; false when missing or of another type.
bool ReadText(RegistryStore& registry, int64_t key, std::u16string_view name, std::u16string* out) {
  DWORD type = 0;
  std::vector<uint8_t> data;
  if (registry.Query(key, name, &type, &data) != ERROR_SUCCESS || type != REG_SZ) return false;
  out->assign(reinterpret_cast<const char16_t*>(data.data()), data.size() / sizeof(char16_t));
  while (!out->empty() && out->back() == u'\0') out->pop_back();
  return true;
}

// Reads the key; 0, or the error ActivateDeviceEx fails with.
DWORD ReadDriverKey(RegistryStore& registry, std::u16string_view path, DriverKey* out) {
  int64_t key = 0;
  auto parts = SplitKey(path);
  if (parts.empty() || registry.Open(RegistryStore::kLocalMachine, parts, &key) != ERROR_SUCCESS) {
    return ERROR_FILE_NOT_FOUND;
  }
  if (!ReadText(registry, key, u"Dll", &out->dll) || out->dll.empty()) return ERROR_FILE_NOT_FOUND;
  // This device manager loads stream drivers only, and a stream driver is named by its prefix.
  if (!ReadText(registry, key, u"Prefix", &out->prefix) || !IsLegacyName(out->prefix + u"0:")) {
    return ERROR_INVALID_PARAMETER;
  }
  DWORD type = 0;
  std::vector<uint8_t> data;
  if (registry.Query(key, u"Index", &type, &data) == ERROR_SUCCESS) {
    if (type != REG_DWORD || data.size() != sizeof(DWORD)) return ERROR_INVALID_PARAMETER;
    std::memcpy(&out->index, data.data(), sizeof(DWORD));
    // A legacy name has one digit.
    if (out->index > 9) return ERROR_INVALID_PARAMETER;
    out->has_index = true;
  }
  return 0;
}

std::u16string LegacyName(std::u16string_view prefix, DWORD index) {
  std::u16string name(prefix);
  name.push_back(static_cast<char16_t>(u'0' + index));
  name.push_back(u':');
  return name;
}

// The legacy name the driver takes: its Index, or else the lowest free index from 1 to 9 and then
// 0, as CE's device manager numbers a driver whose key has none. Empty when none is free.
std::u16string ChooseName(const DeviceTable& devices, const DriverKey& key) {
  if (key.has_index) return LegacyName(key.prefix, key.index);
  for (DWORD index : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 0u}) {
    std::u16string name = LegacyName(key.prefix, index);
    if (!devices.ByLegacyName(name)) return name;
  }
  return {};
}

HANDLE FailActivate(Journal& journal, std::string_view key, DWORD error) {
  RecordEffect(journal, EffectKind::kDeviceActivate,
               {{"key", std::string(key)}, {"result", "0"}, {"error", std::to_string(error)}});
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

}  // namespace

// Failures give INVALID_HANDLE_VALUE, as CE 5.0 and later document: a key that is missing or
// has no "Dll" fails with ERROR_FILE_NOT_FOUND, a "Prefix" that is not three letters or an
// "Index" above 9 with ERROR_INVALID_PARAMETER, a library the handset does not have with
// ERROR_MOD_NOT_FOUND (as LoadLibrary fails), a legacy name already loaded with
// ERROR_ALREADY_EXISTS, and a driver that refuses to load with its own last error
// (ERROR_INVALID_FUNCTION when it set none). lpRegEnts would be copied into the Active key for a
// bus driver; this device manager loads no bus drivers and does not look at them. lpvParam is the
// driver's initialisation parameter, which the factory does not take.
extern "C" HANDLE ActivateDeviceEx(LPCWSTR lpszDevKey, LPCVOID /*lpRegEnts*/, DWORD /*cRegEnts*/,
                                   LPVOID /*lpvParam*/) {
  HandsetState& state = Current();
  if (!lpszDevKey) return FailActivate(state.journal, "", ERROR_INVALID_PARAMETER);
  std::u16string path(lpszDevKey);
  std::string key_text = ToUtf8(path);
  if (!state.registry) return FailActivate(state.journal, key_text, ERROR_FILE_NOT_FOUND);
  try {
    DriverKey key;
    if (DWORD error = ReadDriverKey(*state.registry, path, &key)) {
      return FailActivate(state.journal, key_text, error);
    }
    auto factory = state.devices.Library(key.dll);
    if (!factory) return FailActivate(state.journal, key_text, ERROR_MOD_NOT_FOUND);
    std::u16string legacy_name = ChooseName(state.devices, key);
    if (legacy_name.empty() || state.devices.ByLegacyName(legacy_name)) {
      return FailActivate(state.journal, key_text, ERROR_ALREADY_EXISTS);
    }
    // The key as the device manager lists it: without a leading backslash.
    size_t start = path.find_first_not_of(u'\\');
    std::u16string device_key = start == std::u16string::npos ? u"" : path.substr(start);
    DeviceListing listing;
    listing.legacy_name = legacy_name;
    listing.device_key = device_key;
    SetLastError(ERROR_SUCCESS);
    std::shared_ptr<StreamDriver> driver = (*factory)(device_key, &listing);
    if (!driver) {
      DWORD error = GetLastError();
      return FailActivate(state.journal, key_text, error ? error : ERROR_INVALID_FUNCTION);
    }
    listing.legacy_name = std::move(legacy_name);
    listing.device_key = std::move(device_key);
    auto entry =
        state.devices.InstallNew(std::move(listing), std::move(driver), state.registry.get());
    // Another thread loaded a driver of that name meanwhile.
    if (!entry) return FailActivate(state.journal, key_text, ERROR_ALREADY_EXISTS);
    RecordEffect(state.journal, EffectKind::kDeviceActivate,
                 {{"key", key_text},
                  {"dll", ToUtf8(key.dll)},
                  {"device", entry->name},
                  {"handle", Hex(entry->activation)},
                  {"active", ToUtf8(entry->active_subkey)},
                  {"result", "1"}});
    return HandleTable::ToHandle<HANDLE>(entry->activation);
  } catch (const std::bad_alloc&) {
    return FailActivate(state.journal, key_text, ERROR_OUTOFMEMORY);
  }
}

// Any loaded driver's activation handle unloads it, whether ActivateDeviceEx loaded it or the
// handset had it from the start; another value fails with ERROR_INVALID_HANDLE. Handles open on
// the driver fail from then on.
extern "C" BOOL DeactivateDevice(HANDLE hDevice) {
  HandsetState& state = Current();
  uint32_t value = HandleTable::ValueOf(hDevice);
  auto entry = value ? state.devices.RemoveActivation(value, state.registry.get()) : nullptr;
  if (!entry) {
    RecordEffect(state.journal, EffectKind::kDeviceDeactivate,
                 {{"handle", Hex(value)}, {"result", "0"}, {"error", "6"}});
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  RecordEffect(state.journal, EffectKind::kDeviceDeactivate,
               {{"handle", Hex(value)},
                {"device", entry->name},
                {"active", ToUtf8(entry->active_subkey)},
                {"result", "1"}});
  return TRUE;
}
