// The USB function controller: the driver behind the USB port when the handset is the device
// end of a cable. The device manager lists it as "UFN1:" with the bus name "USBFN_0" and the
// interface class kUsbFnControllerClass; CreateFileW reaches it by either name. It keeps:
//   - the connection type (USB_CONNECT_NONE, _PC or _CHARGER), which IOCTL_UFN_GET_CONNECT_TYPE
//     gives and a test or m8sim changes by plugging or unplugging the cable;
//   - the window message given by IOCTL_UFN_SET_NOTIFY_MESSAGE: each change of the connection
//     type posts it to every top-level window (HWND_BROADCAST) with wParam = the new
//     connection type, lParam = 0; nothing is posted while no message was given;
//   - the client driver presented to the computer now, and the one loaded by default, each one
//     of the known clients or none (an empty name). IOCTL_UFN_CHANGE_CURRENT_CLIENT and
//     IOCTL_UFN_CHANGE_DEFAULT_CLIENT take a UFN_CLIENT_NAME, refusing a name that is not
//     known, or not terminated within the record, with ERROR_INVALID_PARAMETER;
//     IOCTL_UFN_GET_CURRENT_CLIENT and IOCTL_UFN_GET_DEFAULT_CLIENT give a UFN_CLIENT_INFO with
//     the client's name and description (both empty for none). A change of the current client
//     while a computer is connected re-presents the handset to it (noted in the journal).
// Everything is kept in state.json.
//
// handset.toml's [usb] table: connection ("none" by default, "pc", "charger"), current_client
// and default_client ("Serial_Class"), clients (the known ones, comma-separated:
// "Serial_Class, Mass_Storage_Class, RNDIS_Class"), and the fault keys of driver_faults.h.
#pragma once

#include <string>
#include <vector>

#include "sim/drivers/stream_device.h"

namespace sim {

inline constexpr char kUsbFunctionProgram[] = "usb";
inline constexpr char16_t kUsbFunctionLegacyName[] = u"UFN1:";
inline constexpr char16_t kUsbFunctionBusName[] = u"USBFN_0";

struct UsbFunctionState {
  DWORD connection = 0;
  UINT message = 0;
  std::u16string current_client = u"Serial_Class";
  std::u16string default_client = u"Serial_Class";
};

class UsbFunction : public StreamDevice {
 public:
  UsbFunction();

  // Plugs a cable in (USB_CONNECT_PC or USB_CONNECT_CHARGER) or pulls it out
  // (USB_CONNECT_NONE), posting the notification when the type changes.
  void SetConnection(DWORD connection);
  // Everything the controller keeps.
  UsbFunctionState State() const;
  // The client drivers it knows.
  std::vector<std::u16string> Clients() const;
  // The description a client gives in UFN_CLIENT_INFO.
  static std::u16string ClientDescription(const std::u16string& client);
  // The name of a connection type ("none", "pc", "charger", or the number).
  static std::string ConnectionName(DWORD connection);

  // Device.
  std::string Summary() const override;
  std::vector<std::pair<std::string, std::string>> FieldHelp() const override;
  void SetFields(const std::vector<DeviceField>& fields) override;

 protected:
  std::vector<std::string_view> StateKeys() const override;
  void ConfigureState(const ConfigTable& table) override;
  void LoadState(const nlohmann::json& saved) override;
  nlohmann::json SavedState() const override;
  BOOL Control(DWORD code, const uint8_t* in, DWORD in_size, uint8_t* out, DWORD out_size,
               DWORD* returned) override;

 private:
  bool KnownLocked(const std::u16string& client) const;
  BOOL ChangeClient(DWORD code, const uint8_t* in);

  std::vector<std::u16string> clients_ = {u"Serial_Class", u"Mass_Storage_Class", u"RNDIS_Class"};
  UsbFunctionState initial_;
  UsbFunctionState state_;
};

}  // namespace sim
