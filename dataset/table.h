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
#include <string>
#include <string_view>
#include <vector>

#include "dataset/dataset.h"
#include "framework/core/index_defs.h"

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
};

}  // namespace vexilo::dataset
