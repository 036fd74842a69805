// TVxbDataSet: the editing steps (insert, edit, post, cancel, delete, add
// record), writing field values into the record buffer, and the blob cache
// entries that memo streams read and fill. Each step is one or a few cursor
// calls; a failed call raises through the error check with the step's action
// text, and the framework's state is left as it was, so that the user can
// correct or cancel.
#include <cstring>
#include <filesystem>
#include <fstream>

#include "dataset/action_texts.h"
#include "dataset/blob_stream.h"
#include "dataset/database.h"
#include "dataset/dataset.h"
#include "dataset/record_values.h"
#include "engine/api/calls/table_calls.h"
#include "engine/types/code_page.h"
#include "framework/core/abort.h"
#include "framework/core/blob_fields.h"
#include "framework/core/database_error.h"
#include "framework/core/db_consts.h"
#include "fs/text.h"

namespace vexilo::dataset {
namespace {

using framework::TBookmarkFlag;
using framework::TDataSetState;
using framework::TGetMode;
using framework::TRecordBuffer;

constexpr int32_t kNoRecordThere = -11;
constexpr int16_t kColumnTypeMemo = 7;
constexpr int16_t kColumnTypeBlob = 11;
constexpr int16_t kColumnTypeWideMemo = 19;
// Twice the highest blob format: a linked blob's header is below it.
constexpr int16_t kHighestBlobHeader = 2 * static_cast<int16_t>(TVxbBlobFormat::tbfPNG);

constexpr char16_t kRecordDeleted[] = u"This record has been deleted";
constexpr char16_t kWideMemoOdd[] = u"Wide memo \"%s\" is invalid, must have even number of bytes.";
constexpr char16_t kLinkedBlobMissing[] = u"Linked blob file \"%s\" does not exist.";
constexpr char16_t kInvalidEnumValue[] = u"'%s' is not a valid enumeration value for this field";
constexpr char16_t kInvalidLinkEntry[] = u"\"%s\" is no valid entry for field \"%s\"";
constexpr char16_t kInvalidFieldValue[] = u"Invalid value for field '%s'";

uint8_t* RecordBytes(TRecordBuffer buffer) { return reinterpret_cast<uint8_t*>(buffer); }

// States in which a field value may be written into a record buffer.
bool WritesFieldValues(TDataSetState state) {
  switch (state) {
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert:
    case TDataSetState::dsSetKey:
    case TDataSetState::dsCalcFields:
    case TDataSetState::dsFilter:
    case TDataSetState::dsNewValue:
    case TDataSetState::dsInternalCalc:
      return true;
    default:
      return false;
  }
}

// The text of a native wide-string value, for messages.
std::u16string NativeWideText(std::span<const std::byte> native) {
  std::u16string text(native.size() / 2, u'\0');
  if (!text.empty()) std::memcpy(text.data(), native.data(), text.size() * 2);
  text.resize(std::min(text.find(u'\0'), text.size()));
  return text;
}

}  // namespace

// ---- Starting a record ----

void TVxbDataSet::InternalInsert() {
  TRecordBuffer buffer = ActiveBuffer();
  // Insert keeps the record it started from in the new buffer's bookmark;
  // cancelling goes back there.
  FInsertBaseRecNo = GetBookmarkFlag(buffer) == TBookmarkFlag::bfInserted ? BufferRecNo(buffer) : 0;
  const std::u16string action = framework::FormatErrorMessage(kActionInsertingRecord, {Name()});
  Check(action, api::VxbTableAppend(FTableHdl));
  // The engine's new record: its defaults and the null state of each column.
  Check(action, api::VxbTableGetRecord(FTableHdl, RecordBytes(buffer), FRecordSize));
  SetSequenceNo(buffer, 0);
  SetBufferRecNo(buffer, 0);
  SetBufferDeleted(buffer, false);
  GetCalcFields(buffer);
}

void TVxbDataSet::CheckNotDeleted(TRecordBuffer buffer) {
  if (BufferDeleted(buffer)) throw framework::EDatabaseError(kRecordDeleted);
}

void TVxbDataSet::StandOnBufferRecord(TRecordBuffer buffer, std::u16string_view action) {
  CheckNotDeleted(buffer);
  // What other users changed is taken in first: a deletion they made flags
  // the buffer now, and its record number may already name the record that
  // moved into its place.
  api::VxbTableRefresh(FTableHdl, true);
  CheckNotDeleted(buffer);
  const int32_t result = api::VxbTableSetRecNo(FTableHdl, BufferRecNo(buffer));
  CheckNotDeleted(buffer);
  if (result != BufferRecNo(buffer)) Check(action, result < 0 ? result : kNoRecordThere);
  FOutOfTableState = TOutOfTableState::ootNone;
}

void TVxbDataSet::InternalEdit() {
  TRecordBuffer buffer = ActiveBuffer();
  StandOnBufferRecord(buffer, kActionEnteringRecord);
  // The cursor locks the record for this session until post or cancel.
  Check(kActionEnteringRecord, api::VxbTableEdit(FTableHdl));
  // Editing starts from the stored state, with what other users changed.
  GetRecord(buffer, TGetMode::gmCurrent, true);
  DropBlobCache(buffer);
}

// ---- Storing ----

void TVxbDataSet::WriteRecord(TRecordBuffer buffer, std::u16string_view action) {
  TVxbBlobCache* cache = BlobCache(buffer, false);
  // Every content is checked before anything is sent, so that a refused one
  // leaves the cursor's edit record as it was.
  if (cache != nullptr) {
    for (const auto& [fieldNo, entry] : *cache) {
      if (!entry.Modified) continue;
      const TVxbFieldDef& def = FFieldDefsVxb.at(static_cast<size_t>(fieldNo - 1));
      if (api::VxbTableGetDataType(FTableHdl, def.FieldNo) == kColumnTypeWideMemo && entry.Content.size() % 2 != 0) {
        throw framework::EDatabaseError::CreateFmt(kWideMemoOdd, {def.Name});
      }
    }
  }
  Check(action, api::VxbTableSetRecord(FTableHdl, RecordBytes(buffer), FRecordSize));
  if (cache == nullptr) return;
  for (const auto& [fieldNo, entry] : *cache) {
    if (!entry.Modified) continue;
    const int16_t type = api::VxbTableGetDataType(FTableHdl, static_cast<int16_t>(fieldNo));
    if (type != kColumnTypeMemo && type != kColumnTypeBlob && type != kColumnTypeWideMemo) continue;
    // The whole content goes in one call; unchanged contents stay as stored.
    Check(kActionWritingBlob, api::VxbTableSetBlob(FTableHdl, static_cast<int16_t>(fieldNo), entry.Content.data(),
                                                   static_cast<int32_t>(entry.Content.size())));
  }
}

void TVxbDataSet::InternalPost() {
  TRecordBuffer buffer = ActiveBuffer();
  CheckRequiredTexts();
  if (State() == TDataSetState::dsInsert) {
    const std::u16string action = framework::FormatErrorMessage(kActionAppendingRecord, {Name()});
    WriteRecord(buffer, action);
    Check(action, api::VxbTableAppendConfirm(FTableHdl));
  } else {
    const std::u16string action = framework::FormatErrorMessage(kActionWritingRecord, {Name()});
    if (api::VxbTableGetRecNo(FTableHdl) != BufferRecNo(buffer)) {
      Check(action, api::VxbTableSetRecNo(FTableHdl, BufferRecNo(buffer)));
    }
    WriteRecord(buffer, action);
    Check(action, api::VxbTableEditConfirm(FTableHdl));
  }
  DropBlobCache(buffer);
  ForgetFilteredRecordCount();
  FOutOfTableState = TOutOfTableState::ootNone;
}

void TVxbDataSet::InternalAddRecord(TRecordBuffer buffer, bool) {
  Check(kActionAddingRecord, api::VxbTableAppend(FTableHdl));
  // The buffer was filled without the engine's new record: its record id is
  // the engine's.
  const int32_t autoNo = api::VxbTableGetAutoNo(FTableHdl);
  WriteRecord(buffer, kActionAddingRecord);
  api::VxbTableSetAutoNo(FTableHdl, autoNo);
  Check(kActionAddingRecord, api::VxbTableAppendConfirm(FTableHdl));
  DropBlobCache(buffer);
  ForgetFilteredRecordCount();
  FOutOfTableState = TOutOfTableState::ootNone;
}

void TVxbDataSet::CheckRequiredTexts() {
  // A column that does not take null has no null state in the record: its
  // empty text is what a value never given looks like.
  for (const auto& field : Fields()) {
    if (!field->Required() || field->ReadOnly() || field->FieldKind() != framework::TFieldKind::fkData ||
        field->FieldNo() < 1) {
      continue;
    }
    const TVxbDataType type = FieldDefOf(*field).DataType;
    if ((type == TVxbDataType::dtString || type == TVxbDataType::dtWideString) && field->AsString().empty()) {
      field->FocusControl();
      throw framework::EDatabaseError::CreateFmt(framework::dbconsts::SFieldRequired, {field->DisplayName()});
    }
  }
}

// ---- Giving up ----

void TVxbDataSet::InternalCancel() {
  if (State() == TDataSetState::dsEdit) {
    Check(kActionCancellingRecord, api::VxbTableEditCancel(FTableHdl));
    return;
  }
  if (State() != TDataSetState::dsInsert) return;
  TRecordBuffer buffer = ActiveBuffer();
  Check(kActionCancellingInsertedRecord, api::VxbTableSetRecord(FTableHdl, RecordBytes(buffer), FRecordSize));
  Check(kActionCancellingInsertedRecord, api::VxbTableAppendCancel(FTableHdl));
  FOutOfTableState = TOutOfTableState::ootNone;
  const int32_t base = FInsertBaseRecNo;
  FInsertBaseRecNo = 0;
  if (base > 0 && api::VxbTableSetRecNo(FTableHdl, base) == base) return;
  if (api::VxbTableLast(FTableHdl) < 0) FOutOfTableState = TOutOfTableState::ootEOT;
}

void TVxbDataSet::InternalDelete() {
  if (!FCanModify) throw framework::EDatabaseError(framework::dbconsts::SDataSetReadOnly);
  TRecordBuffer buffer = ActiveBuffer();
  StandOnBufferRecord(buffer, kActionDeletingRecord);
  if (State() == TDataSetState::dsEdit) api::VxbTableEditCancel(FTableHdl);
  Check(kActionDeletingRecord, api::VxbTableDeleteRecord(FTableHdl));
  ForgetFilteredRecordCount();
  if (api::VxbTableGetRowCount(FTableHdl) == 0) FOutOfTableState = TOutOfTableState::ootEOT;
}

void TVxbDataSet::EndKeyEditing() {
  if (State() != TDataSetState::dsSetKey) return;
  DataEvent(framework::TDataEvent::deCheckBrowseMode);
  SetState(TDataSetState::dsBrowse);
  DataEvent(framework::TDataEvent::deDataSetChange);
}

void TVxbDataSet::Post() {
  TDataSet::Post();
  EndKeyEditing();
}

void TVxbDataSet::Cancel() {
  TDataSet::Cancel();
  EndKeyEditing();
}

// ---- Field values ----

const TVxbFieldDef& TVxbDataSet::FieldDefOf(const framework::TField& field) const {
  return FFieldDefsVxb.at(static_cast<size_t>(field.FieldNo() - 1));
}

void TVxbDataSet::SetFieldData(framework::TField& field, std::span<const std::byte> buffer) {
  const TDataSetState state = State();
  TRecordBuffer record = state == TDataSetState::dsSetKey ? CurrentKeyBuffer() : GetActiveRecordBuffer();
  if (record == nullptr || !WritesFieldValues(state)) {
    throw framework::EDatabaseError(framework::dbconsts::SNotEditing);
  }
  if (field.FieldNo() < 1) {
    std::byte* at = record + FRecordSize + field.Offset();
    at[0] = std::byte{buffer.empty() ? uint8_t{0} : uint8_t{1}};
    if (!buffer.empty()) std::memcpy(at + 1, buffer.data(), std::min<size_t>(buffer.size(), field.DataSize()));
  } else {
    try {
      if (state == TDataSetState::dsCalcFields) throw framework::EDatabaseError(framework::dbconsts::SNotEditing);
      if (buffer.empty() && field.Required() && state != TDataSetState::dsSetKey) {
        throw framework::EDatabaseError::CreateFmt(framework::dbconsts::SFieldRequired, {field.DisplayName()});
      }
      if (field.ReadOnly() && state != TDataSetState::dsSetKey && state != TDataSetState::dsFilter) {
        throw framework::EDatabaseError::CreateFmt(framework::dbconsts::SFieldReadOnly, {field.DisplayName()});
      }
      if (state != TDataSetState::dsSetKey) field.Validate(buffer);
      const TVxbFieldDef& def = FieldDefOf(field);
      if (!def.Calculated() && !WriteFieldValue(def, RecordBytes(record), buffer)) {
        switch (def.DataType) {
          case TVxbDataType::dtEnum:
            throw framework::EDatabaseError::CreateFmt(kInvalidEnumValue, {NativeWideText(buffer)});
          case TVxbDataType::dtLink:
            // A link value names its record by its text; the call interface
            // offers no search by that text.
            throw framework::EDatabaseError::CreateFmt(kInvalidLinkEntry,
                                                       {NativeWideText(buffer), field.DisplayName()});
          default:
            throw framework::EDatabaseError::CreateFmt(kInvalidFieldValue, {field.DisplayName()});
        }
      }
    } catch (const std::exception& error) {
      TWriteFieldErrorAction action = TWriteFieldErrorAction::wfeRaise;
      if (OnWriteFieldError) OnWriteFieldError(*this, field, error, action);
      if (action == TWriteFieldErrorAction::wfeRaise) throw;
      if (action == TWriteFieldErrorAction::wfeAbort) framework::Abort();
      return;
    }
  }
  if (state != TDataSetState::dsCalcFields && state != TDataSetState::dsFilter && state != TDataSetState::dsNewValue) {
    DataEvent(framework::TDataEvent::deFieldChange, framework::TDataEventInfo{.Field = &field});
  }
}

// ---- Memo and blob contents ----

TVxbBlobCacheEntry& TVxbDataSet::BlobEntry(TRecordBuffer buffer, const TVxbFieldDef& def, bool load) {
  TVxbBlobCacheEntry& entry = (*BlobCache(buffer, true))[def.FieldNo];
  if (load && !entry.Modified && (!entry.Loaded || !FCacheBlobs)) {
    entry.Content = ReadStoredBlob(buffer, def);
    entry.Loaded = true;
  }
  return entry;
}

std::vector<std::byte> TVxbDataSet::ReadStoredBlob(TRecordBuffer buffer, const TVxbFieldDef& def) {
  // A new record, a record without content and one another user deleted
  // (its number may name another record now) have nothing to read.
  if (!ReadFieldValue(def, RecordBytes(buffer), {}, {}) || GetBookmarkFlag(buffer) != TBookmarkFlag::bfCurrent ||
      BufferDeleted(buffer) || BufferRecNo(buffer) <= 0) {
    return {};
  }
  const int16_t type = api::VxbTableGetDataType(FTableHdl, def.FieldNo);
  const std::u16string_view action = type == kColumnTypeBlob ? kActionReadingBlob : kActionReadingMemo;

  // The cursor goes to the buffer's record and comes back afterwards.
  const int32_t savedRecNo = api::VxbTableGetRecNo(FTableHdl);
  const TOutOfTableState savedState = FOutOfTableState;
  struct TPutBack {
    TVxbDataSet& DataSet;
    int32_t RecNo;
    TOutOfTableState State;
    ~TPutBack() {
      if (api::VxbTableGetRecNo(DataSet.FTableHdl) != RecNo && RecNo > 0) api::VxbTableSetRecNo(DataSet.FTableHdl, RecNo);
      DataSet.FOutOfTableState = State;
    }
  } putBack{*this, savedRecNo, savedState};
  if (savedRecNo != BufferRecNo(buffer)) {
    if (api::VxbTableSetRecNo(FTableHdl, BufferRecNo(buffer)) != BufferRecNo(buffer)) return {};
  }

  int16_t blobType = 0;
  const int32_t size = Check(kActionReadingBlob, api::VxbTableInitGetBlob(FTableHdl, def.FieldNo, -1, &blobType));
  std::vector<std::byte> content;
  if (size == 0) return content;
  // A blob's content starts with its 16-bit blob type.
  const size_t header = type == kColumnTypeBlob ? 2 : 0;
  content.resize(header + static_cast<size_t>(size));
  if (header > 0) {
    const uint16_t little = static_cast<uint16_t>(blobType);
    content[0] = static_cast<std::byte>(little & 0xff);
    content[1] = static_cast<std::byte>(little >> 8);
  }
  const int32_t read = Check(action, api::VxbTablePerformGetBlob(FTableHdl, content.data() + header, size));
  content.resize(header + static_cast<size_t>(std::clamp(read, 0, size)));
  // A linked blob's header is odd and names one of the formats.
  if (header > 0 && (blobType & 1) != 0 && blobType > 0 && blobType < kHighestBlobHeader) AppendLinkedFile(content);
  return content;
}

void TVxbDataSet::AppendLinkedFile(std::vector<std::byte>& content) const {
  // After the header: a 16-bit name length and the name (8-bit characters).
  if (content.size() < 4) return;
  const size_t length = std::to_integer<size_t>(content[2]) | (std::to_integer<size_t>(content[3]) << 8);
  if (content.size() < 4 + length) return;
  const std::string name(reinterpret_cast<const char*>(content.data() + 4), length);
  std::filesystem::path file = fs::Utf16ToUtf8(CodePage().ToWide(name));
  if (file.is_relative() && FDatabase != nullptr) {
    std::filesystem::path base = fs::Utf16ToUtf8(FDatabase->Location());
    // A single-file database's linked files lie beside the database file.
    if (FDatabase->DatabaseType() == TVxbDatabaseType::dbtSingleFile) base = base.parent_path();
    file = base / file;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) throw framework::EDatabaseError::CreateFmt(kLinkedBlobMissing, {fs::Utf8ToUtf16(file.string())});
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t at = content.size();
  content.resize(at + bytes.size());
  if (!bytes.empty()) std::memcpy(content.data() + at, bytes.data(), bytes.size());
}

std::unique_ptr<framework::TStream> TVxbDataSet::CreateBlobStream(framework::TField& field,
                                                                  framework::TBlobStreamMode mode) {
  return std::make_unique<TVxbBlobStream>(*this, field, mode);
}

}  // namespace vexilo::dataset
