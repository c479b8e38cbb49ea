#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ce/modules.h"
#include "frame/broadcast.h"
#include "frame/exports.h"
#include "handset_fixture.h"
#include "registry_helpers.h"

namespace {

constexpr const char16_t* kFlyModeKey = u"ControlPanel\\Setting\\FlyMode";

class FlightModeTest : public HandsetTest {
 protected:
  // The lParam of each flight-mode broadcast posted so far, in order; any other post fails the
  // test.
  std::vector<std::string> Broadcasts() {
    char msg[16];
    std::snprintf(msg, sizeof msg, "0x%04x", GetPalBroadcastMessage());
    std::vector<std::string> lparams;
    for (const auto& post : handset().journal().Entries("window.post")) {
      EXPECT_EQ(post.Field("to"), "HWND_BROADCAST");
      EXPECT_EQ(post.Field("msg"), msg);
      EXPECT_EQ(post.Field("wparam"), "0x10001");
      lparams.push_back(post.Field("lparam"));
    }
    return lparams;
  }
  std::optional<StoredValue> Flag() { return Load(HKEY_CURRENT_USER, kFlyModeKey, u"FlyModeFlag"); }
};

TEST_F(FlightModeTest, FlagIsOneForAnyModeButTheBroadcastSaysOnOnlyForOne) {
  struct Case {
    BYTE mode;
    DWORD flag;
    std::string lparam;
  } cases[] = {
      {0, 0, "0x0"}, {1, 1, "0x3"}, {2, 1, "0x0"}, {3, 1, "0x0"}, {0xFF, 1, "0x0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    handset().journal().Clear();
    EXPECT_EQ(SettingApiSetFlyModeReg(c.mode), 1);
    EXPECT_EQ(Flag(), Dword(c.flag));
    EXPECT_EQ(Broadcasts(), std::vector<std::string>{c.lparam});
  }
}

TEST_F(FlightModeTest, SetFlyModeExBroadcastsTwiceAndIgnoresItsFirstArgument) {
  struct Case {
    DWORD reserved;
    BYTE mode;
    DWORD flag;
    std::string lparam;
  } cases[] = {
      {0, 1, 1, "0x3"},
      {0xFFFFFFFF, 1, 1, "0x3"},
      {1, 0, 0, "0x0"},
      {0xFFFFFFFF, 2, 1, "0x0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.reserved << " " << static_cast<int>(c.mode));
    handset().journal().Clear();
    EXPECT_TRUE(SetFlyModeEx(c.reserved, c.mode));
    EXPECT_EQ(Flag(), Dword(c.flag));
    EXPECT_EQ(Broadcasts(), (std::vector<std::string>{c.lparam, c.lparam}));
    EXPECT_EQ(handset().journal().Entries("reg.set_value").size(), 1u);
  }
}

TEST_F(FlightModeTest, SendMsgToShellOnlyBroadcasts) {
  struct Case {
    BYTE mode;
    std::string lparam;
  } cases[] = {{1, "0x3"}, {0, "0x0"}, {2, "0x0"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    handset().journal().Clear();
    EXPECT_EQ(SettingApiFlyModeSendMsgToShell(c.mode), 1);
    EXPECT_EQ(Broadcasts(), std::vector<std::string>{c.lparam});
  }
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kFlyModeKey));
  EXPECT_TRUE(handset().journal().EntriesWithPrefix("reg.").empty());
}

// A CE caller passes the mode in a 32-bit register; only its low byte counts. (g++ reads a BYTE
// parameter's low byte alone; clang assumes the caller extended it, so it cannot stand in for
// such a caller.)
TEST_F(FlightModeTest, ModeIsTheLowByteOfTheCallersWord) {
#ifdef __clang__
  GTEST_SKIP() << "clang assumes BYTE arguments are extended by the caller";
#endif
  FARPROC volatile entry = reinterpret_cast<FARPROC>(&SettingApiSetFlyModeReg);
  auto set_with_word = reinterpret_cast<INT (*)(DWORD)>(entry);
  struct Case {
    DWORD word;
    DWORD flag;
    std::string lparam;
  } cases[] = {
      {0x100, 0, "0x0"},
      {0x101, 1, "0x3"},
      {0xFFFFFF00, 0, "0x0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.word);
    handset().journal().Clear();
    EXPECT_EQ(set_with_word(c.word), 1);
    EXPECT_EQ(Flag(), Dword(c.flag));
    EXPECT_EQ(Broadcasts(), std::vector<std::string>{c.lparam});
  }
}

}  // namespace
