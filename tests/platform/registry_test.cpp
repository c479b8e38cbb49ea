#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "ce/registry.h"
#include "cehost/handset.h"
#include "handset_fixture.h"

namespace {

class RegistryTest : public HandsetTest {
 protected:
  // Creates (or opens) a key under HKEY_LOCAL_MACHINE; the test fails when it cannot.
  HKEY Key(const char16_t* path) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    return key;
  }
  void SetBytes(HKEY key, const char16_t* name, DWORD type, std::vector<BYTE> bytes) {
    ASSERT_EQ(RegSetValueExW(key, name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
  }
};

std::vector<BYTE> Utf16Bytes(const std::u16string& text, bool with_nul) {
  std::vector<BYTE> bytes(reinterpret_cast<const BYTE*>(text.data()),
                          reinterpret_cast<const BYTE*>(text.data() + text.size()));
  if (with_nul) bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

// A query of a missing value fails with ERROR_FILE_NOT_FOUND and leaves the size the caller gave
// and the buffer as they were; what a failed query leaves there is cehost's choice (the size
// protocol itself is a conformance check).
TEST_F(RegistryTest, QueryOfAMissingValueLeavesSizeAndBufferAlone) {
  HKEY key = Key(u"Software\\Test");
  BYTE buffer[64];
  std::memset(buffer, 0xEE, sizeof buffer);
  DWORD size = sizeof buffer;
  EXPECT_EQ(RegQueryValueExW(key, u"Missing", nullptr, nullptr, buffer, &size),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(size, 64u);
  for (size_t i = 0; i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], 0xEE) << i;
  RegCloseKey(key);
}

TEST_F(RegistryTest, ValueNamesIgnoreCaseAndKeepTheFirstSpelling) {
  HKEY key = Key(u"Software\\Names");
  SetBytes(key, u"Val", REG_BINARY, {1});
  SetBytes(key, u"VAL", REG_BINARY, {2, 2});
  SetBytes(key, u"Other", REG_DWORD, {3, 0, 0, 0});
  std::vector<std::pair<std::u16string, std::vector<BYTE>>> seen;
  for (DWORD i = 0;; ++i) {
    WCHAR name[32];
    DWORD count = 32;
    BYTE data[8];
    DWORD size = sizeof data;
    LONG rc = RegEnumValueW(key, i, name, &count, nullptr, nullptr, data, &size);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(rc, ERROR_SUCCESS);
    ASSERT_EQ(count, std::u16string(name).size());
    seen.emplace_back(name, std::vector<BYTE>(data, data + size));
  }
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].first, u"Val");
  EXPECT_EQ(seen[0].second, (std::vector<BYTE>{2, 2}));
  EXPECT_EQ(seen[1].first, u"Other");
  // Enumerating into a short data buffer reports the size the value needs.
  WCHAR name[32];
  DWORD count = 32;
  BYTE one[1];
  DWORD size = 1;
  EXPECT_EQ(RegEnumValueW(key, 1, name, &count, nullptr, nullptr, one, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 4u);

  EXPECT_EQ(RegDeleteValueW(key, u"vAl"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(key, u"Val"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST_F(RegistryTest, BadArgumentsFailWithTheirCodes) {
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"A", 0, nullptr, 0, 0, nullptr, nullptr, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"A", 0, 0, nullptr), ERROR_INVALID_PARAMETER);
  HKEY bogus = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x4444));
  EXPECT_EQ(RegOpenKeyExW(bogus, u"A", 0, 0, &key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(bogus), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);

  // Names over 255 characters, empty names inside a path, and keys nested past 16 levels.
  std::u16string long_name(256, u'k');
  EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, long_name.c_str(), 0, nullptr, 0, 0, nullptr, &key,
                            nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(
      RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"A\\\\B", 0, nullptr, 0, 0, nullptr, &key, nullptr),
      ERROR_INVALID_PARAMETER);
  std::u16string deep = u"1\\2\\3\\4\\5\\6\\7\\8\\9\\10\\11\\12\\13\\14\\15\\16";
  ASSERT_EQ(
      RegCreateKeyExW(HKEY_LOCAL_MACHINE, deep.c_str(), 0, nullptr, 0, 0, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  HKEY deeper = nullptr;
  EXPECT_EQ(RegCreateKeyExW(key, u"17", 0, nullptr, 0, 0, nullptr, &deeper, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegSetValueExW(key, long_name.c_str(), 0, REG_BINARY, nullptr, 0),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegSetValueExW(key, u"x", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
  DWORD reserved = 0;
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"x", &reserved, nullptr, nullptr, &size),
            ERROR_INVALID_PARAMETER);
  RegCloseKey(key);
  // A closed handle is gone.
  EXPECT_EQ(RegQueryValueExW(key, u"x", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, DeletingAKeyTakesItsSubtreeAndLeavesOpenHandlesDead) {
  HKEY key = Key(u"Software\\Doomed\\Child");
  SetBytes(key, u"v", REG_BINARY, {1});
  ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"software\\doomed"), ERROR_SUCCESS);
  HKEY again = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Doomed", 0, 0, &again),
            ERROR_FILE_NOT_FOUND);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"v", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_NE(RegSetValueExW(key, u"v", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"Software\\Doomed"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST_F(RegistryTest, EveryChangeIsInTheJournal) {
  handset().journal().Clear();
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Razud\\Path", 0, nullptr, 0, 0, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  SetBytes(key, u"UsrConnectNodePath", REG_SZ, Utf16Bytes(u"x", true));
  ASSERT_EQ(RegDeleteValueW(key, u"usrconnectnodepath"), ERROR_SUCCESS);
  DWORD size = 0;
  RegQueryValueExW(key, u"Nothing", nullptr, nullptr, nullptr, &size);
  RegCloseKey(key);

  auto entries = handset().journal().EntriesWithPrefix("reg.");
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[0].kind, "reg.create_key");
  EXPECT_EQ(entries[0].Field("key"), "HKEY_LOCAL_MACHINE\\Software");
  EXPECT_EQ(entries[2].Field("key"), "HKEY_LOCAL_MACHINE\\Software\\Razud\\Path");
  EXPECT_EQ(entries[3].kind, "reg.set_value");
  EXPECT_EQ(entries[3].Field("name"), "UsrConnectNodePath");
  EXPECT_EQ(entries[3].Field("type"), "1");
  EXPECT_EQ(entries[3].bytes, Utf16Bytes(u"x", true));
  EXPECT_EQ(entries[4].kind, "reg.delete_value");
  // The stored spelling, not the caller's.
  EXPECT_EQ(entries[4].Field("name"), "usrconnectnodepath");
  EXPECT_NE(entries[3].ToJson().find("\"bytes\":\"78000000\""), std::string::npos);
}

TEST(RegistryStorage, InMemoryRegistryWorksLikeTheFile) {
  sim::Handset::Options options;
  options.registry_in_memory = true;
  sim::Handset handset(options);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"K", 0, nullptr, 0, 0, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  BYTE one = 1;
  ASSERT_EQ(RegSetValueExW(key, u"v", 0, REG_BINARY, &one, 1), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_FALSE(std::filesystem::exists(handset.home() / "registry.db"));
}

// A value that a call reported as written survives the process being killed right after.
TEST(RegistryStorage, WrittenValueSurvivesAKilledProcess) {
  std::filesystem::path home;
  {
    sim::Handset scratch;
    home = scratch.home().string() + "-kept";
  }
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    sim::Handset::Options options;
    options.home = home;
    auto* handset = new sim::Handset(options);  // never destroyed: the process dies first
    (void)handset;
    HKEY key = nullptr;
    DWORD value = 0xC0FFEE;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Durable", 0, nullptr, 0, 0, nullptr, &key, nullptr) !=
            ERROR_SUCCESS ||
        RegSetValueExW(key, u"v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4) !=
            ERROR_SUCCESS) {
      _exit(3);
    }
    raise(SIGKILL);
    _exit(4);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "child exit " << WEXITSTATUS(status);

  sim::Handset::Options options;
  options.home = home;
  {
    sim::Handset reopened(options);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"durable", 0, 0, &key), ERROR_SUCCESS);
    DWORD value = 0;
    DWORD size = 4;
    ASSERT_EQ(RegQueryValueExW(key, u"V", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(value, 0xC0FFEEu);
    RegCloseKey(key);
  }
  std::filesystem::remove_all(home);
}

TEST(RegistryStorage, MalformedOrLockedDatabaseIsAClearErrorNamingTheFile) {
  sim::Handset scratch;
  auto home = scratch.home() / "other";
  std::filesystem::create_directories(home);
  {
    std::ofstream(home / "registry.db") << "this is not a database, just some text that is long "
                                           "enough to be read as a header and rejected\n";
  }
  cehost::MountOptions options;
  options.home = home;
  try {
    cehost::MountHandset(options);
    FAIL() << "a malformed registry was mounted";
  } catch (const cehost::HandsetError& e) {
    EXPECT_NE(std::string(e.what()).find((home / "registry.db").string()), std::string::npos)
        << e.what();
  }

  // Another process holds the database with a write transaction open.
  std::filesystem::remove(home / "registry.db");
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open((home / "registry.db").c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE; CREATE TABLE t(x);", nullptr, nullptr, nullptr),
            SQLITE_OK);
  options.registry_busy_timeout_ms = 20;
  try {
    cehost::MountHandset(options);
    FAIL() << "a locked registry was mounted";
  } catch (const cehost::HandsetError& e) {
    std::string message = e.what();
    EXPECT_NE(message.find("registry.db"), std::string::npos) << message;
    EXPECT_NE(message.find("locked"), std::string::npos) << message;
  }
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
}

// Without a handset made by the caller, the first call uses the home named by M8_HANDSET.
TEST(RegistryStorage, FirstCallMountsTheHandsetNamedByTheEnvironment) {
  sim::Handset scratch;
  auto home = scratch.home() / "from-env";
  cehost::UnmountHandset();
  setenv("M8_HANDSET", home.c_str(), 1);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"K", 0, nullptr, 0, 0, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_TRUE(std::filesystem::exists(home / "registry.db"));
  EXPECT_TRUE(std::filesystem::is_directory(home / "fs"));
  EXPECT_EQ(cehost::CurrentHome(), home);
  unsetenv("M8_HANDSET");
}

// A default handset whose registry cannot be opened answers with an error, not a crash.
TEST(RegistryStorage, UnusableDefaultRegistryFailsItsCalls) {
  sim::Handset scratch;
  auto home = scratch.home() / "broken";
  std::filesystem::create_directories(home);
  std::ofstream(home / "registry.db") << std::string(200, 'x');
  cehost::UnmountHandset();
  setenv("M8_HANDSET", home.c_str(), 1);
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"K", 0, nullptr, 0, 0, nullptr, &key, nullptr),
            ERROR_BADDB);
  unsetenv("M8_HANDSET");
}

}  // namespace

namespace {

// A handle left open on a deleted key never reaches a key made later.
TEST_F(RegistryTest, AHandleOnADeletedKeyNeverReachesANewKey) {
  HKEY old_key = Key(u"Old");
  ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"Old"), ERROR_SUCCESS);
  HKEY new_key = Key(u"Unrelated");
  DWORD value = 42;
  EXPECT_EQ(RegSetValueExW(old_key, u"Stale", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4),
            ERROR_KEY_DELETED);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(new_key, u"Stale", nullptr, nullptr, nullptr, &size),
            ERROR_FILE_NOT_FOUND);
  RegCloseKey(old_key);
  RegCloseKey(new_key);
}

TEST(RegistryStorage, InMemoryRegistryLastsWhileTheHandsetDoes) {
  sim::Handset::Options options;
  options.registry_in_memory = true;
  sim::Handset handset(options);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Mem", 0, nullptr, 0, 0, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  handset.MakeCurrent();
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Mem", 0, 0, &key), ERROR_SUCCESS);
  RegCloseKey(key);
}

}  // namespace
