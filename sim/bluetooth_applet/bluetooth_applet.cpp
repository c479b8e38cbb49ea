// The Bluetooth control-panel applet of the simulated handset: answers from the script of the
// Bluetooth installed on the current handset and records every call in the handset's journal.
#include <string>

#include "ce/registry.h"
#include "cehost/handset.h"
#include "cehost/text.h"
#include "sim/bluetooth_applet/bluetooth_radio.h"

namespace sim {

namespace {

LONG Record(HWND hwnd, UINT msg, std::string lparam1, LPARAM lparam2, LONG result) {
  cehost::RecordEffect(cehost::CurrentJournal(), cehost::EffectKind::kApplet,
                       {{"module", "BluetoothCPL.dll"},
                        {"hwnd", cehost::HexNumber(reinterpret_cast<uintptr_t>(hwnd))},
                        {"msg", std::to_string(msg)},
                        {"lparam1", std::move(lparam1)},
                        {"lparam2", std::to_string(lparam2)},
                        {"result", std::to_string(result)}});
  return result;
}

// Keeps the radio's state where the platform does.
void StorePower(bool on) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Bluetooth\\Razud", 0, nullptr, 0,
                      0, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  DWORD value = on ? 1 : 0;
  RegSetValueExW(key, u"PowerOn", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                 sizeof value);
  RegCloseKey(key);
}

LONG SwitchPower(const std::shared_ptr<BluetoothRadio>& bluetooth, LPARAM on) {
  LONG result = bluetooth ? bluetooth->Script()->power_result : 0;
  if (result) StorePower(on != 0);
  return result;
}

LONG SetName(const std::shared_ptr<BluetoothRadio>& bluetooth, LPCWSTR name) {
  if (!bluetooth || !name) return 0;
  auto locked = bluetooth->Script();
  if (locked->name_result) locked->name = name;
  return locked->name_result;
}

}  // namespace

LONG BluetoothApplet(HWND hwnd, UINT msg, LPARAM lParam1, LPARAM lParam2) {
  if (auto served = CallServerApplet(hwnd, msg, lParam1, lParam2)) return *served;
  std::shared_ptr<BluetoothRadio> bluetooth = CurrentBluetooth();
  if (msg == kSwitchPower) {
    return Record(hwnd, msg, std::to_string(lParam1), lParam2, SwitchPower(bluetooth, lParam2));
  }
  if (msg == kSetName) {
    auto name = reinterpret_cast<LPCWSTR>(lParam1);
    LONG result = SetName(bluetooth, name);
    return Record(hwnd, msg, name ? cehost::ToUtf8(name) : "null", lParam2, result);
  }
  return Record(hwnd, msg, std::to_string(lParam1), lParam2, 0);
}

}  // namespace sim
