// The table check: the memo file, the blob file and every index place are
// examined under a read lock, and each finding becomes one record of a
// report relation. Findings are data; the check itself succeeds unless its
// lock is refused.
//
// A report record, in the report relation's first five columns:
//
//   column  value
//   1       the table's standard name (String or WideString)
//   2       the object's kind: 3 an index, 4 the memo or blob file (a byte,
//           into a Byte, SmallInt or Integer column)
//   3       the object's name: the index name, "Memo" or "Blob"
//   4       severity: 2 damage, 1 a lesser finding, 0 the check was stopped
//   5       the message
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/errors/error_codes.h"
#include "engine/index/index_build.h"
#include "engine/index/index_file.h"
#include "engine/index/pages/client_storage.h"
#include "engine/index/pages/page_manager.h"
#include "engine/storage/file/data_file.h"
#include "engine/storage/sharing/lock_file.h"
#include "engine/storage/sharing/redo_log.h"
#include "engine/storage/sharing/table_lock_guard.h"
#include "engine/storage/table/base_table.h"
#include "engine/storage/values/blob_file.h"
#include "engine/storage/values/memo_file.h"
#include "engine/types/column_type.h"

namespace vexilo::storage {

namespace {

constexpr uint8_t kKindIndex = 3;
constexpr uint8_t kKindStorageFile = 4;
constexpr uint8_t kSeverityTerminated = 0;
constexpr uint8_t kSeverityMinor = 1;
constexpr uint8_t kSeverityDamage = 2;

}  // namespace

// Appends findings to the report relation.
class TVxbBaseTable::TCheckReport {
 public:
  TCheckReport(TVxbRelation& relation, std::u16string tableName)
      : FRelation(relation), FTableName(std::move(tableName)) {}

  void Add(uint8_t kind, std::u16string_view object, uint8_t severity, std::u16string_view message) {
    std::vector<uint8_t> rec(static_cast<size_t>(std::max(FRelation.GetRecordSize(), 1)), 0);
    FRelation.InitRecord(rec.data(), true);
    SetText(rec.data(), 1, FTableName);
    FRelation.SetInteger(rec.data(), 2, kind);
    SetText(rec.data(), 3, object);
    FRelation.SetInteger(rec.data(), 4, severity);
    SetText(rec.data(), 5, message);
    FRelation.AppendRecord(rec.data(), {});
  }

 private:
  // A text into a WideString column as it is, into an ANSI column with the
  // characters beyond Latin-1 as "?"; cut to what the column holds.
  void SetText(uint8_t* rec, int fieldNo, std::u16string_view text) {
    const TVxbColumnDef* column = FRelation.ColumnDefs().GetColumnDef(fieldNo);
    if (!column) return;
    const bool wide = column->TypeCode() == types::vxbWideString;
    std::u16string value(text);
    std::string ansi;
    for (char16_t c : value) ansi.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
    while (!(wide ? FRelation.SetWideString(rec, fieldNo, value) : FRelation.SetAnsiString(rec, fieldNo, ansi))) {
      if (value.empty()) return;
      value.pop_back();
      ansi.pop_back();
    }
  }

  TVxbRelation& FRelation;
  std::u16string FTableName;
};

void TVxbBaseTable::VisitValues(std::initializer_list<int16_t> typeCodes, const TVxbChainVisitor& visit) {
  std::vector<int> fields;
  for (int fieldNo = 1; fieldNo <= ColumnCount(); ++fieldNo) {
    for (int16_t code : typeCodes) {
      if (Column(fieldNo)->TypeCode() == code) fields.push_back(fieldNo);
    }
  }
  if (fields.empty()) return;
  std::vector<uint8_t> rec(static_cast<size_t>(GetRecordSize()), 0);
  for (int32_t recNo = FDataFile->GetFirstRecordNo(); recNo > 0; recNo = FDataFile->GetNextRecordNo(recNo)) {
    if (FDataFile->ReadRecord(recNo, rec.data()) < 0) continue;
    for (int fieldNo : fields) visit(recNo, Column(fieldNo)->Name(), GetBlockIdx(rec.data(), fieldNo));
  }
}

void TVxbBaseTable::CheckIndexPlace(int indexNo, TCheckReport& report) {
  index::TVxbIndexFile* index = FPlaces[indexNo].get();
  if (!index) return;
  const std::u16string name = index->GetName();
  const auto say = [&](uint8_t severity, std::u16string_view message) {
    report.Add(kKindIndex, name, severity, message);
  };
  if (!index->IsOpen && OpenIndex(indexNo) < 0) {
    say(kSeverityMinor, u"Index cannot be found");
    return;
  }
  try {
    const int64_t recordCount = GetRecordCount();
    int64_t itemCount = 0;
    int64_t wrongSortCount = 0;
    if (index->Check(itemCount, wrongSortCount) < 0) {
      say(kSeverityDamage, u"Index ist corrupt");
      return;
    }
    if (itemCount != recordCount) say(kSeverityDamage, u"Index has wrong number of items");
    if (wrongSortCount > 0) say(kSeverityDamage, u"Index has unordered sequence");

    // The walk in key order, with entry buffers of its own (the index's work
    // entries serve its searches).
    const index::TVxbEntryCompare compare = index->Comparison();
    const size_t keySize = static_cast<size_t>(index->GetIndSize()) - 4;
    auto entry = index->CreateLongIndexInfo();
    auto previous = index->CreateLongIndexInfo();
    int64_t walked = 0;
    bool misordered = false;
    int16_t step = index->Erster_Index(*entry);
    while (step == 0) {
      ++walked;
      if (walked > 1 && !misordered &&
          compare(entry->DateiVerweis, entry->Key, keySize, previous->DateiVerweis, previous->Key, keySize, nullptr) <
              0) {
        say(kSeverityDamage, u"Index is not correctly sorted");
        misordered = true;
      }
      if (walked > recordCount) {
        say(kSeverityDamage, u"Index contains loop");
        break;
      }
      previous->DateiVerweis = entry->DateiVerweis;
      std::memcpy(previous->Key, entry->Key, keySize);
      step = index->Naechster_Index(*entry);
    }
    if (step < 0 && walked <= recordCount) {
      say(kSeverityDamage, u"Index ist corrupt");
      return;
    }
    if (walked >= 1 && walked < recordCount) say(kSeverityMinor, u"Index does not include all table records");
  } catch (const std::exception&) {
    say(kSeverityDamage, u"Index ist corrupt");
  }
}

int16_t TVxbBaseTable::Check(TVxbRelation& report, const TVxbCheckProgress& progress) {
  if (!GetActive()) return Fail(errors::vxbErrFileNotFound, {FFileName});
  Flush(false);
  const TVxbTableLockGuard readLock = TVxbTableLockGuard::Read(FLocks);
  if (!readLock) return readLock.Result();
  TCheckReport findings(report, StdName().empty() ? GetName() : StdName());

  // The steps in order: memo file, blob file, every index place.
  struct TStep {
    uint8_t Kind;
    int IndexNo;  // -1 for the memo or blob file
    std::u16string_view Object;
  };
  std::vector<TStep> steps;
  if (FHasMemo) steps.push_back({kKindStorageFile, -1, u"Memo"});
  if (FHasBlob) steps.push_back({kKindStorageFile, -1, u"Blob"});
  for (int place = 0; place < IndexCount(); ++place) steps.push_back({kKindIndex, place, {}});

  const auto checkStorage = [&](TVxbBlockedBinaryFile* file, std::u16string_view word,
                                std::initializer_list<int16_t> typeCodes) {
    const auto say = [&](std::u16string_view kind, std::u16string_view message) {
      findings.Add(kKindStorageFile, kind, kSeverityDamage, message);
    };
    // A table opened in spite of a missing or unreadable file has none.
    if (!file) return say(word, u"Storage file is corrupt");
    file->Check([&](const TVxbChainVisitor& visit) { VisitValues(typeCodes, visit); }, say);
  };

  int16_t result = 0;
  try {
    for (size_t done = 0; done < steps.size(); ++done) {
      const TStep& step = steps[done];
      std::u16string object(step.Object);
      if (step.IndexNo >= 0) {
        CheckIndexPlace(step.IndexNo, findings);
        if (const index::TVxbIndexFile* index = GetIndexFile(step.IndexNo)) object = index->GetName();
      } else if (step.Object == u"Memo") {
        checkStorage(FMemo.get(), step.Object, {types::vxbMemo});
      } else {
        checkStorage(FBlob.get(), step.Object, {types::vxbBlob, types::vxbWideMemo});
      }
      if (progress && progress(static_cast<int64_t>(done + 1), static_cast<int64_t>(steps.size())) == 1) {
        findings.Add(step.Kind, object, kSeverityTerminated, u"user terminated table analysis");
        break;
      }
    }
  } catch (const std::exception& e) {
    result = Record(e);
  }
  return result;
}

}  // namespace vexilo::storage
