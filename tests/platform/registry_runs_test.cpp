#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "ce/errors.h"
#include "ce/registry.h"
#include "cehost/registry_transaction.h"
#include "handset_fixture.h"

namespace {

// Enumerations of keys with more entries than are read at once, and changes made between their
// calls: every index always names what counting the key's entries in order gives at that call.
class RegistryRunsTest : public BareHandsetTest {
 protected:
  void SetUp() override {
    BareHandsetTest::SetUp();
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Runs", 0, nullptr, 0, 0, nullptr,
                              &key_, nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    RegCloseKey(key_);
    BareHandsetTest::TearDown();
  }
  static std::u16string Name(int i) { return u"V" + cehost::ToUtf16(std::to_string(i)); }
  void AddValues(int from, int to) {
    for (int i = from; i < to; ++i) {
      DWORD value = static_cast<DWORD>(i);
      ASSERT_EQ(RegSetValueExW(key_, Name(i).c_str(), 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&value), 4),
                ERROR_SUCCESS);
    }
  }
  // The value at index: its name and data as "V7=7", or "end", or the error.
  std::string At(DWORD index) {
    WCHAR name[32];
    DWORD chars = 32;
    DWORD value = 0;
    DWORD size = 4;
    LONG rc = RegEnumValueW(key_, index, name, &chars, nullptr, nullptr,
                            reinterpret_cast<BYTE*>(&value), &size);
    if (rc == ERROR_NO_MORE_ITEMS) return "end";
    if (rc != ERROR_SUCCESS) return "error " + std::to_string(rc);
    return U8(std::u16string(name, chars)) + "=" + std::to_string(value);
  }
  static std::string Expect(int i) { return "V" + std::to_string(i) + "=" + std::to_string(i); }
  // Deletes a value through a connection of its own to the registry file, as another process
  // would.
  void DeleteElsewhere(const char* name) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((handset().home() / "registry.db").c_str(), &db), SQLITE_OK);
    std::string sql = std::string("DELETE FROM vals WHERE name = '") + name + "'";
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(sqlite3_changes(db), 1);
    sqlite3_close(db);
  }
  HKEY key_ = nullptr;
};

TEST_F(RegistryRunsTest, EveryValueAndSubkeyOnceInOrderAcrossRuns) {
  AddValues(0, 300);
  for (int i = 0; i < 300; ++i) {
    // Asked twice, as a caller that first asks for the sizes does.
    ASSERT_EQ(At(static_cast<DWORD>(i)), Expect(i));
    ASSERT_EQ(At(static_cast<DWORD>(i)), Expect(i));
  }
  EXPECT_EQ(At(300), "end");
  EXPECT_EQ(At(300), "end");
  // Asked out of order, any index still names its value.
  EXPECT_EQ(At(250), Expect(250));
  EXPECT_EQ(At(3), Expect(3));
  EXPECT_EQ(At(130), Expect(130));

  for (int i = 0; i < 150; ++i) {
    HKEY sub = nullptr;
    ASSERT_EQ(RegCreateKeyExW(key_, Name(i).c_str(), 0, nullptr, 0, 0, nullptr, &sub, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(sub);
  }
  for (DWORD i = 0;; ++i) {
    WCHAR name[32];
    DWORD chars = 32;
    LONG rc = RegEnumKeyExW(key_, i, name, &chars, nullptr, nullptr, nullptr, nullptr);
    if (i == 150) {
      EXPECT_EQ(rc, ERROR_NO_MORE_ITEMS);
      break;
    }
    ASSERT_EQ(rc, ERROR_SUCCESS);
    ASSERT_EQ(U8(std::u16string(name, chars)), "V" + std::to_string(i));
  }
}

TEST_F(RegistryRunsTest, ChangesMadeHereShowAtTheNextCall) {
  AddValues(0, 200);
  for (DWORD i = 0; i < 100; ++i) ASSERT_EQ(At(i), Expect(static_cast<int>(i)));
  // A value before the index goes: the indexes after it move down by one.
  ASSERT_EQ(RegDeleteValueW(key_, u"V10"), ERROR_SUCCESS);
  EXPECT_EQ(At(100), Expect(101));
  EXPECT_EQ(At(101), Expect(102));
  // New data of a value in the run read last is what the next call gives.
  DWORD changed = 7777;
  ASSERT_EQ(RegSetValueExW(key_, u"V103", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&changed), 4),
            ERROR_SUCCESS);
  EXPECT_EQ(At(102), "V103=7777");
  // Deleting each value found at index 0 empties the key.
  int deleted = 0;
  for (;;) {
    WCHAR name[32];
    DWORD chars = 32;
    if (RegEnumValueW(key_, 0, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    ASSERT_EQ(RegDeleteValueW(key_, name), ERROR_SUCCESS);
    ASSERT_LT(++deleted, 300);
  }
  EXPECT_EQ(deleted, 199);
}

TEST_F(RegistryRunsTest, ChangesFromElsewhereShowFromTheNextRunAndAtIndexZero) {
  AddValues(0, 200);
  ASSERT_EQ(At(0), Expect(0));
  DeleteElsewhere("V0");
  // Index 0 begins a new enumeration, which sees the registry as it is.
  EXPECT_EQ(At(0), Expect(1));
  for (DWORD i = 1; i < 64; ++i) ASSERT_EQ(At(i), Expect(static_cast<int>(i) + 1));
  DeleteElsewhere("V2");
  // Past the entries read so far, the indexes are counted again.
  for (DWORD i = 64; i < 198; ++i) ASSERT_EQ(At(i), Expect(static_cast<int>(i) + 2));
  EXPECT_EQ(At(198), "end");
}

TEST_F(RegistryRunsTest, AnUndoneTransactionLeavesNoEntryBehind) {
  AddValues(0, 3);
  {
    cehost::RegistryTransaction batch;
    AddValues(3, 100);
    for (DWORD i = 0; i < 80; ++i) ASSERT_EQ(At(i), Expect(static_cast<int>(i)));
    batch.Rollback();
  }
  EXPECT_EQ(At(2), Expect(2));
  EXPECT_EQ(At(3), "end");
}

// A handle on a deleted key opens nothing below it, whichever call asks.
TEST_F(RegistryRunsTest, AHandleOnADeletedKeyOpensNothing) {
  HKEY doomed = nullptr;
  ASSERT_EQ(RegCreateKeyExW(key_, u"Doomed", 0, nullptr, 0, 0, nullptr, &doomed, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKeyW(key_, u"Doomed"), ERROR_SUCCESS);
  HKEY out = nullptr;
  EXPECT_EQ(RegOpenKeyExW(doomed, nullptr, 0, 0, &out), ERROR_KEY_DELETED);
  EXPECT_EQ(RegOpenKeyExW(doomed, u"Child", 0, 0, &out), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCreateKeyExW(doomed, u"Child\\Grandchild", 0, nullptr, 0, 0, nullptr, &out, nullptr),
            ERROR_KEY_DELETED);
  EXPECT_EQ(At(0), "end");
  RegCloseKey(doomed);
}

}  // namespace
