#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "ce/kernel.h"
#include "ce/msgqueue.h"
#include "cehost/handset.h"
#include "cehost/journal.h"
#include "handset_fixture.h"
#include "oem/shell.h"

namespace {

// cehost's queues alone: without sim's programs, whose shell would own and read the shell's
// queues.
using MsgQueueTest = BareHandsetTest;

MSGQUEUEOPTIONS Options(BOOL read_access, DWORD max_bytes = 256) {
  MSGQUEUEOPTIONS options{sizeof(MSGQUEUEOPTIONS), 0, SHELL_QUEUE_MAX_MESSAGES, max_bytes,
                          read_access};
  return options;
}

std::vector<uint8_t> Record(size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
  return bytes;
}

// A queue is journaled when it is made, not when it is opened again; each message written is
// journaled with its queue, size, flags and bytes (cut to the journal's limit, with the count
// kept), and a write that fails is not.
TEST_F(MsgQueueTest, WritesAreJournaledWithTheirBytes) {
  MSGQUEUEOPTIONS read = Options(TRUE, sizeof(UserNotificationRecord));
  MSGQUEUEOPTIONS write = Options(FALSE, sizeof(UserNotificationRecord));
  HANDLE reader = CreateMsgQueue(SHELL_REQUEST_QUEUE_NAME, &read);
  HANDLE writer = CreateMsgQueue(SHELL_REQUEST_QUEUE_NAME, &write);
  auto created = handset().journal().Entries("queue.create");
  ASSERT_EQ(created.size(), 1u);
  EXPECT_EQ(created[0].Field("queue"), "QueueNameOffAppsAskShellEvent");
  EXPECT_EQ(created[0].Field("max_messages"), "16");
  EXPECT_EQ(created[0].Field("max_message_bytes"), "5080");
  EXPECT_EQ(created[0].Field("access"), "read");

  auto request = Record(sizeof(ShellRequestRecord), 1);
  auto notification = Record(sizeof(UserNotificationRecord), 2);
  ASSERT_TRUE(WriteMsgQueue(writer, request.data(), 232, 0, 0));
  ASSERT_TRUE(WriteMsgQueue(writer, notification.data(), 5080, 0, MSGQUEUE_MSGALERT));
  ASSERT_FALSE(WriteMsgQueue(writer, notification.data(), 5080, 0, MSGQUEUE_MSGALERT));
  auto written = handset().journal().Entries("queue.write");
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[0].Field("queue"), "QueueNameOffAppsAskShellEvent");
  EXPECT_EQ(written[0].Field("size"), "232");
  EXPECT_EQ(written[0].Field("flags"), "0x0");
  EXPECT_EQ(written[0].bytes, request);
  EXPECT_EQ(written[1].Field("flags"), "0x1");
  EXPECT_EQ(written[1].byte_count, 5080u);
  EXPECT_EQ(written[1].bytes.size(), handset().journal().Limits().max_entry_bytes);

  MSGQUEUEOPTIONS unnamed = Options(FALSE);
  HANDLE anonymous = CreateMsgQueue(nullptr, &unnamed);
  EXPECT_EQ(handset().journal().Entries("queue.create").back().Field("queue"), "(unnamed)");
  for (HANDLE queue : {reader, writer, anonymous}) CloseMsgQueue(queue);
}

// A program that reads a queue on its own thread and journals what it read finds its entry after
// the write's: the write is in the journal before a reader can take the message.
TEST_F(MsgQueueTest, ReadersEntriesFollowTheWrite) {
  constexpr int kMessages = 200;
  MSGQUEUEOPTIONS read = Options(TRUE);
  HANDLE reader = CreateMsgQueue(nullptr, &read);
  MSGQUEUEOPTIONS write = Options(FALSE);
  HANDLE writer = OpenMsgQueue(GetCurrentProcess(), reader, &write);
  cehost::Journal& journal = handset().journal();
  std::thread shell([&] {
    for (int i = 0; i < kMessages; ++i) {
      uint8_t buffer[8];
      DWORD got = 0;
      DWORD flags = 0;
      if (!ReadMsgQueue(reader, buffer, sizeof buffer, &got, 10000, &flags)) return;
      cehost::RecordEffect(journal, cehost::EffectKind::kShell,
                           {{"read", std::to_string(buffer[0])}});
    }
  });
  for (int i = 0; i < kMessages; ++i) {
    uint8_t byte = static_cast<uint8_t>(i);
    ASSERT_TRUE(WriteMsgQueue(writer, &byte, 1, 10000, 0));
  }
  shell.join();
  std::vector<std::string> order;
  for (const auto& entry : journal.Entries()) {
    if (entry.kind == "queue.write") order.push_back("w" + std::to_string(entry.bytes[0]));
    if (entry.kind == "shell") order.push_back("r" + entry.Field("read"));
  }
  ASSERT_EQ(order.size(), 2u * kMessages);
  std::vector<bool> written(kMessages, false);
  for (const std::string& step : order) {
    int n = std::stoi(step.substr(1));
    if (step[0] == 'w') written[n] = true;
    EXPECT_TRUE(written[n]) << "read " << n << " journaled before its write";
  }
  CloseMsgQueue(reader);
  CloseMsgQueue(writer);
}

// Queues belong to their handset: a name made on one is new on another, and one handset's queue
// handles are nothing on the other.
TEST(MsgQueueHandsetsTest, HandsetsDoNotShareQueues) {
  MSGQUEUEOPTIONS read = Options(TRUE);
  sim::Handset first;
  HANDLE on_first = CreateMsgQueue(u"Shared", &read);
  ASSERT_NE(on_first, nullptr);
  sim::Handset second;
  SetLastError(ERROR_ALREADY_EXISTS);
  HANDLE on_second = CreateMsgQueue(u"Shared", &read);
  ASSERT_NE(on_second, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  MSGQUEUEINFO info{};
  info.dwSize = sizeof info;
  EXPECT_FALSE(GetMsgQueueInfo(on_first, &info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  CloseMsgQueue(on_second);
}

}  // namespace
