// An application on a handset home: it links only the library and takes the handset from
// $M8_HANDSET, as any program for the handset does. It does one thing a line of its standard
// input and answers each with one line:
//   backlight set N   -> "<result> <last error>"
//   backlight get     -> "<result> <level>"
//   register NAME     -> the registered message identifier, in decimal
//   open NAME         -> "ok", or "fail <last error>" (the last handle opened is kept)
//   control           -> "<result> <last error> <bytes returned>" of the accelerometer's axes
//   close             -> "<result>"
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include "ce/devices.h"
#include "ce/files.h"
#include "ce/kernel.h"
#include "ce/windows.h"
#include "frame/exports.h"
#include "oem/drivers.h"

namespace {

std::u16string Wide(const std::string& text) {
  return std::u16string(text.begin(), text.end());
}

}  // namespace

int main() {
  HANDLE device = INVALID_HANDLE_VALUE;
  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream words(line);
    std::string verb, what;
    words >> verb >> what;
    std::ostringstream answer;
    if (verb == "backlight" && what == "set") {
      DWORD level = 0;
      words >> level;
      BOOL result = SetBackLightLevelEx(level);
      answer << result << ' ' << GetLastError();
    } else if (verb == "backlight") {
      DWORD level = 0;
      BOOL result = GetBackLightLevelEx(&level);
      answer << result << ' ' << level;
    } else if (verb == "register") {
      answer << RegisterWindowMessageW(Wide(what).c_str());
    } else if (verb == "open") {
      HANDLE opened =
          CreateFileW(Wide(what).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      if (opened == INVALID_HANDLE_VALUE) {
        answer << "fail " << GetLastError();
      } else {
        device = opened;
        answer << "ok";
      }
    } else if (verb == "control") {
      unsigned char axes[3] = {};
      DWORD returned = 0;
      SetLastError(0);
      BOOL result = DeviceIoControl(device, IOCTL_ACC_GET_XYZ, nullptr, 0, axes, sizeof(axes),
                                    &returned, nullptr);
      answer << result << ' ' << GetLastError() << ' ' << returned;
    } else if (verb == "close") {
      answer << CloseHandle(device);
      device = INVALID_HANDLE_VALUE;
    } else {
      answer << "unknown";
    }
    std::cout << answer.str() << std::endl;
  }
  return 0;
}
