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

}  // namespace
