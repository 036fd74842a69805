// TVxbUnlockThread: the background thread of an open catalog that lets the
// catalog's stored tables give back the lock-file locks they keep after
// their last use. Every 5 ms it reads the clock once and offers the
// milliseconds to the catalog (TVxbCatalog::CheckUnlock), which hands them
// to each table under the relation-list critical section; a table gives its
// lock back once 10 ms have passed since the last end of a lock. Without
// the thread a lock kept this way would stay until the table is used again,
// and every other process asking for the table would wait for it.
//
// The thread starts in the constructor and is stopped and joined by Stop or
// the destructor. Any exception of one pass is dropped; the next pass comes
// 5 ms later. Start, Stop and the destructor belong to the catalog's thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace vexilo::api {

class TVxbUnlockThread {
 public:
  static constexpr int32_t kIntervalMs = 5;

  // Runs `pass` (called with the clock's milliseconds) every 5 ms until
  // stopped.
  explicit TVxbUnlockThread(std::function<void(int64_t ticks)> pass);
  // Stops and joins the thread.
  ~TVxbUnlockThread();
  TVxbUnlockThread(const TVxbUnlockThread&) = delete;
  TVxbUnlockThread& operator=(const TVxbUnlockThread&) = delete;

  // Tells the thread to end and waits for it; nothing the second time.
  void Stop();
  // Passes run so far.
  int64_t Passes() const;

 private:
  void Run();

  std::function<void(int64_t)> FPass;
  mutable std::mutex FMutex;
  std::condition_variable FWake;
  bool FTerminated = false;
  int64_t FPasses = 0;
  std::thread FThread;
};

}  // namespace vexilo::api
