// One index file used through two client storages of this process, and
// changed by another process: flushed changes are seen through the shared
// cache at once, and another process's changes after Update.
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/engine/index/index_test_support.h"

namespace vexilo::index::testing {
namespace {

using Entries = std::vector<std::pair<int32_t, int32_t>>;

Entries Range(int32_t from, int32_t to) {
  Entries out;
  for (int32_t k = from; k <= to; ++k) out.emplace_back(k, k);
  return out;
}

class SharedIndex : public IndexFixture {};

TEST_F(SharedIndex, TwoClientStoragesSeeEachOthersFlushedChanges) {
  auto a = NewIntIndex("shared", 128);
  AddAll(*a, Range(1, 50));
  ASSERT_EQ(a->Flush(), 0);
  auto b = MakeIndex("shared", 5, IntColumns, DefinitionOver(IntColumns, {1}), 2);
  ASSERT_EQ(b->Open(), 0);
  EXPECT_EQ(Walk(*b), Range(1, 50));

  AddAll(*a, Range(51, 400));
  ASSERT_EQ(a->Flush(), 0);
  EXPECT_EQ(Walk(*b), Range(1, 400));
  EXPECT_EQ(b->GetItemCount(), 400);

  auto e = std::make_unique<TVxbLongIndexInfo>();
  for (int32_t k = 1; k <= 100; ++k) ASSERT_EQ(b->Loesche_Index(IntEntry(*e, k, k)), 0);
  ASSERT_EQ(b->Flush(), 0);
  EXPECT_EQ(Walk(*a), Range(101, 400));
  int64_t items = 0, wrong = 0;
  ASSERT_EQ(a->Check(items, wrong), 0);
  EXPECT_EQ(items, 300);
  EXPECT_TRUE(Errors.empty());
}

TEST_F(SharedIndex, ChangesOfAnotherProcessAreSeenAfterUpdate) {
  auto index = NewIntIndex("proc", 128);
  AddAll(*index, Range(1, 50));
  // A new file is this process's alone; opened again, it is shared.
  ASSERT_EQ(index->Close(true), 0);
  ASSERT_EQ(index->Open(), 0);
  ASSERT_EQ(Walk(*index), Range(1, 50));  // the pages are cached now

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // A process of its own: its own page manager and file system.
    int status = 1;
    {
      TVxbPageManager manager;
      fs::TvwOSFileSystem fileSystem;
      fileSystem.SetBaseDirectory(fs::u16(Dir.Path().string()));
      auto storage = std::make_unique<TVxbClientStorage>(manager, fileSystem, 1);
      TVxbIndexFile other(nullptr, 5, std::move(storage));
      other.SetName(u"proc");
      other.SetFileName(FileName("proc.ind"));
      other.SetColumns(&IntColumns);
      auto e = std::make_unique<TVxbLongIndexInfo>();
      bool ok = other.Open() == 0;
      for (int32_t k = 51; ok && k <= 600; ++k) ok = other.Add_Index(IntEntry(*e, k, k), 8) == 0;
      for (int32_t k = 1; ok && k <= 10; ++k) ok = other.Loesche_Index(IntEntry(*e, k, k)) == 0;
      ok = ok && other.Close(true) == 0;
      status = ok ? 0 : 1;
    }
    _exit(status);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);

  ASSERT_EQ(index->Update(), 0);
  EXPECT_EQ(Walk(*index), Range(11, 600));
  EXPECT_EQ(index->GetItemCount(), 590);
  int64_t items = 0, wrong = 0;
  ASSERT_EQ(index->Check(items, wrong), 0);
  EXPECT_EQ(items, 590);
  // And it can go on changing the file.
  AddAll(*index, Range(601, 610));
  EXPECT_EQ(Walk(*index).size(), 600u);
  EXPECT_TRUE(Errors.empty());
}

}  // namespace
}  // namespace vexilo::index::testing
