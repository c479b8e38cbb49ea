// DeviceIoControl of one 3-byte read control on a device handle, against the floor: the same
// driver object's IoControl called directly through its interface. The handset's journal is as a
// handset has it (in memory, every control recorded with its fields and bytes), so the call's time
// includes one journal entry; a second floor adds an entry of the same fields to the direct call,
// to show what is left once it is paid for. "x_floor" is a median over rounds that alternate them
// in the same run.
#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "ce/devices.h"
#include "ce/files.h"
#include "ce/kernel.h"
#include "cehost/devices.h"
#include "cehost/handset.h"
#include "cehost/journal.h"
#include "paired_rounds.h"
#include "sim/handset.h"

namespace {

constexpr DWORD kGetXyz = 0x4000C;

// An accelerometer-like driver: three axis bytes under a lock, read by one control.
class AxesDriver : public cehost::StreamDriver {
 public:
  uint32_t Open(DWORD, DWORD) override { return 1; }
  BOOL IoControl(uint32_t, DWORD code, const void*, DWORD, void* out, DWORD out_size,
                 DWORD* returned) override {
    if (code != kGetXyz || out_size < 3) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    std::lock_guard lock(mutex_);
    std::memcpy(out, axes_, 3);
    *returned = 3;
    return TRUE;
  }
  void Close(uint32_t) override {}
  std::string_view ControlName(DWORD code) const override {
    return code == kGetXyz ? "IOCTL_ACC_GET_XYZ" : "";
  }

 private:
  std::mutex mutex_;
  uint8_t axes_[3] = {0xFF, 0x01, 0x80};
};

// The driver installed as "ACC0:" on a fresh handset without sim's programs, and one handle on it.
struct OpenDevice {
  OpenDevice() {
    cehost::MountOptions bare;
    bare.home = handset.home();
    cehost::MountHandset(bare);
    cehost::DeviceListing listing;
    listing.legacy_name = u"ACC0:";
    listing.device_key = u"Drivers\\BuiltIn\\Accelerometer";
    cehost::InstallStreamDriver(listing, driver);
    device = CreateFileW(u"ACC0:", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  }
  ~OpenDevice() { CloseHandle(device); }
  bool RoundTrip(uint8_t* out) {
    DWORD returned = 0;
    return DeviceIoControl(device, kGetXyz, nullptr, 0, out, 3, &returned, nullptr);
  }
  sim::Handset handset;
  std::shared_ptr<AxesDriver> driver = std::make_shared<AxesDriver>();
  HANDLE device = INVALID_HANDLE_VALUE;
};

// The floor: the driver's own entry, called through its interface; with a journal, plus an entry
// of the fields a device control carries.
class DirectCall {
 public:
  DirectCall(cehost::StreamDriver* driver, cehost::Journal* journal = nullptr)
      : driver_(driver), journal_(journal) {
    benchmark::DoNotOptimize(driver_);
  }
  bool RoundTrip(uint8_t* out) {
    DWORD returned = 0;
    BOOL result = driver_->IoControl(1, kGetXyz, nullptr, 0, out, 3, &returned);
    if (journal_) {
      std::vector<std::pair<std::string, std::string>> fields;
      fields.reserve(7);
      fields.emplace_back("device", "ACC0:");
      fields.emplace_back("handle", "0x104");
      fields.emplace_back("code", cehost::HexNumber(kGetXyz, 8));
      fields.emplace_back("code_name", driver_->ControlName(kGetXyz));
      fields.emplace_back("out", cehost::HexBytes(out, returned));
      fields.emplace_back("returned", std::to_string(returned));
      fields.emplace_back("result", "1");
      cehost::RecordEffect(*journal_, cehost::EffectKind::kDeviceControl, std::move(fields));
    }
    return result;
  }

 private:
  cehost::StreamDriver* driver_;
  cehost::Journal* journal_;
};

void BM_DeviceIoControl(benchmark::State& state) {
  OpenDevice device;
  uint8_t out[3];
  for (auto _ : state) benchmark::DoNotOptimize(device.RoundTrip(out));
}
BENCHMARK(BM_DeviceIoControl);

void BM_DriverIoControl(benchmark::State& state) {
  OpenDevice device;
  DirectCall direct(device.driver.get());
  uint8_t out[3];
  for (auto _ : state) benchmark::DoNotOptimize(direct.RoundTrip(out));
}
BENCHMARK(BM_DriverIoControl);

// Rounds that time a batch of each in turn, so that all see the same machine; the medians of the
// rounds and their ratios.
void BM_DeviceOverFloor(benchmark::State& state) {
  OpenDevice device;
  DirectCall direct(device.driver.get());
  DirectCall journaled(device.driver.get(), &device.handset.journal());
  uint8_t out[3];
  auto through_device = [&] { return device.RoundTrip(out); };
  auto through_floor = [&] { return direct.RoundTrip(out); };
  auto through_journaled = [&] { return journaled.RoundTrip(out); };
  std::array<double, 3> ns{};
  for (auto _ : state)
    ns = bench::RoundMedians(31, 5000, through_device, through_floor, through_journaled);
  bench::ReportAgainstFloors(state, "device_ns", ns);
}
BENCHMARK(BM_DeviceOverFloor)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
