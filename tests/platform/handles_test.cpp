#include <gtest/gtest.h>

#include <thread>

#include "ce/kernel.h"
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
