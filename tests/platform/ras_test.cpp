#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ce/kernel.h"
#include "ce/ras.h"
#include "cehost/ras.h"
#include "handset_fixture.h"

namespace {

// A device that connects with the scripted result, holds what it connected as the entries it
// reports, and counts its hang-ups; a nonzero hangup_result refuses them.
class FakeDevice : public cehost::RasDevice {
 public:
  DWORD Dial(const cehost::DialRequest& request) override {
    last = request;
    if (result == 0) held.push_back(request.entry_name);
    return result;
  }
  DWORD HangUp(std::u16string_view entry) override {
    ++hangups;
    if (hangup_result == 0) std::erase(held, entry);
    return hangup_result;
  }
  std::vector<std::u16string> Connections() override { return held; }
  DWORD result = 0;
  DWORD hangup_result = 0;
  int hangups = 0;
  cehost::DialRequest last;
  std::vector<std::u16string> held;
};

class RasTest : public HandsetTest {
 protected:
  void SetUp() override {
    HandsetTest::SetUp();
    device_ = std::make_shared<FakeDevice>();
    cehost::InstallRasDevice(u"Fake1:", device_);
    RASENTRY entry = {};
    entry.dwSize = sizeof entry;
    std::memcpy(entry.szDeviceName, u"fake1:", 14);
    std::memcpy(entry.szLocalPhoneNumber, u"*99#", 10);
    UNIMODEM_DEVCONFIG config = {};
    std::memcpy(config.szDialModifier, u"+CGATT=1;", 20);
    ASSERT_EQ(RasSetEntryProperties(nullptr, name_, &entry, sizeof entry,
                                    reinterpret_cast<BYTE*>(&config), sizeof config),
              0u);
  }
  DWORD Dial(HRASCONN* connection) {
    RASDIALPARAMS params = {};
    params.dwSize = sizeof params;
    std::memcpy(params.szEntryName, name_, sizeof name_);
    std::memcpy(params.szUserName, u"user", 10);
    return RasDial(nullptr, nullptr, &params, 0xFFFFFFFF, nullptr, connection);
  }
  WCHAR name_[5] = u"Test";
  std::shared_ptr<FakeDevice> device_;
};

TEST_F(RasTest, EntryPropertiesFollowTheSizeProtocol) {
  DWORD size = 0;
  WCHAR empty[] = u"";
  EXPECT_EQ(RasGetEntryProperties(nullptr, empty, nullptr, &size, nullptr, nullptr),
            DWORD{ERROR_BUFFER_TOO_SMALL});
  EXPECT_EQ(size, sizeof(RASENTRY));
  RASENTRY entry = {};
  entry.dwSize = sizeof entry - 4;
  size = sizeof entry;
  EXPECT_EQ(RasGetEntryProperties(nullptr, name_, &entry, &size, nullptr, nullptr),
            DWORD{ERROR_INVALID_SIZE});
  entry.dwSize = sizeof entry;
  DWORD device_size = 10;
  BYTE device[536];
  EXPECT_EQ(RasGetEntryProperties(nullptr, name_, &entry, &size, device, &device_size),
            DWORD{ERROR_BUFFER_TOO_SMALL});
  EXPECT_EQ(device_size, 536u);
  EXPECT_EQ(RasGetEntryProperties(nullptr, name_, &entry, &size, device, &device_size), 0u);
  EXPECT_EQ(std::u16string(entry.szLocalPhoneNumber), u"*99#");
  WCHAR missing[] = u"Missing";
  EXPECT_EQ(RasGetEntryProperties(nullptr, missing, &entry, &size, nullptr, nullptr),
            DWORD{ERROR_CANNOT_FIND_PHONEBOOK_ENTRY});
  // The entry is kept in the registry, where the platform keeps its phone book.
  auto sets = handset().journal().Entries("ras.set_entry");
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_EQ(sets[0].Field("modifier"), "+CGATT=1;");
  EXPECT_EQ(RasDeleteEntry(nullptr, name_), 0u);
  EXPECT_EQ(RasDeleteEntry(nullptr, name_), DWORD{ERROR_CANNOT_FIND_PHONEBOOK_ENTRY});
}

// An entry stored without a device configuration reads back with a null device buffer.
TEST_F(RasTest, AnEntryWithoutDeviceConfigurationReadsBack) {
  RASENTRY entry = {};
  entry.dwSize = sizeof entry;
  WCHAR plain[] = u"Plain";
  ASSERT_EQ(RasSetEntryProperties(nullptr, plain, &entry, sizeof entry, nullptr, 0), 0u);
  DWORD size = sizeof entry;
  DWORD device_size = 0;
  EXPECT_EQ(RasGetEntryProperties(nullptr, plain, &entry, &size, nullptr, &device_size), 0u);
  EXPECT_EQ(device_size, 0u);
}

TEST_F(RasTest, DialHangUpAndEnumerate) {
  HRASCONN connection = nullptr;
  ASSERT_EQ(Dial(&connection), 0u);
  EXPECT_EQ(device_->last.user_name, u"user");
  EXPECT_EQ(device_->last.device_config.size(), 536u);
  // One device carries one connection.
  HRASCONN second = nullptr;
  EXPECT_EQ(Dial(&second), DWORD{ERROR_PORT_ALREADY_OPEN});
  EXPECT_EQ(RasHangUp(second), 0u);

  DWORD size = 0;
  DWORD count = 0;
  EXPECT_EQ(RasEnumConnections(nullptr, &size, &count), DWORD{ERROR_BUFFER_TOO_SMALL});
  EXPECT_EQ(size, sizeof(RASCONN));
  RASCONN list[2] = {};
  list[0].dwSize = sizeof(RASCONN) - 4;
  size = sizeof list;
  EXPECT_EQ(RasEnumConnections(list, &size, &count), DWORD{ERROR_INVALID_SIZE});
  list[0].dwSize = sizeof(RASCONN);
  ASSERT_EQ(RasEnumConnections(list, &size, &count), 0u);
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(list[0].hrasconn, connection);
  EXPECT_EQ(std::u16string(list[0].szEntryName), u"Test");

  EXPECT_EQ(RasHangUp(connection), 0u);
  EXPECT_EQ(device_->hangups, 1);
  EXPECT_EQ(RasHangUp(connection), DWORD{ERROR_INVALID_HANDLE});
  ASSERT_EQ(RasEnumConnections(list, &size, &count), 0u);
  EXPECT_EQ(count, 0u);
}

TEST_F(RasTest, AFailedDialStillHandsBackAConnectionToHangUp) {
  device_->result = ERROR_NO_ANSWER;
  HRASCONN connection = nullptr;
  EXPECT_EQ(Dial(&connection), DWORD{ERROR_NO_ANSWER});
  ASSERT_NE(connection, nullptr);
  EXPECT_EQ(RasHangUp(connection), 0u);
  EXPECT_EQ(device_->hangups, 0);
  // A dial over a device the handset does not have.
  cehost::InstallRasDevice(u"Fake1:", nullptr);
  EXPECT_EQ(Dial(&connection), DWORD{ERROR_DEVICE_DOES_NOT_EXIST});
  RasHangUp(connection);
  RASDIALPARAMS params = {};
  params.dwSize = 100;
  EXPECT_EQ(RasDial(nullptr, nullptr, &params, 0xFFFFFFFF, nullptr, &connection),
            DWORD{ERROR_INVALID_SIZE});
}

// The device, like hardware, holds its connections whoever dialled them: one it holds that this
// process never dialled is listed under a handle of its own, one it dropped is no longer listed,
// and one it refuses to end stays up with its handle.
TEST_F(RasTest, ConnectionsAreTheDevicesWhoeverDialledThem) {
  auto listed = [](RASCONN* list, DWORD* count) {
    list[0].dwSize = sizeof(RASCONN);
    DWORD size = 2 * sizeof(RASCONN);
    return RasEnumConnections(list, &size, count);
  };
  RASCONN list[2] = {};
  DWORD count = 0;
  device_->held = {u"Elsewhere"};
  ASSERT_EQ(listed(list, &count), 0u);
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(std::u16string(list[0].szEntryName), u"Elsewhere");
  HRASCONN adopted = list[0].hrasconn;
  ASSERT_EQ(listed(list, &count), 0u);
  EXPECT_EQ(list[0].hrasconn, adopted);
  // While it holds a connection the device takes no other dial.
  HRASCONN refused = nullptr;
  EXPECT_EQ(Dial(&refused), DWORD{ERROR_PORT_ALREADY_OPEN});
  EXPECT_EQ(RasHangUp(refused), 0u);
  EXPECT_EQ(device_->hangups, 0);

  device_->hangup_result = 668;
  EXPECT_EQ(RasHangUp(adopted), 668u);
  ASSERT_EQ(listed(list, &count), 0u);
  EXPECT_EQ(count, 1u);
  device_->hangup_result = 0;
  EXPECT_EQ(RasHangUp(adopted), 0u);
  EXPECT_TRUE(device_->held.empty());

  // Hung up elsewhere: no longer listed, and its holder's hang-up asks the device nothing.
  HRASCONN mine = nullptr;
  ASSERT_EQ(Dial(&mine), 0u);
  device_->held.clear();
  ASSERT_EQ(listed(list, &count), 0u);
  EXPECT_EQ(count, 0u);
  int hangups = device_->hangups;
  EXPECT_EQ(RasHangUp(mine), 0u);
  EXPECT_EQ(device_->hangups, hangups);
  EXPECT_EQ(handset().journal().Entries("ras.hangup").back().Field("was_up"), "0");
}

DWORD Seven(LPVOID parameter) {
  return 7 + static_cast<DWORD>(reinterpret_cast<uintptr_t>(parameter));
}

TEST(ThreadsTest, AThreadsHandleIsSignalledWithItsExitCode) {
  sim::Handset handset;
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, Seven, reinterpret_cast<LPVOID>(1), 0, &id);
  ASSERT_NE(thread, nullptr);
  EXPECT_NE(id, 0u);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 8u);
  EXPECT_TRUE(CloseHandle(thread));
  EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
  EXPECT_EQ(CreateThread(nullptr, 0, Seven, nullptr, CREATE_SUSPENDED, nullptr), nullptr);
  EXPECT_EQ(handset.journal().Entries("thread.end")[0].Field("exit_code"), "8");
}

}  // namespace
