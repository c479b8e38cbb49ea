#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "frame/exports.h"
#include "shell_queue_reader.h"

namespace {

const HWND kWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234));

using ShellRequestTest = ShellChannelTest;

// Every request that carries no more than a code, a requester and a value: the record holds
// exactly those and zeros elsewhere.
TEST_F(ShellRequestTest, PlainRequestsCarryTheirCodeAndRequesterOnly) {
  struct Case {
    const char* name;
    BOOL (*call)();
    uint32_t code, requester, value;
  } cases[] = {
      {"hold battery box", [] { return ShellNotifyMsgHoldShellBatteryLowWarningBox(kWindow); }, 1,
       0x1234, 0},
      {"unhold battery box", [] { return ShellNotifyMsgUnHoldShellBatteryLowWarningBox(kWindow); },
       2, 0x1234, 0},
      {"hold keys", [] { return ShellNotifyMsgHoldShellUsingSomeKeyFunction(kWindow, 77); }, 3,
       0x1234, 77},
      {"unhold keys",
       [] { return ShellNotifyMsgUnHoldShellUsingSomeKeyFunction(kWindow, 0xFFFFFFFF); }, 4, 0x1234,
       0xFFFFFFFF},
      {"reload icons", [] { return ShellNotifyMsgReloadDesktopIcons(); }, 5, 0, 0},
      {"power off", [] { return ShellNotifyMsgMzPowerOffSystem(); }, 6, 0, 0},
      {"reset", [] { return ShellNotifyMsgMzResetSystem(); }, 7, 0, 0},
      {"enter lock", [] { return ShellNotifyMsgMzEntryLockPhone(); }, 8, 0, 0},
      {"leave lock", [] { return ShellNotifyMsgMzLeaveLockPhone(); }, 9, 0, 0},
      {"screen always on", [] { return ShellNotifyMsgSetScreenAlwaysOn(kWindow); }, 10, 0x1234, 0},
      {"screen auto off", [] { return ShellNotifyMsgSetScreenAutoOff(); }, 11, 0, 0},
      {"user name changed", [] { return ShellNotifyMsgNotifyShellUserNameChanged(); }, 13, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.call(), 1);
    auto records = requests().Drain();
    ASSERT_EQ(records.size(), 1u);
    const auto& r = records[0];
    ASSERT_EQ(r.size(), 232u);
    EXPECT_EQ(WordAt(r, 0), c.code);
    EXPECT_EQ(WordAt(r, 4), c.requester);
    EXPECT_EQ(WordAt(r, 8), c.value);
    EXPECT_TRUE(ZeroBetween(r, 12, 232));
  }
}

TEST_F(ShellRequestTest, RequestsForANullWindowAreRefusedUnwritten) {
  EXPECT_EQ(ShellNotifyMsgHoldShellBatteryLowWarningBox(nullptr), 0);
  EXPECT_EQ(ShellNotifyMsgUnHoldShellBatteryLowWarningBox(nullptr), 0);
  EXPECT_EQ(ShellNotifyMsgHoldShellUsingSomeKeyFunction(nullptr, 1), 0);
  EXPECT_EQ(ShellNotifyMsgUnHoldShellUsingSomeKeyFunction(nullptr, 1), 0);
  EXPECT_EQ(ShellNotifyMsgSetScreenAlwaysOn(nullptr), 0);
  EXPECT_TRUE(requests().Drain().empty());
}

TEST_F(ShellRequestTest, AnimatedIconCarriesItsWholeNameKindAndArguments) {
  std::u16string name(63, u'i');
  name[0] = u'M';
  ASSERT_EQ(ShellNotifyMsgSetAnimateDesktopIcon(name.c_str(), 0x11111111, 0x22222222), 1);
  auto records = requests().Drain();
  ASSERT_EQ(records.size(), 1u);
  const auto& r = records[0];
  EXPECT_EQ(WordAt(r, 0), 12u);
  EXPECT_TRUE(ZeroBetween(r, 4, 12));
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(r.data() + 12), 63), name);
  EXPECT_TRUE(ZeroBetween(r, 12 + 63 * 2, 140));
  EXPECT_EQ(WordAt(r, 140), 1u);
  EXPECT_TRUE(ZeroBetween(r, 144, 208));
  EXPECT_EQ(WordAt(r, 208), 0x11111111u);
  EXPECT_EQ(WordAt(r, 212), 0x22222222u);
  EXPECT_TRUE(ZeroBetween(r, 216, 232));
}

TEST_F(ShellRequestTest, IconTipCarriesTextAndBlockButNoArguments) {
  DesktopIconTipBlock block = {{1, 2, 3, 0xFFFFFFFF}};
  ASSERT_EQ(ShellNotifyMsgSetAnimateDesktopIconTip(u"Mail", u"3 new", &block), 1);
  auto records = requests().Drain();
  ASSERT_EQ(records.size(), 1u);
  const auto& r = records[0];
  EXPECT_EQ(WordAt(r, 0), 12u);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(r.data() + 12)), u"Mail");
  EXPECT_EQ(WordAt(r, 140), 0u);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(r.data() + 144)), u"3 new");
  EXPECT_TRUE(ZeroBetween(r, 144 + 5 * 2, 216));
  EXPECT_EQ(WordAt(r, 216), 1u);
  EXPECT_EQ(WordAt(r, 220), 2u);
  EXPECT_EQ(WordAt(r, 224), 3u);
  EXPECT_EQ(WordAt(r, 228), 0xFFFFFFFFu);

  // Without a text or a block the tip is empty and its block zero.
  ASSERT_EQ(ShellNotifyMsgSetAnimateDesktopIconTip(u"Mail", nullptr, nullptr), 1);
  records = requests().Drain();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_TRUE(ZeroBetween(records[0], 140, 232));
}

TEST_F(ShellRequestTest, IconNamesThatDoNotFitWholeAreRefused) {
  std::u16string long_name(64, u'x');
  DesktopIconTipBlock block = {};
  EXPECT_EQ(ShellNotifyMsgSetAnimateDesktopIcon(u"", 1, 2), 0);
  EXPECT_EQ(ShellNotifyMsgSetAnimateDesktopIcon(nullptr, 1, 2), 0);
  EXPECT_EQ(ShellNotifyMsgSetAnimateDesktopIcon(long_name.c_str(), 1, 2), 0);
  EXPECT_EQ(ShellNotifyMsgSetAnimateDesktopIconTip(u"", u"tip", &block), 0);
  EXPECT_EQ(ShellNotifyMsgSetAnimateDesktopIconTip(long_name.c_str(), u"tip", &block), 0);
  EXPECT_TRUE(requests().Drain().empty());
}

// A tip longer than its field is cut to 31 units, one fewer when the cut would split a
// surrogate pair.
TEST_F(ShellRequestTest, LongTipsAreCutAtACharacterBoundary) {
  struct Case {
    std::u16string tip;
    std::u16string kept;
  } cases[] = {
      {std::u16string(40, u'a'), std::u16string(31, u'a')},
      {std::u16string(31, u'b'), std::u16string(31, u'b')},
      {std::u16string(30, u'c') + u"\U0001F600", std::u16string(30, u'c')},
      {std::u16string(29, u'd') + u"\U0001F600" + u"e", std::u16string(29, u'd') + u"\U0001F600"},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(ShellNotifyMsgSetAnimateDesktopIconTip(u"Mail", c.tip.c_str(), nullptr), 1);
    auto records = requests().Drain();
    ASSERT_EQ(records.size(), 1u);
    const auto& r = records[0];
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(r.data() + 144)), c.kept);
    EXPECT_TRUE(ZeroBetween(r, 144 + c.kept.size() * 2, 208));
  }
}

// Sixteen records wait in the queue of a shell that is not reading; the next one is refused at
// once and dropped.
TEST_F(ShellRequestTest, AFullQueueRefusesTheNextRequest) {
  for (int i = 0; i < 16; ++i) ASSERT_EQ(ShellNotifyMsgReloadDesktopIcons(), 1) << i;
  EXPECT_EQ(ShellNotifyMsgMzPowerOffSystem(), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
  auto records = requests().Drain();
  ASSERT_EQ(records.size(), 16u);
  EXPECT_EQ(WordAt(records.back(), 0), 5u);
  EXPECT_EQ(ShellNotifyMsgMzPowerOffSystem(), 1);
}

// A queue handle closed by other code of the process is replaced: the next request opens the
// queue again instead of failing from then on.
TEST_F(ShellRequestTest, AQueueHandleClosedUnderTheLibraryIsOpenedAgain) {
  ASSERT_EQ(ShellNotifyMsgReloadDesktopIcons(), 1);
  ASSERT_EQ(requests().Drain().size(), 1u);
  // The library's handle is the newest queue handle: the one made just before this probe.
  MSGQUEUEOPTIONS options = {sizeof options, MSGQUEUE_ALLOW_BROKEN, 16, 232, FALSE};
  HANDLE probe = CreateMsgQueue(SHELL_REQUEST_QUEUE_NAME, &options);
  ASSERT_NE(probe, nullptr);
  bool closed = false;
  for (uintptr_t value = reinterpret_cast<uintptr_t>(probe) - 4; value >= 4 && !closed; value -= 4)
    closed = CloseMsgQueue(reinterpret_cast<HANDLE>(value)) != 0;
  ASSERT_TRUE(closed);
  CloseMsgQueue(probe);
  EXPECT_EQ(ShellNotifyMsgMzResetSystem(), 1);
  auto records = requests().Drain();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(WordAt(records[0], 0), 7u);
}

}  // namespace
