// Timing calls against their floors in the same run: rounds that time a batch of each call in
// turn, so that all of them see the same machine, and the medians of those rounds.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <vector>

namespace bench {

// Nanoseconds a call of call() takes, over a batch of calls.
template <class Call>
double BatchNanoseconds(Call& call, int batch) {
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < batch; ++i) benchmark::DoNotOptimize(call());
  std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
  return took.count() / batch;
}

// The middle value (of the upper middle two when there is an even count); 0 when empty.
inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// For each call, the median over the rounds of its nanoseconds per call, the calls timed a batch
// each in turn within every round.
template <class... Calls>
std::array<double, sizeof...(Calls)> RoundMedians(int rounds, int batch, Calls&... calls) {
  std::array<std::vector<double>, sizeof...(Calls)> times;
  for (int round = 0; round < rounds; ++round) {
    size_t i = 0;
    ((times[i++].push_back(BatchNanoseconds(calls, batch))), ...);
  }
  std::array<double, sizeof...(Calls)> medians{};
  for (size_t i = 0; i < medians.size(); ++i) medians[i] = Median(times[i]);
  return medians;
}

}  // namespace bench
