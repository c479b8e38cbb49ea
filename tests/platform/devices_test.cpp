#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ce/devices.h"
#include "ce/files.h"
#include "ce/kernel.h"
#include "cehost/devices.h"
#include "cehost/journal.h"
#include "handset_fixture.h"
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

}  // namespace
