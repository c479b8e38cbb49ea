#include <gtest/gtest.h>

#include <vector>

#include "frame/registry_value.h"
#include "handset_fixture.h"

namespace {

class RegistryValueTest : public HandsetTest {
 protected:
  void Store(DWORD type, std::vector<BYTE> bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"ControlPanel\\Setting\\EDGE", 0, nullptr, 0, 0,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(
        RegSetValueExW(key, u"Switch", 0, type, bytes.data(), static_cast<DWORD>(bytes.size())),
        ERROR_SUCCESS);
    RegCloseKey(key);
  }
  BOOL Read(DWORD* value) {
    return ReadRegistryDword(HKEY_CURRENT_USER, u"ControlPanel\\Setting\\EDGE", u"Switch", value);
  }
};

TEST_F(RegistryValueTest, ReadSucceedsOnlyOnExactlyFourBytes) {
  struct Case {
    DWORD type;
    std::vector<BYTE> bytes;
    BOOL read;
    DWORD value;
  } cases[] = {
      {REG_DWORD, {1, 0, 0, 0}, TRUE, 1},
      // Any type counts: a one-character string with its terminator is 4 bytes.
      {REG_SZ, {u'A', 0, 0, 0}, TRUE, 0x41},
      {REG_BINARY, {1, 2, 3}, FALSE, 0xDEFA},
      {REG_BINARY, {1, 2, 3, 4, 5}, FALSE, 0xDEFA},
      {REG_BINARY, {}, FALSE, 0xDEFA},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes.size());
    Store(c.type, c.bytes);
    DWORD value = 0xDEFA;
    EXPECT_EQ(Read(&value), c.read);
    EXPECT_EQ(value, c.value);
  }
}

TEST_F(RegistryValueTest, ReadOfAMissingKeyCreatesItAndKeepsTheDefault) {
  DWORD value = 77;
  EXPECT_FALSE(Read(&value));
  EXPECT_EQ(value, 77u);
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"ControlPanel\\Setting\\EDGE", 0, 0, &key),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(RegistryValueTest, ReadWithNullOutputTouchesNothing) {
  handset().journal().Clear();
  EXPECT_FALSE(Read(nullptr));
  EXPECT_TRUE(handset().journal().EntriesWithPrefix("reg.").empty());
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"ControlPanel", 0, 0, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryValueTest, WriteStoresADwordAndCreatesTheKey) {
  ASSERT_TRUE(
      WriteRegistryDword(HKEY_LOCAL_MACHINE, u"DialParameter", u"gprsSendDataCount", 0xFFFFFFFE));
  DWORD value = 0;
  ASSERT_TRUE(
      ReadRegistryDword(HKEY_LOCAL_MACHINE, u"DialParameter", u"gprsSendDataCount", &value));
  EXPECT_EQ(value, 0xFFFFFFFEu);
  auto sets = handset().journal().Entries("reg.set_value");
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_EQ(sets[0].Field("type"), "4");
  EXPECT_EQ(sets[0].bytes, (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
  // A key that cannot be made is a failure, not a crash.
  std::u16string too_long(300, u'k');
  EXPECT_FALSE(WriteRegistryDword(HKEY_LOCAL_MACHINE, too_long.c_str(), u"v", 1));
}

}  // namespace
