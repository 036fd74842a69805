// A table shared between processes through its lock file: separate processes
// (fork) appending and deleting on one table, and a transaction left behind
// by a process that died rolled back by the next one to open the table.
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "tests/engine/storage/base_table_fixture.h"

namespace vexilo::storage::testing {
namespace {

constexpr uint16_t kSharedRights = kRightAppend | kRightEdit | kRightDelete | kRightIndex;

// One session of its own in a forked process: its own page cache, services
// (station `station`) and file system, with the catalog's unlock thread
// giving back lazily held locks.
class ChildSession {
 public:
  ChildSession(const std::string& dir, uint32_t station) {
    FileSystem.SetBaseDirectory(fs::u16(dir));
    Services.SetStation(station);
    Table = std::make_unique<TVxbBaseTable>(Services, Manager, FileSystem, 1);
    Table->SetFileName(u"Eng_hun.vxbt");
    Table->SetRights(kSharedRights);
  }
  ~ChildSession() { StopUnlocker(); }

  // Opens the table; without `unlocker` the caller gives locks back itself
  // (ReleaseLazyLocks), so that no thread of this process is running when it
  // forks.
  bool Open(bool unlocker = true) {
    if (Table->Open(false) != 0 || Table->Setup(false) != 0) return false;
    if (!unlocker) return true;
    Unlocker = std::thread([this] {
      while (!Stop) {
        Table->CheckUnlock(TVxbLockClock::Default().Ticks());
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    });
    return true;
  }
  void ReleaseLazyLocks() { Table->Locks().ReleaseAll(); }
  void StopUnlocker() {
    Stop = true;
    if (Unlocker.joinable()) Unlocker.join();
  }

  fs::TvwOSFileSystem FileSystem;
  index::TVxbPageManager Manager;
  errors::TVxbServices Services;
  std::unique_ptr<TVxbBaseTable> Table;
  std::atomic<bool> Stop{false};
  std::thread Unlocker;
};

class BaseTableSharing : public BaseTableFixture {
 protected:
  void SetUp() override { CreateDictionary(); }

  // Runs `body` in a forked process; its exit code (0 for success).
  template <typename Body>
  pid_t Fork(Body body) {
    const pid_t pid = fork();
    if (pid == 0) _exit(body());
    return pid;
  }
  int Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
  }
};

TEST_F(BaseTableSharing, TwoProcessesAppendAndDeleteOnOneTable) {
  const auto worker = [this](uint32_t station, const char16_t* prefix) {
    return [this, station, prefix]() -> int {
      ChildSession session(Dir.Path().string(), station);
      if (!session.Open()) return 1;
      TVxbBaseTable& table = *session.Table;
      std::vector<uint8_t> rec(static_cast<size_t>(table.GetRecordSize()));
      for (int i = 0; i < 12; ++i) {
        table.InitRecord(rec.data(), true);
        table.SetWideString(rec.data(), kEng, prefix + fs::u16(std::to_string(i)));
        table.SetWideString(rec.data(), kHun, u"h");
        TVxbBlobDataList blobs{WideValue(kLeir, u"leírás")};
        if (table.AppendRecord(rec.data(), blobs) <= 0) return 2;
        if (i % 3 == 2 && table.DeleteRecord(rec.data(), 1) != 0) return 3;
      }
      session.StopUnlocker();
      table.Close();
      return 0;
    };
  };
  const pid_t a = Fork(worker(11, u"a"));
  const pid_t b = Fork(worker(12, u"b"));
  EXPECT_EQ(Wait(a), 0);
  EXPECT_EQ(Wait(b), 0);
  auto table = Open();
  EXPECT_EQ(table->GetRecordCount(), 2 * 12 - 2 * 4);
  ExpectIndexesMatchRecords(*table);
  std::set<int32_t> ids;
  for (const Row& row : ReadAll(*table)) {
    EXPECT_TRUE(ids.insert(row.Id).second) << row.Id;
    EXPECT_EQ(row.Leir, u"leírás");
  }
  // The last session out took the lock and move files with it.
  EXPECT_FALSE(Exists("Eng_hun.vxbl"));
  EXPECT_FALSE(Exists("Eng_hun.vxbv"));
}

TEST_F(BaseTableSharing, AnotherSessionLearnsOfMovesAndNewRecords) {
  {
    auto table = Open();
    for (int i = 1; i <= 4; ++i) Append(*table, u"e" + fs::u16(std::to_string(i)), u"h");
  }
  ChildSession observer(Dir.Path().string(), 21);
  ASSERT_TRUE(observer.Open(false)) << fs::u8(observer.Services.LastErrorMsg());
  observer.ReleaseLazyLocks();
  RecordingListener listener;
  observer.Table->AddAccessor(&listener);
  const pid_t writer = Fork([this]() -> int {
    ChildSession session(Dir.Path().string(), 22);
    if (!session.Open()) return 1;
    std::vector<uint8_t> rec(static_cast<size_t>(session.Table->GetRecordSize()));
    if (session.Table->DeleteRecord(rec.data(), 2) != 0) return 2;
    session.StopUnlocker();
    session.Table->Close();
    return 0;
  });
  ASSERT_EQ(Wait(writer), 0);
  ASSERT_EQ(observer.Table->CheckUpdate(), 0) << fs::u8(observer.Services.LastErrorMsg());
  EXPECT_EQ(observer.Table->GetRecordCount(), 3);
  EXPECT_EQ(listener.Notices, (std::vector<std::string>{"deleted 2 from 4", "changed"}));
  observer.Table->RemoveAccessor(&listener);
}

// A walk in ENG order, each step under a read lock of its own, stops in the
// middle of a leaf while another process inserts the entry right after the
// one the walk stands on, deletes the two after that (the last records move
// into their numbers) and changes the key of a later one. The walk's next
// steps must show the other process's table, not what its leaf held before.
TEST_F(BaseTableSharing, AWalkInKeyOrderSeesAnotherProcesssChangesAheadOfIt) {
  const auto eng = [](int i) {
    std::string text = std::to_string(i);
    return u"w" + fs::u16(std::string(3 - text.size(), '0') + text);
  };
  auto table = Open(kSharedRights);
  for (int i = 1; i <= 400; ++i) ASSERT_EQ(Append(*table, eng(i), u"h"), i) << Error();
  ASSERT_EQ(table->Flush(true), 0) << Error();
  const int engNo = table->FindIndexNo(u"ENG");
  index::TVxbIndexFile& index = *table->GetIndexFile(engNo);
  ASSERT_TRUE(index.IsOpen);
  auto entry = index.CreateLongIndexInfo();
  const auto step = [&](bool first) {
    EXPECT_EQ(table->BeginRead(true), 0) << Error();
    const int16_t r = first ? index.Erster_Index(*entry) : index.Naechster_Index(*entry);
    std::u16string text;
    if (r == 0) text = Read(*table, entry->DateiVerweis).Eng;
    table->EndRead();
    return r == 0 ? text : u"(" + fs::u16(std::to_string(r)) + u")";
  };
  ASSERT_EQ(step(true), eng(1));
  for (int i = 2; i <= 100; ++i) ASSERT_EQ(step(false), eng(i));
  table->Locks().ReleaseAll();  // the lazily kept read lock goes back

  const pid_t writer = Fork([&]() -> int {
    ChildSession session(Dir.Path().string(), 31);
    if (!session.Open()) return 1;
    TVxbBaseTable& other = *session.Table;
    std::vector<uint8_t> rec(static_cast<size_t>(other.GetRecordSize()));
    other.InitRecord(rec.data(), true);
    other.SetWideString(rec.data(), kEng, eng(100) + u"a");
    other.SetWideString(rec.data(), kHun, u"h");
    if (other.AppendRecord(rec.data(), {}) != 401) return 2;
    // Record 101 holds w101, 102 w102; each deletion moves the last record
    // into the number deleted.
    for (const int32_t recNo : {102, 101}) {
      if (other.ReadRecord(recNo, rec.data()) != 0 || other.DeleteRecord(rec.data(), recNo) != 0) return 3;
    }
    if (other.ReadRecord(150, rec.data()) != 0) return 4;
    const std::vector<uint8_t> original = rec;
    other.SetWideString(rec.data(), kEng, eng(103) + u"b");
    if (other.ReplaceRecord(rec.data(), original.data(), {}, 150) != 0) return 5;
    session.StopUnlocker();
    return other.Close() == 0 ? 0 : 6;
  });
  ASSERT_EQ(Wait(writer), 0);

  EXPECT_EQ(step(false), eng(100) + u"a");
  EXPECT_EQ(step(false), eng(103));
  EXPECT_EQ(step(false), eng(103) + u"b");
  for (int i = 104; i <= 149; ++i) ASSERT_EQ(step(false), eng(i));
  for (int i = 151; i <= 400; ++i) ASSERT_EQ(step(false), eng(i));
  EXPECT_EQ(step(false), u"(1)");
  ExpectIndexesMatchRecords(*table);
}

TEST_F(BaseTableSharing, ATransactionOfAProcessThatDiedIsRolledBackOnTheNextOpen) {
  {
    auto table = Open();
    for (int i = 1; i <= 4; ++i) Append(*table, u"e" + fs::u16(std::to_string(i)), u"h", u"old");
  }
  std::vector<Row> before;
  {
    auto table = Open();
    before = ReadAll(*table);
  }
  const pid_t dying = Fork([this]() -> int {
    ChildSession session(Dir.Path().string(), 31);
    if (!session.Open()) return 1;
    TVxbBaseTable& table = *session.Table;
    table.SetIsolationLevel(TVxbIsolationLevel::ReadCommitted);
    std::vector<uint8_t> rec(static_cast<size_t>(table.GetRecordSize())), orig = rec;
    table.InitRecord(rec.data(), true);
    table.SetWideString(rec.data(), kEng, u"new");
    if (table.AppendRecord(rec.data(), {WideValue(kLeir, u"fresh")}) != 5) return 2;
    if (table.ReadRecord(3, orig.data()) != 0) return 3;
    rec = orig;
    table.SetWideString(rec.data(), kHun, u"changed");
    if (table.ReplaceRecord(rec.data(), orig.data(), {WideValue(kLeir, u"edited")}, 3) != 0) return 4;
    if (table.DeleteRecord(rec.data(), 1) != 0) return 5;
    if (table.Flush(false) != 0) return 6;
    _exit(0);  // dies in the middle of its transaction
  });
  ASSERT_EQ(Wait(dying), 0);
  EXPECT_TRUE(Exists("Eng_hun.vxbr"));
  {
    ChildSession next(Dir.Path().string(), 32);
    ASSERT_TRUE(next.Open()) << fs::u8(next.Services.LastErrorMsg());
    next.StopUnlocker();
  }
  EXPECT_FALSE(Exists("Eng_hun.vxbr"));
  auto table = Open();
  EXPECT_EQ(ReadAll(*table), before);
  ExpectIndexesMatchRecords(*table);
}

}  // namespace
}  // namespace vexilo::storage::testing
