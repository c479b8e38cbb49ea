#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "ce/kernel.h"
#include "ce/registry.h"
#include "ce/windows.h"
#include "cehost/handset.h"
#include "cehost/windows.h"
#include "handset_fixture.h"

namespace {

struct Seen {
  UINT msg;
  WPARAM wparam;
  LPARAM lparam;
  bool operator==(const Seen&) const = default;
};

// What a window's procedure was given, and on which thread; shared with the window's thread.
struct Log {
  std::mutex mutex;
  std::vector<Seen> seen;
  std::thread::id thread;

  std::vector<Seen> Messages() {
    std::lock_guard lock(mutex);
    return seen;
  }
};

// A procedure that logs each message and answers wParam + 1.
cehost::WindowProc Logging(std::shared_ptr<Log> log) {
  return [log](HWND, UINT msg, WPARAM wparam, LPARAM lparam) -> LRESULT {
    std::lock_guard lock(log->mutex);
    log->seen.push_back({msg, wparam, lparam});
    log->thread = std::this_thread::get_id();
    return static_cast<LRESULT>(wparam + 1);
  };
}

HWND MakeWindow(std::u16string class_name, std::u16string title, cehost::WindowProc proc = {},
                bool visible = true, HWND parent = nullptr) {
  cehost::WindowSpec spec;
  spec.class_name = std::move(class_name);
  spec.title = std::move(title);
  spec.proc = std::move(proc);
  spec.visible = visible;
  spec.parent = parent;
  HWND hwnd = cehost::CreateHostWindow(spec);
  EXPECT_NE(hwnd, nullptr);
  return hwnd;
}

HWND Fake(uintptr_t value) {
  return reinterpret_cast<HWND>(value);
}

constexpr DWORD kWait = 10000;
constexpr UINT kShort = 50;

// cehost's windows alone: without sim's programs, whose shell registers its message names first
// and runs a thread of its own.
using WindowsTest = BareHandsetTest;

// --- Registered message names -------------------------------------------------------------

// Registering a message name changes nothing on the handset: the journal stays empty. (Which
// names share an identifier is a conformance check.)
TEST_F(WindowsTest, RegisteringANameIsNoEffect) {
  for (const char16_t* name : {u"M8_SettingChanged", u"m8_settingCHANGED", u"A"})
    EXPECT_GE(RegisterWindowMessageW(name), 0xC000u) << U8(name);
  EXPECT_EQ(handset().journal().Size(), 0u);
}

TEST_F(WindowsTest, RegisterRefusesEmptyAndOverlongNames) {
  std::u16string longest(255, u'x');
  std::u16string too_long(256, u'x');
  EXPECT_NE(RegisterWindowMessageW(longest.c_str()), 0u);
  for (const char16_t* name : {static_cast<const char16_t*>(nullptr), too_long.c_str()}) {
    SetLastError(0);
    EXPECT_EQ(RegisterWindowMessageW(name), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  // An empty name is not a name at all.
  SetLastError(0);
  EXPECT_EQ(RegisterWindowMessageW(u""), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
}

TEST_F(WindowsTest, RegisterFailsWhenEveryIdIsTaken) {
  UINT first = RegisterWindowMessageW(u"name0");
  UINT last = 0;
  for (int i = 1; i < 0x4000; ++i)
    last = RegisterWindowMessageW((u"name" + cehost::ToUtf16(std::to_string(i))).c_str());
  EXPECT_EQ(first, 0xC000u);
  EXPECT_EQ(last, 0xFFFFu);
  SetLastError(0);
  EXPECT_EQ(RegisterWindowMessageW(u"one more"), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(RegisterWindowMessageW(u"NAME0"), 0xC000u);
}

// --- Finding windows ----------------------------------------------------------------------

TEST_F(WindowsTest, FindWindowMatchesTopLevelWindowsWithoutCase) {
  HWND shell = MakeWindow(u"ShellWnd", u"Desktop", {}, false);
  HWND phone = MakeWindow(u"PhoneApp", u"Calls");
  MakeWindow(u"ShellWnd", u"Child", {}, true, shell);
  struct Case {
    const char16_t* class_name;
    const char16_t* title;
    HWND expected;
  } cases[] = {
      {u"shellwnd", nullptr, shell},      {u"SHELLWND", u"desktop", shell},
      {nullptr, u"CALLS", phone},         {nullptr, nullptr, phone},
      {nullptr, u"Child", nullptr},       {u"PhoneApp", u"Desktop", nullptr},
      {u"NoSuchClass", nullptr, nullptr},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FindWindowW(c.class_name, c.title), c.expected)
        << U8(c.class_name ? c.class_name : u"(null)") << " / "
        << U8(c.title ? c.title : u"(null)");
}

// --- Posting ------------------------------------------------------------------------------

TEST_F(WindowsTest, PostsArriveInOrderOnTheWindowsThread) {
  auto log = std::make_shared<Log>();
  HWND hwnd = MakeWindow(u"Target", u"", Logging(log));
  std::vector<Seen> sent;
  for (UINT i = 0; i < 50; ++i) {
    Seen m{WM_USER + i, static_cast<WPARAM>(0x100000000ull * i + i), -static_cast<LPARAM>(i)};
    ASSERT_TRUE(PostMessageW(hwnd, m.msg, m.wparam, m.lparam));
    sent.push_back(m);
  }
  ASSERT_TRUE(cehost::WaitWindowIdle(hwnd, kWait));
  EXPECT_EQ(log->Messages(), sent);
  EXPECT_NE(log->thread, std::this_thread::get_id());
}

// A post to HWND_BROADCAST is one effect in the journal, however many windows it reaches.
// (Which windows it reaches is a conformance check.)
TEST_F(WindowsTest, BroadcastPostIsJournaledOnce) {
  HWND a = MakeWindow(u"A", u"");
  HWND b = MakeWindow(u"B", u"", {}, false);
  HWND c = MakeWindow(u"C", u"", {}, true, a);
  ASSERT_TRUE(PostMessageW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, 0x1234));
  for (HWND hwnd : {a, b, c}) ASSERT_TRUE(cehost::WaitWindowIdle(hwnd, kWait));
  EXPECT_EQ(handset().journal().Entries("window.post").size(), 1u);
}

TEST_F(WindowsTest, PostsBeyondTheQueueLimitAreRefused) {
  HWND hwnd = MakeWindow(u"Hung", u"");
  cehost::SetWindowHung(hwnd, true);
  for (int i = 0; i < 10000; ++i) ASSERT_TRUE(PostMessageW(hwnd, WM_USER, i, 0));
  SetLastError(0);
  EXPECT_FALSE(PostMessageW(hwnd, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_QUOTA));
  EXPECT_TRUE(PostMessageW(HWND_BROADCAST, WM_USER, 0, 0));
}

// --- Sending ------------------------------------------------------------------------------

TEST_F(WindowsTest, SendPassesBackTheProceduresAnswer) {
  auto log = std::make_shared<Log>();
  HWND hwnd = MakeWindow(u"Target", u"", Logging(log));
  DWORD_PTR answer = 0;
  EXPECT_NE(SendMessageTimeoutW(hwnd, WM_USER, 41, 7, SMTO_NORMAL, kWait, &answer), 0);
  EXPECT_EQ(answer, 42u);
  EXPECT_NE(log->thread, std::this_thread::get_id());
  EXPECT_NE(SendMessageTimeoutW(hwnd, WM_USER, 1, 0, SMTO_NORMAL, kWait, nullptr), 0);
}

TEST_F(WindowsTest, SendToAHungWindowTimesOutAndIsHandledOnRecovery) {
  auto log = std::make_shared<Log>();
  HWND hwnd = MakeWindow(u"Hung", u"", Logging(log));
  cehost::SetWindowHung(hwnd, true);
  ASSERT_TRUE(PostMessageW(hwnd, WM_USER, 1, 0));
  DWORD_PTR answer = 99;
  SetLastError(0);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(SendMessageTimeoutW(hwnd, WM_USER + 1, 2, 0, SMTO_NORMAL, kShort, &answer), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kShort));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
  EXPECT_EQ(answer, 99u);
  EXPECT_FALSE(cehost::WaitWindowIdle(hwnd, 0));
  EXPECT_TRUE(log->Messages().empty());
  // The message sent stays queued and goes ahead of the post when the window recovers.
  cehost::SetWindowHung(hwnd, false);
  ASSERT_TRUE(cehost::WaitWindowIdle(hwnd, kWait));
  EXPECT_EQ(log->Messages(), (std::vector<Seen>{{WM_USER + 1, 2, 0}, {WM_USER, 1, 0}}));
}

TEST_F(WindowsTest, SendFromTheWindowsOwnThreadCallsTheProcedureDirectly) {
  // With a time-out of 0 only a direct call can answer.
  auto proc = [](HWND self, UINT msg, WPARAM wparam, LPARAM) -> LRESULT {
    if (msg != WM_USER) return static_cast<LRESULT>(wparam * 10);
    DWORD_PTR inner = 0;
    if (!SendMessageTimeoutW(self, WM_USER + 1, 4, 0, SMTO_NORMAL, 0, &inner)) return -1;
    return static_cast<LRESULT>(inner + 2);
  };
  HWND hwnd = MakeWindow(u"Self", u"", proc);
  DWORD_PTR answer = 0;
  ASSERT_NE(SendMessageTimeoutW(hwnd, WM_USER, 0, 0, SMTO_NORMAL, kWait, &answer), 0);
  EXPECT_EQ(answer, 42u);
}

TEST_F(WindowsTest, WindowsThatSendToEachOtherAnswerWhileWaiting) {
  auto other = std::make_shared<HWND>(nullptr);
  auto proc = [other](HWND, UINT msg, WPARAM wparam, LPARAM) -> LRESULT {
    if (msg == WM_USER + 1) return 5;
    DWORD_PTR inner = 0;
    if (!SendMessageTimeoutW(*other, msg, wparam, 0, SMTO_NORMAL, kWait, &inner)) return -1;
    return static_cast<LRESULT>(inner + 1);
  };
  // A sends WM_USER to B, whose procedure sends WM_USER + 1 back to A while A waits.
  HWND a = MakeWindow(u"A", u"", proc);
  HWND b = MakeWindow(u"B", u"", [a](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
    DWORD_PTR inner = 0;
    if (!SendMessageTimeoutW(a, WM_USER + 1, 0, 0, SMTO_NORMAL, kWait, &inner)) return -1;
    return static_cast<LRESULT>(inner * 2);
  });
  *other = b;
  DWORD_PTR answer = 0;
  ASSERT_NE(SendMessageTimeoutW(a, WM_USER, 0, 0, SMTO_NORMAL, kWait, &answer), 0);
  EXPECT_EQ(answer, 11u);
}

TEST_F(WindowsTest, BroadcastSendGivesEachTopLevelWindowTheFullTimeout) {
  auto first = std::make_shared<Log>(), last = std::make_shared<Log>(),
       child = std::make_shared<Log>();
  HWND a = MakeWindow(u"A", u"", Logging(first));
  HWND hung = MakeWindow(u"Hung", u"");
  cehost::SetWindowHung(hung, true);
  MakeWindow(u"B", u"", Logging(last), false);
  MakeWindow(u"C", u"", Logging(child), true, a);
  DWORD_PTR answer = 99;
  EXPECT_NE(
      SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 3, 0, SMTO_NORMAL, kShort, &answer), 0);
  EXPECT_EQ(answer, 0u);
  std::vector<Seen> once{{WM_SETTINGCHANGE, 3, 0}};
  EXPECT_EQ(first->Messages(), once);
  EXPECT_EQ(last->Messages(), once);
  EXPECT_TRUE(child->Messages().empty());
  auto entries = handset().journal().Entries("window.send");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Field("answered"), "0");
}

// --- Showing ------------------------------------------------------------------------------

TEST_F(WindowsTest, ShowWindowReturnsThePreviousVisibility) {
  struct Case {
    bool visible;
    int cmd;
    bool was_visible;
    bool visible_after;
  } cases[] = {
      {false, SW_SHOW, false, true},
      {true, SW_SHOW, true, true},
      {true, SW_HIDE, true, false},
      {false, SW_HIDE, false, false},
      {false, SW_SHOWNORMAL, false, true},
      {false, SW_SHOWNA, false, true},
      {true, 6 /* SW_MINIMIZE, not on CE */, true, true},
  };
  for (const auto& c : cases) {
    HWND hwnd = MakeWindow(u"W", u"", {}, c.visible);
    EXPECT_EQ(ShowWindow(hwnd, c.cmd) != 0, c.was_visible) << c.visible << " " << c.cmd;
    EXPECT_EQ(cehost::IsHostWindowVisible(hwnd), c.visible_after) << c.visible << " " << c.cmd;
  }
}

// --- Failures -----------------------------------------------------------------------------

TEST_F(WindowsTest, CallsOnWhatIsNotAWindowFailWithInvalidWindowHandle) {
  HWND gone = MakeWindow(u"Gone", u"");
  ASSERT_TRUE(cehost::DestroyHostWindow(gone));
  HWND live = MakeWindow(u"Live", u"");
  EXPECT_LE(reinterpret_cast<uintptr_t>(live), 0xFFFFFFFFu);
  SetLastError(0);
  EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(live)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  for (HWND hwnd : {static_cast<HWND>(nullptr), gone, Fake(0x10000), Fake(0x104), Fake(~0ull)}) {
    // A post to NULL is a message for the calling thread itself.
    SetLastError(0);
    EXPECT_EQ(PostMessageW(hwnd, WM_USER, 0, 0), hwnd == nullptr);
    EXPECT_EQ(GetLastError(), hwnd ? static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE) : 0u);
    SetLastError(0);
    DWORD_PTR answer = 7;
    EXPECT_EQ(SendMessageTimeoutW(hwnd, WM_USER, 0, 0, SMTO_NORMAL, kShort, &answer), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_EQ(answer, 7u);
    SetLastError(0);
    EXPECT_EQ(ShowWindow(hwnd, SW_SHOW), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  }
  SetLastError(0);
  EXPECT_EQ(ShowWindow(HWND_BROADCAST, SW_SHOW), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  // The window CloseHandle was given still works.
  EXPECT_TRUE(PostMessageW(live, WM_USER, 0, 0));
}

TEST_F(WindowsTest, PrivateMessageNumbersReachOneWindowWholeAndNoBroadcast) {
  auto log = std::make_shared<Log>();
  HWND hwnd = MakeWindow(u"W", u"", Logging(log));
  const std::vector<UINT> numbers{0xFFFF, 0x10000, 0xFFF00001, 0xFFF0001B, 0xFFFFFFFF};
  for (UINT msg : numbers) {
    ASSERT_TRUE(PostMessageW(hwnd, msg, 1, 2)) << std::hex << msg;
    DWORD_PTR answer = 0;
    ASSERT_NE(SendMessageTimeoutW(hwnd, msg, 3, 4, SMTO_NORMAL, kWait, &answer), 0);
    EXPECT_EQ(answer, 4u);
  }
  ASSERT_TRUE(cehost::WaitWindowIdle(hwnd, kWait));
  std::vector<Seen> expected;
  for (UINT msg : numbers) {
    expected.push_back({msg, 1, 2});
    expected.push_back({msg, 3, 4});
  }
  // Sends go ahead of waiting posts, so only what arrived is compared, not its order.
  auto seen = log->Messages();
  auto order = [](const Seen& a, const Seen& b) {
    return std::tie(a.msg, a.wparam) < std::tie(b.msg, b.wparam);
  };
  std::sort(seen.begin(), seen.end(), order);
  EXPECT_EQ(seen, expected);
  SetLastError(0);
  EXPECT_FALSE(PostMessageW(HWND_BROADCAST, 0x10000, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_EQ(SendMessageTimeoutW(HWND_BROADCAST, 0xFFF00001, 0, 0, SMTO_NORMAL, kShort, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(WindowsTest, PrivateMessageSentToAHungWindowTimesOutWithinBounds) {
  HWND hwnd = MakeWindow(u"CTaskBar", u"");
  cehost::SetWindowHung(hwnd, true);
  DWORD_PTR answer = 5;
  SetLastError(0);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(SendMessageTimeoutW(hwnd, 0xFFF0000F, 0, 0, SMTO_NORMAL, kShort, &answer), 0);
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
  EXPECT_EQ(answer, 5u);
  EXPECT_GE(took, std::chrono::milliseconds(kShort));
  // Generous for a loaded machine, far short of waiting for the window.
  EXPECT_LT(took, std::chrono::seconds(5));
}

TEST_F(WindowsTest, OtherSendFlagsAreRefused) {
  HWND hwnd = MakeWindow(u"W", u"");
  for (HWND target : {hwnd, HWND_BROADCAST}) {
    SetLastError(0);
    EXPECT_EQ(
        SendMessageTimeoutW(target, WM_USER, 0, 0, 0x2 /* SMTO_ABORTIFHUNG */, kShort, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
}

TEST_F(WindowsTest, JournalNamesRegisteredAndGivenMessages) {
  HWND hwnd = MakeWindow(u"W", u"");
  UINT registered = RegisterWindowMessageW(u"Some/Event");
  ASSERT_NE(registered, 0u);
  // A second spelling shares the identifier; the first one names it.
  EXPECT_EQ(RegisterWindowMessageW(u"SOME/EVENT"), registered);
  cehost::NameMessage(0xFFF00002, "wallpaper refresh");
  cehost::NameMessage(registered, "renamed");
  struct Case {
    UINT msg;
    std::string name;
  };
  for (const Case& c : {Case{registered, "Some/Event"}, Case{0xFFF00002, "wallpaper refresh"},
                        Case{0xFFF00003, ""}, Case{WM_USER, ""}}) {
    handset().journal().Clear();
    ASSERT_TRUE(PostMessageW(hwnd, c.msg, 0, 0));
    ASSERT_NE(SendMessageTimeoutW(hwnd, c.msg, 0, 0, SMTO_NORMAL, kWait, nullptr), 0);
    EXPECT_EQ(cehost::MessageName(c.msg), c.name);
    for (const char* kind : {"window.post", "window.send"}) {
      auto entries = handset().journal().Entries(kind);
      ASSERT_EQ(entries.size(), 1u) << kind;
      EXPECT_EQ(entries[0].Field("name"), c.name) << kind << " " << std::hex << c.msg;
    }
  }
  cehost::NameMessage(0xFFF00002, "");
  EXPECT_EQ(cehost::MessageName(0xFFF00002), "");
}

// --- Journal ------------------------------------------------------------------------------

TEST_F(WindowsTest, PostsSendsAndShowsAreJournaledWhenMade) {
  // The procedure writes the registry: its effect must follow the post that caused it.
  HWND hwnd = MakeWindow(u"Shell_Main", u"", [](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
    if (msg == WM_USER + 1) {
      HKEY key = nullptr;
      RegCreateKeyExW(HKEY_CURRENT_USER, u"Posted", 0, nullptr, 0, 0, nullptr, &key, nullptr);
      RegCloseKey(key);
    }
    return 0x2A;
  });
  ASSERT_TRUE(PostMessageW(hwnd, WM_USER + 1, 0x10, -1));
  ASSERT_TRUE(cehost::WaitWindowIdle(hwnd, kWait));
  DWORD_PTR answer = 0;
  ASSERT_NE(SendMessageTimeoutW(hwnd, WM_SETTINGCHANGE, 0, 0xBEEF, SMTO_NORMAL, kWait, &answer), 0);
  cehost::SetWindowHung(hwnd, true);
  SendMessageTimeoutW(hwnd, WM_USER + 2, 0, 0, SMTO_NORMAL, 1, &answer);
  ShowWindow(hwnd, SW_HIDE);
  PostMessageW(nullptr, WM_USER, 0, 0);

  auto entries = handset().journal().Entries();
  ASSERT_EQ(entries.size(), 6u);
  EXPECT_EQ(entries[0].ToJson().substr(entries[0].ToJson().find("\"kind\"")),
            "\"kind\":\"window.post\",\"to\":\"Shell_Main\",\"msg\":\"0x0401\",\"wparam\":\"0x10\","
            "\"lparam\":\"0xffffffffffffffff\",\"result\":\"1\"}");
  EXPECT_EQ(entries[1].kind, "reg.create_key");
  EXPECT_EQ(entries[2].ToJson().substr(entries[2].ToJson().find("\"kind\"")),
            "\"kind\":\"window.send\",\"to\":\"Shell_Main\",\"msg\":\"0x001a\",\"wparam\":\"0x0\","
            "\"lparam\":\"0xbeef\",\"timeout\":\"10000\",\"result\":\"1\",\"answered\":\"1\","
            "\"answer\":\"0x2a\"}");
  EXPECT_EQ(entries[3].Field("answered"), "0");
  EXPECT_EQ(entries[3].Field("result"), "0");
  EXPECT_EQ(entries[3].Field("timeout"), "1");
  EXPECT_EQ(entries[4].kind, "window.show");
  EXPECT_EQ(entries[4].Field("to"), "Shell_Main");
  EXPECT_EQ(entries[4].Field("cmd"), "0");
  EXPECT_EQ(entries[4].Field("previous"), "1");
  EXPECT_EQ(entries[5].kind, "window.post");
  EXPECT_EQ(entries[5].Field("to"), "0x0");
  EXPECT_EQ(entries[5].Field("result"), "1");
}

// --- Life and death -----------------------------------------------------------------------

TEST_F(WindowsTest, DestroyingAWindowDropsItsQueueAndFailsWaitingSenders) {
  auto log = std::make_shared<Log>();
  HWND parent = MakeWindow(u"Parent", u"", Logging(log));
  HWND child = MakeWindow(u"Child", u"", {}, true, parent);
  cehost::SetWindowHung(parent, true);
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(PostMessageW(parent, WM_USER, i, 0));
  // Whether the send is queued before the window goes or finds it gone, it fails the same way.
  auto sender = std::async(std::launch::async, [parent] {
    SetLastError(0);
    LRESULT rc = SendMessageTimeoutW(parent, WM_USER, 0, 0, SMTO_NORMAL, INFINITE, nullptr);
    return std::make_pair(rc, GetLastError());
  });
  ASSERT_TRUE(cehost::DestroyHostWindow(parent));
  auto [rc, error] = sender.get();
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_TRUE(log->Messages().empty());
  EXPECT_EQ(log.use_count(), 1);
  EXPECT_FALSE(cehost::DestroyHostWindow(child));
  EXPECT_FALSE(cehost::WaitWindowIdle(parent, 0));
}

TEST_F(WindowsTest, AProcedureMayDestroyItsOwnWindow) {
  auto destroyed = std::make_shared<std::promise<void>>();
  auto done = destroyed->get_future();
  HWND hwnd = MakeWindow(u"Self", u"", [destroyed](HWND self, UINT, WPARAM, LPARAM) -> LRESULT {
    cehost::DestroyHostWindow(self);
    destroyed->set_value();
    return 0;
  });
  ASSERT_TRUE(PostMessageW(hwnd, WM_USER, 0, 0));
  done.wait();
  EXPECT_FALSE(PostMessageW(hwnd, WM_USER, 0, 0));
}

TEST_F(WindowsTest, UnmountingStopsTheHandsetsWindows) {
  auto log = std::make_shared<Log>();
  HWND busy = MakeWindow(u"Busy", u"", Logging(log));
  HWND hung = MakeWindow(u"Hung", u"");
  cehost::SetWindowHung(hung, true);
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(PostMessageW(busy, WM_USER, i, 0));
    ASSERT_TRUE(PostMessageW(hung, WM_USER, i, 0));
  }
  cehost::UnmountHandset();
  // The window's thread has ended and the window, with its procedure, is gone.
  EXPECT_EQ(log.use_count(), 1);
  // Mounted again without sim's programs, whose windows could take the freed handle values.
  cehost::MountOptions bare;
  bare.home = handset().home();
  cehost::MountHandset(bare);
  EXPECT_FALSE(PostMessageW(busy, WM_USER, 0, 0));
  EXPECT_EQ(FindWindowW(u"Busy", nullptr), nullptr);
}

TEST_F(WindowsTest, AProcessMayEndWithWindowsLeft) {
  EXPECT_EXIT(
      {
        HWND hung = MakeWindow(u"Hung", u"");
        cehost::SetWindowHung(hung, true);
        PostMessageW(hung, WM_USER, 0, 0);
        HWND busy = MakeWindow(u"Busy", u"");
        for (int i = 0; i < 1000; ++i) PostMessageW(busy, WM_USER, i, 0);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
