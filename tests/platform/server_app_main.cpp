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
//   window              -> "ok": a window of class "AppWindow" made by a thread that runs its
//                          message loop, which keeps what the window receives
//   subscribe           -> the result of subscribing the window to the shell's events
//   accelerometer       -> "<result> <message>": the accelerometer opened, its message
//   shell ClickMKey     -> the identifier of the shell's ClickMKey message
//   usb                 -> the identifier of the USB cable's message, registered with the cable
//   broadcast           -> "ok": has the window's own thread send WM_APP + 2 (wparam 7) to every
//                          window, its own among them, and then note WM_APP + 3 with the result
//   received MSG        -> "<wparam> <lparam>" of the first message MSG the window got, waiting
//                          for it up to 10 s; "none" when it got none
//   dial                -> the result of dialling GPRS with the selected access point
//   hangup              -> the result of hanging GPRS up
//   network             -> the network status
//   imei                -> "<result> <imei> <model>"
//   hardware            -> the handset's hardware version
//   display off         -> the result of refusing display-setting changes
//   launch FILE         -> "<result> <hInstApp> <wait result> <exit code>" of launching FILE and
//                          waiting for its end
//   unread              -> the number of unread messages (the phone adapter looked up by name)
//   sip open            -> "<open>" after opening the input panel in letters
//   sip                 -> "<open> <mode>" of the input panel
//   bt power N          -> "<result> <is on>" of switching the Bluetooth radio
//   bt name NAME        -> the result of renaming the handset for Bluetooth
//   hang                -> "ok": the window's thread stops answering, for good
//   send CLASS MS       -> "<result> <answer>" of sending WM_APP + 6 to the window of class
//                          CLASS, waiting up to MS
//   file NAME N         -> "<result> <bytes written> <last error>" of writing N bytes to a new
//                          file NAME
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <future>
#include <iostream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ce/devices.h"
#include "ce/files.h"
#include "ce/kernel.h"
#include "ce/msgqueue.h"
#include "ce/shell.h"
#include "ce/windows.h"
#include "frame/exports.h"
#include "oem/drivers.h"

namespace {

std::u16string Wide(const std::string& text) {
  return std::u16string(text.begin(), text.end());
}

// What the application's window received, in order.
struct Received {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<MSG> messages;
} g_received;

void Note(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  {
    std::lock_guard lock(g_received.mutex);
    g_received.messages.push_back(MSG{hwnd, msg, wparam, lparam, 0, {}});
  }
  g_received.changed.notify_all();
}

LRESULT CALLBACK AppWindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  Note(hwnd, msg, wparam, lparam);
  if (msg == WM_APP + 5) {
    // A procedure that never returns: its window is hung.
    std::promise<void>().get_future().wait();
  }
  if (msg == WM_APP + 1) {
    DWORD_PTR answer = 0;
    LRESULT sent =
        SendMessageTimeoutW(HWND_BROADCAST, WM_APP + 2, 7, 0, SMTO_NORMAL, 30000, &answer);
    Note(hwnd, WM_APP + 3, static_cast<WPARAM>(sent), 0);
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

// Makes the window on a thread of its own, which then runs its message loop for good.
HWND MakeWindow() {
  HWND made = nullptr;
  std::mutex mutex;
  std::condition_variable ready;
  bool done = false;
  std::thread([&] {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = AppWindowProc;
    window_class.lpszClassName = u"AppWindow";
    RegisterClassW(&window_class);
    HWND hwnd = CreateWindowExW(0, u"AppWindow", u"app", WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, nullptr);
    {
      // Told under the lock: the waiting thread's condition and mutex go once it has woken.
      std::lock_guard lock(mutex);
      made = hwnd;
      done = true;
      ready.notify_all();
    }
    MSG msg;
    while (hwnd && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  }).detach();
  std::unique_lock lock(mutex);
  ready.wait(lock, [&] { return done; });
  return made;
}

std::string WaitReceived(UINT message) {
  std::unique_lock lock(g_received.mutex);
  const MSG* found = nullptr;
  g_received.changed.wait_for(lock, std::chrono::seconds(10), [&] {
    for (const MSG& msg : g_received.messages)
      if (msg.message == message) found = &msg;
    return found != nullptr;
  });
  if (!found) return "none";
  return std::to_string(found->wParam) + " " + std::to_string(found->lParam);
}

}  // namespace

int main() {
  HANDLE device = INVALID_HANDLE_VALUE;
  HWND window = nullptr;
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
    } else if (verb == "window") {
      window = MakeWindow();
      answer << (window ? "ok" : "fail " + std::to_string(GetLastError()));
    } else if (verb == "subscribe") {
      answer << ShellNotifyMsgRegisterShellMessage(window, 1);
    } else if (verb == "accelerometer") {
      answer << AccAPIOpen() << ' ' << AccAPIGetMessage();
    } else if (verb == "broadcast") {
      answer << (PostMessageW(window, WM_APP + 1, 0, 0) ? "ok" : "fail");
    } else if (verb == "usb") {
      answer << UsbNotifyApiRegisterUsbNotifyMsg();
    } else if (verb == "shell") {
      answer << ShellNotifyMsgGetShellNotifyMsg_ClickMKey();
    } else if (verb == "received") {
      answer << WaitReceived(static_cast<UINT>(std::stoul(what)));
    } else if (verb == "dial") {
      answer << CalllNotifyApiStartGprsConnect2(window, 0);
    } else if (verb == "hangup") {
      answer << CalllNotifyApiStopGprsConnect2(window);
    } else if (verb == "network") {
      answer << CalllNotifyApiQueryNetWorkStatus();
    } else if (verb == "imei") {
      WCHAR imei[32] = {}, model[32] = {};
      INT result = CallNotifyApiGetImeiSerialNumber2(nullptr, imei, 32, model, 32);
      std::u16string i(imei), m(model);
      answer << result << ' ' << std::string(i.begin(), i.end()) << ' '
             << std::string(m.begin(), m.end());
    } else if (verb == "hardware") {
      answer << SettingApiGetHardwareVersionNumber();
    } else if (verb == "display") {
      answer << ShellNotifyMsgDisableChangeDisplaySetting();
    } else if (verb == "launch") {
      SHELLEXECUTEINFO info{};
      info.cbSize = sizeof info;
      info.fMask = SEE_MASK_NOCLOSEPROCESS;
      std::u16string file = Wide(what);
      info.lpFile = file.c_str();
      BOOL result = ShellExecuteEx(&info);
      answer << result << ' ' << reinterpret_cast<uintptr_t>(info.hInstApp);
      if (info.hProcess) {
        DWORD code = 0;
        answer << ' ' << WaitForSingleObject(info.hProcess, 10000);
        answer << ' ' << (GetExitCodeProcess(info.hProcess, &code) ? code : 9999);
        CloseHandle(info.hProcess);
      }
    } else if (verb == "unread") {
      answer << Dial_GetUnreadSmsCnt();
    } else if (verb == "sip") {
      if (what == "open") {
        RECT rect{};
        MzOpenSipFunc(1, 0, &rect);
        answer << MzIsSipOpenEx();
      } else {
        DWORD mode = 99;
        answer << MzIsSipOpenEx() << ' ' << (GetSipModeEx(&mode) ? mode : 99);
      }
    } else if (verb == "bt" && what == "power") {
      INT on = 0;
      words >> on;
      answer << SettingApiSwitchBTPower(on);
      answer << ' ' << SettingApiBTIsOn();
    } else if (verb == "bt") {
      std::string name;
      words >> name;
      answer << SettingApiBTUpdateName(Wide(name).c_str());
    } else if (verb == "hang") {
      answer << (PostMessageW(window, WM_APP + 5, 0, 0) ? "ok" : "fail");
    } else if (verb == "send") {
      DWORD ms = 0;
      words >> ms;
      HWND target = FindWindowW(Wide(what).c_str(), nullptr);
      DWORD_PTR result = 0;
      LRESULT sent = SendMessageTimeoutW(target, WM_APP + 6, 0, 0, SMTO_NORMAL, ms, &result);
      answer << sent << ' ' << result;
    } else if (verb == "file") {
      size_t size = 0;
      words >> size;
      HANDLE file =
          CreateFileW(Wide(what).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
      std::vector<char> data(size, 'x');
      DWORD written = 0;
      SetLastError(0);
      BOOL result =
          WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
      answer << result << ' ' << written << ' ' << GetLastError();
      CloseHandle(file);
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
