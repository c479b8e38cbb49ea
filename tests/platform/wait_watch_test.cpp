// A thread that waits on another program's behalf gives up once its watch says no one waits for
// it any more, wherever it waits: on an event, on a queue, or for a hung window's answer.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "ce/kernel.h"
#include "ce/msgqueue.h"
#include "ce/windows.h"
#include "handset_fixture.h"
#include "kernel/wait_watch.h"

namespace {

class WaitWatchTest : public HandsetTest {
 protected:
  // Runs wait on a watched thread that waits for ever and, once the wait has looked at its
  // watch (it is waiting then), says no one waits: the wait's result, which comes within a slice.
  template <class Result>
  Result Abandoned(const std::function<Result()>& wait) {
    std::atomic<bool> waited{true};
    // 1 once the wait has looked at its watch, 2 when it ended without looking.
    std::atomic<int> seen{0};
    Result result{};
    std::thread thread([&] {
      cehost::WaitWatch watch([&] {
        int none = 0;
        if (seen.compare_exchange_strong(none, 1)) seen.notify_all();
        return waited.load();
      });
      result = wait();
      int none = 0;
      if (seen.compare_exchange_strong(none, 2)) seen.notify_all();
    });
    seen.wait(0);
    waited = false;
    thread.join();
    EXPECT_EQ(seen.load(), 1) << "the wait ended without waiting";
    return result;
  }
};

TEST_F(WaitWatchTest, WatchedWaitsEndOnceNoOneWaits) {
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  EXPECT_EQ(Abandoned<DWORD>([&] { return WaitForSingleObject(event, INFINITE); }), WAIT_TIMEOUT);
  CloseHandle(event);

  MSGQUEUEOPTIONS options{sizeof(options), MSGQUEUE_ALLOW_BROKEN, 4, 16, TRUE};
  HANDLE queue = CreateMsgQueue(u"Watched", &options);
  char byte = 0;
  DWORD read = 0, flags = 0;
  EXPECT_FALSE(
      Abandoned<BOOL>([&] { return ReadMsgQueue(queue, &byte, 1, &read, INFINITE, &flags); }));
  CloseMsgQueue(queue);

  // A window whose thread answers nothing until the end: the watched sender stops waiting.
  std::atomic<HWND> hung{nullptr};
  std::atomic<bool> done{false};
  std::thread owner([&] {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.lpszClassName = u"Hung";
    RegisterClassW(&window_class);
    hung = CreateWindowExW(0, u"Hung", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    hung.notify_all();
    done.wait(false);
    DestroyWindow(hung.load());
  });
  hung.wait(nullptr);
  DWORD_PTR answer = 7;
  EXPECT_EQ(Abandoned<LRESULT>([&] {
              return SendMessageTimeoutW(hung.load(), WM_APP, 0, 0, SMTO_NORMAL, 600000, &answer);
            }),
            0);
  done = true;
  done.notify_all();
  owner.join();
}

TEST_F(WaitWatchTest, AnUnwatchedWaitIsAsBefore) {
  EXPECT_FALSE(cehost::WaitWatch::Active());
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread setter([&] { SetEvent(event); });
  EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
  setter.join();
  CloseHandle(event);
}

}  // namespace
