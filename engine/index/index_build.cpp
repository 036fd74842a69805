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
class TableLock {
 public:
  TableLock(TVxbIndexedTable& table, bool write) : table_(table), write_(write) {}
  ~TableLock() { Release(); }
  TableLock(const TableLock&) = delete;
  TableLock& operator=(const TableLock&) = delete;

  int16_t Acquire() {
    const int16_t result = write_ ? table_.WriteLock() : table_.ReadLock();
    held_ = result >= 0;
    return result;
  }
  void Release() {
    if (!held_) return;
    held_ = false;
    if (write_) table_.EndWriteLock();
    else table_.EndReadLock();
  }

 private:
  TVxbIndexedTable& table_;
  bool write_;
  bool held_ = false;
};

// Records an engine exception as the index's error; returns its negated code.
int16_t RecordException(TVxbIndexFile& index, const errors::EVxbEngine& e) {
  if (!index.GetOnError() && index.GetServices()) return index.GetServices()->SetLastError(e);
  return index.ReportError(e.Code(), {index.GetName()});
}

// Errors reported while an automatic index is opened, kept back until it is
// clear whether the index is rebuilt (then they are dropped).
class HeldErrors {
 public:
  explicit HeldErrors(TVxbIndexFile& index) : index_(index), original_(index.GetOnError()) {
    index_.SetOnError([this](int16_t code, fs::FormatArgs args) {
      errors_.push_back({code, std::vector<fs::FormatArg>(args.begin(), args.end())});
    });
  }
  ~HeldErrors() { index_.SetOnError(original_); }
  HeldErrors(const HeldErrors&) = delete;
  HeldErrors& operator=(const HeldErrors&) = delete;

  // Passes the kept errors on as they would have been reported.
  void Forward() {
    index_.SetOnError(original_);
    for (const auto& [code, args] : errors_) {
      ReportIndexError(original_, index_.GetServices(), code, fs::FormatArgs(args.data(), args.size()));
    }
    errors_.clear();
  }

 private:
  TVxbIndexFile& index_;
  TVxbErrorReporter original_;
  std::vector<std::pair<int16_t, std::vector<fs::FormatArg>>> errors_;
};

bool IsRebuildable(int16_t result) {
  return result == -errors::vxbErrInconsistentIndex || result == -errors::vxbErrFileNotFound || result == -1 ||
         result == -2;
}

// Fills the sorter with entries of records from `next_record` on (0: none
// left) until the batch is full; returns the record after the last one
// taken, and counts the records taken in `taken`.
int32_t FillBatch(TVxbIndexFile& index, TVxbIndexedTable& table, TVxbSorter& sorter, int32_t next_record,
                  size_t batch_bytes, TVxbLongIndexInfo& entry, std::vector<uint8_t>& buffer, int64_t& taken) {
  while (next_record > 0 && sorter.DataSize() < batch_bytes) {
    const size_t size = table.BuildEntry(index, next_record, entry);
    next_record = table.NextRecordNo(next_record);
    ++taken;
    if (size < 4 || size > buffer.size()) continue;
    TvwMemory::WriteInt32(buffer.data(), 0, entry.DateiVerweis);
    std::memcpy(buffer.data() + 4, entry.Key, size - 4);
    sorter.ToSort(buffer.data(), size);
  }
  return next_record;
}

}  // namespace

int16_t BuildIndex(TVxbIndexFile& index, TVxbIndexedTable& table, bool repair, int64_t capacity,
                   const TVxbBuildProgress& progress, bool close_after, size_t batch_bytes) {
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
  TableLock lock(table, repair);
  if (const int16_t r = lock.Acquire(); r < 0) {
    if (close_after) index.Close(false);
    return r;
  }
  int16_t result = 0;
  try {
    const TVxbEntryCompare compare = index.Comparison();
    const TVxbSortLess less = [&compare](const uint8_t* a, size_t a_size, const uint8_t* b, size_t b_size,
                                         const void*, types::TStrCmpOptions) {
      return compare(TvwMemory::ReadInt32(a, 0), a + 4, a_size - 4, TvwMemory::ReadInt32(b, 0), b + 4, b_size - 4,
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
    const int32_t record_count = table.RecordCount();
    int32_t next_record = table.FirstRecordNo();
    int64_t taken = 0;
    if (progress) progress(0, record_count);
    while (next_record > 0 && result == 0) {
      sorter.InitSort();
      next_record = FillBatch(index, table, sorter, next_record, batch_bytes, *entry, buffer, taken);
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
      if (progress) progress(taken, record_count);
    }
  } catch (const errors::EVxbEngine& e) {
    result = RecordException(index, e);
  } catch (const std::exception& e) {
    result = index.ReportError(errors::vxbErrUnknown, {fs::Utf8ToUtf16(e.what())});
  }
  if (result == 0) result = index.Flush();
  if (close_after || (result < 0 && !repair)) index.Close(false);
  return result;
}

int16_t OpenIndexOnDemand(TVxbIndexFile& index, TVxbIndexedTable& table) {
  if (index.IsOpen) return 0;
  if (index.IsLost) return index.ReportError(errors::vxbErrIndexCorrupt, {index.GetName()});
  const bool automatic = index.GetIsAutomatic();
  try {
    int16_t result;
    {
      std::unique_ptr<HeldErrors> held;
      if (automatic) held = std::make_unique<HeldErrors>(index);
      TableLock lock(table, false);
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
          const bool read_only = index.GetReadOnly();
          index.SetReadOnly(false);
          index.IsLost = false;
          result = BuildIndex(index, table, false, 0, nullptr, false);
          index.SetReadOnly(read_only);
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
                         int32_t record_no) {
  if (!index.GetMustBeUnique()) return 0;
  TVxbLongIndexInfo& probe = index.GetWorkInfo(2);
  const size_t key_size = static_cast<size_t>(index.GetIndSize()) - 4;
  probe.DateiVerweis = 0;
  std::memcpy(probe.Key, entry.Key, key_size);
  const int16_t found = index.Suche_Index(probe);
  if (found == 1 || found == -1) return 0;
  if (found < 0) return found;
  bool keys_equal = false;
  index.Comparison()(entry.DateiVerweis, entry.Key, key_size, probe.DateiVerweis, probe.Key, key_size, &keys_equal);
  if (keys_equal && probe.DateiVerweis != record_no) {
    return index.ReportError(errors::vxbErrNotUnique, {index.GetIndexDefinition().SpecificationText(&columns)});
  }
  return 0;
}

}  // namespace vexilo::index
