#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "ce/kernel.h"
#include "ce/text.h"
#include "handset_fixture.h"

namespace {

class EventsTest : public HandsetTest {};

TEST_F(EventsTest, AutoResetReleasesOneWaiterPerSet) {
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  ASSERT_NE(event, nullptr);
  std::atomic<int> released = 0;
  auto waiter = [&] {
    if (WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0) ++released;
  };
  std::thread a(waiter), b(waiter);
  // Each set lets exactly one waiter through, whether or not it was already waiting.
  for (int expected = 1; expected <= 2; ++expected) {
    ASSERT_TRUE(SetEvent(event));
    while (released.load() < expected) std::this_thread::yield();
  }
  a.join();
  b.join();
  EXPECT_EQ(released.load(), 2);
  // Each set was taken by one waiter: nothing is left signalled.
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  EXPECT_TRUE(CloseHandle(event));
}

TEST_F(EventsTest, PulseWithoutWaitersLeavesTheEventReset) {
  HANDLE event = CreateEventW(nullptr, TRUE, TRUE, u"Pulsed");
  ASSERT_TRUE(PulseEvent(event));
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  ASSERT_TRUE(EventModify(event, EVENT_SET));
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  // A manual-reset event stays set for every waiter.
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  EXPECT_FALSE(EventModify(event, 9));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  CloseHandle(event);
}

TEST_F(EventsTest, NamedEventLivesWhileAHandleDoes) {
  HANDLE first = CreateEventW(nullptr, TRUE, FALSE, u"VIVADOV_SETTING");
  HANDLE second = CreateEventW(nullptr, FALSE, TRUE, u"VIVADOV_SETTING");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  // The second call's flags are ignored: the event is the first one, manual and reset.
  EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_TIMEOUT);
  CloseHandle(first);
  CloseHandle(second);
  SetLastError(ERROR_ALREADY_EXISTS);
  HANDLE again = CreateEventW(nullptr, FALSE, TRUE, u"VIVADOV_SETTING");
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_EQ(WaitForSingleObject(again, 0), WAIT_OBJECT_0);
  ASSERT_TRUE(SetEvent(again));
  auto sets = handset().journal().Entries("event.set");
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_EQ(sets[0].Field("name"), "VIVADOV_SETTING");
  CloseHandle(again);
  EXPECT_EQ(WaitForSingleObject(again, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(CodePageTest, GbkConversionKeepsWholeCharactersAndFlagsDefaults) {
  sim::Handset handset;
  char out[16];
  BOOL used = TRUE;
  // A supplementary character is one character that GBK lacks: one default character.
  const char16_t text[] = u"\U0001F600\u4E2D";
  int n = WideCharToMultiByte(936, 0, text, 3, out, sizeof out, nullptr, &used);
  ASSERT_EQ(n, 3);
  EXPECT_EQ(std::string(out, 3), "?\xD6\xD0");
  EXPECT_TRUE(used);
  // CP_ACP is the handset's Chinese code page.
  n = WideCharToMultiByte(CP_ACP, WC_COMPOSITECHECK, u"\u6587", 1, out, sizeof out, "*", &used);
  EXPECT_EQ(std::string(out, n), "\xCE\xC4");
  EXPECT_FALSE(used);
  EXPECT_EQ(WideCharToMultiByte(1252, 0, u"a", 1, out, sizeof out, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(WideCharToMultiByte(936, 0x1000, u"a", 1, out, sizeof out, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));
}

}  // namespace
