#include "engine/api/unlock_thread.h"

#include <chrono>

#include "engine/storage/sharing/lock_types.h"

namespace vexilo::api {

TVxbUnlockThread::TVxbUnlockThread(std::function<void(int64_t ticks)> pass)
    : FPass(std::move(pass)), FThread([this] { Run(); }) {}

TVxbUnlockThread::~TVxbUnlockThread() { Stop(); }

void TVxbUnlockThread::Stop() {
  {
    const std::lock_guard<std::mutex> guard(FMutex);
    FTerminated = true;
  }
  FWake.notify_all();
  if (FThread.joinable()) FThread.join();
}

int64_t TVxbUnlockThread::Passes() const {
  const std::lock_guard<std::mutex> guard(FMutex);
  return FPasses;
}

void TVxbUnlockThread::Run() {
  storage::TVxbLockClock& clock = storage::TVxbLockClock::Default();
  std::unique_lock<std::mutex> lock(FMutex);
  while (!FTerminated) {
    FWake.wait_for(lock, std::chrono::milliseconds(kIntervalMs), [this] { return FTerminated; });
    if (FTerminated) break;
    lock.unlock();
    try {
      FPass(clock.Ticks());
    } catch (...) {
      // A failing pass is retried by the next one.
    }
    lock.lock();
    ++FPasses;
  }
}

}  // namespace vexilo::api
