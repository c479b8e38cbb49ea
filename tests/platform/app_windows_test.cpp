// A program's own windows: classes it registers, windows its threads create and serve with their
// message loops, reached by the same posts, sends, searches and broadcasts as any window.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "ce/kernel.h"
#include "ce/windows.h"
#include "cehost/handset.h"
#include "cehost/windows.h"
#include "handset_fixture.h"

// Named, as the sources of a test program are compiled together.
namespace app_windows_test {

constexpr DWORD kWait = 10000;
constexpr UINT kShort = 50;

struct Seen {
  HWND hwnd;
  UINT msg;
  WPARAM wparam;
  LPARAM lparam;
  bool operator==(const Seen&) const = default;
};

// Every message the test's procedures were given, and the threads they ran on. A window
// procedure is a plain function, so the log is the test's one.
std::mutex g_mutex;
std::vector<Seen> g_seen;
std::vector<std::thread::id> g_threads;

std::vector<Seen> SeenBy(HWND hwnd) {
  std::lock_guard lock(g_mutex);
  std::vector<Seen> of;
  for (const Seen& seen : g_seen)
    if (seen.hwnd == hwnd) of.push_back(seen);
  return of;
}

// What a window is created with to refuse its WM_CREATE.
int g_refuse;

// Logs each message (WM_CREATE with its lpCreateParams as lParam) and answers wParam + 1; the
// platform handles the rest, and the window quits its thread's loop when it is destroyed.
LRESULT CALLBACK Logging(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_CREATE)
    lparam = reinterpret_cast<LPARAM>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
  {
    std::lock_guard lock(g_mutex);
    g_seen.push_back({hwnd, msg, wparam, lparam});
    g_threads.push_back(std::this_thread::get_id());
  }
  if (msg == WM_CREATE) return lparam == reinterpret_cast<LPARAM>(&g_refuse) ? -1 : 0;
  if (msg == WM_DESTROY) PostQuitMessage(7);
  if (msg >= WM_USER || msg == WM_SETTINGCHANGE) return static_cast<LRESULT>(wparam + 1);
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

HWND Make(LPCWSTR title, DWORD style = 0, HWND parent = nullptr, LPVOID param = nullptr) {
  return CreateWindowExW(0, u"AppWindow", title, style, 0, 0, 240, 320, parent, nullptr, nullptr,
                         param);
}

HWND Fake(uintptr_t value) {
  return reinterpret_cast<HWND>(value);
}

// A thread that creates a window and runs the usual message loop until GetMessageW gives up;
// held, it waits for Release before its loop starts.
class LoopThread {
 public:
  explicit LoopThread(bool held = false) {
    if (!held) Release();
    thread_ = std::thread([this, gate = gate_.get_future()] {
      made_.set_value({Make(u"Looping"), GetCurrentThreadId(), std::this_thread::get_id()});
      gate.wait();
      while ((rc_ = GetMessageW(&last_, nullptr, 0, 0)) > 0) {
        TranslateMessage(&last_);
        DispatchMessageW(&last_);
      }
    });
    made_value_ = made_.get_future().get();
  }
  ~LoopThread() {
    if (!thread_.joinable()) return;
    Release();
    PostThreadMessageW(made_value_.id, WM_QUIT, 0, 0);
    thread_.join();
  }

  HWND hwnd() const { return made_value_.hwnd; }
  std::thread::id thread() const { return made_value_.thread; }
  void Release() {
    if (!released_) gate_.set_value();
    released_ = true;
  }
  // Waits for the loop to end: what GetMessageW returned last, and the message it gave.
  std::pair<BOOL, MSG> Join() {
    thread_.join();
    return {rc_, last_};
  }

 private:
  struct Made {
    HWND hwnd;
    DWORD id;
    std::thread::id thread;
  };
  std::promise<Made> made_;
  std::promise<void> gate_;
  bool released_ = false;
  Made made_value_{};
  BOOL rc_ = 0;
  MSG last_{};
  std::thread thread_;
};

class AppWindowsTest : public BareHandsetTest {
 protected:
  void SetUp() override {
    BareHandsetTest::SetUp();
    g_seen.clear();
    g_threads.clear();
    WNDCLASSW record{};
    record.lpfnWndProc = Logging;
    record.lpszClassName = u"AppWindow";
    atom_ = RegisterClassW(&record);
    ASSERT_NE(atom_, 0);
  }
  ATOM atom_ = 0;
};

void ExpectError(DWORD error) {
  EXPECT_EQ(GetLastError(), error);
  SetLastError(0);
}

TEST_F(AppWindowsTest, ClassesAreRegisteredOnceAndWindowsNeedOne) {
  WNDCLASSW record{};
  record.lpfnWndProc = Logging;
  record.lpszClassName = u"APPWINDOW";
  EXPECT_EQ(RegisterClassW(&record), 0);
  ExpectError(ERROR_CLASS_ALREADY_EXISTS);
  WNDCLASSW no_proc{}, no_name{};
  no_proc.lpszClassName = u"Other";
  no_name.lpfnWndProc = Logging;
  const WNDCLASSW* refused[] = {nullptr, &no_proc, &no_name};
  for (const WNDCLASSW* bad : refused) {
    EXPECT_EQ(RegisterClassW(bad), 0);
    ExpectError(ERROR_INVALID_PARAMETER);
  }
  EXPECT_EQ(CreateWindowExW(0, u"Other", u"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  ExpectError(ERROR_CANNOT_FIND_WND_CLASS);
  EXPECT_EQ(Make(u"", 0, Fake(0x104)), nullptr);
  ExpectError(ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_EQ(Make(u"", WS_CHILD), nullptr);
  ExpectError(ERROR_TLW_WITH_WSCHILD);

  HWND hwnd = CreateWindowExW(0, MAKEINTATOM(atom_), u"Title", 0, 0, 0, 0, 0, nullptr, nullptr,
                              nullptr, nullptr);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(FindWindowW(u"appwindow", u"TITLE"), hwnd);
  EXPECT_EQ(FindWindowW(MAKEINTATOM(atom_), nullptr), hwnd);
  EXPECT_FALSE(UnregisterClassW(u"AppWindow", nullptr));
  ExpectError(ERROR_CLASS_HAS_WINDOWS);
  ASSERT_TRUE(DestroyWindow(hwnd));
  EXPECT_TRUE(UnregisterClassW(MAKEINTATOM(atom_), nullptr));
  EXPECT_FALSE(UnregisterClassW(u"AppWindow", nullptr));
  ExpectError(ERROR_CLASS_DOES_NOT_EXIST);
  EXPECT_EQ(Make(u""), nullptr);
  ExpectError(ERROR_CANNOT_FIND_WND_CLASS);
  EXPECT_EQ(FindWindowW(MAKEINTATOM(atom_), nullptr), nullptr);
}

TEST_F(AppWindowsTest, CreateAndDestroyAreSentToTheWindowAndItsChildren) {
  int param = 0;
  HWND parent = Make(u"Parent", 0, nullptr, &param);
  HWND child = Make(u"Child", WS_CHILD, parent);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(SeenBy(parent), (std::vector<Seen>{{parent, WM_CREATE, 0, LPARAM(&param)}}));
  EXPECT_EQ(FindWindowW(nullptr, u"Child"), nullptr);
  // Only the thread that made a window destroys it.
  auto other = std::async(std::launch::async, [parent] {
                 BOOL destroyed = DestroyWindow(parent);
                 return std::make_pair(destroyed, GetLastError());
               }).get();
  EXPECT_EQ(other, std::make_pair(BOOL{FALSE}, DWORD{ERROR_ACCESS_DENIED}));
  ASSERT_TRUE(DestroyWindow(parent));
  EXPECT_EQ(SeenBy(parent).back().msg, static_cast<UINT>(WM_DESTROY));
  EXPECT_EQ(SeenBy(child).back().msg, static_cast<UINT>(WM_DESTROY));
  EXPECT_EQ(FindWindowW(u"AppWindow", nullptr), nullptr);
  for (HWND gone : {parent, child}) {
    EXPECT_FALSE(PostMessageW(gone, WM_USER, 0, 0));
    ExpectError(ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(DestroyWindow(gone));
    ExpectError(ERROR_INVALID_WINDOW_HANDLE);
  }
  // A procedure that answers WM_CREATE with -1 refuses the window, which is destroyed.
  EXPECT_EQ(Make(u"Refused", 0, nullptr, &g_refuse), nullptr);
  std::lock_guard lock(g_mutex);
  ASSERT_GE(g_seen.size(), 2u);
  EXPECT_EQ(g_seen[g_seen.size() - 2].msg, static_cast<UINT>(WM_CREATE));
  EXPECT_EQ(g_seen.back().msg, static_cast<UINT>(WM_DESTROY));
}

TEST_F(AppWindowsTest, ALoopThreadTakesPostsAndSendsInOrderAndQuits) {
  LoopThread app;
  std::vector<Seen> expected{{app.hwnd(), WM_CREATE, 0, 0}};
  for (UINT i = 0; i < 3; ++i) {
    expected.push_back({app.hwnd(), WM_USER + i, 0x100000000ull * i + 1, -LPARAM(i)});
    ASSERT_TRUE(PostMessageW(app.hwnd(), WM_USER + i, 0x100000000ull * i + 1, -LPARAM(i)));
  }
  ASSERT_TRUE(cehost::WaitWindowIdle(app.hwnd(), kWait));
  DWORD_PTR answer = 0;
  ASSERT_NE(SendMessageTimeoutW(app.hwnd(), WM_APP, 41, 5, SMTO_NORMAL, kWait, &answer), 0);
  EXPECT_EQ(answer, 42u);
  // The platform's handling of WM_CLOSE destroys the window, whose WM_DESTROY quits.
  ASSERT_TRUE(PostMessageW(app.hwnd(), WM_CLOSE, 0, 0));
  auto [rc, last] = app.Join();
  EXPECT_EQ(rc, FALSE);
  EXPECT_EQ(last.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(last.wParam, 7u);
  expected.push_back({app.hwnd(), WM_APP, 41, 5});
  expected.push_back({app.hwnd(), WM_CLOSE, 0, 0});
  expected.push_back({app.hwnd(), WM_DESTROY, 0, 0});
  EXPECT_EQ(SeenBy(app.hwnd()), expected);
  for (auto id : g_threads) EXPECT_EQ(id, app.thread());
  // The journal names the window by its class, as it does any window.
  auto posts = handset().journal().Entries("window.post");
  ASSERT_EQ(posts.size(), 4u);
  EXPECT_EQ(posts[0].Field("to"), "AppWindow");
  EXPECT_EQ(handset().journal().Entries("window.send").at(0).Field("answer"), "0x2a");
}

TEST_F(AppWindowsTest, SendTimesOutUntilTheOwningThreadTakesMessages) {
  LoopThread app(/*held=*/true);
  DWORD_PTR answer = 99;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(SendMessageTimeoutW(app.hwnd(), WM_USER, 1, 0, SMTO_NORMAL, kShort, &answer), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kShort));
  ExpectError(ERROR_TIMEOUT);
  EXPECT_EQ(answer, 99u);
  ASSERT_TRUE(PostMessageW(app.hwnd(), WM_USER + 1, 2, 0));
  // Once the thread asks for messages, what was sent goes ahead of what was posted.
  app.Release();
  ASSERT_TRUE(cehost::WaitWindowIdle(app.hwnd(), kWait));
  EXPECT_EQ(SeenBy(app.hwnd()), (std::vector<Seen>{{app.hwnd(), WM_CREATE, 0, 0},
                                                   {app.hwnd(), WM_USER, 1, 0},
                                                   {app.hwnd(), WM_USER + 1, 2, 0}}));
}

TEST_F(AppWindowsTest, BroadcastsReachApplicationWindows) {
  LoopThread app;
  // The calling thread's own window, which takes no messages: a send reaches it directly.
  HWND own = Make(u"Own");
  ASSERT_TRUE(PostMessageW(HWND_BROADCAST, WM_SETTINGCHANGE, 3, 0));
  ASSERT_TRUE(cehost::WaitWindowIdle(app.hwnd(), kWait));
  ASSERT_NE(
      SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 4, 0, SMTO_NORMAL, kWait, nullptr), 0);
  EXPECT_EQ(handset().journal().Entries("window.send").at(0).Field("answered"), "1");
  EXPECT_EQ(SeenBy(app.hwnd()).size(), 3u);
  EXPECT_EQ(SeenBy(own),
            (std::vector<Seen>{{own, WM_CREATE, 0, 0}, {own, WM_SETTINGCHANGE, 4, 0}}));
}

TEST_F(AppWindowsTest, AThreadTakesItsMessagesByWindowAndNumberAndQuitLast) {
  HWND a = Make(u"A");
  HWND b = Make(u"B");
  DWORD_PTR answer = 0;
  ASSERT_NE(SendMessageTimeoutW(a, WM_USER, 1, 0, SMTO_NORMAL, 0, &answer), 0);
  EXPECT_EQ(answer, 2u);
  ASSERT_TRUE(PostMessageW(a, WM_USER + 1, 0, 0));
  ASSERT_TRUE(PostMessageW(b, WM_USER + 2, 0, 0));
  PostQuitMessage(3);
  ASSERT_TRUE(PostMessageW(nullptr, WM_APP, 0, 0));
  ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), WM_APP + 1, 0, 0));
  MSG m{};
  ASSERT_TRUE(PeekMessageW(&m, b, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(std::make_pair(m.hwnd, m.message), std::make_pair(b, UINT{WM_USER + 2}));
  ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_APP, WM_APP + 1, PM_REMOVE));
  EXPECT_EQ(std::make_pair(m.hwnd, m.message), std::make_pair(HWND{}, UINT{WM_APP}));
  struct Step {
    HWND filter;
    BOOL rc;
    HWND hwnd;
    UINT msg;
  } steps[] = {{b, TRUE, b, WM_USER + 2},
               {nullptr, TRUE, a, WM_USER + 1},
               {nullptr, TRUE, nullptr, WM_APP + 1},
               {a, FALSE, nullptr, WM_QUIT}};
  for (const Step& step : steps) {
    EXPECT_EQ(GetMessageW(&m, step.filter, 0, 0), step.rc) << step.msg;
    EXPECT_EQ(std::make_pair(m.hwnd, m.message), std::make_pair(step.hwnd, step.msg));
  }
  EXPECT_EQ(m.wParam, 3u);
  EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_NE(TranslateMessage(&(m = MSG{a, WM_KEYDOWN, 0x41, 0, 0, {}})), 0);
  EXPECT_EQ(TranslateMessage(&(m = MSG{a, WM_USER, 0, 0, 0, {}})), 0);

  // Another thread's window is no filter and no window to dispatch to here.
  LoopThread app;
  EXPECT_EQ(GetMessageW(&m, app.hwnd(), 0, 0), -1);
  ExpectError(ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_EQ(GetMessageW(&m, Fake(0x104), 0, 0), -1);
  ExpectError(ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_EQ(DispatchMessageW(&(m = MSG{app.hwnd(), WM_USER, 0, 0, 0, {}})), 0);
  ExpectError(ERROR_ACCESS_DENIED);
  EXPECT_FALSE(PostThreadMessageW(0xFFFF0, WM_USER, 0, 0));
  ExpectError(ERROR_INVALID_THREAD_ID);
}

// The calling thread's window answers what a window's procedure sends it while the thread waits
// for that procedure's answer.
TEST_F(AppWindowsTest, ASendingThreadAnswersItsOwnWindowMeanwhile) {
  HWND own = Make(u"Own");
  cehost::WindowSpec spec;
  spec.class_name = u"Host";
  spec.proc = [own](HWND, UINT, WPARAM wparam, LPARAM) -> LRESULT {
    DWORD_PTR inner = 0;
    if (!SendMessageTimeoutW(own, WM_USER, wparam, 0, SMTO_NORMAL, kWait, &inner)) return -1;
    return static_cast<LRESULT>(inner * 2);
  };
  HWND host = cehost::CreateHostWindow(spec);
  DWORD_PTR answer = 0;
  ASSERT_NE(SendMessageTimeoutW(host, WM_USER, 20, 0, SMTO_NORMAL, kWait, &answer), 0);
  EXPECT_EQ(answer, 42u);
  std::lock_guard lock(g_mutex);
  EXPECT_EQ(g_threads.back(), std::this_thread::get_id());
}

TEST_F(AppWindowsTest, InSendMessageTellsASendOfAnotherThread) {
  auto posted = std::make_shared<std::atomic<BOOL>>(-1);
  cehost::WindowSpec spec;
  spec.class_name = u"Asker";
  spec.proc = [posted](HWND self, UINT msg, WPARAM, LPARAM) -> LRESULT {
    if (msg == WM_USER + 2) posted->store(InSendMessage());
    if (msg != WM_USER + 1) return InSendMessage();
    // A send to itself is no send of another thread; the outer call's answer is kept.
    DWORD_PTR inner = 5;
    SendMessageTimeoutW(self, WM_USER, 0, 0, SMTO_NORMAL, kWait, &inner);
    return static_cast<LRESULT>(10 * inner + InSendMessage());
  };
  HWND host = cehost::CreateHostWindow(spec);
  ASSERT_TRUE(PostMessageW(host, WM_USER + 2, 0, 0));
  ASSERT_TRUE(cehost::WaitWindowIdle(host, kWait));
  EXPECT_EQ(posted->load(), FALSE);
  DWORD_PTR answer = 0;
  ASSERT_NE(SendMessageTimeoutW(host, WM_USER + 1, 0, 0, SMTO_NORMAL, kWait, &answer), 0);
  EXPECT_EQ(answer, 1u);
  EXPECT_EQ(InSendMessage(), FALSE);
}

TEST_F(AppWindowsTest, AThreadsWindowsGoWithItAndItsLoopEndsWithTheHandset) {
  HWND orphan = nullptr;
  std::thread([&orphan] { orphan = Make(u"Orphan"); }).join();
  EXPECT_EQ(FindWindowW(nullptr, u"Orphan"), nullptr);
  EXPECT_FALSE(PostMessageW(orphan, WM_USER, 0, 0));
  ExpectError(ERROR_INVALID_WINDOW_HANDLE);

  LoopThread app;
  // Answered, the send shows the thread inside GetMessageW.
  ASSERT_NE(SendMessageTimeoutW(app.hwnd(), WM_USER, 0, 0, SMTO_NORMAL, INFINITE, nullptr), 0);
  cehost::UnmountHandset();
  auto [rc, last] = app.Join();
  EXPECT_EQ(rc, FALSE);
  EXPECT_EQ(last.message, static_cast<UINT>(WM_QUIT));
  cehost::MountOptions bare;
  bare.home = handset().home();
  cehost::MountHandset(bare);
  EXPECT_EQ(FindWindowW(u"AppWindow", nullptr), nullptr);
}

}  // namespace app_windows_test
