#include "engine/index/index_build.h"

#include <cstring>
#include <memory>
#include <vector>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/index/index_spec.h"
#include "engine/index/sorter.h"
#include "engine/types/memory.h"
#include "fs/text.h"

namespace vexilo::index {

using types::TVxbLongIndexInfo;
using types::TvwMemory;

namespace {

// Ends a table lock when it goes out of scope.
class TTableLock {
 public:
  TTableLock(TVxbIndexedTable& table, bool write) : FTable(table), FWrite(write) {}
  ~TTableLock() { Release(); }
  TTableLock(const TTableLock&) = delete;
  TTableLock& operator=(const TTableLock&) = delete;

  int16_t Acquire() {
    const int16_t result = FWrite ? FTable.WriteLock() : FTable.ReadLock();
    FHeld = result >= 0;
    return result;
  }
  void Release() {
    if (!FHeld) return;
    FHeld = false;
    if (FWrite) FTable.EndWriteLock();
    else FTable.EndReadLock();
  }

 private:
  TVxbIndexedTable& FTable;
  bool FWrite;
  bool FHeld = false;
};

// Records an engine exception as the index's error; returns its negated code.
int16_t RecordException(TVxbIndexFile& index, const errors::EVxbEngine& e) {
  if (!index.GetOnError() && index.GetServices()) return index.GetServices()->SetLastError(e);
  return index.ReportError(e.Code(), {index.GetName()});
}

// Errors reported while an automatic index is opened, kept back until it is
// clear whether the index is rebuilt (then they are dropped).
class THeldErrors {
 public:
  explicit THeldErrors(TVxbIndexFile& index) : FIndex(index), FOriginal(index.GetOnError()) {
    FIndex.SetOnError([this](int16_t code, fs::FormatArgs args) {
      FErrors.push_back({code, std::vector<fs::FormatArg>(args.begin(), args.end())});
    });
  }
  ~THeldErrors() { FIndex.SetOnError(FOriginal); }
  THeldErrors(const THeldErrors&) = delete;
  THeldErrors& operator=(const THeldErrors&) = delete;

  // Passes the kept errors on as they would have been reported.
  void Forward() {
    FIndex.SetOnError(FOriginal);
    for (const auto& [code, args] : FErrors) {
      ReportIndexError(FOriginal, FIndex.GetServices(), code, fs::FormatArgs(args.data(), args.size()));
    }
    FErrors.clear();
  }

 private:
  TVxbIndexFile& FIndex;
  TVxbErrorReporter FOriginal;
  std::vector<std::pair<int16_t, std::vector<fs::FormatArg>>> FErrors;
};

bool IsRebuildable(int16_t result) {
  return result == -errors::vxbErrInconsistentIndex || result == -errors::vxbErrFileNotFound || result == -1 ||
         result == -2;
}

// Fills the sorter with entries of records from `nextRecord` on (0: none
// left) until the batch is full; returns the record after the last one
// taken, and counts the records taken in `taken`.
int32_t FillBatch(TVxbIndexFile& index, TVxbIndexedTable& table, TVxbSorter& sorter, int32_t nextRecord,
                  size_t batchBytes, TVxbLongIndexInfo& entry, std::vector<uint8_t>& buffer, int64_t& taken) {
  while (nextRecord > 0 && sorter.DataSize() < batchBytes) {
    const size_t size = table.BuildEntry(index, nextRecord, entry);
    nextRecord = table.NextRecordNo(nextRecord);
    ++taken;
    if (size < 4 || size > buffer.size()) continue;
    TvwMemory::WriteInt32(buffer.data(), 0, entry.DateiVerweis);
    std::memcpy(buffer.data() + 4, entry.Key, size - 4);
    sorter.ToSort(buffer.data(), size);
  }
  return nextRecord;
}

}  // namespace

int16_t BuildIndex(TVxbIndexFile& index, TVxbIndexedTable& table, bool repair, int64_t capacity,
                   const TVxbBuildProgress& progress, bool closeAfter, size_t batchBytes) {
  if (repair) {
    if (const int16_t r = index.Clear_Index(); r < 0) return r;
  } else {
    if (const int16_t r = CheckIndexDefinition(index.GetIndexDefinition(), table.Level(), table.Columns(),
                                               [&index](int16_t code, fs::FormatArgs args) {
                                                 ReportIndexError(index.GetOnError(), index.GetServices(), code, args);
                                               });
        r < 0) {
      return r;
    }
    if (capacity < 1) capacity = table.Capacity();
    if (const int16_t r = index.NewStorage(table.Level(), index.CalcPageSizeForCapacity(capacity)); r < 0) return r;
  }
  TTableLock lock(table, repair);
  if (const int16_t r = lock.Acquire(); r < 0) {
    if (closeAfter) index.Close(false);
    return r;
  }
  int16_t result = 0;
  try {
    const TVxbEntryCompare compare = index.Comparison();
    const TVxbSortLess less = [&compare](const uint8_t* a, size_t aSize, const uint8_t* b, size_t bSize,
                                         const void*, types::TStrCmpOptions) {
      return compare(TvwMemory::ReadInt32(a, 0), a + 4, aSize - 4, TvwMemory::ReadInt32(b, 0), b + 4, bSize - 4,
                     nullptr) < 0;
    };
    std::vector<uint8_t> buffer(static_cast<size_t>(index.GetIndSize()));
    auto entry = index.CreateLongIndexInfo();
    TVxbSorter sorter;
    // The entry comparison reads only the two entries and the collation,
    // which may be used from two threads at once.
    sorter.SetTwoThreads(true);
    // Without a comparison of the table's own, entries order by the key
    // layout, whose first item gives a cheap first glance.
    if (!index.HasOwnComparison()) {
      const types::TVxbKeyLayout& layout = index.GetKeyLayout();
      sorter.SetOrderPrefix([&layout](const uint8_t* data, size_t size) -> uint64_t {
        return size > 4 ? types::KeyOrderPrefix(layout, data + 4, size - 4) : 0;
      });
    }
    const int32_t recordCount = table.RecordCount();
    int32_t nextRecord = table.FirstRecordNo();
    int64_t taken = 0;
    if (progress) progress(0, recordCount);
    while (nextRecord > 0 && result == 0) {
      sorter.InitSort();
      nextRecord = FillBatch(index, table, sorter, nextRecord, batchBytes, *entry, buffer, taken);
      sorter.SortStart(less);
      result = index.BulkInsert(static_cast<int64_t>(sorter.Count()),
                                [&](TVxbLongIndexInfo& out) -> size_t {
                                  const int32_t size = sorter.FromSort(buffer.data(), buffer.size());
                                  if (size < 4) return 0;
                                  out.DateiVerweis = TvwMemory::ReadInt32(buffer.data(), 0);
                                  std::memcpy(out.Key, buffer.data() + 4, static_cast<size_t>(size) - 4);
                                  return static_cast<size_t>(size);
                                },
                                nullptr);
      sorter.ExitSort();
      if (progress) progress(taken, recordCount);
    }
  } catch (const errors::EVxbEngine& e) {
    result = RecordException(index, e);
  } catch (const std::exception& e) {
    result = index.ReportError(errors::vxbErrUnknown, {fs::Utf8ToUtf16(e.what())});
  }
  if (result == 0) result = index.Flush();
  if (closeAfter || (result < 0 && !repair)) index.Close(false);
  return result;
}

int16_t OpenIndexOnDemand(TVxbIndexFile& index, TVxbIndexedTable& table) {
  if (index.IsOpen) return 0;
  if (index.IsLost) return index.ReportError(errors::vxbErrIndexCorrupt, {index.GetName()});
  const bool automatic = index.GetIsAutomatic();
  try {
    int16_t result;
    {
      std::unique_ptr<THeldErrors> held;
      if (automatic) held = std::make_unique<THeldErrors>(index);
      TTableLock lock(table, false);
      result = lock.Acquire();
      if (result >= 0) {
        result = index.Open();
        if (result == 0 && index.GetCalculated()) result = table.PrepareCalculation(index);
        if (result == 0 &&
            CheckIndexDefinition(index.GetIndexDefinition(), table.Level(), table.Columns(), nullptr) < 0) {
          index.Close(false);
          index.IsLost = true;
          result = index.ReportError(errors::vxbErrInconsistentIndex, {index.GetName()});
        }
      }
      lock.Release();
      if (result < 0 && automatic && IsRebuildable(result)) {
        TVxbSortDef def;
        if (table.DeriveIndexDefinition(index, def)) {
          held.reset();  // the rebuild replaces what went wrong
          index.SetIndexDefinition(def);
          const bool readOnly = index.GetReadOnly();
          index.SetReadOnly(false);
          index.IsLost = false;
          result = BuildIndex(index, table, false, 0, nullptr, false);
          index.SetReadOnly(readOnly);
          if (result < 0) {
            index.Close(false);
            index.IsLost = true;
          }
          return result;
        }
      }
      if (held) held->Forward();
    }
    if (result < 0) {
      if (index.IsOpen) index.Close(false);
      index.IsLost = true;
    }
    return result;
  } catch (const errors::EVxbEngine& e) {
    index.Close(false);
    index.IsOpen = false;
    index.IsLost = true;
    return RecordException(index, e);
  }
}

int16_t CheckUniqueEntry(TVxbIndexFile& index, const TVxbIndexColumns& columns, const TVxbLongIndexInfo& entry,
                         int32_t recordNo) {
  if (!index.GetMustBeUnique()) return 0;
  TVxbLongIndexInfo& probe = index.GetWorkInfo(2);
  const size_t keySize = static_cast<size_t>(index.GetIndSize()) - 4;
  probe.DateiVerweis = 0;
  std::memcpy(probe.Key, entry.Key, keySize);
  const int16_t found = index.Suche_Index(probe);
  if (found == 1 || found == -1) return 0;
  if (found < 0) return found;
  bool keysEqual = false;
  index.Comparison()(entry.DateiVerweis, entry.Key, keySize, probe.DateiVerweis, probe.Key, keySize, &keysEqual);
  if (keysEqual && probe.DateiVerweis != recordNo) {
    return index.ReportError(errors::vxbErrNotUnique, {index.GetIndexDefinition().SpecificationText(&columns)});
  }
  return 0;
}

}  // namespace vexilo::index
