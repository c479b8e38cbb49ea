// The device manager as Windows CE documents it: stream devices opened with CreateFileW by their
// legacy name ("XXX0:") or bus name and driven with DeviceIoControl; FindFirstDevice,
// FindNextDevice and FindClose over the loaded devices, by name and by interface class;
// ActivateDeviceEx and DeactivateDevice loading a driver from its registry key and listing it
// under Drivers\Active; SetDevicePower forcing a device's power state by name. The library relies
// on each to reach its drivers. Desktop Win32 has no device manager (no FindFirstDevice,
// ActivateDeviceEx or SetDevicePower, and no "XXX0:" names), so every check is CE-only; they
// install their own drivers on the handset, so the Win32 build leaves this file out.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ce/devices.h"
#include "cehost/devices.h"
#include "check.h"
#include "rows.h"

namespace {

using conformance::kSentinel;

constexpr DWORD kEcho = 0x100;  // the test driver's control code: the input back, reversed

// An interface class the test devices advertise.
constexpr GUID kConformanceClass = {
    0x6D38C0F1, 0x0001, 0x4C6E, {0x9A, 0x11, 0x43, 0x4F, 0x4E, 0x46, 0x00, 0x01}};

// A stream driver that records what reaches it.
class EchoDriver : public cehost::StreamDriver {
 public:
  uint32_t Open(DWORD access, DWORD share) override {
    std::lock_guard lock(mutex_);
    access_ = access;
    share_ = share;
    return ++opens_;
  }
  BOOL IoControl(uint32_t, DWORD code, const void* in, DWORD in_size, void* out, DWORD out_size,
                 DWORD* returned) override {
    if (code != kEcho) {
      SetLastError(ERROR_NOT_SUPPORTED);
      return FALSE;
    }
    if (out_size < in_size) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    const auto* bytes = static_cast<const uint8_t*>(in);
    for (DWORD i = 0; i < in_size; ++i) static_cast<uint8_t*>(out)[i] = bytes[in_size - 1 - i];
    *returned = in_size;
    return TRUE;
  }
  void Close(uint32_t) override {
    std::lock_guard lock(mutex_);
    ++closes_;
  }
  // Takes D0, D3 and D4; D1 and D2 become D3. Refuses everything when refusing.
  int SetPower(int state) override {
    std::lock_guard lock(mutex_);
    asked_.push_back(state);
    if (refuse_power_) {
      SetLastError(ERROR_SUCCESS);
      return -1;
    }
    if (state == D1 || state == D2) return D3;
    return state == PwrDeviceUnspecified ? D0 : state;
  }

  DWORD access() const {
    std::lock_guard lock(mutex_);
    return access_;
  }
  DWORD share() const {
    std::lock_guard lock(mutex_);
    return share_;
  }
  int closes() const {
    std::lock_guard lock(mutex_);
    return closes_;
  }
  std::vector<int> asked() const {
    std::lock_guard lock(mutex_);
    return asked_;
  }
  void refuse_power() {
    std::lock_guard lock(mutex_);
    refuse_power_ = true;
  }

 private:
  mutable std::mutex mutex_;
  DWORD access_ = 0;
  DWORD share_ = 0;
  uint32_t opens_ = 0;
  int closes_ = 0;
  std::vector<int> asked_;
  bool refuse_power_ = false;
};

// Puts an echo driver on the handset as "CNF<digit>:", with a bus name and the test class.
std::shared_ptr<EchoDriver> Install(char16_t digit, HANDLE* activation = nullptr) {
  auto driver = std::make_shared<EchoDriver>();
  cehost::DeviceListing listing;
  listing.legacy_name = std::u16string(u"CNF") + digit + u":";
  listing.device_key = std::u16string(u"Drivers\\BuiltIn\\Conformance") + digit;
  listing.bus_name = std::u16string(u"ConformanceBus_") + digit;
  listing.interface_classes = {kConformanceClass};
  HANDLE handle = cehost::InstallStreamDriver(listing, driver);
  if (activation) *activation = handle;
  return driver;
}

HANDLE Open(const WCHAR* name, DWORD access = GENERIC_READ | GENERIC_WRITE, DWORD share = 0) {
  SetLastError(kSentinel);
  return CreateFileW(name, access, share, nullptr, OPEN_EXISTING, 0, nullptr);
}

// One control code sent: its result, the last error when it failed, the bytes it returned.
struct Control {
  BOOL ok = FALSE;
  DWORD error = 0;
  DWORD returned = 0xDEAD;
  std::vector<uint8_t> out;
};

Control Send(HANDLE device, DWORD code, std::vector<uint8_t> in, DWORD out_size) {
  Control control;
  control.out.assign(out_size, 0);
  SetLastError(kSentinel);
  control.ok = DeviceIoControl(device, code, in.data(), static_cast<DWORD>(in.size()),
                               control.out.data(), out_size, &control.returned, nullptr);
  control.error = control.ok ? 0 : GetLastError();
  return control;
}

// CreateFileW of a device's legacy name or bus name opens it, handing the driver the caller's
// access and share mode; DeviceIoControl hands the driver the code and both buffers and gives
// back its answer: the bytes it wrote, or FALSE and the error it set. A legacy name with no
// driver is ERROR_FILE_NOT_FOUND; a handle that is not a device's is ERROR_INVALID_HANDLE.
CE_ONLY_CASE(devices, stream_device_opens_by_name_and_answers_control_codes) {
  auto driver = Install(u'0');
  HANDLE device = Open(WS("CNF0:"), GENERIC_READ, FILE_SHARE_READ);
  EXPECT_TRUE_(device != INVALID_HANDLE_VALUE);
  EXPECT_SAME(driver->access(), DWORD{GENERIC_READ});
  EXPECT_SAME(driver->share(), DWORD{FILE_SHARE_READ});

  Control echoed = Send(device, kEcho, {1, 2, 3}, 4);
  EXPECT_SAME(echoed.ok, TRUE);
  EXPECT_SAME(echoed.returned, DWORD{3});
  EXPECT_SAME(echoed.out, std::vector<uint8_t>({3, 2, 1, 0}));
  Control short_out = Send(device, kEcho, {1, 2, 3}, 2);
  EXPECT_SAME(short_out.ok, FALSE);
  EXPECT_SAME(short_out.error, DWORD{ERROR_INSUFFICIENT_BUFFER});
  EXPECT_SAME(Send(device, 0x104, {}, 0).error, DWORD{ERROR_NOT_SUPPORTED});
  uint8_t in[1] = {7};
  uint8_t out[1] = {};
  EXPECT_SAME(DeviceIoControl(device, kEcho, in, 1, out, 1, nullptr, nullptr), TRUE);
  EXPECT_SAME(out[0], uint8_t{7});
  EXPECT_SAME(CloseHandle(device), TRUE);
  EXPECT_SAME(driver->closes(), 1);

  HANDLE by_bus = Open(WS("ConformanceBus_0"));
  EXPECT_TRUE_(by_bus != INVALID_HANDLE_VALUE);
  EXPECT_SAME(Send(by_bus, kEcho, {5}, 1).out, std::vector<uint8_t>{5});
  CloseHandle(by_bus);

  EXPECT_SAME(Open(WS("CNF8:")), INVALID_HANDLE_VALUE);
  EXPECT_LAST_ERROR(ERROR_FILE_NOT_FOUND);
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  Control on_event = Send(event, kEcho, {1}, 1);
  EXPECT_SAME(on_event.ok, FALSE);
  EXPECT_SAME(on_event.error, DWORD{ERROR_INVALID_HANDLE});
  CloseHandle(event);
}

DEVMGR_DEVICE_INFORMATION Information() {
  DEVMGR_DEVICE_INFORMATION info{};
  info.dwSize = sizeof info;
  return info;
}

// FindFirstDevice finds loaded devices by legacy name (wildcards allowed) and by an interface
// class they advertise, filling the record: legacy name, driver key, bus name, activation handle.
// FindNextDevice gives the next and then FALSE with ERROR_NO_MORE_ITEMS; a search with no match
// fails at once (ERROR_NO_MORE_ITEMS here: which code is not documented), and a record whose
// dwSize is not its size with ERROR_INVALID_PARAMETER.
CE_ONLY_CASE(devices, find_device_by_name_and_class) {
  HANDLE first_activation = nullptr;
  Install(u'0', &first_activation);
  Install(u'1');
  DEVMGR_DEVICE_INFORMATION info = Information();
  HANDLE search = FindFirstDevice(DeviceSearchByLegacyName, WS("CNF*"), &info);
  EXPECT_TRUE_(search != INVALID_HANDLE_VALUE);
  EXPECT_SAME(WideString(info.szLegacyName), WideString(WS("CNF0:")));
  EXPECT_SAME(WideString(info.szDeviceKey), WideString(WS("Drivers\\BuiltIn\\Conformance0")));
  EXPECT_SAME(WideString(info.szBusName), WideString(WS("ConformanceBus_0")));
  EXPECT_SAME(info.hDevice, first_activation);
  EXPECT_SAME(FindNextDevice(search, &info), TRUE);
  EXPECT_SAME(WideString(info.szLegacyName), WideString(WS("CNF1:")));
  SetLastError(kSentinel);
  EXPECT_SAME(FindNextDevice(search, &info), FALSE);
  EXPECT_LAST_ERROR(ERROR_NO_MORE_ITEMS);
  EXPECT_SAME(FindClose(search), TRUE);

  // As the library finds the USB function controller: by class, then opened by its bus name.
  info = Information();
  search = FindFirstDevice(DeviceSearchByGuid, &kConformanceClass, &info);
  EXPECT_TRUE_(search != INVALID_HANDLE_VALUE);
  HANDLE device = Open(info.szBusName);
  EXPECT_TRUE_(device != INVALID_HANDLE_VALUE);
  CloseHandle(device);
  FindClose(search);

  SetLastError(kSentinel);
  EXPECT_SAME(FindFirstDevice(DeviceSearchByLegacyName, WS("CNX*"), &info), INVALID_HANDLE_VALUE);
  EXPECT_LAST_ERROR(ERROR_NO_MORE_ITEMS);
  info.dwSize = sizeof info - 4;
  SetLastError(kSentinel);
  EXPECT_SAME(FindFirstDevice(DeviceSearchByLegacyName, WS("CNF*"), &info), INVALID_HANDLE_VALUE);
  EXPECT_LAST_ERROR(ERROR_INVALID_PARAMETER);
}

HKEY CreateKey(const WCHAR* path) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, 0, nullptr, &key, &disposition);
  return key;
}

void SetText(HKEY key, const WCHAR* name, const WideString& text) {
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
}

// The driver key under Drivers\Active whose "Name" is the legacy name; empty when none is.
WideString ActiveKeyOf(const WCHAR* legacy_name) {
  HKEY active = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WS("Drivers\\Active"), 0, 0, &active) != ERROR_SUCCESS)
    return WideString();
  WideString found;
  for (DWORD i = 0;; ++i) {
    WCHAR sub[MAX_PATH];
    DWORD length = MAX_PATH;
    if (RegEnumKeyExW(active, i, sub, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    HKEY entry = nullptr;
    if (RegOpenKeyExW(active, sub, 0, 0, &entry) != ERROR_SUCCESS) continue;
    WCHAR name[MAX_PATH] = {};
    WCHAR key[MAX_PATH] = {};
    DWORD size = sizeof name;
    RegQueryValueExW(entry, WS("Name"), nullptr, nullptr, reinterpret_cast<BYTE*>(name), &size);
    size = sizeof key;
    RegQueryValueExW(entry, WS("Key"), nullptr, nullptr, reinterpret_cast<BYTE*>(key), &size);
    RegCloseKey(entry);
    if (WideString(name) == legacy_name) found = key;
  }
  RegCloseKey(active);
  return found;
}

// ActivateDeviceEx loads the driver that the key's "Dll" names, as "Prefix" and "Index" name it,
// and lists it under Drivers\Active with its key; the device then opens. DeactivateDevice unloads
// it: its Active entry goes, its open handles and its name fail, and its activation handle is no
// longer one. A key that is missing fails with ERROR_FILE_NOT_FOUND, a library the handset does
// not have with ERROR_MOD_NOT_FOUND; both give INVALID_HANDLE_VALUE (CE 5.0 and later).
CE_ONLY_CASE(devices, activate_loads_a_driver_from_its_key) {
  std::shared_ptr<EchoDriver> loaded;
  cehost::InstallDriverLibrary(u"cnfdriver.dll", [&](std::u16string_view, cehost::DeviceListing*) {
    loaded = std::make_shared<EchoDriver>();
    return loaded;
  });
  HKEY key = CreateKey(WS("Drivers\\BuiltIn\\ConformanceLoad"));
  SetText(key, WS("Dll"), WS("CnfDriver.dll"));
  SetText(key, WS("Prefix"), WS("CNL"));
  DWORD index = 3;
  RegSetValueExW(key, WS("Index"), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&index),
                 sizeof index);
  RegCloseKey(key);

  HANDLE activation =
      ActivateDeviceEx(WS("Drivers\\BuiltIn\\ConformanceLoad"), nullptr, 0, nullptr);
  EXPECT_TRUE_(activation != nullptr && activation != INVALID_HANDLE_VALUE);
  EXPECT_TRUE_(loaded != nullptr);
  EXPECT_SAME(ActiveKeyOf(WS("CNL3:")), WideString(WS("Drivers\\BuiltIn\\ConformanceLoad")));
  HANDLE device = Open(WS("CNL3:"));
  EXPECT_TRUE_(device != INVALID_HANDLE_VALUE);
  EXPECT_SAME(Send(device, kEcho, {4, 5}, 2).out, std::vector<uint8_t>({5, 4}));

  SetLastError(kSentinel);
  EXPECT_SAME(DeactivateDevice(activation), TRUE);
  EXPECT_SAME(ActiveKeyOf(WS("CNL3:")), WideString());
  EXPECT_SAME(Send(device, kEcho, {1}, 1).ok, FALSE);
  CloseHandle(device);
  EXPECT_SAME(Open(WS("CNL3:")), INVALID_HANDLE_VALUE);
  EXPECT_LAST_ERROR(ERROR_FILE_NOT_FOUND);
  SetLastError(kSentinel);
  EXPECT_SAME(DeactivateDevice(activation), FALSE);
  EXPECT_LAST_ERROR(ERROR_INVALID_HANDLE);

  SetLastError(kSentinel);
  EXPECT_SAME(ActivateDeviceEx(WS("Drivers\\BuiltIn\\NoSuchDriver"), nullptr, 0, nullptr),
              INVALID_HANDLE_VALUE);
  EXPECT_LAST_ERROR(ERROR_FILE_NOT_FOUND);
  key = CreateKey(WS("Drivers\\BuiltIn\\ConformanceMissing"));
  SetText(key, WS("Dll"), WS("missing.dll"));
  SetText(key, WS("Prefix"), WS("CNM"));
  RegCloseKey(key);
  SetLastError(kSentinel);
  EXPECT_SAME(ActivateDeviceEx(WS("Drivers\\BuiltIn\\ConformanceMissing"), nullptr, 0, nullptr),
              INVALID_HANDLE_VALUE);
  EXPECT_LAST_ERROR(ERROR_MOD_NOT_FOUND);
}

struct PowerRow {
  const char* what;
  const WCHAR* name;
  DWORD flags;
  int state;
  DWORD result;
  int taken;  // the state the driver was asked for; -2: not asked
};

// A test power-managed network adapter: records the states asked.
class Adapter : public cehost::PowerManagedDevice {
 public:
  int SetPower(int state) override {
    std::lock_guard lock(mutex_);
    asked_.push_back(state);
    return state;
  }
  std::vector<int> asked() const {
    std::lock_guard lock(mutex_);
    return asked_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<int> asked_;
};

// SetDevicePower with POWER_NAME finds the device by its name, in the generic class when the
// name carries none or in the class it names ("{class}\name", as the library names its network
// adapter), and hands it the state; PwrDeviceUnspecified releases the forced state. It answers
// with an error code and leaves the last error alone: ERROR_FILE_NOT_FOUND for no such device,
// ERROR_INVALID_PARAMETER for a missing POWER_NAME or a state past D4, ERROR_WRITE_FAULT when the
// device cannot take the state and says no more.
CE_ONLY_CASE(devices, set_device_power_by_name) {
  auto driver = Install(u'0');
  auto adapter = std::make_shared<Adapter>();
  cehost::InstallPowerManagedDevice(cehost::kNdisMiniportPowerClass, u"CNFNET1", adapter);
  const WCHAR* generic = WS("{A32942B7-920C-486b-B0E6-92A702A99B35}\\CNF0:");
  const WCHAR* ndis = WS("{98C5250D-C29A-4985-AE5F-AFE5367E5006}\\CNFNET1");
  const PowerRow rows[] = {
      {"by name", WS("CNF0:"), POWER_NAME, D4, ERROR_SUCCESS, D4},
      {"generic class", generic, POWER_NAME, D2, ERROR_SUCCESS, D2},
      {"forcing flag", WS("CNF0:"), POWER_NAME | POWER_FORCE, D0, ERROR_SUCCESS, D0},
      {"released", WS("CNF0:"), POWER_NAME, PwrDeviceUnspecified, ERROR_SUCCESS,
       PwrDeviceUnspecified},
      {"no such device", WS("CNF7:"), POWER_NAME, D4, ERROR_FILE_NOT_FOUND, -2},
      {"no POWER_NAME", WS("CNF0:"), 0, D4, ERROR_INVALID_PARAMETER, -2},
      {"past D4", WS("CNF0:"), POWER_NAME, PwrDeviceMaximum, ERROR_INVALID_PARAMETER, -2},
      {"NDIS class", ndis, POWER_NAME, D4, ERROR_SUCCESS, -2},
      {"NDIS device without its class", WS("CNFNET1"), POWER_NAME, D4, ERROR_FILE_NOT_FOUND, -2},
  };
  for (const PowerRow& row : rows) {
    size_t before = driver->asked().size();
    SetLastError(kSentinel);
    EXPECT_ROW(row.what,
               SetDevicePower(const_cast<WCHAR*>(row.name), row.flags,
                              static_cast<CEDEVICE_POWER_STATE>(row.state)),
               row.result);
    EXPECT_ROW(row.what, GetLastError(), kSentinel);
    std::vector<int> asked = driver->asked();
    EXPECT_ROW(row.what, asked.size() > before ? asked.back() : -2, row.taken);
  }
  EXPECT_TRUE_(adapter->asked() == std::vector<int>{D4});

  driver->refuse_power();
  EXPECT_SAME(SetDevicePower(const_cast<WCHAR*>(WS("CNF0:")), POWER_NAME, D3),
              DWORD{ERROR_WRITE_FAULT});
}

}  // namespace
