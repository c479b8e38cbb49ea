#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "cehost/platform_info.h"
#include "frame/exports.h"
#include "frame/platform_info.h"
#include "handset_fixture.h"

namespace {

class PlatformInfoTest : public HandsetTest {};

TEST_F(PlatformInfoTest, HandsetStartsAsHardwareOneWithWifi) {
  EXPECT_EQ(SettingApiGetHardwareVersionNumber(), 1);
  EXPECT_EQ(GetHardwareVersionNumber(), 1u);
  EXPECT_EQ(SettingApiIsWifiAvailable(), 1);
}

// Records shorter than the words asked for leave the rest of the buffer zero; longer ones must
// not spill past it.
TEST_F(PlatformInfoTest, VersionIsWordSixAndWifiFollowsWordEight) {
  auto record = [](size_t size, uint32_t fill, uint32_t version, uint32_t no_wifi) {
    std::vector<uint32_t> words(size, fill);
    if (size > 6) words[6] = version;
    if (size > 8) words[8] = no_wifi;
    return words;
  };
  struct Case {
    const char* name;
    std::optional<std::vector<uint32_t>> words;
    INT version;
    INT wifi;
  } cases[] = {
      {"second hardware", record(10, 0, 2, 0), 2, 1},
      {"no Wi-Fi", record(10, 0, 1, 1), 1, 0},
      {"any absence flag", record(10, 0, 1, 0x80000000), 1, 0},
      {"neighbours set", record(10, 0xFFFFFFFF, 3, 0), 3, 1},
      {"long record", record(64, 0xAAAAAAAA, 2, 5), 2, 0},
      {"nine words", record(9, 0, 2, 1), 2, 0},
      {"seven words", record(7, 0, 2, 0), 2, 1},
      {"six words", record(6, 7, 0, 0), 0, 1},
      {"empty record", std::vector<uint32_t>{}, 0, 1},
      {"not answered", std::nullopt, 0, 1},
      {"version as a signed result", record(10, 0, 0xFFFFFFFF, 0), -1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.words) {
      cehost::SetPlatformInfo(*c.words);
    } else {
      cehost::ClearPlatformInfo();
    }
    EXPECT_EQ(SettingApiGetHardwareVersionNumber(), c.version);
    EXPECT_EQ(SettingApiIsWifiAvailable(), c.wifi);
  }
}

}  // namespace
