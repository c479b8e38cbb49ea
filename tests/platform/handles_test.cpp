#include <gtest/gtest.h>

#include <unistd.h>

#include <thread>

#include "ce/kernel.h"
#include "cehost/handset.h"
#include "handset_fixture.h"

class HandlesTest : public HandsetTest {};

TEST_F(HandlesTest, LastErrorIsKeptPerThread) {
  SetLastError(1234);
  DWORD seen_by_other = 0;
  std::thread other([&] {
    seen_by_other = GetLastError();
    SetLastError(42);
  });
  other.join();
  EXPECT_EQ(seen_by_other, 0u);
  EXPECT_EQ(GetLastError(), 1234u);
}

TEST_F(HandlesTest, CloseHandleRefusesValuesThatAreNotOpen) {
  SetLastError(0);
  EXPECT_FALSE(CloseHandle(nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  SetLastError(0);
  EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  SetLastError(0);
  EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x1234))));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(HandlesTest, HandlesOfAHandsetMadeCurrentAgainStayDead) {
  HANDLE old_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(old_event, nullptr);
  handset().MakeCurrent();
  HANDLE new_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  EXPECT_NE(new_event, old_event);
  EXPECT_FALSE(SetEvent(old_event));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  CloseHandle(new_event);
  // Handset paths stay inside the handset.
  EXPECT_THROW(handset().HostPath(u"\\..\\outside"), std::invalid_argument);
}

// A thread keeps one identifier, no other live thread has it, and a thread that CreateThread
// started sees the identifier that CreateThread reported.
TEST_F(HandlesTest, ThreadIdentifiersAreStableAndDistinct) {
  DWORD mine = GetCurrentThreadId();
  EXPECT_NE(mine, 0u);
  EXPECT_EQ(GetCurrentThreadId(), mine);
  DWORD other = 0;
  std::thread([&] { other = GetCurrentThreadId(); }).join();
  EXPECT_NE(other, 0u);
  EXPECT_NE(other, mine);

  static DWORD seen_inside = 0;
  DWORD reported = 0;
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](LPVOID) -> DWORD {
        seen_inside = GetCurrentThreadId();
        return 0;
      },
      nullptr, 0, &reported);
  ASSERT_NE(thread, nullptr);
  ASSERT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  CloseHandle(thread);
  EXPECT_EQ(seen_inside, reported);
  EXPECT_NE(reported, mine);
  EXPECT_EQ(GetCurrentProcessId(), static_cast<DWORD>(getpid()));
}

// WaitForThreads returns once the threads started on the handset have ended, and not before.
TEST_F(HandlesTest, WaitForThreadsWaitsForTheHandsetsThreads) {
  EXPECT_TRUE(cehost::WaitForThreads(0));
  HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(go, nullptr);
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](LPVOID event) -> DWORD {
        return WaitForSingleObject(static_cast<HANDLE>(event), INFINITE);
      },
      go, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_FALSE(cehost::WaitForThreads(20));
  SetEvent(go);
  EXPECT_TRUE(cehost::WaitForThreads(60000));
  DWORD code = STILL_ACTIVE;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, WAIT_OBJECT_0);
  CloseHandle(thread);
  CloseHandle(go);
}
