#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ce/errors.h"
#include "ce/windows.h"
#include "cehost/display.h"
#include "cehost/windows.h"
#include "handset_fixture.h"

namespace {

// cehost's display alone, with a driver each test installs itself.
using DisplayTest = BareHandsetTest;

struct Call {
  int escape;
  std::string input;
  int out_size;
};

TEST_F(DisplayTest, WithoutADriverThereIsNoScreen) {
  EXPECT_FALSE(cehost::HasDisplayDriver());
  SetLastError(0);
  EXPECT_EQ(GetDC(nullptr), nullptr);
  EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  cehost::InstallDisplayDriver([](int, const void*, int, void*, int) { return 1; });
  EXPECT_NE(GetDC(nullptr), nullptr);
  cehost::InstallDisplayDriver({});
  EXPECT_EQ(GetDC(nullptr), nullptr);
}

TEST_F(DisplayTest, EscapesReachTheDriverWithTheirBytesAndAreJournaled) {
  std::vector<Call> calls;
  cehost::InstallDisplayDriver(
      [&calls](int escape, const void* in, int in_size, void* out, int out_size) {
        calls.push_back({escape, std::string(static_cast<const char*>(in), in_size), out_size});
        if (out_size > 0) static_cast<char*>(out)[0] = 'k';
        return escape == 0x20113 ? 1 : escape == 0x20114 ? -1 : 0;
      });
  HDC dc = GetDC(nullptr);
  ASSERT_NE(dc, nullptr);
  char out[2] = {};
  struct Case {
    int escape;
    const char* in;
    int in_size;
    int out_size;
    int result;
  };
  for (const Case& c : {Case{0x20113, nullptr, 0, 0, 1}, Case{0x20114, nullptr, 0, 0, -1},
                        Case{8, "ab", 2, 1, 0}}) {
    handset().journal().Clear();
    EXPECT_EQ(ExtEscape(dc, c.escape, c.in_size, c.in, c.out_size, c.out_size ? out : nullptr),
              c.result);
    auto entries = handset().journal().Entries("display.escape");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Field("result"), std::to_string(c.result));
    EXPECT_EQ(entries[0].bytes, std::vector<uint8_t>(c.in, c.in + c.in_size));
  }
  EXPECT_EQ(handset().journal().Entries("display.escape")[0].Field("escape"), "0x8");
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[1].escape, 0x20114);
  EXPECT_EQ(calls[2].input, "ab");
  EXPECT_EQ(calls[2].out_size, 1);
  EXPECT_EQ(out[0], 'k');
  EXPECT_EQ(ReleaseDC(nullptr, dc), 1);
}

TEST_F(DisplayTest, BadContextsAndBuffersNeverReachTheDriver) {
  int called = 0;
  cehost::InstallDisplayDriver([&called](int, const void*, int, void*, int) {
    ++called;
    return 1;
  });
  HDC dc = GetDC(nullptr);
  SetLastError(0);
  EXPECT_EQ(ExtEscape(reinterpret_cast<HDC>(uintptr_t{0x10002}), 0x20113, 0, nullptr, 0, nullptr),
            0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(ExtEscape(nullptr, 0x20113, 0, nullptr, 0, nullptr), 0);
  EXPECT_EQ(ExtEscape(dc, 0x20113, 4, nullptr, 0, nullptr), -1);
  EXPECT_EQ(ExtEscape(dc, 0x20113, -1, "x", 0, nullptr), -1);
  EXPECT_EQ(ExtEscape(dc, 0x20113, 0, nullptr, 4, nullptr), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(called, 0);
  // Every escape is journaled, refused ones too.
  EXPECT_EQ(handset().journal().Entries("display.escape").size(), 5u);
}

TEST_F(DisplayTest, WindowsShareTheScreenContextAndOnlyItIsReleased) {
  cehost::InstallDisplayDriver([](int, const void*, int, void*, int) { return 1; });
  cehost::WindowSpec spec;
  spec.class_name = u"W";
  HWND hwnd = cehost::CreateHostWindow(spec);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetDC(hwnd), screen);
  SetLastError(0);
  EXPECT_EQ(GetDC(reinterpret_cast<HWND>(uintptr_t{0x7FFFFFF2})), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_EQ(ReleaseDC(hwnd, screen), 1);
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
  EXPECT_EQ(ReleaseDC(nullptr, nullptr), 0);
  EXPECT_EQ(ReleaseDC(nullptr, reinterpret_cast<HDC>(hwnd)), 0);
}

}  // namespace
