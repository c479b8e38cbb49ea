// Window messages as the library uses them to talk to other programs: registered message names,
// finding a program's window by its class, posting to one window or to all of them, sending
// with a time-out, and showing or hiding a window.
//
// Under Wine a broadcast reaches every top-level window of the machine, not only the checks'
// own: the checks count only what their own windows receive.
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "check.h"
#include "rows.h"
#include "test_window.h"

namespace {

using conformance::kSentinel;
using conformance::TestWindow;

constexpr UINT kFirstRegistered = 0xC000;
constexpr UINT kLastRegistered = 0xFFFF;

struct Received {
  UINT msg;
  WPARAM wparam;
  LPARAM lparam;

  bool operator==(const Received&) const = default;
};

// What one window's handler was given, in order. It must outlive the window.
class Inbox {
 public:
  // A handler that keeps every message and answers each with answer(msg, wParam, lParam).
  conformance::Handler Keep(std::function<LRESULT(UINT, WPARAM, LPARAM)> answer = nullptr) {
    return [this, answer](UINT msg, WPARAM wparam, LPARAM lparam) -> LRESULT {
      {
        std::lock_guard lock(mutex_);
        received_.push_back(Received{msg, wparam, lparam});
      }
      return answer ? answer(msg, wparam, lparam) : 0;
    };
  }

  // The messages of that number received so far.
  std::vector<Received> Of(UINT msg) const {
    std::lock_guard lock(mutex_);
    std::vector<Received> found;
    for (const Received& r : received_) {
      if (r.msg == msg) found.push_back(r);
    }
    return found;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Received> received_;
};

std::string Describe(const std::vector<Received>& messages) {
  // Appended piece by piece: g++ 12 warns wrongly about operator+ on strings here.
  std::string out = "[";
  for (const Received& r : messages) {
    if (out.size() > 1) out += ", ";
    out += "{";
    out += std::to_string(r.msg);
    out += ", ";
    out += std::to_string(r.wparam);
    out += ", ";
    out += std::to_string(static_cast<int64_t>(r.lparam));
    out += "}";
  }
  out += "]";
  return out;
}

#define EXPECT_MESSAGES(observed, expected)                                      \
  ::conformance::Report((observed) == (expected), __FILE__, __LINE__, #observed, \
                        Describe(observed), Describe(expected))

// The name in another case: ASCII letters swapped.
WideString SwapCase(const WideString& name) {
  WideString out = name;
  for (auto& c : out) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<WideString::value_type>(c - 'a' + 'A');
    } else if (c >= 'A' && c <= 'Z') {
      c = static_cast<WideString::value_type>(c - 'A' + 'a');
    }
  }
  return out;
}

UINT Register(const WideString& name, DWORD* error) {
  SetLastError(kSentinel);
  UINT id = RegisterWindowMessageW(name.c_str());
  *error = GetLastError();
  return id;
}

// A registered message has an identifier in 0xC000..0xFFFF, the same for the same name in any
// case, another for another name.
CHECK_CASE(windows, registered_message_identifiers) {
  const WideString first = WS("M8Conformance.Windows.First");
  const WideString second = WS("M8Conformance.Windows.Second");
  DWORD error = 0;
  const UINT id = Register(first, &error);
  EXPECT_TRUE_(id >= kFirstRegistered && id <= kLastRegistered);
  EXPECT_SAME(error, kSentinel);
  struct Row {
    const char* what;
    WideString name;
    bool same;
  };
  const Row rows[] = {
      {"the same name again", first, true},
      {"the name in other case", SwapCase(first), true},
      {"the name in upper case", WS("M8CONFORMANCE.WINDOWS.FIRST"), true},
      {"another name", second, false},
      {"a longer name", first + WS("x"), false},
  };
  for (const Row& row : rows) {
    const UINT other = Register(row.name, &error);
    EXPECT_ROW_TRUE(row.what, other >= kFirstRegistered && other <= kLastRegistered);
    EXPECT_ROW(row.what, other == id, row.same);
    EXPECT_ROW(row.what, error, kSentinel);
  }
}

// Names are 1 to 255 characters: an empty name is not a name (ERROR_INVALID_NAME), a longer one
// is refused with ERROR_INVALID_PARAMETER.
CHECK_CASE(windows, registered_message_name_length) {
  WideString longest(255, 'n');
  longest[0] = 'M';  // a name of its own, not shared with other checks
  struct Row {
    const char* what;
    WideString name;
    bool registered;
    DWORD error;
  };
  const Row rows[] = {
      {"empty", WS(""), false, ERROR_INVALID_NAME},
      {"255 characters", longest, true, kSentinel},
      {"256 characters", longest + WS("n"), false, ERROR_INVALID_PARAMETER},
  };
  for (const Row& row : rows) {
    DWORD error = 0;
    const UINT id = Register(row.name, &error);
    EXPECT_ROW(row.what, id != 0, row.registered);
    if (row.registered) EXPECT_ROW_TRUE(row.what, id >= kFirstRegistered);
    EXPECT_ROW(row.what, error, row.error);
  }
}

// FindWindowW finds a top-level window by its class and title, both compared without regard to
// case, a null one matching any; a child window is never found. Finding leaves the last error
// alone, also when nothing is found.
CHECK_CASE(windows, find_window_by_class_and_title) {
  const WideString top_class = WS("M8ConformanceFindTop");
  const WideString child_class = WS("M8ConformanceFindChild");
  TestWindow top(top_class, WS("M8 Conformance Find"), nullptr);
  TestWindow child(child_class, WS("M8 Conformance Find Child"), nullptr, true, top.hwnd());
  struct Row {
    const char* what;
    const WCHAR* class_name;
    const WCHAR* title;
    HWND found;
  };
  const WideString top_class_upper = SwapCase(top_class);
  const Row rows[] = {
      {"class", top_class.c_str(), nullptr, top.hwnd()},
      {"class in other case", top_class_upper.c_str(), nullptr, top.hwnd()},
      {"class and title", top_class.c_str(), WS("M8 Conformance Find"), top.hwnd()},
      {"title in other case", top_class.c_str(), WS("m8 CONFORMANCE find"), top.hwnd()},
      {"title alone", nullptr, WS("M8 Conformance Find"), top.hwnd()},
      {"other title", top_class.c_str(), WS("M8 Conformance Elsewhere"), nullptr},
      {"class of a child window", child_class.c_str(), nullptr, nullptr},
      {"title of a child window", nullptr, WS("M8 Conformance Find Child"), nullptr},
      {"unknown class", WS("M8ConformanceNoSuchClass"), nullptr, nullptr},
  };
  for (const Row& row : rows) {
    SetLastError(kSentinel);
    const HWND found = FindWindowW(row.class_name, row.title);
    const DWORD error = GetLastError();
    EXPECT_ROW(row.what, static_cast<const void*>(found), static_cast<const void*>(row.found));
    EXPECT_ROW(row.what, error, kSentinel);
  }
}

// Posting queues the message and returns at once; the window's thread handles the posts in the
// order they were made, with their parameters.
CHECK_CASE(windows, posted_messages_arrive_in_order) {
  constexpr UINT kMessage = WM_USER + 1;
  Inbox inbox;
  TestWindow window(WS("M8ConformancePost"), WS("M8 Conformance Post"), inbox.Keep());
  const std::vector<Received> sent = {
      {kMessage, 0x1234, 0x5678},
      {kMessage, 0, -1},
      {kMessage, 0xFFFFFFFF, 0x7FFFFFFF},
  };
  for (const Received& message : sent) {
    SetLastError(kSentinel);
    const BOOL posted = PostMessageW(window.hwnd(), message.msg, message.wparam, message.lparam);
    EXPECT_TRUE_(posted != 0);
    EXPECT_LAST_ERROR(kSentinel);
  }
  EXPECT_TRUE_(window.WaitIdle());
  EXPECT_MESSAGES(inbox.Of(kMessage), sent);
}

// A post to HWND_BROADCAST reaches every top-level window, hidden ones too, once, and no child
// window.
CHECK_CASE(windows, broadcast_post_reaches_every_top_level_window) {
  const UINT message = RegisterWindowMessageW(WS("M8Conformance.Windows.Broadcast"));
  EXPECT_TRUE_(message >= kFirstRegistered);
  Inbox shown_inbox, hidden_inbox, child_inbox;
  TestWindow shown(WS("M8ConformanceBroadcast"), WS("shown"), shown_inbox.Keep());
  TestWindow hidden(WS("M8ConformanceBroadcast"), WS("hidden"), hidden_inbox.Keep(), false);
  TestWindow child(WS("M8ConformanceBroadcastChild"), WS("child"), child_inbox.Keep(), true,
                   shown.hwnd());
  SetLastError(kSentinel);
  const BOOL posted = PostMessageW(HWND_BROADCAST, message, 7, 8);
  EXPECT_TRUE_(posted != 0);
  EXPECT_LAST_ERROR(kSentinel);
  EXPECT_TRUE_(shown.WaitIdle());
  EXPECT_TRUE_(hidden.WaitIdle());
  EXPECT_TRUE_(child.WaitIdle());
  const std::vector<Received> once = {{message, 7, 8}};
  EXPECT_MESSAGES(shown_inbox.Of(message), once);
  EXPECT_MESSAGES(hidden_inbox.Of(message), once);
  EXPECT_MESSAGES(child_inbox.Of(message), std::vector<Received>{});
}

// SendMessageTimeoutW has the window's thread handle the message and passes back its answer.
CHECK_CASE(windows, send_message_timeout_returns_the_answer) {
  constexpr UINT kMessage = WM_USER + 2;
  Inbox inbox;
  TestWindow window(WS("M8ConformanceSend"), WS("M8 Conformance Send"),
                    inbox.Keep([](UINT, WPARAM wparam, LPARAM lparam) -> LRESULT {
                      return static_cast<LRESULT>(wparam) * 2 + lparam;
                    }));
  DWORD_PTR answer = 0xDEAD;
  SetLastError(kSentinel);
  const LRESULT result =
      SendMessageTimeoutW(window.hwnd(), kMessage, 20, 2, SMTO_NORMAL, 10000, &answer);
  EXPECT_TRUE_(result != 0);
  EXPECT_SAME(answer, DWORD_PTR{42});
  EXPECT_LAST_ERROR(kSentinel);
  EXPECT_MESSAGES(inbox.Of(kMessage), (std::vector<Received>{{kMessage, 20, 2}}));
}

// A window that does not answer makes SendMessageTimeoutW fail with ERROR_TIMEOUT once the
// time-out has run out.
CHECK_CASE(windows, send_message_timeout_to_a_hung_window_times_out) {
  constexpr UINT kTimeoutMs = 100;
  TestWindow window(WS("M8ConformanceHung"), WS("M8 Conformance Hung"),
                    [](UINT, WPARAM, LPARAM) -> LRESULT { return 1; });
  window.Hang();
  DWORD_PTR answer = 0;
  SetLastError(kSentinel);
  const auto start = std::chrono::steady_clock::now();
  const LRESULT result =
      SendMessageTimeoutW(window.hwnd(), WM_USER + 3, 0, 0, SMTO_NORMAL, kTimeoutMs, &answer);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_SAME(result, LRESULT{0});
  EXPECT_LAST_ERROR(ERROR_TIMEOUT);
  // The clock may tick coarser than a millisecond; the call still waited about its time.
  EXPECT_TRUE_(elapsed >= std::chrono::milliseconds(kTimeoutMs - 10));
}

// ShowWindow returns whether the window was visible before the call, not whether it succeeded.
CHECK_CASE(windows, show_window_returns_the_previous_visibility) {
  TestWindow window(WS("M8ConformanceShow"), WS("M8 Conformance Show"), nullptr, false);
  struct Row {
    const char* what;
    int command;
    bool was_visible;
  };
  const Row rows[] = {
      {"show a hidden window", SW_SHOW, false},
      {"show it again", SW_SHOW, true},
      {"hide it", SW_HIDE, true},
      {"hide it again", SW_HIDE, false},
      {"SW_SHOWNA", SW_SHOWNA, false},
      {"SW_SHOWNORMAL", SW_SHOWNORMAL, true},
      {"hide at last", SW_HIDE, true},
  };
  for (const Row& row : rows) {
    SetLastError(kSentinel);
    const BOOL result = ShowWindow(window.hwnd(), row.command);
    const DWORD error = GetLastError();
    EXPECT_ROW(row.what, result != 0, row.was_visible);
    EXPECT_ROW(row.what, error, kSentinel);
  }
}

// Once a window is destroyed its handle names nothing: posting, sending and showing fail with
// ERROR_INVALID_WINDOW_HANDLE, and it is not found.
CHECK_CASE(windows, calls_on_a_destroyed_window_fail) {
  HWND gone = nullptr;
  {
    TestWindow window(WS("M8ConformanceGone"), WS("M8 Conformance Gone"), nullptr);
    gone = window.hwnd();
  }
  SetLastError(kSentinel);
  EXPECT_RESULT(PostMessageW(gone, WM_USER, 0, 0), FALSE);
  EXPECT_LAST_ERROR(ERROR_INVALID_WINDOW_HANDLE);

  DWORD_PTR answer = 0;
  SetLastError(kSentinel);
  EXPECT_RESULT(SendMessageTimeoutW(gone, WM_USER, 0, 0, SMTO_NORMAL, 1000, &answer), LRESULT{0});
  EXPECT_LAST_ERROR(ERROR_INVALID_WINDOW_HANDLE);

  SetLastError(kSentinel);
  EXPECT_RESULT(ShowWindow(gone, SW_SHOW), FALSE);
  EXPECT_LAST_ERROR(ERROR_INVALID_WINDOW_HANDLE);

  SetLastError(kSentinel);
  EXPECT_RESULT(static_cast<const void*>(FindWindowW(WS("M8ConformanceGone"), nullptr)),
                static_cast<const void*>(nullptr));
  EXPECT_LAST_ERROR(kSentinel);
}

}  // namespace
