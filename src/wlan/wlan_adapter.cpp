#include "wlan/wlan_adapter.h"

#include "ce/devices.h"
#include "ce/files.h"
#include "ce/kernel.h"
#include "ce/ndis.h"
#include "ce/registry.h"
#include "ce/text.h"
#include "frame/platform_info.h"
#include "frame/registry_value.h"

namespace {

constexpr DWORD kNoDriver = 0xFFFFFFFFu;
// The hardware variant whose chip has a loadable stream driver.
constexpr DWORD kStreamDriverHardware = 1;
constexpr char16_t kWlanDriverKey[] = u"Drivers\\SSP\\SWLD24SP";
constexpr char16_t kWlanDriverName[] = u"NDL1:";
// The adapter as the power manager names it: the NDIS miniport power class, then its name.
constexpr char16_t kAdapterPowerName[] = u"{98C5250D-C29A-4985-AE5F-AFE5367E5006}\\SDIO86881";
constexpr char16_t kAdapterName[] = u"SDIO86881";

// The adapter's name as the network stack's controls take it: the name, its terminator and one
// more that ends the list.
struct AdapterList {
  WCHAR text[255];
  DWORD bytes;
};

AdapterList MakeAdapterList() {
  AdapterList list = {};
  wcscpy(list.text, kAdapterName);
  const size_t length = wcslen(kAdapterName);
  list.text[length + 1] = 0;
  list.bytes = static_cast<DWORD>((length + 2) * sizeof(WCHAR));
  return list;
}

// Keeps the power state the adapter is to be in with the NDIS power service; skipped when the
// service cannot be opened.
void SaveAdapterPowerState(LPCWSTR adapter, CEDEVICE_POWER_STATE state) {
  HANDLE service = CreateFileW(kNdisPowerDevice, 0, 0, nullptr, OPEN_EXISTING,
                               FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, INVALID_HANDLE_VALUE);
  if (service == INVALID_HANDLE_VALUE) return;
  NDISPWR_SAVEPOWERSTATE saved = {};
  saved.pwcAdapterName = adapter;
  saved.CePowerState = state;
  DeviceIoControl(service, IOCTL_NPW_SAVE_POWER_STATE, &saved, sizeof saved, nullptr, 0, nullptr,
                  nullptr);
  CloseHandle(service);
}

// Switches the SDIO adapter: the power state kept and set first, then the binding.
void SwitchSdioAdapter(CEDEVICE_POWER_STATE state, DWORD binding, LPCWSTR trace) {
  AdapterList list = MakeAdapterList();
  SaveAdapterPowerState(list.text, state);
  SetDevicePower(const_cast<char16_t*>(kAdapterPowerName), POWER_NAME, state);
  CallNdisDevice(binding, list.text, list.bytes, nullptr, nullptr);
  NKDbgPrintfW(trace);
}

}  // namespace

void LoadWlanAdapter() {
  if (GetHardwareVersionNumber() == kStreamDriverHardware) {
    HANDLE driver = ActivateDeviceEx(kWlanDriverKey, nullptr, 0, nullptr);
    // The device manager answers a failure with INVALID_HANDLE_VALUE (older systems with null):
    // neither is a loaded driver.
    if (driver && driver != INVALID_HANDLE_VALUE) {
      NKDbgPrintfW(u"\r\nLhDriver = %02x\r\n",
                   static_cast<DWORD>(reinterpret_cast<uintptr_t>(driver)));
      NKDbgPrintfW(u"---------------------------------------------Get the message FWStart\r\n");
    }
    return;
  }
  SwitchSdioAdapter(PwrDeviceUnspecified, IOCTL_NDIS_BIND_ADAPTER, u"BIND  wlan!!!!\r\n!!!!!");
}

void UnloadWlanAdapter() {
  if (GetHardwareVersionNumber() == kStreamDriverHardware) {
    DWORD handle = FindActiveDriverHandle();
    if (handle == kNoDriver) return;
    if (!DeactivateDevice(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(handle)))) {
      NKDbgPrintfW(u"\r\nUnloadDriver : SWLD24SP\r\n");
    }
    return;
  }
  SwitchSdioAdapter(D4, IOCTL_NDIS_UNBIND_ADAPTER, u"UNBIND   wlan!!!!\r\n!!!!!");
}

DWORD FindActiveDriverHandle() {
  HKEY active = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"\\Drivers\\Active", 0, 0, &active) != ERROR_SUCCESS) {
    return kNoDriver;
  }
  DWORD result = kNoDriver;
  for (DWORD index = 0;; ++index) {
    WCHAR subkey_name[16];
    DWORD length = 16;
    LONG enumerated =
        RegEnumKeyExW(active, index, subkey_name, &length, nullptr, nullptr, nullptr, nullptr);
    // A name longer than the buffer is not a device manager entry's ("01"): it is passed over,
    // and the entries after it are still looked at.
    if (enumerated == ERROR_MORE_DATA) continue;
    if (enumerated != ERROR_SUCCESS) break;
    HKEY entry = nullptr;
    if (RegOpenKeyExW(active, subkey_name, 0, 0, &entry) != ERROR_SUCCESS) continue;
    // 16 characters are read; the 17th place keeps a name that fills them terminated.
    WCHAR name[17] = {};
    DWORD size = 16 * sizeof(WCHAR);
    LONG read =
        RegQueryValueExW(entry, u"Name", nullptr, nullptr, reinterpret_cast<BYTE*>(name), &size);
    if (read != ERROR_SUCCESS || wcscmp(name, kWlanDriverName) != 0) {
      RegCloseKey(entry);
      continue;
    }
    NKDbgPrintfW(u"RegQueryValueEx(%s\\Name) returned\r\n", subkey_name);
    DWORD handle = 0;
    if (QueryDwordOrZero(entry, u"Hnd", &handle)) result = handle;
    RegCloseKey(entry);
    break;
  }
  RegCloseKey(active);
  return result;
}

BOOL CallNdisDevice(DWORD code, LPVOID input, DWORD input_size, LPVOID output,
                    LPDWORD output_size) {
  HANDLE device = CreateFileW(kNdisDevice, GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (device == INVALID_HANDLE_VALUE) return FALSE;
  BOOL result = DeviceIoControl(device, code, input, input_size, output,
                                output_size ? *output_size : 0, output_size, nullptr);
  CloseHandle(device);
  return result;
}
