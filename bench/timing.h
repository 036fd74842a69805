// The benchmarks' own timing of single steps: a step is timed with the
// steady clock, the times of a run are kept in microseconds (or any one
// unit), and a run reports ranks of them (median, p90, p99) as counters.
#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <vector>

namespace vexilo::bench {

using TStepClock = std::chrono::steady_clock;

// The time from `from` to `to` in microseconds.
inline double Microseconds(TStepClock::time_point from, TStepClock::time_point to) {
  return std::chrono::duration<double, std::micro>(to - from).count();
}

// The value at rank ceil(fraction x n) of `times` in ascending order (the
// nearest-rank percentile); 0 for no times.
inline double Percentile(std::vector<double> times, double fraction) {
  if (times.empty()) return 0;
  std::sort(times.begin(), times.end());
  const size_t rank = static_cast<size_t>(std::ceil(fraction * static_cast<double>(times.size())));
  return times[std::clamp<size_t>(rank, 1, times.size()) - 1];
}

}  // namespace vexilo::bench
