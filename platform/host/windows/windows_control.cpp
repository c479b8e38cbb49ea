// The host-side window calls: the simulated handset's programs make and drive windows here.
#include "ce/errors.h"
#include "cehost/display.h"
#include "cehost/windows.h"
#include "handset/handset_state.h"
#include "windows/window_table.h"

namespace cehost {

HWND CreateHostWindow(const WindowSpec& spec) {
  HWND hwnd = Current().windows->Create(spec);
  if (!hwnd) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return hwnd;
}

bool DestroyHostWindow(HWND hwnd) {
  return Current().windows->Destroy(hwnd);
}

bool SetWindowHung(HWND hwnd, bool hung) {
  auto window = Current().windows->Find(hwnd);
  if (window) window->SetHung(hung);
  return window != nullptr;
}

bool WaitWindowIdle(HWND hwnd, DWORD timeout_ms) {
  auto window = Current().windows->Find(hwnd);
  return window && window->WaitIdle(timeout_ms);
}

bool IsHostWindowVisible(HWND hwnd) {
  auto window = Current().windows->Find(hwnd);
  return window && window->visible();
}

void NameMessage(UINT msg, std::string_view name) {
  Current().windows->names().NameMessage(msg, std::string(name));
}

std::string MessageName(UINT msg) {
  return Current().windows->names().Name(msg);
}

void InstallDisplayDriver(DisplayEscapeHandler handler) {
  Current().windows->display().Install(std::move(handler));
}

bool HasDisplayDriver() {
  return Current().windows->display().present();
}

}  // namespace cehost
