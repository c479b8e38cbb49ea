// The accelerometer exports against the simulated "ACC0:": the shared handle's open count, the
// notification message's life, readings, and a driver that is missing or fails.
#include <gtest/gtest.h>

#include "ce/errors.h"
#include "ce/windows.h"
#include "device_support.h"
#include "frame/exports.h"
#include "sim/drivers/accelerometer/accelerometer.h"

namespace {

using device_test::DeviceTest;
using device_test::Sent;

constexpr char kOpenedTrace[] = "[Acc Api] ACC0 not opened..........\n";
constexpr char kCloseTrace[] = "[Acc Api] Close ACC0..........\n";

class AccelerometerTest : public DeviceTest {
 protected:
  sim::Accelerometer& driver() { return handset().program<sim::Accelerometer>(); }
  // The 4 bytes of the "AccMessage" identifier, as the driver is given them.
  static std::string MessageBytes() {
    UINT id = RegisterWindowMessageW(u"AccMessage");
    return cehost::HexBytes(reinterpret_cast<const uint8_t*>(&id), 4);
  }
};

TEST_F(AccelerometerTest, OpensCountAndTheLastCloseForgetsTheMessage) {
  Start();
  SetLastError(0);
  EXPECT_EQ(AccAPIGetMessage(), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));

  ASSERT_EQ(AccAPIOpen(), 1);
  ASSERT_EQ(AccAPIOpen(), 1);
  const UINT id = RegisterWindowMessageW(u"AccMessage");
  EXPECT_EQ(AccAPIGetMessage(), id);
  EXPECT_EQ(driver().message(), id);
  // One open of the device, read and write, shared read and write; the message given once.
  EXPECT_EQ(OpenAccess("ACC0:"), std::vector<std::string>{"0xc0000000"});
  EXPECT_EQ(Entries("device.open").at(0).Field("share"), "0x3");
  EXPECT_EQ(Controls("ACC0:"), (std::vector<Sent>{{"IOCTL_ACC_SET_MESSAGE", MessageBytes()}}));

  AccAPIClose();
  EXPECT_EQ(Closes("ACC0:"), 0u);
  EXPECT_EQ(AccAPIGetMessage(), id);
  AccAPIClose();
  EXPECT_EQ(Closes("ACC0:"), 1u);
  EXPECT_EQ(Traces(), std::vector<std::string>{kCloseTrace});
  SetLastError(0);
  EXPECT_EQ(AccAPIGetMessage(), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));

  // A close too many only says so; the next open opens the device and gives the message again.
  AccAPIClose();
  EXPECT_EQ(Traces().back(), kOpenedTrace);
  EXPECT_EQ(Closes("ACC0:"), 1u);
  ASSERT_EQ(AccAPIOpen(), 1);
  EXPECT_EQ(Opens("ACC0:"), 2u);
  EXPECT_EQ(Controls("ACC0:").size(), 2u);
  EXPECT_EQ(AccAPIGetMessage(), id);
  AccAPIClose();
  EXPECT_EQ(Closes("ACC0:"), 2u);
}

TEST_F(AccelerometerTest, ReadsGiveSignedAxes) {
  Start();
  ASSERT_EQ(AccAPIOpen(), 1);
  // The bytes 0xFF, 0x01, 0x80.
  driver().SetAxes(-1, 1, -128);
  signed char x = 9, y = 9, z = 9;
  ASSERT_EQ(AccAPIGetXYZ(&x, &y, &z), 1);
  EXPECT_EQ(x, -1);
  EXPECT_EQ(y, 1);
  EXPECT_EQ(z, -128);
  signed char one = 9;
  EXPECT_EQ(AccAPIGetX(&one), 1);
  EXPECT_EQ(one, -1);
  EXPECT_EQ(AccAPIGetY(&one), 1);
  EXPECT_EQ(one, 1);
  EXPECT_EQ(AccAPIetZ(&one), 1);
  EXPECT_EQ(one, -128);
  const auto sent = Controls("ACC0:");
  ASSERT_EQ(sent.size(), 5u);
  EXPECT_EQ(sent[1], (Sent{"IOCTL_ACC_GET_XYZ", ""}));
  EXPECT_EQ(sent[4], (Sent{"IOCTL_ACC_GET_Z", ""}));
  AccAPIClose();
}

TEST_F(AccelerometerTest, ReadsWhileClosedOrWithoutOutputAskNothing) {
  Start();
  signed char x = 9, y = 9, z = 9;
  EXPECT_EQ(AccAPIGetX(&x), 0);
  EXPECT_EQ(AccAPIGetXYZ(&x, &y, &z), 0);
  EXPECT_EQ(x, 9);
  EXPECT_EQ(z, 9);
  EXPECT_EQ(Traces(), (std::vector<std::string>{kOpenedTrace, kOpenedTrace}));

  ASSERT_EQ(AccAPIOpen(), 1);
  ClearJournal();
  EXPECT_EQ(AccAPIGetY(nullptr), 0);
  EXPECT_EQ(AccAPIGetXYZ(&x, nullptr, &z), 0);
  EXPECT_TRUE(Controls("ACC0:").empty());
  EXPECT_EQ(x, 9);
  AccAPIClose();
}

TEST_F(AccelerometerTest, AFailingReadZeroesItsOutputs) {
  Start();
  ASSERT_EQ(AccAPIOpen(), 1);
  driver().SetAxes(5, 6, 7);
  driver().faults().FailControl("IOCTL_ACC_GET_XYZ");
  driver().faults().FailControl("IOCTL_ACC_GET_Y");
  signed char x = 9, y = 9, z = 9;
  EXPECT_EQ(AccAPIGetXYZ(&x, &y, &z), 0);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(z, 0);
  EXPECT_EQ(AccAPIGetY(&y), 0);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(AccAPIGetX(&x), 1);
  EXPECT_EQ(x, 5);
  AccAPIClose();
}

TEST_F(AccelerometerTest, AnOpenThatFailsIsTriedAgain) {
  Start("[accelerometer]\nopen_error = 55\n");
  EXPECT_EQ(AccAPIOpen(), 0);
  EXPECT_EQ(Traces(), std::vector<std::string>{"[Acc Api] Open ACC0 failed err 55..........\n"});
  SetLastError(0);
  EXPECT_EQ(AccAPIGetMessage(), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));
  driver().faults().SetOpenError(0);
  EXPECT_EQ(AccAPIOpen(), 1);
  EXPECT_NE(AccAPIGetMessage(), 0u);
  // Only the open that worked is counted: one close closes the device.
  AccAPIClose();
  EXPECT_EQ(Closes("ACC0:"), 1u);
}

TEST_F(AccelerometerTest, AMissingDeviceFailsAsTheSystemSays) {
  Start("[accelerometer]\npresent = false\n");
  EXPECT_EQ(AccAPIOpen(), 0);
  ASSERT_EQ(Traces().size(), 1u);
  EXPECT_EQ(Traces()[0], "[Acc Api] Open ACC0 failed err " + std::to_string(ERROR_FILE_NOT_FOUND) +
                             "..........\n");
}

}  // namespace
