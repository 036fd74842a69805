// The page manager's critical section knows its holder: the manager's
// helpers check "held by the calling thread", so that answer must be true
// exactly while this thread holds it — through nested entries, and never for
// another thread.
#include <gtest/gtest.h>

#include <future>
#include <mutex>

#include "engine/index/pages/page_manager.h"

namespace vexilo::index::testing {
namespace {

bool HeldByAnotherThread(const fs::TvwOwnedMutex& mutex) {
  return std::async(std::launch::async, [&] { return mutex.IsHeldByThisThread(); }).get();
}

TEST(PageManagerCriticalSection, IsHeldByTheThreadInsideItThroughNestedEntriesOnly) {
  TVxbPageManager manager;
  fs::TvwOwnedMutex& section = manager.CriticalSection();
  EXPECT_FALSE(section.IsHeldByThisThread());
  {
    std::lock_guard outer(section);
    EXPECT_TRUE(section.IsHeldByThisThread());
    EXPECT_FALSE(HeldByAnotherThread(section));
    {
      std::lock_guard inner(section);
      EXPECT_TRUE(section.IsHeldByThisThread());
    }
    EXPECT_TRUE(section.IsHeldByThisThread()) << "leaving the inner entry keeps the outer one";
    EXPECT_FALSE(std::async(std::launch::async, [&] { return section.try_lock(); }).get())
        << "another thread cannot enter meanwhile";
  }
  EXPECT_FALSE(section.IsHeldByThisThread());
  // Another thread that enters and leaves leaves it free for this one.
  std::async(std::launch::async, [&] {
    std::lock_guard other(section);
    EXPECT_TRUE(section.IsHeldByThisThread());
  }).get();
  EXPECT_FALSE(section.IsHeldByThisThread());
  EXPECT_TRUE(section.try_lock());
  EXPECT_TRUE(section.IsHeldByThisThread());
  section.unlock();
}

}  // namespace
}  // namespace vexilo::index::testing
