// An application on a handset home: it links only the library and takes the handset from
// $M8_HANDSET, as any program for the handset does. It does one thing a line of its standard
// input and answers each with one line:
//   backlight set N   -> "<result> <last error>"
//   backlight get     -> "<result> <level>"
//   register NAME     -> the registered message identifier, in decimal
//   open NAME         -> "ok", or "fail <last error>" (the last handle opened is kept)
//   control           -> "<result> <last error> <bytes returned>" of the accelerometer's axes
//   close             -> "<result>"
//   queue write Q TEXT  -> "<result> <last error>" (a write end of queue Q, kept open)
//   queue read Q MS     -> "<result> <last error> <text>" (a read end of queue Q, kept open)
//   event set E         -> "<result> <last error of its making>" (event E, kept open)
//   event wait E MS     -> the wait's result (auto-reset event E, kept open)
#include <cstdio>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

#include "ce/devices.h"
#include "ce/files.h"
#include "ce/kernel.h"
#include "ce/msgqueue.h"
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
  std::map<std::string, HANDLE> queues, events;
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
    } else if (verb == "queue") {
      std::string name;
      words >> name;
      bool reader = what == "read";
      HANDLE& queue = queues[what + name];
      if (!queue) {
        MSGQUEUEOPTIONS options{sizeof(options), MSGQUEUE_ALLOW_BROKEN, 16, 256, reader};
        queue = CreateMsgQueue(Wide(name).c_str(), &options);
      }
      if (reader) {
        DWORD ms = 0, read = 0, flags = 0;
        words >> ms;
        char text[256] = {};
        BOOL result = ReadMsgQueue(queue, text, sizeof(text) - 1, &read, ms, &flags);
        answer << result << ' ' << (result ? 0 : GetLastError()) << ' ' << std::string(text, read);
      } else {
        std::string text;
        words >> text;
        BOOL result = WriteMsgQueue(queue, text.data(), static_cast<DWORD>(text.size()), 0, 0);
        answer << result << ' ' << (result ? 0 : GetLastError());
      }
    } else if (verb == "event") {
      std::string name;
      words >> name;
      HANDLE& event = events[name];
      DWORD made = 0;
      if (!event) {
        event = CreateEventW(nullptr, FALSE, FALSE, Wide(name).c_str());
        made = GetLastError();
      }
      if (what == "set") {
        answer << SetEvent(event) << ' ' << made;
      } else {
        DWORD ms = 0;
        words >> ms;
        answer << WaitForSingleObject(event, ms);
      }
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
