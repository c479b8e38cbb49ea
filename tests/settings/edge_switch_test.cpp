#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "frame/exports.h"
#include "handset_fixture.h"
#include "registry_helpers.h"

namespace {

constexpr const char16_t* kEdgeKey = u"ControlPanel\\Setting\\EDGE";

class EdgeSwitchTest : public HandsetTest {
 protected:
  std::optional<StoredValue> Switch() { return Load(HKEY_CURRENT_USER, kEdgeKey, u"Switch"); }
  size_t Writes() { return handset().journal().Entries("reg.set_value").size(); }
};

TEST_F(EdgeSwitchTest, StoredSwitchDecidesAndAnUnreadableOneIsReplacedByOff) {
  struct Case {
    const char* name;
    StoredValue stored;
    bool on;
    // What "Switch" holds afterwards.
    StoredValue after;
  } cases[] = {
      {"on", Dword(1), true, Dword(1)},
      {"off", Dword(0), false, Dword(0)},
      {"any nonzero", Dword(0x80000000), true, Dword(0x80000000)},
      // The type is not looked at.
      {"string of four bytes", {REG_SZ, {u'A', 0, 0, 0}}, true, {REG_SZ, {u'A', 0, 0, 0}}},
      {"two bytes", {REG_BINARY, {1, 0}}, true, {REG_BINARY, {1, 0}}},
      {"no bytes", {REG_BINARY, {}}, false, {REG_BINARY, {}}},
      // Too long to be read: replaced.
      {"five bytes", {REG_BINARY, {1, 1, 1, 1, 1}}, false, Dword(0)},
      {"long string", {REG_SZ, {u'1', 0, u'1', 0, 0, 0}}, false, Dword(0)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Store(HKEY_CURRENT_USER, kEdgeKey, u"Switch", c.stored);
    handset().journal().Clear();
    EXPECT_EQ(SettingApiGetEdgeState(), c.on);
    EXPECT_EQ(Switch(), c.after);
    EXPECT_EQ(Writes(), c.after == c.stored ? 0u : 1u);
  }
}

TEST_F(EdgeSwitchTest, MissingSwitchIsWrittenOffOnce) {
  EXPECT_FALSE(SettingApiGetEdgeState());
  EXPECT_EQ(Switch(), Dword(0));
  EXPECT_EQ(Writes(), 1u);
  EXPECT_FALSE(SettingApiGetEdgeState());
  EXPECT_EQ(Writes(), 1u);
}

}  // namespace
