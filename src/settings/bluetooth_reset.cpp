#include "settings/bluetooth_reset.h"

#include "ce/registry.h"
#include "frame/platform_info.h"
#include "settings/registry_settings.h"

namespace {

// The handset's name as the Bluetooth stack announces it.
constexpr char16_t kDeviceName[] = u"Razud M8";
// Class of device: telephony and object transfer services, a phone, a smartphone.
constexpr DWORD kClassOfDevice = 0x0050020C;
// The hardware variant whose Bluetooth chip is on a plain UART.
constexpr DWORD kUartHardware = 2;

}  // namespace

int ResetBluetoothSettings() {
  const HKEY m = HKEY_LOCAL_MACHINE;
  LPCWSTR driver =
      GetHardwareVersionNumber() == kUartHardware ? u"bthuart8688.dll" : u"bthbcsp.dll";
  WriteSettingsToKey(
      m, u"Software\\Microsoft\\Bluetooth\\Transports\\BuiltIn\\1",
      {Text(u"Driver", driver), Text(u"Name", u"COM2:"), Number(u"baud", 921600),
       Number(u"Priority256", 180), Number(u"PacketSize", 192),
       Number(u"SerialTimeoutConstant", 500), Number(u"SerialIntervalTimeout", 0xFFFFFFFF),
       Number(u"ReopenDelay", 100), Number(u"FlashChip", 0)});
  WriteSettingsToKey(m, u"Ident", {Text(u"Name", kDeviceName), Text(u"Desc", kDeviceName)});
  WriteSettingsToKey(m, u"Software\\Microsoft\\Bluetooth\\Razud",
                     {Text(u"DeviceName", kDeviceName), Number(u"AutoAnswer", 0)});
  WriteSettingsToKey(m, u"Software\\Microsoft\\Obex",
                     {Number(u"IsEnabled", 1), Number(u"MaxFileChunkSize", 0xFFFE)});
  WriteSettingsToKey(m,
                     u"Software\\Microsoft\\Obex\\Services\\{00000000-0000-0000-0000-000000000000}",
                     {Text(u"BaseDir", u"\\Disk\\")});
  WriteSettingsToKey(m,
                     u"Software\\Microsoft\\Obex\\Services\\{f9ec7bc4-953c-11d2-984e-525400dc9e09}",
                     {Number(u"Authenticate", 0), Number(u"TransportAuthenticate", 0xFFFE)});
  WriteSettingsToKey(m, u"Software\\Microsoft\\Bluetooth\\sys", {Number(u"COD", kClassOfDevice)});
  WriteSettingsToKey(m, u"Software\\Microsoft\\Bluetooth\\HandsfreeProfileOn",
                     {Number(u"dummy", 0)});
  WriteSettingsToKey(m, u"Software\\Microsoft\\Bluetooth\\l2cap", {Number(u"IdlePhys", 3)});
  WriteSettingsToKey(
      m, u"SOFTWARE\\Microsoft\\Bluetooth\\AudioGateway",
      {Number(u"Encrypt", 0), Number(u"MapAudioToPcmMode", 1), Number(u"NoHandsFree", 0),
       Number(u"Authenticate", 1), Number(u"PowerSave", 0), Number(u"OutgoingCallOption", 1)});
  WriteSettingsToKey(m, u"Software\\Microsoft\\Bluetooth\\Razud",
                     {Number(u"PowerOn", 0), Number(u"Visible", 1)});
  WriteSettingsToKey(m, u"Software\\Microsoft\\Bluetooth\\Razud\\PairedDevice",
                     {Number(u"dummy", 0)});
  return 1;
}
