#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ce/errors.h"
#include "ce/registry.h"
#include "handset_fixture.h"

namespace {

class RegistryEnumTest : public BareHandsetTest {
 protected:
  void SetUp() override {
    BareHandsetTest::SetUp();
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Enum", 0, nullptr, 0, 0, nullptr,
                              &key_, nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    RegCloseKey(key_);
    BareHandsetTest::TearDown();
  }
  void Set(const char16_t* name, DWORD type, const std::vector<BYTE>& data) {
    ASSERT_EQ(RegSetValueExW(key_, name, 0, type, data.data(), static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
  }
  HKEY key_ = nullptr;
};

// A 16-character name buffer, as a search of Drivers\Active uses: a longer subkey name is
// ERROR_MORE_DATA with the buffer and count untouched, and the next index is still there.
TEST_F(RegistryEnumTest, ShortKeyNameBufferSkipsToTheNextIndex) {
  for (const char16_t* name : {u"01", u"ThisNameIsTwentyChar", u"02"}) {
    HKEY sub = nullptr;
    ASSERT_EQ(RegCreateKeyExW(key_, name, 0, nullptr, 0, 0, nullptr, &sub, nullptr), ERROR_SUCCESS);
    RegCloseKey(sub);
  }
  std::vector<std::string> results;
  for (DWORD index = 0;; ++index) {
    WCHAR name[16];
    std::memset(name, 0xAB, sizeof name);
    DWORD count = 16;
    LONG rc = RegEnumKeyExW(key_, index, name, &count, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc == ERROR_MORE_DATA) {
      EXPECT_EQ(count, 16u);
      EXPECT_EQ(name[0], 0xABABu);
      results.push_back("234");
    } else {
      ASSERT_EQ(rc, ERROR_SUCCESS);
      results.push_back(U8(std::u16string(name, count)));
    }
    ASSERT_LT(index, 10u);
  }
  std::sort(results.begin(), results.end());
  EXPECT_EQ(results, (std::vector<std::string>{"01", "02", "234"}));
}

// RegEnumValueW's size rules, as a value copy relies on them: each row is one call on the value
// "Value" (REG_SZ "abcdef" with its terminator, 14 bytes).
TEST_F(RegistryEnumTest, ValueNameAndDataSizes) {
  const std::u16string text = u"abcdef";
  std::vector<BYTE> stored(reinterpret_cast<const BYTE*>(text.c_str()),
                           reinterpret_cast<const BYTE*>(text.c_str() + text.size() + 1));
  Set(u"Value", REG_SZ, stored);
  struct Case {
    const char* what;
    DWORD name_chars;
    bool data_buffer;
    DWORD data_bytes;
    LONG result;
    DWORD count_after;  // the name count after the call
    DWORD size_after;   // the data size after the call
    bool name_given;    // name and type delivered
    bool data_copied;
  } cases[] = {
      // A name that does not fit is reported without its length: count and size are untouched.
      {"both fit", 6, true, 255, ERROR_SUCCESS, 5, 14, true, true},
      {"name of 5 in 5", 5, true, 255, ERROR_MORE_DATA, 5, 255, false, false},
      {"data of 14 in 13", 6, true, 13, ERROR_MORE_DATA, 5, 14, true, false},
      {"no data buffer", 255, false, 0, ERROR_SUCCESS, 5, 14, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<WCHAR> name(c.name_chars, 0xABAB);
    std::vector<BYTE> data(255, 0xCD);
    DWORD count = c.name_chars, size = c.data_bytes, type = 99;
    EXPECT_EQ(RegEnumValueW(key_, 0, name.data(), &count, nullptr, &type,
                            c.data_buffer ? data.data() : nullptr, &size),
              c.result);
    EXPECT_EQ(count, c.count_after);
    EXPECT_EQ(size, c.size_after);
    if (c.name_given) {
      EXPECT_EQ(U8(std::u16string(name.data(), count)), "Value");
      EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    }
    EXPECT_EQ(std::vector<BYTE>(data.begin(), data.begin() + 14) == stored, c.data_copied);
  }
  WCHAR name[255];
  DWORD count = 255;
  EXPECT_EQ(RegEnumValueW(key_, 1, name, &count, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
}

// A copy loop with a 255-character name buffer and a 255-byte data buffer, both set afresh for
// each call, carries every value with its type and exact bytes.
TEST_F(RegistryEnumTest, CopyLoopCarriesEveryValue) {
  Set(u"Dword", REG_DWORD, {1, 2, 3, 4});
  Set(u"Text", REG_SZ, {'h', 0, 'i', 0, 0, 0});
  Set(u"NoNul", REG_SZ, {'h', 0, 'i', 0});
  Set(u"Binary", REG_BINARY, {9, 8, 7});
  Set(u"Empty", REG_BINARY, {});
  HKEY copy = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Copy", 0, nullptr, 0, 0, nullptr, &copy,
                            nullptr),
            ERROR_SUCCESS);
  DWORD index = 0;
  LONG rc;
  for (;; ++index) {
    WCHAR name[255];
    BYTE data[255];
    DWORD count = 255, size = 255, type = 0;
    rc = RegEnumValueW(key_, index, name, &count, nullptr, &type, data, &size);
    if (rc != ERROR_SUCCESS) break;
    ASSERT_EQ(RegSetValueExW(copy, name, 0, type, data, size), ERROR_SUCCESS);
  }
  EXPECT_EQ(rc, ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(index, 5u);
  for (const char16_t* value : {u"Dword", u"Text", u"NoNul", u"Binary", u"Empty"}) {
    SCOPED_TRACE(U8(value));
    BYTE a[16], b[16];
    DWORD size_a = 16, size_b = 16, type_a = 0, type_b = 0;
    ASSERT_EQ(RegQueryValueExW(key_, value, nullptr, &type_a, a, &size_a), ERROR_SUCCESS);
    ASSERT_EQ(RegQueryValueExW(copy, value, nullptr, &type_b, b, &size_b), ERROR_SUCCESS);
    EXPECT_EQ(type_a, type_b);
    EXPECT_EQ(std::vector<BYTE>(a, a + size_a), std::vector<BYTE>(b, b + size_b));
  }
  RegCloseKey(copy);
}

}  // namespace
