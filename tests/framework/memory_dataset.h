// TMemoryDataSet: a dataset over rows kept in a std::vector, for tests of the
// dataset framework and of controls bound to it. It implements the whole
// record protocol (cursor, record buffers, bookmarks, editing, blob streams,
// OnFilterRecord) and counts what it does: the records it reads into buffers
// and the editing steps it is asked for.
//
// Columns are chosen at construction (by default NUMBER integer, NAME wide
// string of 40 characters and NOTE wide memo). A row holds per column the
// field's native value bytes (see the field classes), or the content bytes of
// a blob column, or nothing for null.
//
// Record buffer layout (offsets from the start of the buffer):
//   for each column: 1 byte "has a value", then the field's DataSize bytes
//                    (none for blob columns: their contents are kept per
//                    buffer beside it)
//   calculated fields: CalcFieldsSize bytes (1 byte "has a value" + value each)
//   4 bytes: the row's id (the bookmark), 1 byte: the bookmark flag
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/core/dataset.h"

namespace vexilo::framework::testing {

struct TMemoryColumn {
  std::u16string Name;
  TFieldType Type;
  int32_t Size = 0;
  bool Required = false;
};

using TMemoryValue = std::optional<std::vector<std::byte>>;
using TMemoryRow = std::vector<TMemoryValue>;

class TMemoryDataSet : public TDataSet {
 public:
  // NUMBER (ftInteger), NAME (ftWideString, 40), NOTE (ftWideMemo).
  static std::vector<TMemoryColumn> StandardColumns();
  static TMemoryRow StandardRow(std::optional<int32_t> number, std::optional<std::u16string> name,
                                std::optional<std::u16string> note = std::nullopt);
  // `count` standard rows: NUMBER i, NAME "Row i", no NOTE, for i from 1.
  static std::vector<TMemoryRow> NumberedRows(int count);

  explicit TMemoryDataSet(std::vector<TMemoryRow> rows = {});
  TMemoryDataSet(std::vector<TMemoryColumn> columns, std::vector<TMemoryRow> rows);
  ~TMemoryDataSet() override;

  int RowCount() const { return static_cast<int>(FRows.size()); }
  const TMemoryRow& Row(int index) const { return FRows.at(static_cast<size_t>(index)).Values; }
  // The standard columns of row `index`.
  std::optional<int32_t> RowNumber(int index) const;
  std::optional<std::u16string> RowName(int index) const;
  std::optional<std::u16string> RowNote(int index) const;
  // Removes a row behind the dataset's back, as another user would.
  void RemoveRowDirectly(int index);

  // Records read into record buffers since construction or ResetCounters.
  int64_t ReadCount() const { return FReadCount; }
  // The editing and positioning steps asked for, in order ("InternalEdit",
  // "InternalPost(edit)", "InternalPost(insert)", "InternalCancel", ...).
  const std::vector<std::string>& Calls() const { return FCalls; }
  void ResetCounters();

  void SetReadOnly(bool value) { FReadOnly = value; }
  // Makes the next InternalPost fail this many times with an EDatabaseError.
  void FailNextPosts(int count) { FFailPosts = count; }

  std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode) override;
  bool GetFieldData(TField& field, std::span<std::byte> buffer) override;
  void SetFieldData(TField& field, std::span<const std::byte> buffer) override;
  bool BookmarkValid(const TBookmark& bookmark) override;
  int CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) override;
  void SetRecNo(int32_t value) override;

 protected:
  TRecordBufferPtr AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBufferPtr& buffer) override;
  int32_t GetRecordSize() override { return FRecordSize; }
  void InternalInitRecord(TRecordBuffer buffer) override;
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode getMode, bool doCheck) override;
  void GetBookmarkData(TRecordBuffer buffer, std::span<std::byte> data) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
  void SetBookmarkData(TRecordBuffer buffer, std::span<const std::byte> data) override;
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) override;
  void InternalGotoBookmark(std::span<const std::byte> bookmark) override;
  void InternalSetToRecord(TRecordBuffer buffer) override;
  void InternalFirst() override;
  void InternalLast() override;
  void InternalInsert() override;
  void InternalEdit() override;
  void InternalPost() override;
  void InternalCancel() override;
  void InternalDelete() override;
  void InternalAddRecord(TRecordBuffer buffer, bool append) override;
  void InternalRefresh() override;
  void InternalOpen() override;
  void InternalClose() override;
  void InternalInitFieldDefs() override;
  bool IsCursorOpen() const override { return FCursorOpen; }
  int32_t GetRecordCount() override;
  int32_t GetRecNo() override;
  bool GetCanModify() override { return !FReadOnly; }
  void ClearCalcFields(TRecordBuffer buffer) override;

 private:
  class TBlobStream;
  struct TStoredRow {
    int32_t Id;
    TMemoryRow Values;
  };

  void LayOutBuffer();
  int32_t ColumnDataSize(const TMemoryColumn& column) const;
  bool IsBlobColumn(size_t column) const;
  void ReadRow(size_t index, TRecordBuffer buffer);
  TMemoryRow BufferToRow(TRecordBuffer buffer);
  int32_t BufferId(TRecordBuffer buffer) const;
  // The position of the row with `id`, or -1.
  int IndexOfId(int32_t id) const;
  void Reindex();
  int InsertPosition(TRecordBuffer buffer) const;
  void StoreRow(int position, TMemoryRow values);
  std::vector<TMemoryValue>& BlobsOf(TRecordBuffer buffer);

  std::vector<TMemoryColumn> FColumns;
  std::vector<TStoredRow> FRows;
  std::unordered_map<int32_t, int> FIndexOfId;
  int32_t FNextId = 1;
  int FCursor = -1;  // -1: before the first row; FRows.size(): after the last
  bool FCursorOpen = false;
  bool FReadOnly = false;
  int FFailPosts = 0;
  std::vector<int32_t> FColumnOffsets;
  int32_t FCalcOffset = 0;
  int32_t FInfoOffset = 0;
  int32_t FRecordSize = 0;
  std::map<const std::byte*, std::vector<TMemoryValue>> FBlobs;
  int64_t FReadCount = 0;
  std::vector<std::string> FCalls;
};

}  // namespace vexilo::framework::testing
