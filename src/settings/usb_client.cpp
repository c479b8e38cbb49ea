#include "settings/usb_client.h"

#include <cstring>

#include "ce/files.h"
#include "ce/kernel.h"
#include "ce/text.h"
#include "sensors/device_call.h"
#include "sensors/usb_controller.h"

namespace {

// The most characters a client name record holds before its terminator.
constexpr size_t kClientNameLength = 127;

// The value of a hexadecimal digit, or -1.
int HexDigit(WCHAR c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Reads digits hexadecimal digits at *text into *value and moves past them; false when fewer
// are there.
bool ReadHex(LPCWSTR* text, int digits, uint32_t* value) {
  uint32_t result = 0;
  for (int i = 0; i < digits; ++i) {
    int digit = HexDigit((*text)[i]);
    if (digit < 0) return false;
    result = result << 4 | static_cast<uint32_t>(digit);
  }
  *text += digits;
  *value = result;
  return true;
}

bool ReadDash(LPCWSTR* text) {
  if (**text != u'-') return false;
  ++*text;
  return true;
}

// The controller's device class from its text, "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX"; false
// when the text is not one.
bool ParseControllerClass(LPCWSTR text, GUID* guid) {
  uint32_t value = 0;
  if (!ReadHex(&text, 8, &value)) return false;
  guid->Data1 = value;
  if (!ReadDash(&text) || !ReadHex(&text, 4, &value)) return false;
  guid->Data2 = static_cast<WORD>(value);
  if (!ReadDash(&text) || !ReadHex(&text, 4, &value)) return false;
  guid->Data3 = static_cast<WORD>(value);
  if (!ReadDash(&text)) return false;
  for (int i = 0; i < 8; ++i) {
    if (i == 2 && !ReadDash(&text)) return false;
    if (!ReadHex(&text, 2, &value)) return false;
    guid->Data4[i] = static_cast<BYTE>(value);
  }
  return true;
}

// The controller, opened for one request; INVALID_HANDLE_VALUE, with the trace saying why when
// it was not found.
HANDLE OpenController() {
  GUID controller_class;
  if (!ParseControllerClass(kUsbFnControllerClassText, &controller_class)) {
    NKDbgPrintfW(u"Can not find USB FN GUID!\r\n");
    return INVALID_HANDLE_VALUE;
  }
  bool found = false;
  HANDLE controller = OpenUsbFnController(controller_class, &found);
  if (!found) NKDbgPrintfW(u"No available UsbFn controller!\r\n");
  return controller;
}

// Fills the record with the name; false when the name is longer than the record holds.
bool FillClientName(UFN_CLIENT_NAME* record, LPCWSTR name) {
  std::memset(record, 0, sizeof *record);
  if (!name) return true;
  size_t length = wcslen(name);
  if (length > kClientNameLength) return false;
  std::memcpy(record->szName, name, length * sizeof(WCHAR));
  return true;
}

}  // namespace

BOOL USBChangeCurrentDriver(LPCWSTR name) {
  UFN_CLIENT_NAME record;
  if (!FillClientName(&record, name)) return FALSE;
  HANDLE controller = OpenController();
  if (controller == INVALID_HANDLE_VALUE) return FALSE;
  BOOL result = FALSE;
  if (!SendDeviceControl(controller, IOCTL_UFN_CHANGE_CURRENT_CLIENT, &record, sizeof record,
                         nullptr, 0, false)) {
    NKDbgPrintfW(u"Change to client driver \"%s\" failed, error %d\n", record.szName,
                 GetLastError());
  } else {
    UFN_CLIENT_INFO info = {};
    DWORD returned = 0;
    result = DeviceIoControl(controller, IOCTL_UFN_GET_CURRENT_CLIENT, nullptr, 0, &info,
                             sizeof info, &returned, nullptr);
    if (!result || returned != sizeof info) {
      NKDbgPrintfW(u"Could not get current driver\n");
    } else if (info.szName[0]) {
      NKDbgPrintfW(u"Changed to USB driver %s\n", info.szName);
    } else {
      NKDbgPrintfW(u"No USB driver loaded\n");
    }
  }
  CloseHandle(controller);
  return result;
}

BOOL USBGetDefaultDriver(UFN_CLIENT_INFO* info) {
  HANDLE controller = OpenController();
  if (controller == INVALID_HANDLE_VALUE) return FALSE;
  BOOL result = SendDeviceControl(controller, IOCTL_UFN_GET_DEFAULT_CLIENT, nullptr, 0, info,
                                  sizeof *info, true);
  if (!result) {
    NKDbgPrintfW(u"Could not get default USB client driver, error %d\n", GetLastError());
  } else if (info->szName[0]) {
    NKDbgPrintfW(u"Default USB client driver is \"%s\" \n", info->szName);
  } else {
    NKDbgPrintfW(u"No default USB client driver\r\n");
  }
  CloseHandle(controller);
  return result;
}

BOOL USBChangeDefaultDriver(LPCWSTR name) {
  UFN_CLIENT_NAME record;
  if (!name || !FillClientName(&record, name)) return FALSE;
  HANDLE controller = OpenController();
  if (controller == INVALID_HANDLE_VALUE) return FALSE;
  BOOL result = SendDeviceControl(controller, IOCTL_UFN_CHANGE_DEFAULT_CLIENT, &record,
                                  sizeof record, nullptr, 0, false);
  DWORD error = GetLastError();
  CloseHandle(controller);
  if (!result) {
    NKDbgPrintfW(u"IOCTL_UFN_CHANGE_DEFAULT_CLIENT failed, error %d\n", error);
    return result;
  }
  UFN_CLIENT_INFO info = {};
  if (USBGetDefaultDriver(&info)) {
    NKDbgPrintfW(u"Changed Default USB Client driver to \"%s\" \n", info.szName);
  } else {
    NKDbgPrintfW(u"USBGetDefaultDriver() failed\n");
  }
  return result;
}
