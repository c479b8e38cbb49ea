#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "ce/sysinfo.h"
#include "cehost/platform_info.h"
#include "handset_fixture.h"

namespace {

class SysInfoTest : public HandsetTest {
 protected:
  // A buffer of 64 bytes of 0xAA, to see what a call wrote.
  std::vector<uint8_t> Buffer() { return std::vector<uint8_t>(64, 0xAA); }
  // The record's first bytes, then 0xAA up to 64 bytes.
  static std::vector<uint8_t> Expected(const std::vector<uint32_t>& words, size_t copied) {
    std::vector<uint8_t> bytes(64, 0xAA);
    std::memcpy(bytes.data(), words.data(), copied);
    return bytes;
  }
};

TEST_F(SysInfoTest, DefaultRecordIsTenWordsWithHardwareOne) {
  std::vector<uint32_t> words(12, 0xAAAAAAAA);
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETPLATFORMINFO, 48, words.data(), SPIF_UPDATEINIFILE));
  EXPECT_EQ(words, (std::vector<uint32_t>{0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0xAAAAAAAA, 0xAAAAAAAA}));
  EXPECT_EQ(cehost::DefaultPlatformInfo(), std::vector<uint32_t>(words.begin(), words.end() - 2));
}

TEST_F(SysInfoTest, CopiesTheBytesAskedForUpToTheRecordsSize) {
  std::vector<uint32_t> record = {0x03020100, 0x07060504, 0x0B0A0908};
  cehost::SetPlatformInfo(record);
  struct Case {
    UINT asked;
    size_t copied;
  } cases[] = {{0, 0}, {4, 4}, {6, 6}, {12, 12}, {13, 12}, {64, 12}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.asked);
    for (UINT update : {0u, 1u}) {
      auto buffer = Buffer();
      SetLastError(0);
      EXPECT_TRUE(SystemParametersInfoW(SPI_GETPLATFORMINFO, c.asked, buffer.data(), update));
      EXPECT_EQ(buffer, Expected(record, c.copied));
      EXPECT_EQ(GetLastError(), 0u);
    }
  }
  // Asking for nothing needs no buffer.
  EXPECT_TRUE(SystemParametersInfoW(SPI_GETPLATFORMINFO, 0, nullptr, 0));
}

TEST_F(SysInfoTest, RefusalsAreFalseWithInvalidParameterAndWriteNothing) {
  struct Case {
    const char* name;
    UINT action;
    bool buffer;
    bool record;
  } cases[] = {
      {"other action", 225, true, true},
      {"action below", 223, true, true},
      {"platform type", 257, true, true},
      {"null buffer", SPI_GETPLATFORMINFO, false, true},
      {"no record", SPI_GETPLATFORMINFO, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.record) {
      cehost::SetPlatformInfo({1, 2, 3});
    } else {
      cehost::ClearPlatformInfo();
    }
    auto buffer = Buffer();
    SetLastError(0);
    EXPECT_FALSE(SystemParametersInfoW(c.action, 16, c.buffer ? buffer.data() : nullptr, 1));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(buffer, Buffer());
  }
}

TEST_F(SysInfoTest, RecordBelongsToItsHandset) {
  cehost::SetPlatformInfo({9, 9, 9});
  {
    sim::Handset other;
    uint32_t word = 0;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETPLATFORMINFO, 4, &word, 1));
    EXPECT_EQ(word, 0u);
    cehost::ClearPlatformInfo();
  }
  // Mounting a handset again starts it from the default record.
  handset().MakeCurrent();
  std::vector<uint32_t> words(10);
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETPLATFORMINFO, 40, words.data(), 1));
  EXPECT_EQ(words, cehost::DefaultPlatformInfo());
}

}  // namespace
