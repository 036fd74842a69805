#include "tests/framework/memory_dataset.h"

#include <algorithm>
#include <cstring>

#include "framework/core/blob_fields.h"
#include "framework/core/database_error.h"
#include "framework/core/db_consts.h"

namespace vexilo::framework::testing {
namespace {

constexpr int32_t kNameSize = 40;

std::vector<std::byte> TextBytes(std::u16string_view text, size_t size) {
  std::vector<std::byte> bytes(std::max(size, text.size() * 2));
  std::memcpy(bytes.data(), text.data(), text.size() * 2);
  return bytes;
}

std::u16string BytesText(const std::vector<std::byte>& bytes) {
  std::u16string text(bytes.size() / 2, u'\0');
  std::memcpy(text.data(), bytes.data(), text.size() * 2);
  const size_t end = text.find(u'\0');
  if (end != std::u16string::npos) text.resize(end);
  return text;
}

bool IsEditing(TDataSetState state) {
  return state == TDataSetState::dsEdit || state == TDataSetState::dsInsert;
}

}  // namespace

// A blob stream over one blob column of one record buffer. Reading streams
// see the content as it was when created; a writing stream starts empty and
// hands its content back to the buffer when destroyed.
class TMemoryDataSet::TBlobStream : public TMemoryStream {
 public:
  TBlobStream(TMemoryDataSet& dataSet, TField& field, TRecordBuffer buffer, TBlobStreamMode mode,
              std::vector<std::byte> content)
      : TMemoryStream(std::move(content)),
        FDataSet(dataSet),
        FField(field),
        FBuffer(buffer),
        FReadOnly(mode == TBlobStreamMode::bmRead),
        FModified(mode == TBlobStreamMode::bmWrite) {}

  ~TBlobStream() override {
    if (!FModified || FBuffer == nullptr) return;
    try {
      auto& blobs = FDataSet.BlobsOf(FBuffer);
      const size_t column = static_cast<size_t>(FField.FieldNo() - 1);
      if (Bytes().empty()) {
        blobs.at(column).reset();
      } else {
        blobs.at(column) = Bytes();
      }
      if (auto* blobField = dynamic_cast<TBlobField*>(&FField)) blobField->SetModified(true);
      FDataSet.DataEvent(TDataEvent::deFieldChange, TDataEventInfo{.Field = &FField});
    } catch (...) {
      FDataSet.InternalHandleException();
    }
  }

  int64_t Write(const void* buffer, int64_t count) override {
    if (FReadOnly) throw EStreamError("Stream write error");
    FModified = true;
    return TMemoryStream::Write(buffer, count);
  }

  void SetSize(int64_t size) override {
    if (FReadOnly) throw EStreamError("Stream write error");
    FModified = true;
    TMemoryStream::SetSize(size);
  }

 private:
  TMemoryDataSet& FDataSet;
  TField& FField;
  TRecordBuffer FBuffer;
  bool FReadOnly;
  bool FModified;
};

// ---- Rows ----

std::vector<TMemoryColumn> TMemoryDataSet::StandardColumns() {
  return {{u"NUMBER", TFieldType::ftInteger},
          {u"NAME", TFieldType::ftWideString, kNameSize},
          {u"NOTE", TFieldType::ftWideMemo}};
}

TMemoryRow TMemoryDataSet::StandardRow(std::optional<int32_t> number, std::optional<std::u16string> name,
                                       std::optional<std::u16string> note) {
  TMemoryRow row(3);
  if (number) {
    row[0] = std::vector<std::byte>(4);
    std::memcpy(row[0]->data(), &*number, 4);
  }
  if (name) row[1] = TextBytes(name->substr(0, kNameSize), (kNameSize + 1) * 2);
  if (note && !note->empty()) row[2] = TextBytes(*note, 0);
  return row;
}

std::vector<TMemoryRow> TMemoryDataSet::NumberedRows(int count) {
  std::vector<TMemoryRow> rows;
  rows.reserve(static_cast<size_t>(count));
  for (int i = 1; i <= count; ++i) {
    const std::string name = "Row " + std::to_string(i);
    rows.push_back(StandardRow(i, std::u16string(name.begin(), name.end())));
  }
  return rows;
}

TMemoryDataSet::TMemoryDataSet(std::vector<TMemoryRow> rows) : TMemoryDataSet(StandardColumns(), std::move(rows)) {}

TMemoryDataSet::TMemoryDataSet(std::vector<TMemoryColumn> columns, std::vector<TMemoryRow> rows)
    : FColumns(std::move(columns)) {
  SetName(u"MemoryDataSet");
  FRows.reserve(rows.size());
  for (auto& row : rows) {
    row.resize(FColumns.size());
    FRows.push_back(TStoredRow{FNextId++, std::move(row)});
  }
  Reindex();
}

TMemoryDataSet::~TMemoryDataSet() { Destroying(); }

std::optional<int32_t> TMemoryDataSet::RowNumber(int index) const {
  const TMemoryValue& value = Row(index).at(0);
  if (!value) return std::nullopt;
  int32_t number = 0;
  std::memcpy(&number, value->data(), 4);
  return number;
}

std::optional<std::u16string> TMemoryDataSet::RowName(int index) const {
  const TMemoryValue& value = Row(index).at(1);
  return value ? std::optional<std::u16string>(BytesText(*value)) : std::nullopt;
}

std::optional<std::u16string> TMemoryDataSet::RowNote(int index) const {
  const TMemoryValue& value = Row(index).at(2);
  return value ? std::optional<std::u16string>(BytesText(*value)) : std::nullopt;
}

void TMemoryDataSet::RemoveRowDirectly(int index) {
  FRows.erase(FRows.begin() + index);
  Reindex();
  if (FCursor > index) --FCursor;
}

void TMemoryDataSet::ResetCounters() {
  FReadCount = 0;
  FCalls.clear();
}

void TMemoryDataSet::Reindex() {
  FIndexOfId.clear();
  FIndexOfId.reserve(FRows.size());
  for (size_t i = 0; i < FRows.size(); ++i) FIndexOfId[FRows[i].Id] = static_cast<int>(i);
}

int TMemoryDataSet::IndexOfId(int32_t id) const {
  auto it = FIndexOfId.find(id);
  return it == FIndexOfId.end() ? -1 : it->second;
}

// ---- Record buffers ----

int32_t TMemoryDataSet::ColumnDataSize(const TMemoryColumn& column) const {
  if (IsBlobType(column.Type)) return 0;
  std::unique_ptr<TField> field = const_cast<TMemoryDataSet*>(this)->GetFieldClass(column.Type)();
  if (column.Size > 0) field->SetSize(column.Size);
  return field->DataSize();
}

bool TMemoryDataSet::IsBlobColumn(size_t column) const { return IsBlobType(FColumns[column].Type); }

void TMemoryDataSet::LayOutBuffer() {
  FColumnOffsets.clear();
  int32_t offset = 0;
  for (const TMemoryColumn& column : FColumns) {
    FColumnOffsets.push_back(offset);
    offset += 1 + ColumnDataSize(column);
  }
  FCalcOffset = offset;
  FInfoOffset = FCalcOffset + CalcFieldsSize();
  FRecordSize = FInfoOffset + 5;
}

TRecordBufferPtr TMemoryDataSet::AllocRecordBuffer() {
  TRecordBufferPtr buffer = TDataSet::AllocRecordBuffer();
  BlobsOf(buffer.get());
  return buffer;
}

void TMemoryDataSet::FreeRecordBuffer(TRecordBufferPtr& buffer) {
  FBlobs.erase(buffer.get());
  TDataSet::FreeRecordBuffer(buffer);
}

std::vector<TMemoryValue>& TMemoryDataSet::BlobsOf(TRecordBuffer buffer) {
  auto& blobs = FBlobs[buffer];
  blobs.resize(FColumns.size());
  return blobs;
}

void TMemoryDataSet::InternalInitRecord(TRecordBuffer buffer) {
  std::fill_n(buffer, static_cast<size_t>(FRecordSize), std::byte{0});
  for (auto& blob : BlobsOf(buffer)) blob.reset();
}

void TMemoryDataSet::ClearCalcFields(TRecordBuffer buffer) {
  std::fill_n(buffer + FCalcOffset, static_cast<size_t>(CalcFieldsSize()), std::byte{0});
}

void TMemoryDataSet::ReadRow(size_t index, TRecordBuffer buffer) {
  const TStoredRow& row = FRows[index];
  auto& blobs = BlobsOf(buffer);
  for (size_t c = 0; c < FColumns.size(); ++c) {
    const TMemoryValue& value = row.Values[c];
    std::byte* field = buffer + FColumnOffsets[c];
    if (IsBlobColumn(c)) {
      blobs[c] = value;
      continue;
    }
    const size_t size = static_cast<size_t>(ColumnDataSize(FColumns[c]));
    std::fill_n(field, size + 1, std::byte{0});
    if (value) {
      field[0] = std::byte{1};
      std::memcpy(field + 1, value->data(), std::min(size, value->size()));
    }
  }
  std::memcpy(buffer + FInfoOffset, &row.Id, 4);
  SetBookmarkFlag(buffer, TBookmarkFlag::bfCurrent);
  ++FReadCount;
  GetCalcFields(buffer);
}

TMemoryRow TMemoryDataSet::BufferToRow(TRecordBuffer buffer) {
  TMemoryRow row(FColumns.size());
  auto& blobs = BlobsOf(buffer);
  for (size_t c = 0; c < FColumns.size(); ++c) {
    if (IsBlobColumn(c)) {
      row[c] = blobs[c];
      continue;
    }
    const std::byte* field = buffer + FColumnOffsets[c];
    if (field[0] != std::byte{0}) row[c] = std::vector<std::byte>(field + 1, field + 1 + ColumnDataSize(FColumns[c]));
  }
  return row;
}

int32_t TMemoryDataSet::BufferId(TRecordBuffer buffer) const {
  int32_t id = 0;
  std::memcpy(&id, buffer + FInfoOffset, 4);
  return id;
}

TGetResult TMemoryDataSet::GetRecord(TRecordBuffer buffer, TGetMode getMode, bool) {
  const int count = RowCount();
  for (;;) {
    switch (getMode) {
      case TGetMode::gmCurrent:
        if (FCursor < 0) return TGetResult::grBOF;
        if (FCursor >= count) return TGetResult::grEOF;
        break;
      case TGetMode::gmNext:
        if (FCursor < count) ++FCursor;
        if (FCursor >= count) {
          FCursor = count;
          return TGetResult::grEOF;
        }
        break;
      case TGetMode::gmPrior:
        if (FCursor >= 0) --FCursor;
        if (FCursor < 0) {
          FCursor = -1;
          return TGetResult::grBOF;
        }
        break;
    }
    ReadRow(static_cast<size_t>(FCursor), buffer);
    if (FilterRecordAccepted(buffer)) return TGetResult::grOK;
    if (getMode == TGetMode::gmCurrent) return TGetResult::grError;
  }
}

// ---- Bookmarks and positioning ----

void TMemoryDataSet::GetBookmarkData(TRecordBuffer buffer, std::span<std::byte> data) {
  std::memcpy(data.data(), buffer + FInfoOffset, std::min<size_t>(data.size(), 4));
}

TBookmarkFlag TMemoryDataSet::GetBookmarkFlag(TRecordBuffer buffer) {
  return static_cast<TBookmarkFlag>(buffer[FInfoOffset + 4]);
}

void TMemoryDataSet::SetBookmarkData(TRecordBuffer buffer, std::span<const std::byte> data) {
  std::fill_n(buffer + FInfoOffset, 4, std::byte{0});
  std::memcpy(buffer + FInfoOffset, data.data(), std::min<size_t>(data.size(), 4));
}

void TMemoryDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) {
  buffer[FInfoOffset + 4] = static_cast<std::byte>(value);
}

void TMemoryDataSet::InternalGotoBookmark(std::span<const std::byte> bookmark) {
  FCalls.push_back("InternalGotoBookmark");
  int32_t id = 0;
  std::memcpy(&id, bookmark.data(), std::min<size_t>(bookmark.size(), 4));
  const int index = IndexOfId(id);
  if (index < 0) throw EDatabaseError(dbconsts::SRecordNotFound);
  FCursor = index;
}

void TMemoryDataSet::InternalSetToRecord(TRecordBuffer buffer) {
  const int index = IndexOfId(BufferId(buffer));
  FCursor = index >= 0 ? index : RowCount();
}

bool TMemoryDataSet::BookmarkValid(const TBookmark& bookmark) {
  if (bookmark.size() != 4) return false;
  int32_t id = 0;
  std::memcpy(&id, bookmark.data(), 4);
  return IndexOfId(id) >= 0;
}

int TMemoryDataSet::CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) {
  if (bookmark1.empty() || bookmark2.empty()) return TDataSet::CompareBookmarks(bookmark1, bookmark2);
  int32_t id1 = 0, id2 = 0;
  std::memcpy(&id1, bookmark1.data(), std::min<size_t>(bookmark1.size(), 4));
  std::memcpy(&id2, bookmark2.data(), std::min<size_t>(bookmark2.size(), 4));
  const int position1 = IndexOfId(id1), position2 = IndexOfId(id2);
  const int64_t a = position1 >= 0 ? position1 : id1, b = position2 >= 0 ? position2 : id2;
  return a < b ? -1 : (a > b ? 1 : 0);
}

void TMemoryDataSet::InternalFirst() { FCursor = -1; }

void TMemoryDataSet::InternalLast() { FCursor = RowCount(); }

int32_t TMemoryDataSet::GetRecNo() {
  const TRecordBuffer buffer = ActiveBuffer();
  if (!Active() || IsEmpty() || buffer == nullptr || GetBookmarkFlag(buffer) != TBookmarkFlag::bfCurrent) return -1;
  const int index = IndexOfId(BufferId(buffer));
  return index >= 0 ? index + 1 : -1;
}

void TMemoryDataSet::SetRecNo(int32_t value) {
  CheckBrowseMode();
  if (value < 1 || value > RowCount()) throw EDatabaseError::CreateFmt(u"Record %d not found", {value});
  DoBeforeScroll();
  FCursor = value - 1;
  Resync({.Exact = true, .Center = true});
  DoAfterScroll();
}

int32_t TMemoryDataSet::GetRecordCount() {
  if (!Filtered() || !OnFilterRecord()) return RowCount();
  TRecordBufferPtr buffer = AllocRecordBuffer();
  int32_t count = 0;
  for (size_t i = 0; i < FRows.size(); ++i) {
    ReadRow(i, buffer.get());
    if (FilterRecordAccepted(buffer.get())) ++count;
  }
  FreeRecordBuffer(buffer);
  return count;
}

// ---- Editing ----

int TMemoryDataSet::InsertPosition(TRecordBuffer buffer) const {
  switch (const_cast<TMemoryDataSet*>(this)->GetBookmarkFlag(buffer)) {
    case TBookmarkFlag::bfEOF:
      return RowCount();
    case TBookmarkFlag::bfBOF:
      return 0;
    default: {
      const int index = IndexOfId(BufferId(buffer));
      return index >= 0 ? index : RowCount();
    }
  }
}

void TMemoryDataSet::StoreRow(int position, TMemoryRow values) {
  FRows.insert(FRows.begin() + position, TStoredRow{FNextId++, std::move(values)});
  Reindex();
  FCursor = position;
}

void TMemoryDataSet::InternalInsert() { FCalls.push_back("InternalInsert"); }

void TMemoryDataSet::InternalEdit() { FCalls.push_back("InternalEdit"); }

void TMemoryDataSet::InternalPost() {
  const bool editing = State() == TDataSetState::dsEdit;
  FCalls.push_back(editing ? "InternalPost(edit)" : "InternalPost(insert)");
  if (FFailPosts > 0) {
    --FFailPosts;
    throw EDatabaseError(u"Post failed");
  }
  const TRecordBuffer buffer = ActiveBuffer();
  if (editing) {
    const int index = IndexOfId(BufferId(buffer));
    if (index < 0) throw EDatabaseError(dbconsts::SRecordNotFound);
    FRows[static_cast<size_t>(index)].Values = BufferToRow(buffer);
    FCursor = index;
  } else {
    StoreRow(InsertPosition(buffer), BufferToRow(buffer));
  }
}

void TMemoryDataSet::InternalCancel() { FCalls.push_back("InternalCancel"); }

void TMemoryDataSet::InternalDelete() {
  FCalls.push_back("InternalDelete");
  if (FReadOnly) throw EDatabaseError(dbconsts::SDataSetReadOnly);
  const int index = IndexOfId(BufferId(ActiveBuffer()));
  if (index < 0) throw EDatabaseError(dbconsts::SRecordNotFound);
  FRows.erase(FRows.begin() + index);
  Reindex();
  FCursor = index;
}

void TMemoryDataSet::InternalAddRecord(TRecordBuffer buffer, bool append) {
  FCalls.push_back(append ? "InternalAddRecord(append)" : "InternalAddRecord(insert)");
  const int position = append ? RowCount() : std::clamp(FCursor, 0, RowCount());
  StoreRow(position, BufferToRow(buffer));
}

void TMemoryDataSet::InternalRefresh() { FCalls.push_back("InternalRefresh"); }

// ---- Opening and closing ----

void TMemoryDataSet::InternalOpen() {
  FCalls.push_back("InternalOpen");
  FCursorOpen = true;
  FieldDefs().SetUpdated(false);
  FieldDefs().Update();
  if (DefaultFields()) CreateFields();
  BindFields(true);
  SetBookmarkSize(4);
  LayOutBuffer();
  FCursor = -1;
}

void TMemoryDataSet::InternalClose() {
  FCalls.push_back("InternalClose");
  FCursorOpen = false;
  FBlobs.clear();
}

void TMemoryDataSet::InternalInitFieldDefs() {
  FieldDefs().Clear();
  for (const TMemoryColumn& column : FColumns) FieldDefs().Add(column.Name, column.Type, column.Size, column.Required);
}

// ---- Field values ----

bool TMemoryDataSet::GetFieldData(TField& field, std::span<std::byte> out) {
  const TRecordBuffer buffer = GetActiveRecordBuffer();
  if (buffer == nullptr) return false;
  const std::byte* value = nullptr;
  size_t size = 0;
  if (field.FieldNo() < 1) {
    if (field.FieldKind() != TFieldKind::fkCalculated) return false;
    value = buffer + FCalcOffset + field.Offset();
    size = static_cast<size_t>(field.DataSize());
  } else {
    const size_t column = static_cast<size_t>(field.FieldNo() - 1);
    if (column >= FColumns.size()) return false;
    if (IsBlobColumn(column)) {
      const TMemoryValue& blob = BlobsOf(buffer)[column];
      return blob && !blob->empty();
    }
    value = buffer + FColumnOffsets[column];
    size = static_cast<size_t>(ColumnDataSize(FColumns[column]));
  }
  const bool present = value[0] != std::byte{0};
  if (present && !out.empty()) std::memcpy(out.data(), value + 1, std::min(size, out.size()));
  return present;
}

void TMemoryDataSet::SetFieldData(TField& field, std::span<const std::byte> in) {
  const TDataSetState state = State();
  switch (state) {
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert:
    case TDataSetState::dsSetKey:
    case TDataSetState::dsCalcFields:
    case TDataSetState::dsFilter:
    case TDataSetState::dsNewValue:
    case TDataSetState::dsInternalCalc:
      break;
    default:
      throw EDatabaseError(dbconsts::SNotEditing);
  }
  const TRecordBuffer buffer = GetActiveRecordBuffer();
  if (buffer == nullptr) throw EDatabaseError(dbconsts::SNotEditing);
  std::byte* value = nullptr;
  size_t size = 0;
  if (field.FieldNo() < 1) {
    value = buffer + FCalcOffset + field.Offset();
    size = static_cast<size_t>(field.DataSize());
  } else {
    if (state == TDataSetState::dsCalcFields) throw EDatabaseError(dbconsts::SNotEditing);
    if (field.ReadOnly() && state != TDataSetState::dsSetKey && state != TDataSetState::dsFilter) {
      throw EDatabaseError::CreateFmt(dbconsts::SFieldReadOnly, {field.DisplayName()});
    }
    field.Validate(in);
    const size_t column = static_cast<size_t>(field.FieldNo() - 1);
    if (IsBlobColumn(column)) {
      auto& blob = BlobsOf(buffer)[column];
      if (in.empty()) {
        blob.reset();
      } else {
        blob = std::vector<std::byte>(in.begin(), in.end());
      }
    } else {
      value = buffer + FColumnOffsets[column];
      size = static_cast<size_t>(ColumnDataSize(FColumns[column]));
    }
  }
  if (value != nullptr) {
    std::fill_n(value, size + 1, std::byte{0});
    if (!in.empty()) {
      value[0] = std::byte{1};
      std::memcpy(value + 1, in.data(), std::min(size, in.size()));
    }
  }
  if (state != TDataSetState::dsCalcFields && state != TDataSetState::dsFilter &&
      state != TDataSetState::dsNewValue) {
    DataEvent(TDataEvent::deFieldChange, TDataEventInfo{.Field = &field});
  }
}

std::unique_ptr<TStream> TMemoryDataSet::CreateBlobStream(TField& field, TBlobStreamMode mode) {
  if (mode != TBlobStreamMode::bmRead) {
    if (!IsEditing(State())) throw EDatabaseError(dbconsts::SNotEditing);
    if (field.ReadOnly()) throw EDatabaseError::CreateFmt(dbconsts::SFieldReadOnly, {field.DisplayName()});
  }
  const TRecordBuffer buffer = GetActiveRecordBuffer();
  std::vector<std::byte> content;
  if (buffer != nullptr && mode != TBlobStreamMode::bmWrite && field.FieldNo() >= 1) {
    const TMemoryValue& blob = BlobsOf(buffer).at(static_cast<size_t>(field.FieldNo() - 1));
    if (blob) content = *blob;
  }
  return std::make_unique<TBlobStream>(*this, field, buffer, mode, std::move(content));
}

}  // namespace vexilo::framework::testing
