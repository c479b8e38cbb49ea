// The GPRS dial of the handset's own demo in one process, at steady state: the dial, the network
// status, the hang-up and the two traffic totals read from the registry, on the default handset
// with its registry on disk.
#include <benchmark/benchmark.h>

#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include <unistd.h>

#include "ce/registry.h"
#include "frame/exports.h"
#include "paired_rounds.h"
#include "sim/default_handset.h"
#include "sim/handset.h"

namespace {

DWORD ReadTotal(const char16_t* name) {
  HKEY key = nullptr;
  DWORD value = 0;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"DialParameter", 0, 0, &key) != ERROR_SUCCESS) return 0;
  DWORD size = sizeof value;
  RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return value;
}

// The default handset in a home of its own, removed afterwards.
struct DefaultHandset {
  DefaultHandset() {
    home = std::filesystem::temp_directory_path() / ("m8-dial-bench-" + std::to_string(getpid()));
    std::filesystem::remove_all(home);
    sim::InitHandset(home);
    handset = std::make_unique<sim::Handset>(sim::Handset::Options{home, false});
  }
  ~DefaultHandset() {
    handset.reset();
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
  }
  std::filesystem::path home;
  std::unique_ptr<sim::Handset> handset;
};

// Microseconds a dial takes from the call to the traffic totals, median of rounds; "dialled" is
// how many of the dials succeeded.
void BM_DialLoop(benchmark::State& state) {
  DefaultHandset handset;
  int dialled = 0;
  auto dial = [&] {
    if (CalllNotifyApiStartGprsConnect2(nullptr, 0) == 1) ++dialled;
    DWORD status = QueryNetWorkStatus();
    CalllNotifyApiStopGprsConnect2(nullptr);
    DWORD totals = ReadTotal(u"gprsReceiveDataCount") + ReadTotal(u"gprsSendDataCount");
    // The journal of a run is read and emptied by the demo at each step.
    handset.handset->journal().Clear();
    return status + totals;
  };
  // Steady state: the first dial makes the working copies and caches.
  dial();
  dialled = 0;
  std::array<double, 1> ns{};
  for (auto _ : state) ns = bench::RoundMedians<bench::CpuClock>(9, 50, dial);
  state.counters["dial_us"] = ns[0] / 1000;
  state.counters["dialled"] = dialled;
}
BENCHMARK(BM_DialLoop)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
