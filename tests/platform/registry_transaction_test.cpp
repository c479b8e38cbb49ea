// Registry transactions: the calls made while one is open are kept or undone together, a part
// begun within one can be undone alone, and other threads and processes keep out meanwhile.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <future>
#include <optional>
#include <string>
#include <thread>

#include "ce/registry.h"
#include "cehost/handset.h"
#include "cehost/registry_transaction.h"
#include "handset_fixture.h"

namespace {

class RegistryTransactionTest : public HandsetTest {
 protected:
  // Writes a dword, making its key under HKEY_LOCAL_MACHINE; the registry's result.
  static LONG Put(const char16_t* path, DWORD value) {
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, 0, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    rc = RegSetValueExW(key, u"v", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
    RegCloseKey(key);
    return rc;
  }
  // The dword under the key, or nothing when the key or value is missing.
  static std::optional<DWORD> Get(const char16_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, 0, &key) != ERROR_SUCCESS) return std::nullopt;
    DWORD value = 0;
    DWORD size = 4;
    LONG rc = RegQueryValueExW(key, u"v", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    return value;
  }
  // The kinds of the journal's registry entries, in order.
  std::vector<std::string> RegistryKinds() {
    std::vector<std::string> kinds;
    for (const auto& e : handset().journal().EntriesWithPrefix("reg.")) kinds.push_back(e.kind);
    return kinds;
  }
};

TEST_F(RegistryTransactionTest, CommittedChangesLastAndOthersAreUndone) {
  ASSERT_EQ(Put(u"Before", 1), ERROR_SUCCESS);
  {
    cehost::RegistryTransaction transaction;
    ASSERT_EQ(Put(u"Kept\\Deep", 2), ERROR_SUCCESS);
    ASSERT_EQ(Put(u"Before", 3), ERROR_SUCCESS);
    // The transaction's own calls see its changes.
    EXPECT_EQ(Get(u"Kept\\Deep"), 2u);
    EXPECT_EQ(transaction.Commit(), ERROR_SUCCESS);
    EXPECT_EQ(transaction.Commit(), ERROR_INVALID_HANDLE);
  }
  handset().journal().Clear();
  {
    cehost::RegistryTransaction transaction;
    ASSERT_EQ(Put(u"Undone\\Deep", 4), ERROR_SUCCESS);
    ASSERT_EQ(Put(u"Before", 5), ERROR_SUCCESS);
    HKEY kept = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Kept", 0, 0, &kept), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyW(kept, u"Deep"), ERROR_SUCCESS);
    RegCloseKey(kept);
  }
  EXPECT_FALSE(Get(u"Undone\\Deep"));
  HKEY undone = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Undone", 0, 0, &undone), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Get(u"Before"), 3u);
  EXPECT_EQ(Get(u"Kept\\Deep"), 2u);
  // The journal says where the undone effects begin and that they were undone.
  std::vector<std::string> kinds = RegistryKinds();
  ASSERT_GE(kinds.size(), 2u);
  EXPECT_EQ(kinds.front(), "reg.begin");
  EXPECT_EQ(kinds.back(), "reg.rollback");

  // What was committed is in registry.db for the next mount to find.
  handset().MakeCurrent();
  EXPECT_EQ(Get(u"Before"), 3u);
  EXPECT_EQ(Get(u"Kept\\Deep"), 2u);
}

TEST_F(RegistryTransactionTest, APartBegunWithinAnotherIsUndoneAlone) {
  cehost::RegistryTransaction outer;
  ASSERT_EQ(Put(u"Outer", 1), ERROR_SUCCESS);
  {
    cehost::RegistryTransaction undone;
    ASSERT_EQ(Put(u"Inner\\Undone", 2), ERROR_SUCCESS);
    ASSERT_EQ(Put(u"Outer", 3), ERROR_SUCCESS);
  }
  {
    cehost::RegistryTransaction kept;
    ASSERT_EQ(Put(u"Inner\\Kept", 4), ERROR_SUCCESS);
    ASSERT_EQ(kept.Commit(), ERROR_SUCCESS);
  }
  EXPECT_EQ(Get(u"Outer"), 1u);
  EXPECT_FALSE(Get(u"Inner\\Undone"));
  EXPECT_EQ(outer.Commit(), ERROR_SUCCESS);
  EXPECT_EQ(Get(u"Outer"), 1u);
  EXPECT_EQ(Get(u"Inner\\Kept"), 4u);
  EXPECT_FALSE(Get(u"Inner\\Undone"));
}

// A call that fails inside a transaction undoes its own change only; the transaction goes on.
TEST_F(RegistryTransactionTest, AFailedCallInsideLeavesTheRestOfTheTransaction) {
  // Made by another connection: inserting a key named "Poison" fails.
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open((handset().home() / "registry.db").c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other,
                         "CREATE TRIGGER poison BEFORE INSERT ON keys WHEN NEW.name = 'Poison' "
                         "BEGIN SELECT RAISE(ABORT, 'refused'); END;",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(other);

  cehost::RegistryTransaction transaction;
  ASSERT_EQ(Put(u"A", 1), ERROR_SUCCESS);
  EXPECT_NE(Put(u"B\\Poison", 2), ERROR_SUCCESS);
  // The chain of keys that call began to make is gone with it.
  HKEY b = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"B", 0, 0, &b), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(Put(u"C", 3), ERROR_SUCCESS);
  EXPECT_EQ(transaction.Commit(), ERROR_SUCCESS);
  EXPECT_EQ(Get(u"A"), 1u);
  EXPECT_EQ(Get(u"C"), 3u);
}

TEST_F(RegistryTransactionTest, AnotherThreadsCallsWaitAndAreNotUndoneWithIt) {
  std::optional<cehost::RegistryTransaction> transaction;
  transaction.emplace();
  ASSERT_EQ(Put(u"Mine", 1), ERROR_SUCCESS);
  std::atomic<bool> calling{false};
  auto theirs = std::async(std::launch::async, [&calling] {
    calling = true;
    return Put(u"Theirs", 2);
  });
  while (!calling) std::this_thread::yield();
  // Their call cannot end while the transaction is open (a wrong answer can only pass here).
  EXPECT_EQ(theirs.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
  transaction.reset();
  EXPECT_EQ(theirs.get(), ERROR_SUCCESS);
  EXPECT_FALSE(Get(u"Mine"));
  EXPECT_EQ(Get(u"Theirs"), 2u);
}

TEST_F(RegistryTransactionTest, ARegistryHeldByAnotherProcessCannotBeginOne) {
  cehost::MountOptions options;
  options.home = handset().home();
  options.registry_busy_timeout_ms = 20;
  cehost::MountHandset(options);
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open((handset().home() / "registry.db").c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  try {
    cehost::RegistryTransaction transaction;
    ADD_FAILURE() << "began a transaction on a registry another process writes";
  } catch (const cehost::HandsetError& e) {
    EXPECT_NE(std::string(e.what()).find("registry.db"), std::string::npos) << e.what();
  }
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  // Nothing is left held: another thread's call goes through.
  EXPECT_EQ(std::async(std::launch::async, [] { return Put(u"After", 1); }).get(), ERROR_SUCCESS);
}

}  // namespace
