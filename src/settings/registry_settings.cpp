#include "settings/registry_settings.h"

#include "frame/registry_value.h"

void WriteSettings(HKEY key, std::initializer_list<RegistrySetting> settings) {
  for (const RegistrySetting& setting : settings) {
    if (setting.text) {
      SetStringValue(key, setting.name, setting.text);
    } else {
      SetDwordValue(key, setting.name, setting.number);
    }
  }
}

bool WriteSettingsToExistingKey(HKEY root, LPCWSTR path,
                                std::initializer_list<RegistrySetting> settings) {
  HKEY key = OpenExistingRegistryKey(root, path);
  if (!key) return false;
  WriteSettings(key, settings);
  RegCloseKey(key);
  return true;
}

bool WriteSettingsToKey(HKEY root, LPCWSTR path, std::initializer_list<RegistrySetting> settings) {
  HKEY key = CreateRegistryKey(root, path, KEY_ALL_ACCESS);
  if (!key) return false;
  WriteSettings(key, settings);
  RegCloseKey(key);
  return true;
}
