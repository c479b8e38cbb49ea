#include "devices/active_keys.h"

#include <cstdio>
#include <vector>

#include "ce/devices.h"
#include "ce/registry.h"
#include "registry/registry_store.h"

namespace cehost {

namespace {

const std::vector<std::u16string>& ActivePath() {
  static const std::vector<std::u16string> path = {u"Drivers", u"Active"};
  return path;
}

std::u16string SubkeyName(int number) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", number);
  return std::u16string(text, text + std::char_traits<char>::length(text));
}

LONG SetText(RegistryStore& registry, int64_t key, std::u16string_view name,
             std::u16string_view text) {
  std::u16string stored(text);
  return registry.Set(key, name, REG_SZ, reinterpret_cast<const uint8_t*>(stored.c_str()),
                      (stored.size() + 1) * sizeof(char16_t));
}

}  // namespace

std::u16string AddActiveKey(RegistryStore& registry, std::u16string_view legacy_name,
                            uint32_t activation, std::u16string_view device_key) {
  if (registry.BeginBatch() != ERROR_SUCCESS) return {};
  int64_t active = 0;
  std::vector<int64_t> created;
  LONG rc = registry.Create(RegistryStore::kLocalMachine, ActivePath(), &active, &created);
  // CE numbers the subkeys from 01; the lowest number not in use is taken.
  std::u16string subkey;
  for (int number = 1; rc == ERROR_SUCCESS && subkey.empty(); ++number) {
    int64_t existing = 0;
    std::u16string name = SubkeyName(number);
    if (registry.Open(active, {name}, &existing) == ERROR_FILE_NOT_FOUND) subkey = name;
  }
  int64_t key = 0;
  if (rc == ERROR_SUCCESS) rc = registry.Create(active, {subkey}, &key, &created);
  if (rc == ERROR_SUCCESS) rc = SetText(registry, key, u"Name", legacy_name);
  if (rc == ERROR_SUCCESS) {
    rc = registry.Set(key, u"Hnd", REG_DWORD, reinterpret_cast<const uint8_t*>(&activation),
                      sizeof activation);
  }
  if (rc == ERROR_SUCCESS) rc = SetText(registry, key, u"Key", device_key);
  if (rc != ERROR_SUCCESS) {
    registry.RollbackBatch();
    return {};
  }
  return registry.CommitBatch() == ERROR_SUCCESS ? subkey : std::u16string();
}

void RemoveActiveKey(RegistryStore& registry, std::u16string_view subkey) {
  int64_t active = 0;
  if (registry.Open(RegistryStore::kLocalMachine, ActivePath(), &active) != ERROR_SUCCESS) return;
  registry.DeleteKey(active, subkey);
}

void ClearActiveKeys(RegistryStore& registry) {
  int64_t active = 0;
  if (registry.Open(RegistryStore::kLocalMachine, ActivePath(), &active) != ERROR_SUCCESS) return;
  std::u16string subkey;
  while (registry.EnumKey(active, 0, &subkey) == ERROR_SUCCESS) {
    if (registry.DeleteKey(active, subkey) != ERROR_SUCCESS) return;
  }
}

}  // namespace cehost
