// What the WLAN hardware's tests share: the Wi-Fi interface as the IP helper's tables list it,
// the device manager's list of loaded drivers, and the platform calls that switch the adapter of
// either hardware variant on and off, in the order and with the arguments the handset's software
// uses.
#pragma once

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "ce/devices.h"
#include "ce/files.h"
#include "ce/kernel.h"
#include "ce/ndis.h"
#include "ce/registry.h"
#include "cehost/network.h"
#include "sim/network/network.h"

namespace wlan_test {

inline constexpr char16_t kDriverKey[] = u"Drivers\\SSP\\SWLD24SP";
inline constexpr char16_t kAdapterPowerName[] =
    u"{98C5250D-C29A-4985-AE5F-AFE5367E5006}\\SDIO86881";

// The adapter name of the Wi-Fi interface listed now; empty when there is none.
inline std::string WifiAdapter() {
  for (const cehost::NetworkInterface& link : cehost::NetworkInterfaces())
    if (link.index == sim::kWifiIndex) return link.adapter_name;
  return "";
}

// The "Hnd" of the Drivers\Active entry named exactly "NDL1:"; nothing when none is listed.
inline std::optional<DWORD> ActiveHandle(const char16_t* wanted = u"NDL1:") {
  HKEY active = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"\\Drivers\\Active", 0, 0, &active) != ERROR_SUCCESS)
    return std::nullopt;
  std::optional<DWORD> found;
  for (DWORD index = 0; !found; ++index) {
    char16_t subkey[16];
    DWORD size = 16;
    if (RegEnumKeyExW(active, index, subkey, &size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    HKEY entry = nullptr;
    if (RegOpenKeyExW(active, subkey, 0, 0, &entry) != ERROR_SUCCESS) continue;
    char16_t name[16] = {};
    DWORD bytes = sizeof name;
    DWORD handle = 0;
    DWORD handle_bytes = sizeof handle;
    if (RegQueryValueExW(entry, u"Name", nullptr, nullptr, reinterpret_cast<BYTE*>(name), &bytes) ==
            ERROR_SUCCESS &&
        std::u16string(name) == wanted &&
        RegQueryValueExW(entry, u"Hnd", nullptr, nullptr, reinterpret_cast<BYTE*>(&handle),
                         &handle_bytes) == ERROR_SUCCESS)
      found = handle;
    RegCloseKey(entry);
  }
  RegCloseKey(active);
  return found;
}

// Switches the serial-bus chip's driver on (loads it) or off (unloads the one listed).
inline void SwitchSerialChip(bool on) {
  if (on) {
    ActivateDeviceEx(kDriverKey, nullptr, 0, nullptr);
    return;
  }
  if (auto handle = ActiveHandle())
    DeactivateDevice(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(*handle)));
}

// The adapter name list of the bind and unbind controls: "SDIO86881", NUL, NUL.
inline std::vector<char16_t> AdapterList(std::u16string_view names = u"SDIO86881") {
  std::vector<char16_t> list(names.begin(), names.end());
  list.push_back(u'\0');
  list.push_back(u'\0');
  return list;
}

// Switches the SDIO adapter: its saved power state, its device power, then binding.
inline void SwitchSdioAdapter(bool on) {
  CEDEVICE_POWER_STATE state = on ? PwrDeviceUnspecified : D4;
  std::vector<char16_t> name = AdapterList();
  HANDLE power = CreateFileW(kNdisPowerDevice, 0, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, INVALID_HANDLE_VALUE);
  if (power != INVALID_HANDLE_VALUE) {
    NDISPWR_SAVEPOWERSTATE save{name.data(), state};
    DeviceIoControl(power, IOCTL_NPW_SAVE_POWER_STATE, &save, sizeof save, nullptr, 0, nullptr,
                    nullptr);
    CloseHandle(power);
  }
  SetDevicePower(const_cast<char16_t*>(kAdapterPowerName), POWER_NAME, state);
  HANDLE ndis =
      CreateFileW(kNdisDevice, GENERIC_READ | GENERIC_WRITE, 3, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (ndis == INVALID_HANDLE_VALUE) return;
  DeviceIoControl(ndis, on ? IOCTL_NDIS_BIND_ADAPTER : IOCTL_NDIS_UNBIND_ADAPTER, name.data(),
                  static_cast<DWORD>(name.size() * sizeof(char16_t)), nullptr, 0, nullptr, nullptr);
  CloseHandle(ndis);
}

// The bytes of a list of UTF-16 characters, for a control's input.
inline std::vector<uint8_t> Bytes(const std::vector<char16_t>& text) {
  std::vector<uint8_t> bytes(text.size() * sizeof(char16_t));
  std::memcpy(bytes.data(), text.data(), bytes.size());
  return bytes;
}

}  // namespace wlan_test
