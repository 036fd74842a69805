// Record storage at the dictionary's shape: 200,000 records of two
// WideString columns of 80 characters and one Memo holding a 60-byte
// description, appended through the heap data file and the memo file and
// flushed, then read back with their memos. The same run writes and reads
// the same number of bytes with plain sequential pwrite/pread, so the
// engine's MB/s can be read against what the disk and the operating system
// give without it.
//
// Counters: records/s (appends or reads per second) and bytes_per_second
// (table file and memo file bytes moved). The argument is the page cache's
// limit in KiB: a session's default (40960), and room for both files whole
// (262144), which shows the storage layer's own cost apart from the cache's
// eviction. Run a release build.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/errors/services.h"
#include "engine/index/pages/client_storage.h"
#include "engine/index/pages/page_manager.h"
#include "engine/storage/columns/column_rules.h"
#include "engine/storage/file/heap_data_file.h"
#include "engine/storage/values/memo_file.h"
#include "engine/types/column_type.h"
#include "engine/types/field_codec.h"
#include "fs/os_file_system.h"
#include "fs/text.h"

namespace vexilo::storage {
namespace {

constexpr int32_t kRecords = 200000;
constexpr int16_t kLevel = 6;
constexpr int32_t kSessionCacheKiB = 40960;
constexpr int32_t kRoomyCacheKiB = 262144;

// A fresh directory with an operating-system file system, a page manager
// and services; removed at the end.
class BenchDir {
 public:
  explicit BenchDir(int32_t cacheKiB = kSessionCacheKiB) {
    FPath = std::filesystem::temp_directory_path() / ("vexilo-record-bench-" + std::to_string(::getpid()));
    std::filesystem::remove_all(FPath);
    std::filesystem::create_directories(FPath);
    FileSystem.SetBaseDirectory(fs::u16(FPath.string()));
    Manager.RegisterClient(1, cacheKiB);
  }
  ~BenchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  std::string File(const std::string& name) const { return (FPath / name).string(); }
  std::unique_ptr<index::TVxbClientStorage> Client(const std::u16string& name) {
    auto client = std::make_unique<index::TVxbClientStorage>(Manager, FileSystem, 1);
    client->SetName(name);
    return client;
  }

  fs::TvwOSFileSystem FileSystem;
  index::TVxbPageManager Manager;
  errors::TVxbServices Services;

 private:
  std::filesystem::path FPath;
};

// The dictionary table's columns: ENG, HUN (WideString of 80), LEIR (Memo).
TVxbTableDefinition DictionaryDefinition(errors::TVxbServices& services) {
  TVxbTableDefinition d;
  for (const char16_t* name : {u"ENG", u"HUN"}) {
    TVxbColumnSpec spec;
    spec.Name = name;
    spec.TypeCode = types::vxbWideString;
    spec.Length = 80;
    AddColumn(d.ColumnDefs, spec, kLevel, u"", services);
  }
  TVxbColumnSpec memo;
  memo.Name = u"LEIR";
  memo.TypeCode = types::vxbMemo;
  memo.Nullable = true;
  AddColumn(d.ColumnDefs, memo, kLevel, u"", services);
  return d;
}

std::u16string Expression(const char16_t* prefix, int32_t n) {
  std::u16string text = prefix + fs::u16(std::to_string(n));
  text.resize(80, u'x');
  return text;
}

std::string Description(int32_t n) {
  std::string text = "description of entry " + std::to_string(n) + " ";
  text.resize(60, '.');
  return text;
}

// Bytes the table moves: the record slots and one 256-byte memo block each.
constexpr int64_t TableBytes(int32_t recordSize) {
  return int64_t{kRecords} * (recordSize + TVxbMemoFile::kBlockSize);
}

// The record size of the dictionary's table as the engine lays it out.
int32_t DictionaryRecordSize() {
  errors::TVxbServices services;
  return DictionaryDefinition(services).ColumnDefs.GetRecordSize();
}

struct Dictionary {
  std::unique_ptr<TVxbHeapDataFile> Data;
  std::unique_ptr<TVxbMemoFile> Memo;
  TVxbTableDefinition Definition;
  TVxbTableCryptor Cryptor;
};

// Creates the table and its memo file, appends every record and flushes;
// false when any step fails.
bool Fill(BenchDir& dir, Dictionary& dict) {
  dict.Definition = DictionaryDefinition(dir.Services);
  if (dict.Definition.ColumnDefs.Count() != 3) return false;
  dict.Data = std::make_unique<TVxbHeapDataFile>(dir.Services, dir.Client(u"Eng_hun.vxbt"));
  if (dict.Data->NewFile(kLevel, dict.Cryptor, dict.Definition) != 0) return false;
  dict.Memo = std::make_unique<TVxbMemoFile>(dir.Services, dir.Client(u"Eng_hun.vxbm"), kLevel);
  if (dict.Memo->NewFile() != 0) return false;
  const TVxbColumnDefs& columns = dict.Definition.ColumnDefs;
  const auto eng = columns.GetColumnDef(1)->FieldLayout(kLevel);
  const auto hun = columns.GetColumnDef(2)->FieldLayout(kLevel);
  const auto leir = columns.GetColumnDef(3)->FieldLayout(kLevel);
  std::vector<uint8_t> record(dict.Data->RecordSize());
  for (int32_t n = 1; n <= kRecords; ++n) {
    types::TVxbFieldCodec::WriteWideString(record.data(), eng, true, Expression(u"english ", n));
    types::TVxbFieldCodec::WriteWideString(record.data(), hun, true, Expression(u"magyar ", n));
    const int32_t block = dict.Memo->WriteString(0, Description(n));
    if (block <= 0) return false;
    types::TVxbFieldCodec::WriteBlockRef(record.data(), leir, true, block);
    if (dict.Data->InsertRecord(record.data()) != n) return false;
  }
  return dict.Data->Flush() == 0 && dict.Memo->Flush() == 0;
}

void BM_AppendDictionaryRecords(benchmark::State& state) {
  int64_t bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    BenchDir dir(static_cast<int32_t>(state.range(0)));
    Dictionary dict;
    state.ResumeTiming();
    const bool filled = Fill(dir, dict);
    state.PauseTiming();
    if (!filled || dict.Data->GetRecordCount() != kRecords) {
      state.SkipWithError("appending failed");
      break;
    }
    bytes += TableBytes(dict.Data->RecordSize());
    dict.Memo.reset();
    dict.Data.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(bytes);
  state.counters["records/s"] =
      benchmark::Counter(static_cast<double>(kRecords) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AppendDictionaryRecords)
    ->Arg(kSessionCacheKiB)
    ->Arg(kRoomyCacheKiB)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

void BM_ReadDictionaryRecordsWithMemos(benchmark::State& state) {
  BenchDir dir(kRoomyCacheKiB);
  Dictionary dict;
  if (!Fill(dir, dict)) {
    state.SkipWithError("filling failed");
    return;
  }
  dict.Memo->Close();
  dict.Data->Close();
  int64_t bytes = 0;
  for (auto _ : state) {
    // A fresh cache each round: every page comes from the file.
    state.PauseTiming();
    index::TVxbPageManager manager;
    manager.RegisterClient(1, static_cast<int32_t>(state.range(0)));
    auto client = [&](const std::u16string& name) {
      auto c = std::make_unique<index::TVxbClientStorage>(manager, dir.FileSystem, 1);
      c->SetName(name);
      return c;
    };
    TVxbHeapDataFile data(dir.Services, client(u"Eng_hun.vxbt"));
    TVxbMemoFile memo(dir.Services, client(u"Eng_hun.vxbm"), kLevel);
    TVxbTableDefinition definition;
    TVxbTableCryptor cryptor;
    data.Open(true, false, cryptor, definition);
    if (memo.Open(true, false) != 0 || data.GetRecordCount() != kRecords) {
      state.SkipWithError("opening failed");
      break;
    }
    const auto leir = definition.ColumnDefs.GetColumnDef(3)->FieldLayout(kLevel);
    std::vector<uint8_t> record(data.RecordSize());
    std::string description;
    state.ResumeTiming();
    int64_t memoBytes = 0;
    for (int32_t n = 1; n <= data.GetRecordCount(); ++n) {
      int32_t block = 0;
      if (data.ReadRecord(n, record.data()) != 0 || !types::TVxbFieldCodec::ReadBlockRef(record.data(), leir, block) ||
          memo.ReadString(block, description) != 0)
        break;
      memoBytes += static_cast<int64_t>(description.size());
    }
    benchmark::DoNotOptimize(memoBytes);
    bytes += TableBytes(data.RecordSize());
    state.PauseTiming();
    if (memoBytes != int64_t{kRecords} * 60) {
      state.SkipWithError("records or memos missing");
      break;
    }
    state.ResumeTiming();
  }
  state.SetBytesProcessed(bytes);
  state.counters["records/s"] =
      benchmark::Counter(static_cast<double>(kRecords) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadDictionaryRecordsWithMemos)
    ->Arg(kSessionCacheKiB)
    ->Arg(kRoomyCacheKiB)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

// The baseline: the same bytes in 8192-byte pieces, sequentially.
int64_t PlainBytes() {
  static const int64_t bytes = TableBytes(DictionaryRecordSize());
  return bytes;
}
constexpr size_t kPiece = 8192;

void BM_PlainSequentialPwrite(benchmark::State& state) {
  BenchDir dir;
  const int64_t plainBytes = PlainBytes();
  const std::vector<char> piece(kPiece, 'v');
  for (auto _ : state) {
    const int fd = ::open(dir.File("plain.bin").c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    for (int64_t at = 0; at < plainBytes; at += kPiece) {
      if (::pwrite(fd, piece.data(), kPiece, at) != static_cast<ssize_t>(kPiece)) state.SkipWithError("pwrite");
    }
    ::close(fd);
  }
  state.SetBytesProcessed(plainBytes * state.iterations());
}
BENCHMARK(BM_PlainSequentialPwrite)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_PlainSequentialPread(benchmark::State& state) {
  BenchDir dir;
  const int64_t plainBytes = PlainBytes();
  {
    const std::vector<char> piece(kPiece, 'v');
    const int fd = ::open(dir.File("plain.bin").c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    for (int64_t at = 0; at < plainBytes; at += kPiece) benchmark::DoNotOptimize(::pwrite(fd, piece.data(), kPiece, at));
    ::close(fd);
  }
  std::vector<char> piece(kPiece);
  for (auto _ : state) {
    const int fd = ::open(dir.File("plain.bin").c_str(), O_RDONLY);
    int64_t sum = 0;
    for (int64_t at = 0; at < plainBytes; at += kPiece) sum += ::pread(fd, piece.data(), kPiece, at);
    benchmark::DoNotOptimize(sum);
    ::close(fd);
  }
  state.SetBytesProcessed(plainBytes * state.iterations());
}
BENCHMARK(BM_PlainSequentialPread)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
}  // namespace vexilo::storage
