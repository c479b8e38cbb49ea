#include <gtest/gtest.h>

#include "ce/kernel.h"
#include "ce/text.h"
#include "handset_fixture.h"

namespace {

class EventsTest : public HandsetTest {};

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

// Setting a named event is an effect: the journal records it with the event's name. (Named
// events shared by name, and handles that are closed, are conformance checks.)
TEST_F(EventsTest, SettingANamedEventIsJournaledWithItsName) {
  HANDLE event = CreateEventW(nullptr, FALSE, TRUE, u"VIVADOV_SETTING");
  ASSERT_NE(event, nullptr);
  ASSERT_TRUE(SetEvent(event));
  auto sets = handset().journal().Entries("event.set");
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_EQ(sets[0].Field("name"), "VIVADOV_SETTING");
  CloseHandle(event);
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
