// What the shell makes of each record in its queues: the journal entry a person reads, and what
// it then holds.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "cehost/journal.h"
#include "handset_fixture.h"
#include "shell_support.h"
#include "sim/shell/shell.h"

namespace {

using namespace shell_test;

enum Queue { kNotify, kRequest, kNotification };

struct Record {
  Queue queue;
  std::vector<uint8_t> bytes;
};

class ShellRecordsTest : public HandsetTest {
 protected:
  sim::Shell& shell() { return handset().program<sim::Shell>(); }

  // Writes the records one by one, each once the shell has handled the one before: the shell
  // reads its three queues in no set order between them.
  void Write(const std::vector<Record>& records) {
    for (const auto& r : records) {
      BOOL written = r.queue == kNotify    ? writer_->Notify(r.bytes)
                     : r.queue == kRequest ? writer_->Ask(r.bytes)
                                           : writer_->Notification(r.bytes);
      ASSERT_TRUE(written);
      ASSERT_TRUE(shell().WaitIdle(5000));
    }
  }
  // The texts of the shell's journal entries, in order.
  std::vector<std::string> ShellTexts() {
    std::vector<std::string> texts;
    for (const auto& entry : handset().journal().Entries("shell"))
      texts.push_back(entry.Field("text"));
    return texts;
  }

  void SetUp() override {
    HandsetTest::SetUp();
    writer_ = std::make_unique<Writer>();
  }
  void TearDown() override {
    writer_.reset();
    HandsetTest::TearDown();
  }

  std::unique_ptr<Writer> writer_;
};

TEST_F(ShellRecordsTest, EachRecordIsJournaledAsWhatItAsks) {
  struct Case {
    const char* what;
    std::vector<Record> records;
    std::vector<std::string> texts;
  };
  const std::vector<Case> cases = {
      {"subscriptions",
       {{kNotify, Subscription(1, 0x1234, 7)},
        {kNotify, Subscription(1, 0x1234, 8)},
        {kNotify, Subscription(2, 0x1234, 8)},
        {kNotify, Subscription(2, 0x1234, 8)},
        {kNotify, Subscription(1, 0, 1)}},
       {"subscribe window 0x1234 value 7", "subscribe window 0x1234 value 8 (was value 7)",
        "unsubscribe window 0x1234 value 8", "unsubscribe window 0x1234 value 8 (not subscribed)",
        "subscribe window 0x0 value 1 ignored: no window"}},
      {"holding",
       {{kRequest, Request(1, 0x10)},
        {kRequest, Request(1, 0x10)},
        {kRequest, Request(2, 0x10)},
        {kRequest, Request(2, 0x10)},
        {kRequest, Request(3, 0x10, 4)},
        {kRequest, Request(4, 0x10, 5)},
        {kRequest, Request(10, 0)}},
       {"shell request 1 hold battery-low box for window 0x10",
        "shell request 1 hold battery-low box for window 0x10 (already held)",
        "shell request 2 release battery-low box for window 0x10",
        "shell request 2 release battery-low box for window 0x10 (not held)",
        "shell request 3 hold keys for window 0x10 value 4",
        "shell request 4 release keys for window 0x10 value 5 (not held)",
        "shell request 10 without a window ignored"}},
      {"system",
       {{kRequest, Request(5)},
        {kRequest, Request(6)},
        {kRequest, Request(7)},
        {kRequest, Request(10, 0x20)},
        {kRequest, Request(11)},
        {kRequest, Request(13)}},
       {"shell request 5 reload desktop icons", "shell request 6 power off",
        "event ReadyPowerOFF (message 0xc006) to 0 windows", "shell request 7 reset",
        "event ReadyPowerOFF (message 0xc006) to 0 windows",
        "shell request 10 screen always on for window 0x20",
        "shell request 11 screen back to automatic off", "shell request 13 user name changed"}},
      {"lock",
       {{kRequest, Request(8)},
        {kRequest, Request(8)},
        {kRequest, Request(9)},
        {kRequest, Request(9)}},
       {"shell request 8 enter phone lock", "event EntryLockphone (message 0xc002) to 0 windows",
        "shell request 8 enter phone lock (already locked)", "shell request 9 leave phone lock",
        "event LeaveLockPhone (message 0xc003) to 0 windows",
        "shell request 9 leave phone lock (not locked)"}},
      {"icons",
       {{kRequest, AnimateIcon(u"Mail", 3, 4)},
        {kRequest, IconTip(u"Mail", u"2 new", {1, 2, 3, 4})},
        {kRequest, AnimateIcon(u"", 1, 1)}},
       {"shell request 12 animate icon \"Mail\" 3 4",
        "shell request 12 tip on icon \"Mail\" \"2 new\" block 1 2 3 4",
        "shell request 12 icon without a name ignored"}},
      {"notifications",
       {{kNotification, Notification(1, 0x1f4, 0xAA)},
        {kNotification, Notification(2, 0x1f4, 0xBB)},
        {kNotification, Notification(3, 0x1f4)},
        {kNotification, Notification(3, 0x1f4)},
        {kNotification, Notification(2, 0x1f8, 0xCC)}},
       {"notification 0x1f4 new, 5072 bytes", "notification 0x1f4 updated, 5072 bytes",
        "notification 0x1f4 cleared", "notification 0x1f4 cleared (none was shown)",
        "notification 0x1f8 updated, 5072 bytes (none was shown: shown as new)"}},
      {"refused",
       {{kRequest, Request(99)},
        {kRequest, Request(0)},
        {kNotify, Subscription(5, 0x1234, 1)},
        {kNotify, std::vector<uint8_t>(8, 1)},
        {kNotification, Notification(9, 0x1f4)}},
       {"unknown request 99", "unknown request 0",
        "unknown subscription operation 5 for window 0x1234",
        "notify record of 8 bytes ignored (its records have 12)",
        "unknown notification operation 9 for 0x1f4"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    handset().journal().Clear();
    Write(c.records);
    EXPECT_EQ(ShellTexts(), c.texts);
  }
}

TEST_F(ShellRecordsTest, TheShellHoldsWhatTheRecordsLeft) {
  Write({{kNotify, Subscription(1, 0x100, 1)},
         {kNotify, Subscription(1, 0x200, 2)},
         {kNotify, Subscription(2, 0x100, 1)},
         {kRequest, Request(1, 0x300)},
         {kRequest, Request(3, 0x300, 9)},
         {kRequest, Request(3, 0x400, 9)},
         {kRequest, Request(4, 0x400, 9)},
         {kRequest, Request(5)},
         {kRequest, Request(5)},
         {kRequest, Request(6)},
         {kRequest, Request(7)},
         {kRequest, Request(8)},
         {kRequest, Request(10, 0x500)},
         {kRequest, AnimateIcon(u"Mail", 3, 4)},
         {kRequest, IconTip(u"Phone", u"missed", {5, 6, 7, 8})},
         {kRequest, Request(13)},
         {kNotification, Notification(1, 0x1f4, 0xAA)},
         {kNotification, Notification(1, 0x1f8, 0xBB)},
         {kNotification, Notification(3, 0x1f8)}});

  sim::ShellMemory expected;
  expected.subscriptions = {{0x200, 2}};
  expected.battery_box_holders = {0x300};
  expected.held_keys = {{0x300, 9}};
  expected.icon_reloads = 2;
  expected.power_offs = 1;
  expected.resets = 1;
  expected.locked = true;
  expected.screen_always_on = true;
  expected.screen_requester = 0x500;
  expected.icons[u"Mail"].animation = sim::IconAnimation{3, 4};
  expected.icons[u"Phone"].tip = sim::IconTip{u"missed", {5, 6, 7, 8}};
  expected.user_name_changes = 1;
  std::vector<uint8_t> content(USER_NOTIFICATION_CONTENT_BYTES, 0);
  std::fill_n(content.begin(), 16, 0xAA);
  expected.notifications[0x1f4] = content;
  sim::ShellStatus status = shell().Status();
  EXPECT_EQ(status.run, sim::ShellRun::kRunning);
  EXPECT_TRUE(status.memory == expected);
  EXPECT_EQ(status.waiting, (std::array<DWORD, 3>{0, 0, 0}));
}

TEST_F(ShellRecordsTest, FullLengthNamesAndTextsAreReadToTheEndOfTheirFields) {
  std::u16string name(SHELL_ICON_NAME_CHARS - 1, u'n');
  std::u16string tip(SHELL_TIP_TEXT_CHARS - 1, u't');
  // A field without its NUL is read to its end, not into the next field.
  std::vector<uint8_t> unterminated = IconTip(u"", u"", {0, 0, 0, 0});
  for (size_t i = 0; i < SHELL_ICON_NAME_CHARS; ++i)
    unterminated[offsetof(ShellRequestRecord, szIconName) + 2 * i] = 'x';
  Write({{kRequest, IconTip(name, tip, {1, 2, 3, 4})}, {kRequest, unterminated}});
  auto icons = shell().Status().memory.icons;
  ASSERT_EQ(icons.size(), 2u);
  EXPECT_EQ(icons[name].tip->text, tip);
  EXPECT_TRUE(icons.count(std::u16string(SHELL_ICON_NAME_CHARS, u'x')));
}

TEST_F(ShellRecordsTest, ARefusedRecordChangesNothingAndTheShellReadsOn) {
  Write({{kNotify, Subscription(1, 0x100, 1)}, {kRequest, Request(8)}});
  sim::ShellMemory before = shell().Status().memory;
  Write({{kNotify, std::vector<uint8_t>(4, 0xFF)},
         {kRequest, std::vector<uint8_t>(100, 0x7)},
         {kRequest, Request(0xFFFFFFFF, 0x100, 1)},
         {kNotification, std::vector<uint8_t>(8, 0)},
         {kNotification, Notification(0, 0x1f4, 1)}});
  EXPECT_TRUE(shell().Status().memory == before);
  Write({{kRequest, Request(9)}});
  EXPECT_FALSE(shell().Status().memory.locked) << "the shell still reads its queues";
}

}  // namespace
