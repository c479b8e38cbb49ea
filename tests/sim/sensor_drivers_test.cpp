// The accelerometer and the infrared sensor: what their controls and reads give, the
// notifications they post, and what they keep from one mount of their handset to the next.
#include <array>

#include "ce/windows.h"
#include "device_support.h"
#include "oem/drivers.h"
#include "shell_support.h"
#include "sim/drivers/accelerometer/accelerometer.h"
#include "sim/drivers/infrared/infrared.h"
#include "sim/state_file.h"

namespace {

using device_test::AsDword;
using device_test::DeviceTest;
using device_test::DwordBytes;
using device_test::Opened;
using shell_test::LoggingWindow;
using shell_test::Posted;

std::vector<uint8_t> Subscriber(DWORD window, UINT message) {
  IRD_SUBSCRIBER s{window, message};
  std::vector<uint8_t> bytes(sizeof s);
  std::memcpy(bytes.data(), &s, sizeof s);
  return bytes;
}

TEST_F(DeviceTest, AccelerometerReadsItsAxesAsSignedBytes) {
  auto handset = Mount("[accelerometer]\nx = -1\ny = 1\nz = -128\n");
  Opened acc(kAccelerometerDevice);
  EXPECT_EQ(acc.Control(IOCTL_ACC_GET_XYZ, {}, 3).out, (std::vector<uint8_t>{0xFF, 0x01, 0x80}));
  handset->program<sim::Accelerometer>().SetAxes(5, -6, 127);
  struct Axis {
    DWORD code;
    uint8_t value;
  };
  for (Axis a : {Axis{IOCTL_ACC_GET_X, 5}, Axis{IOCTL_ACC_GET_Y, 0xFA}, Axis{IOCTL_ACC_GET_Z, 127}})
    EXPECT_EQ(acc.Control(a.code, {}, 1).out, std::vector<uint8_t>{a.value});
}

TEST_F(DeviceTest, AccelerometerPostsItsMessageOnATiltOnceGivenOne) {
  auto handset = Mount();
  LoggingWindow window(u"AccTestWindow");
  auto& acc = handset->program<sim::Accelerometer>();
  acc.SetAxes(1, 2, 3);  // no message yet: nothing posted
  UINT message = RegisterWindowMessageW(kAccMessageName);
  Opened device(kAccelerometerDevice);
  ASSERT_TRUE(device.Control(IOCTL_ACC_SET_MESSAGE, DwordBytes(message)).ok);
  EXPECT_EQ(acc.message(), message);
  acc.SetAxes(-1, 2, 3);
  acc.SetAxes(-1, 2, 3);  // no change: nothing posted
  acc.SetAxes(0, 0, -64);
  EXPECT_EQ(window.Seen(), (std::vector<Posted>{{message, 0x0302FF, 0}, {message, 0xC00000, 0}}));
  auto notes = handset->journal().Entries("device");
  ASSERT_EQ(notes.size(), 5u);  // three tilts, two posts
  EXPECT_EQ(notes[1].Field("event"), "tilt");
  EXPECT_EQ(notes[2].Field("event"), "post");
  EXPECT_EQ(notes[2].Field("wparam"), "0x302ff");
}

TEST_F(DeviceTest, AccelerometerAxesOutliveTheMountButNotItsMessage) {
  {
    auto handset = Mount();
    handset->program<sim::Accelerometer>().SetAxes(10, 20, 30);
    Opened(kAccelerometerDevice).Control(IOCTL_ACC_SET_MESSAGE, DwordBytes(0xC100));
  }
  auto handset = Mount();
  auto& acc = handset->program<sim::Accelerometer>();
  EXPECT_EQ(acc.Axes(), (std::array<int8_t, 3>{10, 20, 30}));
  EXPECT_EQ(acc.message(), 0u);
}

TEST_F(DeviceTest, ADeviceFollowsWhatAnotherProcessDidToIt) {
  auto handset = Mount("[accelerometer]\nz = -9\n");
  auto& acc = handset->program<sim::Accelerometer>();
  acc.SetAxes(1, 2, 3);
  Opened device(kAccelerometerDevice);
  // Another process on the same handset tilts it further; this one's next call reads the tilt.
  sim::StateFile state(handset->home());
  ASSERT_TRUE(state.Update("accelerometer", [](nlohmann::json& s) {
    ASSERT_TRUE(s.is_object());
    s["x"] = 7;
  }));
  auto xyz = device.Control(IOCTL_ACC_GET_XYZ, {}, 3).out;
  EXPECT_EQ(static_cast<int8_t>(xyz[0]), 7);
  EXPECT_EQ(static_cast<int8_t>(xyz[1]), 2);
  // A reboot in another process forgets the tilt: the device reads as handset.toml sets it.
  ASSERT_TRUE(state.Clear());
  xyz = device.Control(IOCTL_ACC_GET_XYZ, {}, 3).out;
  EXPECT_EQ(static_cast<int8_t>(xyz[0]), 0);
  EXPECT_EQ(static_cast<int8_t>(xyz[2]), -9) << "as handset.toml has it";
}

TEST_F(DeviceTest, InfraredLevelsAndStates) {
  auto handset = Mount();
  Opened ir(kInfraredDevice, 0);
  EXPECT_EQ(AsDword(ir.Control(IOCTL_IRD_GET_LEVEL, {}, 4).out), 2u);
  struct Level {
    DWORD level;
    bool taken;
  };
  for (Level l : {Level{1, true}, Level{3, true}, Level{0, false}, Level{4, false},
                  Level{0xFFFFFFFF, false}}) {
    auto answer = ir.Control(IOCTL_IRD_SET_LEVEL, DwordBytes(l.level));
    EXPECT_EQ(answer.ok, l.taken ? TRUE : FALSE) << l.level;
    EXPECT_EQ(answer.error, l.taken ? 0u : static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  EXPECT_EQ(AsDword(ir.Control(IOCTL_IRD_GET_LEVEL, {}, 4).out), 3u);

  // On: detection ready, and the read gives the detection value; off: neither.
  handset->program<sim::Infrared>().SetDetection(1);
  EXPECT_EQ(AsDword(ir.Control(IOCTL_IRD_GET_DETECT_READY, {}, 4).out), 1u);
  EXPECT_EQ(AsDword(ir.Read(4).out), 1u);
  EXPECT_EQ(ir.Read(3).error, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  ASSERT_TRUE(ir.Control(IOCTL_IRD_SET_STATE, DwordBytes(0)).ok);
  EXPECT_EQ(AsDword(ir.Control(IOCTL_IRD_GET_DETECT_READY, {}, 4).out), 0u);
  EXPECT_EQ(AsDword(ir.Read(4).out), 0u);
}

TEST_F(DeviceTest, InfraredNotifiesItsSubscribersWhileOn) {
  auto handset = Mount();
  LoggingWindow first(u"IrFirst");
  LoggingWindow second(u"IrSecond");
  Opened ir(kInfraredDevice, 0);
  ASSERT_TRUE(ir.Control(IOCTL_IRD_REGISTER, Subscriber(first.id(), 0xC201)).ok);
  ASSERT_TRUE(ir.Control(IOCTL_IRD_REGISTER, Subscriber(second.id(), 0xC202)).ok);
  ASSERT_TRUE(ir.Control(IOCTL_IRD_REGISTER, Subscriber(second.id(), 0xC203)).ok);  // new message
  EXPECT_EQ(ir.Control(IOCTL_IRD_REGISTER, Subscriber(0, 0xC204)).error,
            static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  auto& sensor = handset->program<sim::Infrared>();
  EXPECT_EQ(sensor.State().subscribers.size(), 2u);

  sensor.SetDetection(1);
  ASSERT_TRUE(ir.Control(IOCTL_IRD_UNREGISTER, Subscriber(first.id(), 0)).ok);
  EXPECT_EQ(ir.Control(IOCTL_IRD_UNREGISTER, Subscriber(first.id(), 0)).error,
            static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  sensor.SetDetection(0);
  sensor.SetSensorState(0);
  sensor.SetDetection(1);  // off: nobody hears it
  EXPECT_EQ(first.Seen(), (std::vector<Posted>{{0xC201, 1, 0}}));
  EXPECT_EQ(second.Seen(), (std::vector<Posted>{{0xC203, 1, 0}, {0xC203, 0, 0}}));
}

TEST_F(DeviceTest, InfraredKeepsItsStateAndSubscribersAcrossMounts) {
  {
    auto handset = Mount("[infrared]\nlevel = 1\n");
    Opened ir(kInfraredDevice, 0);
    EXPECT_EQ(AsDword(ir.Control(IOCTL_IRD_GET_LEVEL, {}, 4).out), 1u);
    ir.Control(IOCTL_IRD_SET_LEVEL, DwordBytes(3));
    ir.Control(IOCTL_IRD_REGISTER, Subscriber(0x1234, 0xC300));
    handset->program<sim::Infrared>().SetDetection(7);
  }
  auto handset = Mount();
  sim::InfraredState state = handset->program<sim::Infrared>().State();
  EXPECT_EQ(state.level, 3u);
  EXPECT_EQ(state.detection, 7u);
  ASSERT_EQ(state.subscribers.size(), 1u);
  EXPECT_EQ(state.subscribers[0].hwnd, 0x1234u);
  EXPECT_EQ(state.subscribers[0].message, 0xC300u);
}

}  // namespace
