// The screen's device context and the escapes handed through it to the display driver.
#include <string>
#include <vector>

#include "ce/errors.h"
#include "ce/windows.h"
#include "handset/handset_state.h"
#include "windows/remote_display.h"
#include "windows/window_table.h"

namespace cehost {
namespace {

// The screen's device context.
const HDC kScreenDc = reinterpret_cast<HDC>(kScreenDcValue);

}  // namespace
}  // namespace cehost

using cehost::Current;

// cehost draws nothing, so every device context is the screen's: GetDC of a window gives the
// same one as GetDC(NULL), and its escapes reach the same display driver. A value that is not a
// window gives NULL with ERROR_INVALID_WINDOW_HANDLE; a handset without a display driver has no
// screen, and GetDC gives NULL with ERROR_NOT_SUPPORTED.
extern "C" HDC GetDC(HWND hWnd) {
  cehost::HandsetState& state = Current();
  // An attached program's screen is the server's, and its windows are in the server's table.
  if (state.server) return cehost::RemoteGetDC(*state.server, hWnd);
  if (hWnd && !state.windows->Find(hWnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (!state.windows->display().present()) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  return cehost::kScreenDc;
}

// The screen's context is shared, so releasing it always succeeds (1) whatever window it was
// asked for, and releasing it twice does too; any other value gives 0, as a context that GetDC
// did not give does on the desktop.
extern "C" int ReleaseDC(HWND, HDC hDC) {
  return hDC == cehost::kScreenDc ? 1 : 0;
}

// A value that is not a device context gives 0 with ERROR_INVALID_HANDLE, as GDI's calls fail on
// a bad context; callers test the result for > 0, so it reads as "not done" either way. A
// negative size, or a positive size without its buffer, is an error (-1, ERROR_INVALID_PARAMETER)
// that never reaches the driver. A context whose driver was removed meanwhile answers 0: nothing
// implements the escape. Each escape is journaled with its input bytes and result.
extern "C" int ExtEscape(HDC hdc, int nEscape, int cbInput, LPCSTR lpszInData, int cbOutput,
                         LPSTR lpszOutData) {
  cehost::HandsetState& state = Current();
  if (state.server)
    return cehost::RemoteExtEscape(*state.server, hdc, nEscape, cbInput, lpszInData, cbOutput,
                                   lpszOutData);
  int result = 0;
  DWORD error = ERROR_SUCCESS;
  if (hdc != cehost::kScreenDc) {
    error = ERROR_INVALID_HANDLE;
  } else if (cbInput < 0 || cbOutput < 0 || (cbInput > 0 && !lpszInData) ||
             (cbOutput > 0 && !lpszOutData)) {
    error = ERROR_INVALID_PARAMETER;
    result = -1;
  } else {
    result = state.windows->display().Escape(nEscape, lpszInData, cbInput, lpszOutData, cbOutput);
  }
  std::vector<uint8_t> input;
  if (error == ERROR_SUCCESS && cbInput > 0)
    input.assign(reinterpret_cast<const uint8_t*>(lpszInData),
                 reinterpret_cast<const uint8_t*>(lpszInData) + cbInput);
  cehost::RecordEffect(state.journal, cehost::EffectKind::kDisplayEscape,
                       {{"escape", cehost::HexNumber(static_cast<uint32_t>(nEscape))},
                        {"output_size", std::to_string(cbOutput)},
                        {"result", std::to_string(result)}},
                       std::move(input));
  if (error != ERROR_SUCCESS) SetLastError(error);
  return result;
}
