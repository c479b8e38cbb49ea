#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ce/kernel.h"
#include "frame/exports.h"
#include "shell_queue_reader.h"

namespace {

uint32_t Value(HANDLE handle) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle));
}

std::vector<uint8_t> Content(uint8_t seed) {
  std::vector<uint8_t> content(5072);
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<uint8_t>(seed + i * 7);
  return content;
}

using UserNotificationTest = ShellChannelTest;

TEST_F(UserNotificationTest, NewThenUpdateThenClearNameOneNotification) {
  auto first = Content(1);
  HANDLE notification = ShellNotifyMsgMzSetUserNotification(nullptr, first.data());
  ASSERT_NE(notification, nullptr);
  // The new handle is an auto-reset event that is not signalled.
  EXPECT_EQ(WaitForSingleObject(notification, 0), WAIT_TIMEOUT);
  ASSERT_TRUE(SetEvent(notification));
  EXPECT_EQ(WaitForSingleObject(notification, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(notification, 0), WAIT_TIMEOUT);

  auto second = Content(2);
  EXPECT_EQ(ShellNotifyMsgMzSetUserNotification(notification, second.data()), notification);
  EXPECT_NE(ShellNotifyMsgMzClearUserNotification(notification), 0);
  // The clear closed the caller's handle.
  EXPECT_FALSE(CloseHandle(notification));

  auto records = notifications().Drain();
  ASSERT_EQ(records.size(), 3u);
  const uint32_t operations[] = {1, 2, 3};
  for (size_t i = 0; i < 3; ++i) {
    ASSERT_EQ(records[i].size(), 5080u);
    EXPECT_EQ(WordAt(records[i], 0), Value(notification));
    EXPECT_EQ(WordAt(records[i], 4), operations[i]);
  }
  EXPECT_EQ(std::vector<uint8_t>(records[0].begin() + 8, records[0].end()), first);
  EXPECT_EQ(std::vector<uint8_t>(records[1].begin() + 8, records[1].end()), second);
  EXPECT_TRUE(ZeroBetween(records[2], 8, 5080));
}

TEST_F(UserNotificationTest, RefusalsWriteNothing) {
  EXPECT_EQ(ShellNotifyMsgMzClearUserNotification(nullptr), 0);
  // No content: nothing to show, and no event is left behind for it.
  EXPECT_EQ(ShellNotifyMsgMzSetUserNotification(nullptr, nullptr), nullptr);
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  EXPECT_EQ(ShellNotifyMsgMzSetUserNotification(event, nullptr), nullptr);
  EXPECT_TRUE(notifications().Drain().empty());
  CloseHandle(event);
}

// With the queue full the notification is not delivered, yet the caller gets its handle; a clear
// then fails but closes the handle all the same.
TEST_F(UserNotificationTest, AFullQueueStillHandsOutAndClosesTheHandle) {
  auto content = Content(3);
  for (int i = 0; i < 16; ++i)
    ASSERT_NE(ShellNotifyMsgMzSetUserNotification(nullptr, content.data()), nullptr);
  HANDLE late = ShellNotifyMsgMzSetUserNotification(nullptr, content.data());
  ASSERT_NE(late, nullptr);
  EXPECT_EQ(ShellNotifyMsgMzClearUserNotification(late), 0);
  EXPECT_FALSE(CloseHandle(late));
  auto records = notifications().Drain();
  ASSERT_EQ(records.size(), 16u);
  for (const auto& r : records) EXPECT_NE(WordAt(r, 0), Value(late));
}

// The clear record names a handle that is already closed: no object made afterwards may have
// that value, or the shell would take the record for another notification.
TEST_F(UserNotificationTest, AClearedHandleValueIsNotGivenToTheNextObjects) {
  auto content = Content(4);
  HANDLE notification = ShellNotifyMsgMzSetUserNotification(nullptr, content.data());
  ASSERT_NE(notification, nullptr);
  ASSERT_NE(ShellNotifyMsgMzClearUserNotification(notification), 0);
  std::vector<HANDLE> events;
  for (int i = 0; i < 1000; ++i) {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    EXPECT_NE(event, notification);
    events.push_back(event);
  }
  for (HANDLE event : events) CloseHandle(event);
}

}  // namespace
