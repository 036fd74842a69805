// TVxbTable: the dataset over one table of a database. It opens the table's
// relation through its database component (by name, with the table's key,
// rights from ReadOnly and Exclusive, read-only when writing is refused),
// opens a cursor on it, reads what the table offers (field and index
// definitions, collation, capacity) and presents it in the order of
// IndexName (record-number order when empty).
//
// Opening a table that cannot be opened raises the dataset layer's database
// error naming the table ("Opening VexBase table %s") with the engine's
// message, and leaves nothing open.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/dataset.h"
#include "framework/core/index_defs.h"
#include "framework/core/variant.h"

namespace vexilo::dataset {

// A check constraint of the table: no stored record may make it false.
struct TVxbCheckConstraint {
  std::u16string Name;
  std::u16string Check;
};

class TVxbTable : public TVxbDataSet {
 public:
  explicit TVxbTable(const void* owner = nullptr);
  ~TVxbTable() override;

  // The table's name in the database; only while closed.
  const std::u16string& TableName() const { return FTableName; }
  void SetTableName(std::u16string value);
  // The index that orders the records; switching while open keeps the
  // current record.
  const std::u16string& IndexName() const { return FIndexName; }
  void SetIndexName(std::u16string value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value);
  bool Exclusive() const { return FExclusive; }
  void SetExclusive(bool value);
  TVxbFlushMode FlushMode() const { return FFlushMode; }
  void SetFlushMode(TVxbFlushMode value) { FFlushMode = value; }
  TVxbTableOpenMode OpenMode() const { return FOpenMode; }
  void SetOpenMode(TVxbTableOpenMode value) { FOpenMode = value; }
  // The table's key.
  const std::u16string& Password() const { return FPassword; }
  void SetPassword(std::u16string value) { FPassword = std::move(value); }
  // What the open table reports.
  const std::u16string& Collation() const { return FCollation; }
  api::TVxbEncryptionMethod EncryptionMethod() const { return FEncryptionMethod; }
  int32_t Capacity() const { return FCapacity; }
  api::TVxbRltnHdl RltnHdl() const { return FRltnHdl; }
  framework::TIndexDefs& IndexDefs() { return FIndexDefs; }
  const std::vector<TVxbCheckConstraint>& CheckConstraints() const { return FCheckConstraints; }
  // The names of the table's indexes.
  std::vector<std::u16string> GetIndexNames();

  // "6.1.8/" and the engine's version as three digits.
  static std::u16string Version();

  // ---- Index selection and key search (table_keys.cpp, table_locate.cpp) ----
  //
  // The records are in the order of IndexName, or of IndexFieldNames (the
  // index serving those fields, ";"-separated); at most one of the two is
  // set, setting one clears the other, and switching while open keeps the
  // current record current. Key searches work on the key fields of the
  // active index: three key buffers hold the search key (SetKey/EditKey),
  // the start (SetRangeStart/EditRangeStart) and the end of a range
  // (SetRangeEnd/EditRangeEnd); in the key-editing state field assignments
  // write into the buffer chosen, and Post (or any move) leaves the state
  // keeping what was written, Cancel leaves it restoring what the buffer
  // held before. Every engine failure raises through the error check with
  // the action text of the search.
  const std::u16string& IndexFieldNames() const { return FIndexFieldNames; }
  void SetIndexFieldNames(std::u16string value);
  // Enter the key-editing state on the search key; SetKey clears it first.
  void SetKey();
  void EditKey();
  void SetRangeStart();
  void EditRangeStart();
  void SetRangeEnd();
  void EditRangeEnd();
  // Exact search on IndexName with the whole search key: true and on the
  // record found, or false with the dataset where it was.
  bool GotoKey();
  // The first visible record whose key is not smaller than the search key,
  // or the last record when there is none.
  void GotoNearest();
  // Puts `values` into the first key fields of the search key, then searches
  // exactly on as many key fields as values (FindKey) or nearest on all
  // (FindNearest).
  bool FindKey(std::span<const framework::TVariant> values);
  void FindNearest(std::span<const framework::TVariant> values);
  // Restricts the records to those whose key lies between `startValues` and
  // `endValues` (on as many key fields as values on each side), then moves
  // to the first of them.
  void SetRange(std::span<const framework::TVariant> startValues, std::span<const framework::TVariant> endValues);
  // Restricts the records to the range held in the range buffers, on all key
  // fields; CancelRange shows every record again.
  void ApplyRange();
  void CancelRange();
  // The first record in the current order whose `keyFields` (";"-separated)
  // have `keyValues` (one per field), with case ignored and/or values taken
  // as prefixes of text fields as `options` say; Locate moves there, Lookup
  // gives the values of `resultFields` of that record (empty when none) and
  // leaves the dataset's buffers as they were.
  bool Locate(std::u16string_view keyFields, std::span<const framework::TVariant> keyValues,
              framework::TLocateOptions options) override;
  std::vector<framework::TVariant> Lookup(std::u16string_view keyFields,
                                          std::span<const framework::TVariant> keyValues,
                                          std::u16string_view resultFields) override;
  // Leave the key-editing state (see above); otherwise as the framework's.
  void Post() override;
  void Cancel() override;
  // The key fields of the active index, in key order.
  std::vector<framework::TField*> KeyFields();
  // While Lookup reads its result fields: the record found.
  framework::TRecordBuffer GetActiveRecordBuffer() override;
  // ---- end of index selection and key search ----

 protected:
  void OpenCursorHandle() override;
  api::TVxbRltnHdl CursorRltnHdl() const override { return FRltnHdl; }
  framework::TRecordBuffer CurrentKeyBuffer() override;
  void InternalOpen() override;
  void InternalClose() override;

 private:
  void OpenRelation();
  void ReadTableInfo();
  void UpdateIndexDefs();
  void ReadCheckConstraints();
  void SelectIndex();

  std::u16string FTableName;
  api::TVxbEncryptionMethod FEncryptionMethod = api::temNone;
  std::u16string FPassword;
  api::TVxbRltnHdl FRltnHdl = 0;
  bool FReadOnly = false;
  bool FExclusive = false;
  std::u16string FIndexName;
  framework::TIndexDefs FIndexDefs;
  std::vector<TVxbCheckConstraint> FCheckConstraints;
  std::u16string FCollation;
  int32_t FCapacity = 10000000;
  TVxbFlushMode FFlushMode = TVxbFlushMode::tfmDefault;
  TVxbTableOpenMode FOpenMode = TVxbTableOpenMode::tomDefault;
  std::array<framework::TRecordBufferPtr, 3> FKeyBuffers;
  int FCurrentKeyIndex = 0;

  // ---- Index selection and key search ----
  void SelectIndexFieldNames();
  // The names of the key fields of the active index.
  std::vector<std::u16string> KeyFieldNames();
  void EnterKeyState(int keyIndex, bool clear);
  void LeaveKeyState(bool keep);
  // Writes `values` into the first key fields of key buffer `keyIndex`.
  void FillKeyBuffer(int keyIndex, std::span<const framework::TVariant> values);
  // The nearest or exact key search on key buffer 0 over `itemCount` key
  // fields; the record number found, 0 when none.
  int32_t SearchKey(int16_t itemCount, bool exact);
  // Stands on the cursor's record, the buffers re-read around it.
  void StandOnCursorRecord();
  void InstallRange(int16_t startCount, int16_t endCount);
  // The record number of the first record satisfying the locate condition,
  // 0 when none; the cursor stands on it.
  int32_t LocateRecord(std::u16string_view keyFields, std::span<const framework::TVariant> keyValues,
                       framework::TLocateOptions options);
  std::u16string FIndexFieldNames;
  // What the key buffer being edited held when the key-editing state began.
  framework::TRecordBufferPtr FSavedKeyBuffer;
  // The record Lookup found, while its result fields are read.
  framework::TRecordBuffer FLookupBuffer = nullptr;
};

}  // namespace vexilo::dataset
