// Checks of the harness itself: the printed forms, guarded buffers, fresh folders and keys, and
// the test window on each platform.
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "check.h"
#include "test_window.h"

namespace {

using conformance::Show;
using conformance::TestWindow;

struct Seen {
  UINT msg;
  WPARAM wparam;
  LPARAM lparam;
};

// What a test window's handler was given; shared with the window's thread.
struct Log {
  std::mutex mutex;
  std::vector<Seen> seen;

  // A handler that logs each message and answers wParam + 1.
  conformance::Handler Handler() {
    return [this](UINT msg, WPARAM wparam, LPARAM lparam) -> LRESULT {
      std::lock_guard lock(mutex);
      seen.push_back({msg, wparam, lparam});
      return static_cast<LRESULT>(wparam + 1);
    };
  }

  std::vector<Seen> Messages() {
    std::lock_guard lock(mutex);
    return seen;
  }
};

constexpr UINT kFirst = WM_USER + 1;

}  // namespace

CHECK_CASE(harness, integers_show_in_decimal_and_hexadecimal_of_their_width) {
  EXPECT_SAME(Show(static_cast<DWORD>(183)), std::string("183 (0xB7)"));
  EXPECT_SAME(Show(static_cast<LONG>(-1)), std::string("-1 (0xFFFFFFFF)"));
  EXPECT_SAME(Show(static_cast<int16_t>(-2)), std::string("-2 (0xFFFE)"));
  EXPECT_SAME(Show(static_cast<uint64_t>(0x123456789ABull)),
              std::string("1250999896491 (0x123456789AB)"));
  EXPECT_SAME(Show(true), std::string("true"));
}

CHECK_CASE(harness, text_shows_quoted_and_wide_text_as_utf8) {
  EXPECT_SAME(Show("a\"b\n"), std::string("\"a\\\"b\\x0A\""));
  EXPECT_SAME(Show(static_cast<const char*>(nullptr)), std::string("null"));
  // U+00E9 and U+4E2D: two and three bytes of UTF-8.
  EXPECT_SAME(Show(WideString(WS("\u00E9\u4E2D"))), std::string("\"\xC3\xA9\xE4\xB8\xAD\""));
  EXPECT_SAME(Show(WS("wide")), std::string("\"wide\""));
  EXPECT_SAME(Show(std::vector<uint8_t>{0x00, 0xAB, 0x7F}), std::string("[00 AB 7F]"));
}

CHECK_CASE(harness, printing_keeps_the_last_error) {
  SetLastError(conformance::kSentinel);
  Show(WideString(WS("text")));
  EXPECT_LAST_ERROR(conformance::kSentinel);
}

CHECK_CASE(harness, guarded_buffer_sees_writes_past_either_end) {
  conformance::Guarded inside(8);
  std::memset(inside.data(), 0, inside.size());
  EXPECT_TRUE_(inside.Intact());
  conformance::Guarded after(8);
  after.data()[8] = 0;
  EXPECT_TRUE_(!after.Intact());
  conformance::Guarded before(8);
  before.data()[-1] = 0;
  EXPECT_TRUE_(!before.Intact());
}

// Each thread reads its last error after the other has set its own. The threads meet through an
// atomic step counter alone: thread and lock calls of the run-time may change the last error.
CHECK_CASE(harness, last_error_is_kept_per_thread) {
  std::atomic<int> step{0};
  auto await = [&step](int value) {
    while (step.load() != value) {
    }
  };
  DWORD other = 0;
  std::thread thread([&] {
    SetLastError(ERROR_ACCESS_DENIED);
    step = 1;
    await(2);
    other = GetLastError();
    step = 3;
  });
  await(1);
  SetLastError(conformance::kSentinel);
  step = 2;
  await(3);
  DWORD mine = GetLastError();
  thread.join();
  EXPECT_SAME(other, static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_SAME(mine, conformance::kSentinel);
}

CHECK_CASE(harness, fresh_folder_is_an_empty_folder_each_time) {
  WideString folder = conformance::FreshFolder("harness");
  DWORD attributes = GetFileAttributesW(folder.c_str());
  EXPECT_TRUE_(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
  WideString inner = folder + WS("\\inner");
  EXPECT_TRUE_(CreateDirectoryW(inner.c_str(), nullptr));
  WideString file = inner + WS("\\file.txt");
  HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_TRUE_(handle != INVALID_HANDLE_VALUE);
  CloseHandle(handle);
  EXPECT_TRUE_(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));

  EXPECT_SAME(conformance::FreshFolder("harness"), folder);
  EXPECT_SAME(GetFileAttributesW(inner.c_str()), INVALID_FILE_ATTRIBUTES);
  attributes = GetFileAttributesW(folder.c_str());
  EXPECT_TRUE_(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
}

CHECK_CASE(harness, fresh_key_is_an_empty_key_each_time) {
  WideString path = conformance::FreshKey("harness");
  HKEY key = nullptr;
  EXPECT_SAME(RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
  HKEY sub = nullptr;
  EXPECT_SAME(RegCreateKeyExW(key, WS("sub"), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &sub, nullptr),
              ERROR_SUCCESS);
  RegCloseKey(sub);
  RegCloseKey(key);

  EXPECT_SAME(conformance::FreshKey("harness"), path);
  EXPECT_SAME(
      RegOpenKeyExW(HKEY_CURRENT_USER, (path + WS("\\sub")).c_str(), 0, KEY_ALL_ACCESS, &sub),
      ERROR_FILE_NOT_FOUND);
  EXPECT_SAME(RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
  RegCloseKey(key);
}

CHECK_CASE(harness, test_window_gets_posted_messages_with_their_parameters_in_order) {
  Log log;
  TestWindow window(WS("M8HarnessPost"), WS("Harness post"), log.Handler());
  EXPECT_TRUE_(PostMessageW(window.hwnd(), kFirst, 7, 9));
  EXPECT_TRUE_(PostMessageW(window.hwnd(), kFirst + 1, 0xFFFF, -1));
  EXPECT_TRUE_(window.WaitIdle());
  std::vector<Seen> seen = log.Messages();
  if (!EXPECT_SAME(seen.size(), size_t{2})) return;
  EXPECT_SAME(seen[0].msg, kFirst);
  EXPECT_SAME(seen[0].wparam, WPARAM{7});
  EXPECT_SAME(seen[0].lparam, LPARAM{9});
  EXPECT_SAME(seen[1].msg, kFirst + 1);
  EXPECT_SAME(seen[1].wparam, WPARAM{0xFFFF});
  EXPECT_SAME(seen[1].lparam, LPARAM{-1});
}

CHECK_CASE(harness, test_window_answers_sends_from_its_handler) {
  Log log;
  TestWindow window(WS("M8HarnessSend"), WS("Harness send"), log.Handler());
  DWORD_PTR answer = 0;
  EXPECT_TRUE_(SendMessageTimeoutW(window.hwnd(), kFirst, 41, 0, SMTO_NORMAL, 10000, &answer));
  EXPECT_SAME(answer, DWORD_PTR{42});
}

CHECK_CASE(harness, hung_test_window_lets_sends_time_out) {
  Log log;
  TestWindow window(WS("M8HarnessHang"), WS("Harness hang"), log.Handler());
  EXPECT_TRUE_(PostMessageW(window.hwnd(), kFirst, 1, 0));
  window.Hang();
  // What was posted before the hang has been handled; nothing after it is.
  EXPECT_SAME(log.Messages().size(), size_t{1});
  DWORD_PTR answer = 0;
  SetLastError(conformance::kSentinel);
  EXPECT_SAME(SendMessageTimeoutW(window.hwnd(), kFirst, 2, 0, SMTO_NORMAL, 50, &answer),
              LRESULT{0});
  EXPECT_LAST_ERROR(ERROR_TIMEOUT);
  EXPECT_SAME(log.Messages().size(), size_t{1});
}

CHECK_CASE(harness, test_windows_are_top_level_unless_given_a_parent) {
  TestWindow parent(WS("M8HarnessParent"), WS("Harness parent"), nullptr);
  Log log;
  TestWindow child(WS("M8HarnessChild"), WS("Harness child"), log.Handler(), true, parent.hwnd());
  EXPECT_SAME(FindWindowW(WS("M8HarnessParent"), WS("Harness parent")), parent.hwnd());
  EXPECT_SAME(FindWindowW(WS("M8HarnessChild"), nullptr), HWND{nullptr});
  EXPECT_TRUE_(PostMessageW(child.hwnd(), kFirst, 5, 6));
  EXPECT_TRUE_(child.WaitIdle());
  std::vector<Seen> seen = log.Messages();
  if (!EXPECT_SAME(seen.size(), size_t{1})) return;
  EXPECT_SAME(seen[0].wparam, WPARAM{5});
  EXPECT_SAME(seen[0].lparam, LPARAM{6});
}

// Only cehost runs a CE-only check; were one run on Wine, this one would fail there.
CE_ONLY_CASE(harness, ce_only_checks_run_on_cehost_alone) {
  EXPECT_SAME(conformance::OnWine(), false);
}
