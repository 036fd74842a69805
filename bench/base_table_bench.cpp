// The dictionary table loaded through the base table: 254,700 records of the
// dictionary's shape (a RecordId column, ENG and HUN as WideString(80) with
// B+ tree indexes under the "Hungarian" collation, LEIR as a WideMemo of
// about 150 bytes) appended one by one by a single writer into a table
// opened shared (with its lock file, and the unlock thread a catalog runs),
// then read back in the order of the ENG index, each record and its
// description under a read lock of its own, as a cursor reads them.
//
// Counters: records_per_second; lockfile_calls_per_record, every byte-range
// lock call made on the lock file (mutex entries, vital-sign probes) per
// record; lockfile_mutex_per_record, the mutex entries alone. A writer alone
// keeps its table lock lazily, so both stay far below 1 per record; the load
// with argument 1 gives the lock back after every record to show what that
// would cost.
//
// The files go to $VEXILO_BENCH_DIR when it is set, else to the temporary
// directory; they are removed at the end. Run a release build.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/errors/services.h"
#include "engine/index/index_file.h"
#include "engine/index/pages/page_manager.h"
#include "engine/storage/table/base_table.h"
#include "engine/types/column_type.h"
#include "fs/os_file_system.h"
#include "fs/text.h"

namespace vexilo::storage {
namespace {

constexpr int32_t kRecords = 254700;
constexpr int32_t kSessionCacheKiB = 40960;
constexpr uint16_t kSharedRights = kRightAppend | kRightEdit | kRightDelete | kRightIndex;
constexpr int kEng = 2, kHun = 3, kLeir = 4;
constexpr const char16_t* kTableFile = u"Eng_hun.vxbt";

// The operating system's file system, counting the byte-range lock calls
// made on lock files (".vxbl").
class CountingFileSystem : public fs::TvwOSFileSystem {
 public:
  int32_t OpenFile(std::u16string_view filePath, uint32_t mode) override {
    return Note(filePath, fs::TvwOSFileSystem::OpenFile(filePath, mode));
  }
  int32_t CreateFile(std::u16string_view filePath) override {
    return Note(filePath, fs::TvwOSFileSystem::CreateFile(filePath));
  }
  void CloseFile(int32_t handle) override {
    {
      std::lock_guard<std::mutex> guard(FMutex);
      FLockFileHandles.erase(handle);
    }
    fs::TvwOSFileSystem::CloseFile(handle);
  }
  int32_t LockFile(int32_t handle, int64_t startPos, int64_t endPos, bool writeLock) override {
    const int32_t result = fs::TvwOSFileSystem::LockFile(handle, startPos, endPos, writeLock);
    std::lock_guard<std::mutex> guard(FMutex);
    if (FLockFileHandles.count(handle) != 0) {
      ++LockCalls;
      if (startPos == 0 && endPos == 4 && result == 1) ++MutexEntries;
    }
    return result;
  }

  std::atomic<int64_t> LockCalls{0};
  std::atomic<int64_t> MutexEntries{0};

 private:
  int32_t Note(std::u16string_view filePath, int32_t handle) {
    if (handle >= 0 && filePath.size() >= 5 && filePath.substr(filePath.size() - 5) == u".vxbl") {
      std::lock_guard<std::mutex> guard(FMutex);
      FLockFileHandles.insert(handle);
    }
    return handle;
  }
  // The unlock thread reaches the lock file while the main thread works.
  std::mutex FMutex;
  std::set<int32_t> FLockFileHandles;
};

// Syllables for words that look like dictionary entries.
const char16_t* const kEnglishSyllables[] = {u"an", u"be", u"con", u"de", u"ex", u"for", u"ing", u"ly",  u"ment",
                                             u"ness", u"out", u"pre", u"re", u"st", u"tion", u"un", u"ver", u"wa",
                                             u"th", u"ch", u"ight", u"ous", u"al", u"er"};
const char16_t* const kHungarianSyllables[] = {u"á", u"be", u"cs", u"ép", u"fé", u"gy", u"hű", u"ít", u"ke",
                                               u"ly", u"más", u"nyo", u"ő", u"rá", u"sz", u"tű", u"ü", u"vé",
                                               u"zs", u"ás", u"és", u"ség", u"ból", u"ni"};

template <size_t N>
std::u16string Words(std::mt19937& random, const char16_t* const (&syllables)[N], int maxWords) {
  std::u16string text;
  const int words = 1 + static_cast<int>(random() % static_cast<uint32_t>(maxWords));
  for (int w = 0; w < words; ++w) {
    if (w > 0) text += u' ';
    const int count = 1 + static_cast<int>(random() % 4);
    for (int s = 0; s < count; ++s) text += syllables[random() % N];
  }
  return text.substr(0, 80);
}

// A description of about 150 bytes (75 UTF-16 characters).
std::u16string Description(std::mt19937& random) {
  std::u16string text = u"fn. ";
  while (text.size() < 70 + random() % 10) text += Words(random, kHungarianSyllables, 1) + u", ";
  return text.substr(0, 75);
}

// One session's environment in a directory of its own: the file system,
// the page cache with a session's share, the services.
class BenchSession {
 public:
  explicit BenchSession(const std::filesystem::path& dir) {
    FileSystem.SetBaseDirectory(fs::u16(dir.string()));
    Manager.RegisterClient(1, kSessionCacheKiB);
    Services.SetStation(1);
  }
  ~BenchSession() { StopUnlocker(); }
  BenchSession(const BenchSession&) = delete;
  BenchSession& operator=(const BenchSession&) = delete;

  std::unique_ptr<TVxbBaseTable> MakeTable() {
    auto table = std::make_unique<TVxbBaseTable>(Services, Manager, FileSystem, 1);
    table->SetFileName(kTableFile);
    return table;
  }

  // Creates the empty dictionary table with its two indexes.
  void Create() {
    auto table = MakeTable();
    table->SetCollationName(u"Hungarian");
    Require(table->AddColumn(Spec(u"Id", types::vxbRecordId, 0)) > 0, "column");
    Require(table->AddColumn(Spec(u"ENG", types::vxbWideString, 80)) > 0, "column");
    Require(table->AddColumn(Spec(u"HUN", types::vxbWideString, 80)) > 0, "column");
    Require(table->AddColumn(Spec(u"LEIR", types::vxbWideMemo, 0)) > 0, "column");
    Require(table->NewFile({}, {}, {}) == 0, "NewFile");
    Require(table->Setup(false) == 0, "Setup");
    Require(table->NewIndex(u"ENG", u"ENG") >= 0, "index ENG");
    Require(table->NewIndex(u"HUN", u"HUN") >= 0, "index HUN");
    Require(table->Close() == 0, "Close");
  }

  // Opens the table shared, with the unlock thread giving back locks held
  // lazily, as the catalog does.
  void OpenShared() {
    Table = MakeTable();
    Table->SetRights(kSharedRights);
    Require(Table->Open(false) == 0 && Table->Setup(false) == 0, "open shared");
    FStop = false;
    FUnlocker = std::thread([this] {
      while (!FStop) {
        Table->CheckUnlock(TVxbLockClock::Default().Ticks());
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    });
  }

  void Close() {
    StopUnlocker();
    if (Table) Require(Table->Close() == 0, "Close");
    Table.reset();
  }

  void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "%s failed: %s\n", what, fs::u8(Services.LastErrorMsg()).c_str());
    std::abort();
  }

  CountingFileSystem FileSystem;
  index::TVxbPageManager Manager;
  errors::TVxbServices Services;
  std::unique_ptr<TVxbBaseTable> Table;

 private:
  static TVxbColumnSpec Spec(std::u16string name, int16_t typeCode, int32_t length) {
    TVxbColumnSpec spec;
    spec.Name = std::move(name);
    spec.TypeCode = typeCode;
    spec.Length = length;
    return spec;
  }
  void StopUnlocker() {
    FStop = true;
    if (FUnlocker.joinable()) FUnlocker.join();
  }

  std::atomic<bool> FStop{false};
  std::thread FUnlocker;
};

std::filesystem::path BenchDirectory() {
  const char* base = std::getenv("VEXILO_BENCH_DIR");
  const std::filesystem::path root =
      base && *base ? std::filesystem::path(base) : std::filesystem::temp_directory_path();
  return root / ("vexilo-base-table-bench-" + std::to_string(::getpid()));
}

// A fresh directory, removed with its files at the end.
class ScratchDir {
 public:
  ScratchDir() : FPath(BenchDirectory()) {
    std::filesystem::remove_all(FPath);
    std::filesystem::create_directories(FPath);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& Path() const { return FPath; }

 private:
  std::filesystem::path FPath;
};

// Appends `count` dictionary records through `session`'s shared table.
// With `releaseEachRecord` the table lock goes back to the lock file after
// every record, as it would without lazy release.
void Load(BenchSession& session, int32_t count, bool releaseEachRecord = false) {
  TVxbBaseTable& table = *session.Table;
  std::mt19937 random(20260);
  std::vector<uint8_t> rec(static_cast<size_t>(table.GetRecordSize()));
  TVxbBlobDataList blobs(1);
  blobs[0].FieldNo = kLeir;
  blobs[0].IsWide = true;
  for (int32_t i = 0; i < count; ++i) {
    session.Require(table.InitRecord(rec.data(), true) == 0, "InitRecord");
    table.SetWideString(rec.data(), kEng, Words(random, kEnglishSyllables, 3));
    table.SetWideString(rec.data(), kHun, Words(random, kHungarianSyllables, 3));
    blobs[0].WideData = Description(random);
    session.Require(table.AppendRecord(rec.data(), blobs) == i + 1, "AppendRecord");
    if (releaseEachRecord) table.CheckUnlock(TVxbLockClock::Default().Ticks() + 1000000);
  }
  session.Require(table.Flush(true) == 0, "Flush");
}

void SetLockCounters(benchmark::State& state, const CountingFileSystem& fileSystem, int64_t calls0, int64_t mutex0,
                     int64_t records) {
  state.counters["lockfile_calls_per_record"] =
      static_cast<double>(fileSystem.LockCalls - calls0) / static_cast<double>(records);
  state.counters["lockfile_mutex_per_record"] =
      static_cast<double>(fileSystem.MutexEntries - mutex0) / static_cast<double>(records);
  state.counters["lockfile_mutex_entries"] = static_cast<double>(fileSystem.MutexEntries - mutex0);
}

// Argument 0: the table lock is kept lazily (as the engine does), all
// 254,700 records. Argument 1: the lock goes back after every record, a
// tenth of the records, for comparison.
void BM_LoadDictionary(benchmark::State& state) {
  const bool releaseEachRecord = state.range(0) != 0;
  const int32_t count = releaseEachRecord ? kRecords / 10 : kRecords;
  for (auto _ : state) {
    state.PauseTiming();
    ScratchDir dir;
    BenchSession session(dir.Path());
    session.Create();
    session.OpenShared();
    const int64_t calls0 = session.FileSystem.LockCalls, mutex0 = session.FileSystem.MutexEntries;
    state.ResumeTiming();
    Load(session, count, releaseEachRecord);
    state.PauseTiming();
    SetLockCounters(state, session.FileSystem, calls0, mutex0, count);
    session.Close();
    state.ResumeTiming();
  }
  state.counters["records"] = count;
  state.counters["records_per_second"] = benchmark::Counter(
      static_cast<double>(count) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LoadDictionary)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadInEngOrder(benchmark::State& state) {
  ScratchDir dir;
  {
    BenchSession loader(dir.Path());
    loader.Create();
    loader.OpenShared();
    Load(loader, kRecords);
    loader.Close();
  }
  BenchSession session(dir.Path());
  session.OpenShared();
  TVxbBaseTable& table = *session.Table;
  index::TVxbIndexFile* eng = table.GetIndexFile(table.FindIndexNo(u"ENG"));
  session.Require(eng != nullptr && table.OpenIndex(table.FindIndexNo(u"ENG")) == 0, "index ENG");
  std::vector<uint8_t> rec(static_cast<size_t>(table.GetRecordSize()));
  std::u16string leir;
  auto entry = eng->CreateLongIndexInfo();
  int64_t read = 0;
  const int64_t calls0 = session.FileSystem.LockCalls, mutex0 = session.FileSystem.MutexEntries;
  for (auto _ : state) {
    read = 0;
    session.Require(table.BeginRead(true) == 0, "BeginRead");
    int16_t step = eng->Erster_Index(*entry);
    table.EndRead();
    while (step == 0) {
      session.Require(table.BeginRead(true) == 0, "BeginRead");
      session.Require(table.ReadRecord(entry->DateiVerweis, rec.data()) == 0, "ReadRecord");
      session.Require(table.ReadBlobDataWide(kLeir, table.GetBlockIdx(rec.data(), kLeir), leir) >= 0, "memo");
      benchmark::DoNotOptimize(leir.data());
      ++read;
      step = eng->Naechster_Index(*entry);
      table.EndRead();
    }
    session.Require(read == kRecords, "walk of every record");
  }
  SetLockCounters(state, session.FileSystem, calls0, mutex0, read * static_cast<int64_t>(state.iterations()));
  state.counters["records_per_second"] =
      benchmark::Counter(static_cast<double>(read) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
  session.Close();
}
BENCHMARK(BM_ReadInEngOrder)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace vexilo::storage
