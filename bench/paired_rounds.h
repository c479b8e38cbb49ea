// Timing calls against their floors in the same run: rounds that time a batch of each call in
// turn, so that all of them see the same machine, and the medians of those rounds.
#pragma once

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <vector>

namespace bench {

// The processor time the process has used, its threads included: what a call costs without the
// time it waits for the disk or for other processes.
struct CpuClock {
  using duration = std::chrono::nanoseconds;
  using rep = duration::rep;
  using period = duration::period;
  using time_point = std::chrono::time_point<CpuClock>;
  static constexpr bool is_steady = true;
  static time_point now() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return time_point(std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec));
  }
};

// Nanoseconds a call of call() takes, over a batch of calls, by the given clock.
template <class Clock = std::chrono::steady_clock, class Call>
double BatchNanoseconds(Call& call, int batch) {
  auto start = Clock::now();
  for (int i = 0; i < batch; ++i) benchmark::DoNotOptimize(call());
  std::chrono::duration<double, std::nano> took = Clock::now() - start;
  return took.count() / batch;
}

// The middle value (of the upper middle two when there is an even count); 0 when empty.
inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// For each call, the median over the rounds of its nanoseconds per call by the given clock (the
// wall clock unless told), the calls timed a batch each in turn within every round.
template <class Clock = std::chrono::steady_clock, class... Calls>
std::array<double, sizeof...(Calls)> RoundMedians(int rounds, int batch, Calls&... calls) {
  std::array<std::vector<double>, sizeof...(Calls)> times;
  for (int round = 0; round < rounds; ++round) {
    size_t i = 0;
    ((times[i++].push_back(BatchNanoseconds<Clock>(calls, batch))), ...);
  }
  std::array<double, sizeof...(Calls)> medians{};
  for (size_t i = 0; i < medians.size(); ++i) medians[i] = Median(times[i]);
  return medians;
}

// Sets the counters of a call timed against two floors, the bare one and one that also makes the
// journal entry the call makes: the three medians in nanoseconds (the call's under call_counter)
// and the call's ratios to each.
inline void ReportAgainstFloors(benchmark::State& state, const char* call_counter,
                                const std::array<double, 3>& ns) {
  state.counters[call_counter] = ns[0];
  state.counters["floor_ns"] = ns[1];
  state.counters["floor_journal_ns"] = ns[2];
  state.counters["x_floor"] = ns[0] / ns[1];
  state.counters["x_floor_journal"] = ns[0] / ns[2];
}

}  // namespace bench
