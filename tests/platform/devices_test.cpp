#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ce/devices.h"
#include "ce/files.h"
#include "ce/kernel.h"
#include "ce/registry.h"
#include "cehost/devices.h"
#include "cehost/journal.h"
#include "handset_fixture.h"
#include "registry_helpers.h"
#include "test_stream_driver.h"

namespace {

class DevicesTest : public BareHandsetTest {
 protected:
  void SetUp() override {
    BareHandsetTest::SetUp();
    driver_ = std::make_shared<TestStreamDriver>();
    activation_ = cehost::InstallStreamDriver(Listing(u"ACC0:", u"UFN1"), driver_);
  }

  static cehost::DeviceListing Listing(std::u16string legacy, std::u16string bus = u"") {
    cehost::DeviceListing listing;
    listing.legacy_name = std::move(legacy);
    listing.device_key = u"Drivers\\BuiltIn\\Test";
    listing.bus_name = std::move(bus);
    return listing;
  }

  static HANDLE Open(const char16_t* name, DWORD access = GENERIC_READ | GENERIC_WRITE,
                     DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE) {
    return CreateFileW(name, access, share, nullptr, OPEN_EXISTING, 0, nullptr);
  }

  // Sends the echo control with the bytes; the bytes that came back, or "failed <error>".
  static std::string Echo(HANDLE device, std::string text, DWORD out_size = 16) {
    std::string out(out_size, '\0');
    DWORD returned = 99;
    if (!DeviceIoControl(device, TestStreamDriver::kEcho, text.data(),
                         static_cast<DWORD>(text.size()), out.data(), out_size, &returned,
                         nullptr)) {
      return "failed " + std::to_string(GetLastError()) + " returned " + std::to_string(returned);
    }
    return out.substr(0, returned);
  }

  std::shared_ptr<TestStreamDriver> driver_;
  HANDLE activation_ = nullptr;
};

// Every spelling of an installed device reaches its driver; names of device form without a
// driver fail with ERROR_FILE_NOT_FOUND.
TEST_F(DevicesTest, DeviceNamesReachTheirDriver) {
  const char16_t* opening[] = {u"ACC0:", u"acc0:", u"\\$device\\ACC0", u"$device\\acc0",
                               u"UFN1",  u"ufn1",  u"\\$bus\\UFN1",    u"$bus\\ufn1"};
  for (const char16_t* name : opening) {
    SCOPED_TRACE(U8(name));
    HANDLE device = Open(name);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Echo(device, "abc"), "abc");
    EXPECT_TRUE(CloseHandle(device));
  }
  EXPECT_EQ(driver_->closes, 8);
  EXPECT_EQ(driver_->OpenCount(), 0u);

  const char16_t* missing[] = {u"ACC1:", u"XYZ9:", u"$device\\ACC1", u"\\$bus\\UFN2"};
  for (const char16_t* name : missing) {
    SCOPED_TRACE(U8(name));
    SetLastError(0);
    EXPECT_EQ(Open(name), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  }
}

// A file named like a device is never opened in its place, and files still open as files.
TEST_F(DevicesTest, DeviceNamesNeverOpenFiles) {
  HANDLE file = CreateFileW(u"\\ACC1", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  SetLastError(0);
  EXPECT_EQ(Open(u"ACC1:"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  // A handle of a file takes no control code.
  EXPECT_EQ(Echo(file, "x"), "failed 6 returned 0");
  EXPECT_TRUE(CloseHandle(file));
  HANDLE again = Open(u"\\acc1");
  EXPECT_NE(again, INVALID_HANDLE_VALUE);
  CloseHandle(again);
}

// The driver sees the caller's access and share mode and decides; its refusal is the open's.
TEST_F(DevicesTest, OpenPassesAccessAndShareToTheDriver) {
  HANDLE device = Open(u"ACC0:", GENERIC_READ, FILE_SHARE_READ);
  ASSERT_NE(device, INVALID_HANDLE_VALUE);
  EXPECT_EQ(driver_->last_access, GENERIC_READ);
  EXPECT_EQ(driver_->last_share, static_cast<DWORD>(FILE_SHARE_READ));
  driver_->refuse_opens = true;
  EXPECT_EQ(Open(u"ACC0:"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(device);

  auto opens = handset().journal().Entries("device.open");
  ASSERT_EQ(opens.size(), 2u);
  EXPECT_EQ(opens[0].Field("device"), "ACC0:");
  EXPECT_EQ(opens[0].Field("access"), "0x80000000");
  EXPECT_EQ(opens[0].Field("share"), "0x1");
  EXPECT_EQ(opens[0].Field("handle"), cehost::HexNumber(reinterpret_cast<uintptr_t>(device)));
  EXPECT_FALSE(opens[0].HasField("error"));
  EXPECT_EQ(opens[1].Field("error"), "32");
  EXPECT_FALSE(opens[1].HasField("handle"));
}

TEST_F(DevicesTest, ControlsAreBoundedAndJournaled) {
  HANDLE device = Open(u"ACC0:");
  ASSERT_NE(device, INVALID_HANDLE_VALUE);
  // The driver writes no more than the room given, and the count says what it wrote.
  EXPECT_EQ(Echo(device, "abcdef", 4), "abcd");
  EXPECT_EQ(Echo(device, "", 4), "");
  // A driver claiming more than the room is held to the room.
  char out[4] = {};
  DWORD returned = 0;
  EXPECT_TRUE(DeviceIoControl(device, TestStreamDriver::kOverrun, nullptr, 0, out, sizeof out,
                              &returned, nullptr));
  EXPECT_EQ(returned, 4u);
  // The count is optional.
  EXPECT_TRUE(DeviceIoControl(device, TestStreamDriver::kEcho, out, 1, out, 1, nullptr, nullptr));
  returned = 99;
  EXPECT_FALSE(DeviceIoControl(device, 0x99, nullptr, 0, nullptr, 0, &returned, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_EQ(returned, 0u);
  SetLastError(0);
  EXPECT_FALSE(DeviceIoControl(INVALID_HANDLE_VALUE, TestStreamDriver::kEcho, nullptr, 0, nullptr,
                               0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  auto controls = handset().journal().Entries("device.control");
  ASSERT_EQ(controls.size(), 5u);
  const auto& echo = controls[0];
  EXPECT_EQ(echo.Field("device"), "ACC0:");
  EXPECT_EQ(echo.Field("code"), "0x00000010");
  EXPECT_EQ(echo.Field("code_name"), "IOCTL_TEST_ECHO");
  EXPECT_EQ(echo.bytes, (std::vector<uint8_t>{'a', 'b', 'c', 'd', 'e', 'f'}));
  EXPECT_EQ(echo.Field("out"), "61626364");
  EXPECT_EQ(echo.Field("returned"), "4");
  EXPECT_EQ(echo.Field("result"), "1");
  EXPECT_FALSE(echo.HasField("error"));
  EXPECT_FALSE(controls[1].HasField("out"));
  EXPECT_FALSE(controls[4].HasField("code_name"));
  EXPECT_EQ(controls[4].Field("result"), "0");
  EXPECT_EQ(controls[4].Field("error"), "50");
  CloseHandle(device);
}

// ReadFile and WriteFile on a device handle reach the driver; each is journaled with its bytes.
TEST_F(DevicesTest, ReadAndWriteReachTheDriver) {
  HANDLE device = Open(u"ACC0:");
  ASSERT_NE(device, INVALID_HANDLE_VALUE);
  uint8_t buffer[3] = {};
  DWORD done = 0;
  ASSERT_TRUE(ReadFile(device, buffer, sizeof buffer, &done, nullptr));
  EXPECT_EQ(done, 3u);
  EXPECT_EQ(buffer[2], 3);
  const uint8_t data[] = {9, 8};
  ASSERT_TRUE(WriteFile(device, data, sizeof data, &done, nullptr));
  EXPECT_EQ(done, 2u);
  EXPECT_EQ(driver_->written, (std::vector<uint8_t>{9, 8}));
  ASSERT_TRUE(CloseHandle(device));

  auto reads = handset().journal().Entries("device.read");
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(reads[0].bytes, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(reads[0].Field("size"), "3");
  auto writes = handset().journal().Entries("device.write");
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].bytes, (std::vector<uint8_t>{9, 8}));
  ASSERT_EQ(handset().journal().Entries("device.close").size(), 1u);
  EXPECT_EQ(handset().journal().Entries("device.close")[0].Field("device"), "ACC0:");
}

// Handles of a driver that was removed or replaced fail; closing them still frees them, without
// reaching the driver that went. A new open reaches the new driver.
TEST_F(DevicesTest, HandlesOfAGoneDriverFail) {
  HANDLE removed = Open(u"ACC0:");
  ASSERT_NE(removed, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(cehost::RemoveStreamDriver(u"acc0:"));
  EXPECT_FALSE(cehost::RemoveStreamDriver(u"ACC0:"));
  EXPECT_EQ(Echo(removed, "a"), "failed 6 returned 0");
  uint8_t byte = 0;
  DWORD done = 0;
  EXPECT_FALSE(ReadFile(removed, &byte, 1, &done, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(WriteFile(removed, &byte, 1, &done, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_TRUE(CloseHandle(removed));
  EXPECT_EQ(driver_->closes, 0);
  EXPECT_EQ(Open(u"ACC0:"), INVALID_HANDLE_VALUE);

  auto first = std::make_shared<TestStreamDriver>();
  auto second = std::make_shared<TestStreamDriver>();
  cehost::InstallStreamDriver(Listing(u"ACC0:"), first);
  HANDLE replaced = Open(u"ACC0:");
  cehost::InstallStreamDriver(Listing(u"ACC0:"), second);
  EXPECT_EQ(Echo(replaced, "a"), "failed 6 returned 0");
  HANDLE current = Open(u"ACC0:");
  EXPECT_EQ(Echo(current, "b"), "b");
  EXPECT_EQ(second->OpenCount(), 1u);
  CloseHandle(replaced);
  CloseHandle(current);
  EXPECT_EQ(first->closes, 0);
  EXPECT_EQ(second->closes, 1);
}

// The legacy names a search finds, in order, joined by spaces; "error <code>" when it finds none.
std::string Search(DeviceSearchType type, LPCVOID param) {
  DEVMGR_DEVICE_INFORMATION info = {};
  info.dwSize = sizeof info;
  HANDLE search = FindFirstDevice(type, param, &info);
  if (search == INVALID_HANDLE_VALUE) return "error " + std::to_string(GetLastError());
  std::string names;
  do {
    names += (names.empty() ? "" : " ") + U8(info.szLegacyName);
  } while (FindNextDevice(search, &info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  EXPECT_TRUE(FindClose(search));
  return names;
}

// Each subkey of Drivers\Active as "NN=Name/Key" (and "/no-hnd" when it has no DWORD "Hnd"), in
// the order of their numbers.
std::string ActiveKeys() {
  HKEY active = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Drivers\\Active", 0, 0, &active) != ERROR_SUCCESS) {
    return "(none)";
  }
  std::vector<std::string> entries;
  WCHAR name[32];
  for (DWORD i = 0;; ++i) {
    DWORD length = 32;
    if (RegEnumKeyExW(active, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    std::u16string path = u"Drivers\\Active\\" + std::u16string(name);
    auto legacy = Load(HKEY_LOCAL_MACHINE, path.c_str(), u"Name");
    auto key = Load(HKEY_LOCAL_MACHINE, path.c_str(), u"Key");
    auto hnd = Load(HKEY_LOCAL_MACHINE, path.c_str(), u"Hnd");
    auto text = [](const std::optional<StoredValue>& v) {
      if (!v || v->type != REG_SZ) return std::string("?");
      return U8(std::u16string(reinterpret_cast<const char16_t*>(v->bytes.data()),
                               v->bytes.size() / 2 - 1));
    };
    entries.push_back(U8(name) + "=" + text(legacy) + "/" + text(key) +
                      (hnd && hnd->type == REG_DWORD ? "" : "/no-hnd"));
  }
  RegCloseKey(active);
  std::sort(entries.begin(), entries.end());
  std::string listed;
  for (const auto& entry : entries) listed += (listed.empty() ? "" : " ") + entry;
  return listed;
}

constexpr GUID kClassA = {0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr GUID kClassB = {0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 9}};

TEST_F(DevicesTest, SearchesMatchEachKindOfName) {
  auto second = Listing(u"BKL1:", u"PCI\\BKL");
  second.interface_classes = {kClassB, kClassA};
  cehost::InstallStreamDriver(second, std::make_shared<TestStreamDriver>());
  auto third = Listing(u"ACC2:");
  third.interface_classes = {kClassB};
  cehost::InstallStreamDriver(third, std::make_shared<TestStreamDriver>());

  struct Case {
    DeviceSearchType type;
    const void* param;
    std::string found;
  } cases[] = {
      {DeviceSearchByLegacyName, u"ACC0:", "ACC0:"},
      {DeviceSearchByLegacyName, u"acc?:", "ACC0: ACC2:"},
      {DeviceSearchByLegacyName, u"*", "ACC0: BKL1: ACC2:"},
      {DeviceSearchByLegacyName, u"*1:", "BKL1:"},
      {DeviceSearchByLegacyName, u"ACC0", "error 259"},
      {DeviceSearchByDeviceName, u"bkl1", "BKL1:"},
      {DeviceSearchByDeviceName, u"A*", "ACC0: ACC2:"},
      {DeviceSearchByDeviceName, u"ACC0:", "error 259"},
      {DeviceSearchByBusName, u"ufn1", "ACC0:"},
      {DeviceSearchByBusName, u"PCI\\*", "BKL1:"},
      {DeviceSearchByBusName, u"", "ACC2:"},
      {DeviceSearchByGuid, &kClassA, "BKL1:"},
      {DeviceSearchByGuid, &kClassB, "BKL1: ACC2:"},
      {DeviceSearchByParent, activation_, "error 259"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.found);
    EXPECT_EQ(Search(c.type, c.param), c.found);
  }
}

TEST_F(DevicesTest, SearchDescribesTheDeviceAndChecksItsArguments) {
  DEVMGR_DEVICE_INFORMATION info;
  std::memset(&info, 0xAB, sizeof info);
  info.dwSize = sizeof info;
  HANDLE search = FindFirstDevice(DeviceSearchByLegacyName, u"ACC0:", &info);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  EXPECT_EQ(info.hDevice, activation_);
  EXPECT_EQ(info.hParentDevice, nullptr);
  EXPECT_EQ(U8(info.szLegacyName), "ACC0:");
  EXPECT_EQ(U8(info.szDeviceKey), "Drivers\\BuiltIn\\Test");
  EXPECT_EQ(U8(info.szDeviceName), "$device\\ACC0");
  EXPECT_EQ(U8(info.szBusName), "UFN1");
  // A device search is not a file search, nor closed by CloseHandle.
  WIN32_FIND_DATAW found;
  EXPECT_FALSE(FindNextFileW(search, &found));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(CloseHandle(search));
  EXPECT_TRUE(FindClose(search));
  EXPECT_FALSE(FindNextDevice(search, &info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(FindClose(search));

  // Nor is a file search a device search.
  HANDLE file = CreateFileW(u"\\a.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  CloseHandle(file);
  HANDLE files = FindFirstFileW(u"\\*", &found);
  ASSERT_NE(files, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(FindNextDevice(files, &info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_TRUE(FindClose(files));

  for (DWORD size : {DWORD{0}, DWORD{sizeof info - 4}, DWORD{1584}, DWORD{sizeof info + 4}}) {
    info.dwSize = size;
    SetLastError(0);
    EXPECT_EQ(FindFirstDevice(DeviceSearchByLegacyName, u"ACC0:", &info), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << size;
  }
  info.dwSize = sizeof info;
  EXPECT_EQ(FindFirstDevice(DeviceSearchByLegacyName, nullptr, &info), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(FindFirstDevice(DeviceSearchByLegacyName, u"*", nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// Drivers\Active lists every installed driver, numbered from 01 with the lowest free number; a
// driver's key goes with it, and a handset mounted again starts with none.
TEST_F(DevicesTest, ActiveKeysFollowTheDrivers) {
  auto other = Listing(u"BKL1:");
  other.device_key = u"Drivers\\BuiltIn\\Backlight";
  cehost::InstallStreamDriver(other, std::make_shared<TestStreamDriver>());
  EXPECT_EQ(ActiveKeys(), "01=ACC0:/Drivers\\BuiltIn\\Test 02=BKL1:/Drivers\\BuiltIn\\Backlight");
  auto hnd = Load(HKEY_LOCAL_MACHINE, u"Drivers\\Active\\01", u"Hnd");
  ASSERT_TRUE(hnd);
  EXPECT_EQ(*hnd, Dword(static_cast<DWORD>(reinterpret_cast<uintptr_t>(activation_))));

  cehost::RemoveStreamDriver(u"ACC0:");
  EXPECT_EQ(ActiveKeys(), "02=BKL1:/Drivers\\BuiltIn\\Backlight");
  cehost::InstallStreamDriver(Listing(u"TCH0:"), std::make_shared<TestStreamDriver>());
  EXPECT_EQ(ActiveKeys(), "01=TCH0:/Drivers\\BuiltIn\\Test 02=BKL1:/Drivers\\BuiltIn\\Backlight");

  cehost::MountOptions again;
  again.home = handset().home();
  cehost::MountHandset(again);
  EXPECT_EQ(ActiveKeys(), "");
  EXPECT_EQ(Open(u"TCH0:"), INVALID_HANDLE_VALUE);
}

// The driver library of a key's "Dll" is loaded under its "Prefix" and "Index"; the activation
// handle unloads it, and a driver installed by the handset unloads the same way.
TEST_F(DevicesTest, ActivateLoadsALibraryFromItsKey) {
  std::u16string seen_key;
  cehost::InstallDriverLibrary(u"Wlan.dll",
                               [&](std::u16string_view key, cehost::DeviceListing* listing) {
                                 seen_key = key;
                                 EXPECT_EQ(U8(listing->legacy_name), "NDL1:");
                                 listing->bus_name = u"SDIO1";
                                 return std::make_shared<TestStreamDriver>();
                               });
  Store(HKEY_LOCAL_MACHINE, u"Drivers\\SSP\\WLAN", u"Dll", Sz(u"WLAN.DLL"));
  // A string stored without its terminator is read all the same.
  Store(HKEY_LOCAL_MACHINE, u"Drivers\\SSP\\WLAN", u"Prefix", {REG_SZ, {'N', 0, 'D', 0, 'L', 0}});
  HANDLE loaded = ActivateDeviceEx(u"\\Drivers\\SSP\\WLAN", nullptr, 0, nullptr);
  ASSERT_NE(loaded, INVALID_HANDLE_VALUE);
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(U8(seen_key), "Drivers\\SSP\\WLAN");
  // An activation handle is no kernel handle.
  EXPECT_FALSE(CloseHandle(loaded));
  EXPECT_EQ(Search(DeviceSearchByBusName, u"SDIO1"), "NDL1:");
  EXPECT_EQ(ActiveKeys(), "01=ACC0:/Drivers\\BuiltIn\\Test 02=NDL1:/Drivers\\SSP\\WLAN");
  HANDLE device = Open(u"NDL1:");
  EXPECT_EQ(Echo(device, "w"), "w");
  // The name is taken now.
  SetLastError(0);
  Store(HKEY_LOCAL_MACHINE, u"Drivers\\SSP\\WLAN", u"Index", Dword(1));
  EXPECT_EQ(ActivateDeviceEx(u"Drivers\\SSP\\WLAN", nullptr, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));

  EXPECT_TRUE(DeactivateDevice(loaded));
  EXPECT_EQ(Echo(device, "w"), "failed 6 returned 0");
  CloseHandle(device);
  EXPECT_FALSE(DeactivateDevice(loaded));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_TRUE(DeactivateDevice(activation_));
  EXPECT_EQ(ActiveKeys(), "");
  EXPECT_EQ(Open(u"ACC0:"), INVALID_HANDLE_VALUE);

  auto activated = handset().journal().Entries("device.activate");
  ASSERT_EQ(activated.size(), 2u);
  EXPECT_EQ(activated[0].Field("device"), "NDL1:");
  EXPECT_EQ(activated[0].Field("dll"), "WLAN.DLL");
  EXPECT_EQ(activated[0].Field("handle"), cehost::HexNumber(reinterpret_cast<uintptr_t>(loaded)));
  EXPECT_EQ(activated[1].Field("error"), "183");
  auto deactivated = handset().journal().Entries("device.deactivate");
  ASSERT_EQ(deactivated.size(), 3u);
  EXPECT_EQ(deactivated[0].Field("device"), "NDL1:");
  EXPECT_EQ(deactivated[1].Field("error"), "6");
}

TEST_F(DevicesTest, ActivateFailsOnKeysItCannotLoad) {
  cehost::InstallDriverLibrary(u"refuse.dll", [](std::u16string_view, cehost::DeviceListing*) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return std::shared_ptr<cehost::StreamDriver>();
  });
  MakeKey(HKEY_LOCAL_MACHINE, u"Drivers\\Empty");
  Store(HKEY_LOCAL_MACHINE, u"Drivers\\Unknown", u"Dll", Sz(u"nowhere.dll"));
  Store(HKEY_LOCAL_MACHINE, u"Drivers\\Unknown", u"Prefix", Sz(u"UNK"));
  Store(HKEY_LOCAL_MACHINE, u"Drivers\\Refused", u"Dll", Sz(u"refuse.dll"));
  Store(HKEY_LOCAL_MACHINE, u"Drivers\\Refused", u"Prefix", Sz(u"REF"));
  Store(HKEY_LOCAL_MACHINE, u"Drivers\\BadPrefix", u"Dll", Sz(u"refuse.dll"));
  Store(HKEY_LOCAL_MACHINE, u"Drivers\\BadPrefix", u"Prefix", Sz(u"R1"));
  Store(HKEY_LOCAL_MACHINE, u"Drivers\\BadIndex", u"Dll", Sz(u"refuse.dll"));
  Store(HKEY_LOCAL_MACHINE, u"Drivers\\BadIndex", u"Prefix", Sz(u"REF"));
  Store(HKEY_LOCAL_MACHINE, u"Drivers\\BadIndex", u"Index", Dword(10));
  struct Case {
    const char16_t* key;
    DWORD error;
  } cases[] = {
      {u"Drivers\\Missing", ERROR_FILE_NOT_FOUND},
      {u"Drivers\\Empty", ERROR_FILE_NOT_FOUND},
      {u"Drivers\\Unknown", ERROR_MOD_NOT_FOUND},
      {u"Drivers\\Refused", ERROR_NOT_SUPPORTED},
      {u"Drivers\\BadPrefix", ERROR_INVALID_PARAMETER},
      {u"Drivers\\BadIndex", ERROR_INVALID_PARAMETER},
      {nullptr, ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key ? U8(c.key) : "null");
    SetLastError(0);
    EXPECT_EQ(ActivateDeviceEx(c.key, nullptr, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), c.error);
  }
  EXPECT_EQ(ActiveKeys(), "01=ACC0:/Drivers\\BuiltIn\\Test");
}

// Threads opening, controlling and closing a device while its driver is replaced: each control
// either reaches a driver and is journaled, or fails with ERROR_INVALID_HANDLE.
TEST_F(DevicesTest, ControlsRaceWithReplacedDrivers) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 50;
  std::atomic<int> succeeded{0};
  std::atomic<int> unexpected{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int round = 0; round < kRounds; ++round) {
        HANDLE device = Open(u"ACC0:");
        if (device == INVALID_HANDLE_VALUE) {
          ++unexpected;
          continue;
        }
        for (int i = 0; i < 4; ++i) {
          std::string echoed = Echo(device, "xyz");
          if (echoed == "xyz") {
            ++succeeded;
          } else if (echoed != "failed 6 returned 0") {
            ++unexpected;
          }
        }
        if (!CloseHandle(device)) ++unexpected;
      }
    });
  }
  std::vector<std::shared_ptr<TestStreamDriver>> drivers = {driver_};
  for (int i = 0; i < 20; ++i) {
    drivers.push_back(std::make_shared<TestStreamDriver>());
    cehost::InstallStreamDriver(Listing(u"ACC0:", u"UFN1"), drivers.back());
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(unexpected, 0);
  EXPECT_EQ(handset().journal().Entries("device.control").size(),
            static_cast<size_t>(succeeded.load()));
  EXPECT_EQ(handset().journal().Entries("device.open").size(),
            static_cast<size_t>(kThreads * kRounds));
}

}  // namespace
