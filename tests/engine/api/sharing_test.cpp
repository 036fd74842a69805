// Locks between processes through the catalog: a lock set refused by
// another process's lock is given back whole, and the unlock thread hands a
// lone writer's lazily kept lock to another process soon after the writer
// goes idle, while sparing the lock file most of the writer's requests.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "engine/api/serialized_file_system.h"
#include "engine/errors/error_codes.h"
#include "tests/engine/api/session_fixture.h"

namespace vexilo::api::testing {
namespace {

using storage::testing::kSharedForTest;

class SharingTest : public SessionFixture {
 protected:
  void CreateSmallTables() {
    for (const char16_t* name : {u"A.vxbt", u"B.vxbt", u"C.vxbt"}) {
      auto table = MakeTable(name);
      ASSERT_GT(table->AddColumn(storage::testing::Spec(u"N", 16)), 0) << Error();
      ASSERT_EQ(table->NewFile({}, {}, {}), 0) << Error();
      ASSERT_EQ(table->Close(), 0);
    }
  }
  static int16_t OpenShared(TVxbCatalog& catalog, std::u16string_view name) {
    return catalog.OpenTable(name, u"", false, false, true, kSharedForTest);
  }
};

TEST_F(SharingTest, ALockSetRefusedOnItsThirdRelationGivesTheFirstTwoBack) {
  CreateSmallTables();
  // The child is forked before this process has sessions or threads.
  TChildProcess child([&](const TChannel& channel) {
    if (channel.Receive() != 's') return 5;
    TChildSession session(Dir.Path().string());
    if (session.Opened() != 0) return 1;
    const int16_t a = OpenShared(session.Catalog(), u"A");
    const int16_t b = OpenShared(session.Catalog(), u"B");
    const int16_t c = OpenShared(session.Catalog(), u"C");
    const int16_t third[] = {c, -1};
    if (a <= 0 || b <= 0 || c <= 0 || session.Catalog().AcquireWriteLocks(third) != 0) return 2;
    channel.Send('l');
    if (channel.Receive() != 'c') return 3;
    // Nothing of the refused set may be left: both other tables can be
    // written at once (the other process's unlock thread answers the wait).
    const int16_t firstTwo[] = {a, b, -1};
    if (session.Catalog().AcquireWriteLocks(firstTwo) != 0) return 4;
    session.Catalog().ReleaseWriteLocks(firstTwo);
    session.Catalog().ReleaseWriteLocks(third);
    return 0;
  });
  TVxbLocalSession& session = OpenSession(300);
  TVxbCatalog& catalog = *session.Catalog();
  const int16_t a = OpenShared(catalog, u"A");
  const int16_t b = OpenShared(catalog, u"B");
  const int16_t c = OpenShared(catalog, u"C");
  ASSERT_GT(c, 0) << LastError(session);
  child.Send('s');
  ASSERT_EQ(child.Receive(), 'l');
  const int16_t all[] = {a, 0, b, c, -1, a};
  int16_t refused = 0;
  EXPECT_EQ(catalog.AcquireReadLocks(all, &refused), -errors::vxbErrTableLocked);
  EXPECT_EQ(refused, c);
  EXPECT_EQ(LastError(session), "Table is locked by another session");
  for (const int16_t rltnIdx : {a, b, c}) {
    EXPECT_EQ(catalog.GetTable(rltnIdx)->Locks().ReadLocks(), 0) << rltnIdx;
    EXPECT_FALSE(catalog.InUse(rltnIdx)) << rltnIdx;
  }
  child.Send('c');
  EXPECT_EQ(child.Wait(), 0);

  // With the other process gone the same set is had, and given back.
  ASSERT_EQ(catalog.AcquireReadLocks(all, &refused), 0) << LastError(session);
  EXPECT_EQ(refused, 0);
  EXPECT_EQ(catalog.GetTable(b)->Locks().ReadLocks(), 1);
  EXPECT_EQ(catalog.ReleaseReadLocks(all), 0);
  EXPECT_EQ(catalog.GetTable(b)->Locks().ReadLocks(), 0);
}

TEST_F(SharingTest, TheUnlockThreadSparesTheLockFileAndHandsTheIdleWritersLockOn) {
  constexpr int kRecords = 10000;
  CreateDictionary();
  const std::string waited = Dir.File("waited.txt");
  TChildProcess reader([&](const TChannel& channel) {
    TChildSession session(Dir.Path().string());
    if (session.Opened() != 0) return 1;
    const int16_t rltnIdx = OpenShared(session.Catalog(), u"Eng_hun");
    if (rltnIdx <= 0) return 2;
    channel.Send('o');
    if (channel.Receive(120000) != 'g') return 3;
    const int16_t list[] = {rltnIdx, -1};
    const auto start = std::chrono::steady_clock::now();
    const int16_t result = session.Catalog().AcquireReadLocks(list);
    const auto elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
    std::ofstream(waited) << elapsed.count();
    if (result != 0) return 4;
    const int32_t count = session.Catalog().GetTable(rltnIdx)->GetRecordCount();
    session.Catalog().ReleaseReadLocks(list);
    return count == kRecords + 1 ? 0 : 5;
  });
  ASSERT_EQ(reader.Receive(), 'o');

  TVxbLocalSession& session = OpenSession();
  const int16_t rltnIdx = OpenShared(*session.Catalog(), u"Eng_hun");
  ASSERT_GT(rltnIdx, 0) << LastError(session);
  storage::TVxbBaseTable& table = *session.Catalog()->GetTable(rltnIdx);
  auto* fileSystem = dynamic_cast<TVxbSerializedFileSystem*>(session.Services()->DataFileSystem());
  ASSERT_NE(fileSystem, nullptr);
  const int64_t before = fileSystem->LockRequests();
  for (int i = 0; i < kRecords; ++i) {
    ASSERT_GT(Append(table, fs::u16("word" + std::to_string(i)), u"szó"), 0) << Error();
  }
  const int64_t requests = fileSystem->LockRequests() - before;
  std::printf("lock-file byte-range lock requests for %d appends: %lld\n", kRecords,
              static_cast<long long>(requests));
  ::testing::Test::RecordProperty("lock requests for 10000 appends", static_cast<int>(requests));
  EXPECT_LT(requests, kRecords / 10);

  // One more record, then the writer is idle and keeps its lock lazily.
  ASSERT_GT(Append(table, u"last", u"utolsó"), 0) << Error();
  reader.Send('g');
  EXPECT_EQ(reader.Wait(), 0);
  double milliseconds = -1;
  std::ifstream(waited) >> milliseconds;
  std::printf("a reader waited %.1f ms for the idle writer's lock\n", milliseconds);
  ::testing::Test::RecordProperty("reader wait in ms", std::to_string(milliseconds));
  EXPECT_GE(milliseconds, 0.0);
  EXPECT_LT(milliseconds, 5000.0);
}

}  // namespace
}  // namespace vexilo::api::testing
