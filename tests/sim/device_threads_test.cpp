// The simulated devices called from several threads at once, as applications' threads call a
// CE driver: their state stays whole and every notification arrives.
#include <array>
#include <atomic>
#include <thread>
#include <vector>

#include "ce/windows.h"
#include "device_support.h"
#include "oem/drivers.h"
#include "shell_support.h"
#include "sim/drivers/accelerometer/accelerometer.h"
#include "sim/drivers/backlight/backlight.h"

namespace {

using device_test::AsDword;
using device_test::DeviceTest;
using device_test::DwordBytes;
using device_test::Opened;

TEST_F(DeviceTest, TiltsAndReadsFromSeveralThreads) {
  auto handset = Mount();
  shell_test::LoggingWindow window(u"TiltWindow");
  auto& acc = handset->program<sim::Accelerometer>();
  Opened(kAccelerometerDevice).Control(IOCTL_ACC_SET_MESSAGE, DwordBytes(0xC600));
  constexpr int kTilts = 50;
  std::atomic<bool> torn{false};
  std::vector<std::thread> threads;
  // Each tilt moves the three axes together: a read sees them all from one tilt.
  threads.emplace_back([&] {
    for (int i = 1; i <= kTilts; ++i)
      acc.SetAxes(static_cast<int8_t>(i), static_cast<int8_t>(i), static_cast<int8_t>(-i));
  });
  for (int t = 0; t < 2; ++t) {
    threads.emplace_back([&] {
      Opened device(kAccelerometerDevice);
      for (int i = 0; i < kTilts; ++i) {
        auto xyz = device.Control(IOCTL_ACC_GET_XYZ, {}, 3).out;
        auto x = static_cast<int8_t>(xyz[0]), y = static_cast<int8_t>(xyz[1]),
             z = static_cast<int8_t>(xyz[2]);
        if (x != y || (x != 0 && z != -x)) torn = true;
      }
    });
  }
  threads.emplace_back([&] {
    Opened backlight(kBacklightDevice);
    for (DWORD level = 0; level < 100; ++level) backlight.Write(DwordBytes(level));
  });
  for (auto& thread : threads) thread.join();
  EXPECT_FALSE(torn);
  EXPECT_EQ(window.Seen().size(), static_cast<size_t>(kTilts));
  EXPECT_EQ(handset->program<sim::Backlight>().State().level, 99u);
  EXPECT_EQ(acc.OpenHandles(), 0u);
}

}  // namespace
