#include "engine/storage/sharing/lock_types.h"

#include <chrono>
#include <mutex>
#include <random>
#include <thread>

namespace vexilo::storage {

void TVxbLockClock::Sleep(int32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int32_t TVxbLockClock::Random(int32_t below) {
  static std::mutex mutex;
  static std::minstd_rand generator(std::random_device{}());
  std::lock_guard<std::mutex> guard(mutex);
  return static_cast<int32_t>(generator() % static_cast<uint32_t>(below));
}

int64_t TVxbLockClock::Ticks() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

TVxbLockClock& TVxbLockClock::Default() {
  static TVxbLockClock clock;
  return clock;
}

}  // namespace vexilo::storage
