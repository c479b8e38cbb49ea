// The RAS phone book in the registry, where Windows CE keeps it: one key per entry holding the
// entry record ("Entry") and the device configuration ("DevCfg") as binary values.
#include <cstring>
#include <string>
#include <vector>

#include "ce/registry.h"
#include "ras/ras_service.h"

namespace cehost {

namespace {

std::u16string KeyOf(const std::u16string& name) {
  return u"Comm\\RasBook\\" + name;
}

bool ReadBinary(HKEY key, const char16_t* value, std::vector<uint8_t>* bytes) {
  DWORD size = 0;
  if (RegQueryValueExW(key, value, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return false;
  bytes->resize(size);
  return RegQueryValueExW(key, value, nullptr, nullptr, bytes->data(), &size) == ERROR_SUCCESS;
}

}  // namespace

bool LoadPhoneBookEntry(const std::u16string& name, RASENTRY* entry,
                        std::vector<uint8_t>* device_config) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, KeyOf(name).c_str(), 0, 0, &key) != ERROR_SUCCESS)
    return false;
  std::vector<uint8_t> bytes;
  bool ok = ReadBinary(key, u"Entry", &bytes) && bytes.size() == sizeof(RASENTRY);
  if (ok) std::memcpy(entry, bytes.data(), sizeof(RASENTRY));
  device_config->clear();
  if (ok) ReadBinary(key, u"DevCfg", device_config);
  RegCloseKey(key);
  return ok;
}

bool StorePhoneBookEntry(const std::u16string& name, const RASENTRY& entry, const uint8_t* device,
                         DWORD device_size) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, KeyOf(name).c_str(), 0, nullptr, 0, 0, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  bool ok = RegSetValueExW(key, u"Entry", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&entry),
                           sizeof entry) == ERROR_SUCCESS;
  if (ok && device) {
    ok = RegSetValueExW(key, u"DevCfg", 0, REG_BINARY, device, device_size) == ERROR_SUCCESS;
  } else if (ok) {
    RegDeleteValueW(key, u"DevCfg");
  }
  RegCloseKey(key);
  return ok;
}

bool DeletePhoneBookEntry(const std::u16string& name) {
  return RegDeleteKeyW(HKEY_CURRENT_USER, KeyOf(name).c_str()) == ERROR_SUCCESS;
}

}  // namespace cehost
