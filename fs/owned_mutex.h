// TvwOwnedMutex: a re-entrant mutex that knows whether the calling thread
// holds it, so that code relying on "the caller holds the critical section"
// can check it (VEXILO_REQUIRE(mutex.IsHeldByThisThread()), contract.h).
//
// It locks like std::recursive_mutex and meets the standard's Lockable
// requirements (hence the lower-case lock, try_lock and unlock), so
// std::lock_guard and std::unique_lock take it. IsHeldByThisThread may be
// asked by any thread at any time: it is true exactly while the calling
// thread holds the mutex at least once.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

namespace vexilo::fs {

class TvwOwnedMutex {
 public:
  TvwOwnedMutex() = default;
  TvwOwnedMutex(const TvwOwnedMutex&) = delete;
  TvwOwnedMutex& operator=(const TvwOwnedMutex&) = delete;

  void lock() {
    FMutex.lock();
    Entered();
  }
  bool try_lock() {
    if (!FMutex.try_lock()) return false;
    Entered();
    return true;
  }
  void unlock() {
    // Only the holder gets here, so the depth is its own.
    if (--FDepth == 0) FOwner.store(std::thread::id(), std::memory_order_relaxed);
    FMutex.unlock();
  }

  // The owner is written only by the holding thread, and reset before it
  // lets go; so a thread reads its own id there exactly while it holds the
  // mutex, whatever other threads do meanwhile.
  bool IsHeldByThisThread() const { return FOwner.load(std::memory_order_relaxed) == std::this_thread::get_id(); }

 private:
  void Entered() {
    if (FDepth++ == 0) FOwner.store(std::this_thread::get_id(), std::memory_order_relaxed);
  }

  std::recursive_mutex FMutex;
  std::atomic<std::thread::id> FOwner{};
  // Times the holder has entered; touched only while holding the mutex.
  int32_t FDepth = 0;
};

}  // namespace vexilo::fs
