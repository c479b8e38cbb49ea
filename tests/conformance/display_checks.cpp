// The screen's device context and display escapes as Windows CE documents them: GetDC(NULL) gives
// the screen's context, ExtEscape hands an escape with its bytes to the display driver and gives
// back the driver's answer (> 0 done, 0 not implemented, < 0 an error), QUERYESCSUPPORT asks
// whether an escape is implemented, and ReleaseDC lets the context go. The library turns the
// handset's display-setting changes on and off through its driver's escapes. The escapes are the
// OEM display driver's own (CE leaves their codes to the driver), so every check is CE-only; they
// put their own display driver on the handset, so the Win32 build leaves this file out.
#include <cstring>
#include <string>
#include <vector>

#include "cehost/display.h"
#include "check.h"
#include "rows.h"

namespace {

constexpr int kQueryEscSupport = 8;
constexpr int kDone = 0x10001;     // implemented: answers 1
constexpr int kRefused = 0x10002;  // implemented: answers -5
constexpr int kCopy = 0x10003;     // copies its input to its output, answers the bytes copied

int Driver(int escape, const void* in, int in_size, void* out, int out_size) {
  switch (escape) {
    case kQueryEscSupport: {
      int asked = 0;
      if (in_size >= 4) std::memcpy(&asked, in, 4);
      return asked == kDone || asked == kRefused || asked == kCopy ? 1 : 0;
    }
    case kDone:
      return 1;
    case kRefused:
      return -5;
    case kCopy: {
      int size = in_size < out_size ? in_size : out_size;
      if (size > 0) std::memcpy(out, in, static_cast<size_t>(size));
      return size;
    }
    default:
      return 0;
  }
}

struct EscapeRow {
  const char* what;
  int escape;
  std::vector<uint8_t> in;
  int out_size;
  int result;
  std::vector<uint8_t> out;
};

// GetDC(NULL) gives the screen's context; the driver's answer to each escape comes back as it is,
// with the output bytes it wrote; escapes without output pass 0 and null, as the library does.
CE_ONLY_CASE(display, escapes_reach_the_display_driver) {
  cehost::InstallDisplayDriver(&Driver);
  HDC screen = GetDC(nullptr);
  EXPECT_TRUE_(screen != nullptr);
  const std::vector<uint8_t> done_code = {0x01, 0x00, 0x01, 0x00};
  const std::vector<uint8_t> unknown_code = {0x09, 0x00, 0x01, 0x00};
  const EscapeRow rows[] = {
      {"implemented, no output", kDone, {}, 0, 1, {}},
      {"driver's error", kRefused, {}, 0, -5, {}},
      {"not implemented", 0x10009, {}, 0, 0, {}},
      {"output bytes", kCopy, {1, 2, 3}, 3, 3, {1, 2, 3}},
      {"QUERYESCSUPPORT of an implemented escape", kQueryEscSupport, done_code, 0, 1, {}},
      {"QUERYESCSUPPORT of another", kQueryEscSupport, unknown_code, 0, 0, {}},
  };
  for (const EscapeRow& row : rows) {
    std::vector<uint8_t> out(static_cast<size_t>(row.out_size));
    int result =
        ExtEscape(screen, row.escape, static_cast<int>(row.in.size()),
                  row.in.empty() ? nullptr : reinterpret_cast<LPCSTR>(row.in.data()), row.out_size,
                  out.empty() ? nullptr : reinterpret_cast<LPSTR>(out.data()));
    EXPECT_ROW(row.what, result, row.result);
    EXPECT_ROW(row.what, out, row.out);
  }
  EXPECT_SAME(ReleaseDC(nullptr, screen), 1);
}

// Without a display driver the handset has no screen: GetDC(NULL) gives NULL, which the library
// takes as "the escape was not done".
CE_ONLY_CASE(display, no_display_driver_no_screen_context) {
  cehost::InstallDisplayDriver(nullptr);
  SetLastError(conformance::kSentinel);
  EXPECT_SAME(GetDC(nullptr), HDC{nullptr});
  EXPECT_TRUE_(GetLastError() != conformance::kSentinel);
}

}  // namespace
