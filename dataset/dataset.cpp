// TVxbDataSet: opening and closing, field definitions, record buffers and
// field values.
#include "dataset/dataset.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>

#include "dataset/action_texts.h"
#include "dataset/call_session_errors.h"
#include "dataset/database.h"
#include "dataset/error_check.h"
#include "dataset/fields.h"
#include "dataset/record_values.h"
#include "engine/api/calls/relation_calls.h"
#include "engine/api/calls/table_calls.h"
#include "framework/core/blob_fields.h"
#include "framework/core/database_error.h"
#include "framework/core/db_consts.h"
#include "framework/core/name_compare.h"

namespace vexilo::dataset {
namespace {

using framework::TBookmarkFlag;
using framework::TDataSetState;
using framework::TRecordBuffer;

constexpr int32_t kSlotSize = 4;
// Offsets inside the record information.
constexpr int32_t kInfoSequenceNo = 0;
constexpr int32_t kInfoBookmarkFlag = 4;
constexpr int32_t kInfoRecNo = 5;
constexpr int32_t kInfoDeleted = 9;
constexpr int32_t kInfoSize = 10;

constexpr size_t kFieldBufferSize = 512;
constexpr int32_t kLinkTextCapacity = 255;

int32_t ReadInt32(const std::byte* at) {
  int32_t value = 0;
  std::memcpy(&value, at, 4);
  return value;
}

void WriteInt32(std::byte* at, int32_t value) { std::memcpy(at, &value, 4); }

// Every TVxbDataSet of the process, for renaming the datasets of an owner.
struct TDataSetRegistry {
  std::mutex Lock;
  std::vector<TVxbDataSet*> Items;
};

TDataSetRegistry& Registry() {
  static TDataSetRegistry registry;
  return registry;
}

bool ReadsCalculatedFields(TDataSetState state) {
  switch (state) {
    case TDataSetState::dsBrowse:
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert:
    case TDataSetState::dsCalcFields:
    case TDataSetState::dsBlockRead:
      return true;
    default:
      return false;
  }
}

}  // namespace

TVxbDataSet::TVxbDataSet(const void* owner) : FOwner(owner) {
  std::lock_guard guard(Registry().Lock);
  Registry().Items.push_back(this);
}

TVxbDataSet::~TVxbDataSet() {
  {
    std::lock_guard guard(Registry().Lock);
    std::erase(Registry().Items, this);
  }
  Destroying();
}

void TVxbDataSet::RenameDatabaseOfOwner(const void* owner, const std::u16string& name) {
  if (owner == nullptr) return;
  std::vector<TVxbDataSet*> owned;
  {
    std::lock_guard guard(Registry().Lock);
    for (TVxbDataSet* dataSet : Registry().Items) {
      if (dataSet->FOwner == owner && !framework::SameText(dataSet->FDatabaseName, name)) owned.push_back(dataSet);
    }
  }
  for (TVxbDataSet* dataSet : owned) dataSet->SetDatabaseName(name);
}

void TVxbDataSet::ForgetDatabase(const TVxbDatabase& database) {
  std::lock_guard guard(Registry().Lock);
  for (TVxbDataSet* dataSet : Registry().Items) {
    if (dataSet->FDatabase == &database) dataSet->FDatabase = nullptr;
  }
}

api::TVxbSessHdl TVxbDataSet::SessionHdl() const { return FDatabase == nullptr ? 0 : FDatabase->SessionHdl(); }

const types::TVxbCodePage& TVxbDataSet::CodePage() const {
  return FCodePage != nullptr ? *FCodePage : CodePageOfCollation(u"");
}

void TVxbDataSet::SetDatabaseName(std::u16string value) {
  while (!value.empty() && (value.back() == u'\\' || value.back() == u'/')) value.pop_back();
  if (value == FDatabaseName) return;
  const bool wasActive = Active();
  if (wasActive) Close();
  FDatabase = nullptr;
  FDatabaseName = std::move(value);
  if (wasActive && !Loading()) Open();
}

TVxbDatabase& TVxbDataSet::EnsureDatabase() {
  if (FDatabase == nullptr) {
    auto& list = TVxbDatabaseList::Instance();
    TVxbDatabase* found = list.FindByName(FDatabaseName);
    if (found == nullptr) {
      // A name no component offers is a database location.
      auto automatic = std::make_unique<TVxbDatabase>();
      automatic->SetDatabaseName(FDatabaseName);
      automatic->SetLocation(FDatabaseName);
      automatic->SetAutomatic(true);
      found = &list.AdoptAutomatic(std::move(automatic));
    }
    FDatabase = found;
  }
  FDatabase->SetConnected(true);
  return *FDatabase;
}

// ---- Errors ----

void TVxbDataSet::RaiseError(std::u16string_view action, int32_t result) const {
  TCallSessionErrors errors(SessionHdl());
  RaiseEngineError(errors, action, result);
}

int32_t TVxbDataSet::Check(std::u16string_view action, int32_t result) const {
  if (result < 0) RaiseError(action, result);
  return result;
}

// ---- Opening and closing ----

void TVxbDataSet::InternalInitFieldDefs() {
  const bool openedHere = FTableHdl <= 0;
  if (openedHere) OpenCursorHandle();
  ReadFieldDefs();
  if (openedHere) {
    api::VxbTableDelete(FTableHdl);
    FTableHdl = 0;
  }
}

void TVxbDataSet::ReadFieldDefs() {
  FTableLevel = Check(kActionOpeningVexBaseTable, api::VxbTableGetRltnVersion(FTableHdl));
  const int16_t count = static_cast<int16_t>(Check(kActionOpeningVexBaseTable, api::VxbTableGetNumFields(FTableHdl)));
  FFieldDefsVxb.clear();
  FieldDefs().Clear();
  for (int16_t i = 1; i <= count; ++i) {
    api::TVxbFieldSpec spec;
    Check(kActionOpeningVexBaseTable, api::VxbTableGetFieldSpec(FTableHdl, i, &spec));
    FFieldDefsVxb.push_back(MakeFieldDef(spec, static_cast<int16_t>(FTableLevel)));
    AddFrameworkFieldDef(FFieldDefsVxb.back(), FieldDefs());
  }
  FieldDefs().SetUpdated(true);
}

void TVxbDataSet::InternalOpen() {
  OpenCursorHandle();
  FCanModify = api::VxbTableCanModify(FTableHdl) > 0;
  Check(kActionOpeningVexBaseTable, api::VxbTableSetOnChangeProc(FTableHdl, &TVxbDataSet::OnRecordDeleted));
  FDatabase->RegisterClient(*this);
  SetBookmarkSize(4);
  ReadFieldDefs();
  if (DefaultFields()) CreateFields();
  BindFields(true);
  FRecordSize = static_cast<int16_t>(Check(kActionOpeningVexBaseTable, api::VxbTableGetRecordSize(FTableHdl)));
  LayOutBuffers();
  FFieldBuffer.assign(kFieldBufferSize, std::byte{0});
  FOutOfTableState = TOutOfTableState::ootBOT;
  SendFilterOnOpen();
}

void TVxbDataSet::LayOutBuffers() {
  FBlobCacheOfs = FRecordSize + CalcFieldsSize();
  FRelationsOfs = FBlobCacheOfs + kSlotSize;
  FRecInfoOfs = FRelationsOfs + kSlotSize;
  FRecBufSize = FRecInfoOfs + kInfoSize;
}

void TVxbDataSet::InternalClose() {
  FFieldBuffer.clear();
  FBlobInfoList.clear();
  FFreeBlobSlots.clear();
  if (FTableHdl > 0) api::VxbTableDelete(FTableHdl);
  FTableHdl = 0;
  if (FDatabase != nullptr) {
    TVxbDatabase* database = FDatabase;
    // An automatic component goes away with its last dataset.
    if (database->Automatic()) FDatabase = nullptr;
    database->UnRegisterClient(*this);
  }
  FOutOfTableState = TOutOfTableState::ootBOT;
}

// ---- Record buffers ----

framework::TRecordBufferPtr TVxbDataSet::AllocRecordBuffer() {
  framework::TRecordBufferPtr buffer = TDataSet::AllocRecordBuffer();
  std::fill_n(buffer.get(), static_cast<size_t>(FRecBufSize), std::byte{0});
  WriteInt32(buffer.get() + FBlobCacheOfs, -1);
  WriteInt32(buffer.get() + FRelationsOfs, -1);
  return buffer;
}

void TVxbDataSet::FreeRecordBuffer(framework::TRecordBufferPtr& buffer) {
  if (buffer) DropBlobCache(buffer.get());
  TDataSet::FreeRecordBuffer(buffer);
}

void TVxbDataSet::InternalInitRecord(TRecordBuffer buffer) {
  DropBlobCache(buffer);
  std::fill_n(buffer, static_cast<size_t>(FRecordSize), std::byte{0});
  SetSequenceNo(buffer, 0);
  SetBufferRecNo(buffer, 0);
  SetBufferDeleted(buffer, false);
}

void TVxbDataSet::ClearRecordBuffer(TRecordBuffer buffer) {
  DropBlobCache(buffer);
  std::fill_n(buffer, static_cast<size_t>(FRecordSize), std::byte{0});
  ClearCalcFields(buffer);
  WriteInt32(buffer + FRelationsOfs, -1);
  SetSequenceNo(buffer, -1);
  SetBookmarkFlag(buffer, TBookmarkFlag::bfEOF);
  SetBufferRecNo(buffer, -1);
  SetBufferDeleted(buffer, false);
}

void TVxbDataSet::ClearCalcFields(TRecordBuffer buffer) {
  std::fill_n(buffer + FRecordSize, static_cast<size_t>(CalcFieldsSize()), std::byte{0});
}

int32_t TVxbDataSet::SequenceNo(TRecordBuffer buffer) const {
  return ReadInt32(buffer + FRecInfoOfs + kInfoSequenceNo);
}
void TVxbDataSet::SetSequenceNo(TRecordBuffer buffer, int32_t value) {
  WriteInt32(buffer + FRecInfoOfs + kInfoSequenceNo, value);
}
int32_t TVxbDataSet::BufferRecNo(TRecordBuffer buffer) const { return ReadInt32(buffer + FRecInfoOfs + kInfoRecNo); }
void TVxbDataSet::SetBufferRecNo(TRecordBuffer buffer, int32_t value) {
  WriteInt32(buffer + FRecInfoOfs + kInfoRecNo, value);
}
bool TVxbDataSet::BufferDeleted(TRecordBuffer buffer) const {
  return buffer[FRecInfoOfs + kInfoDeleted] != std::byte{0};
}
void TVxbDataSet::SetBufferDeleted(TRecordBuffer buffer, bool value) {
  buffer[FRecInfoOfs + kInfoDeleted] = std::byte{value ? uint8_t{1} : uint8_t{0}};
}

// ---- Bookmarks in buffers ----

void TVxbDataSet::GetBookmarkData(TRecordBuffer buffer, std::span<std::byte> data) {
  std::memcpy(data.data(), buffer + FRecInfoOfs + kInfoRecNo, std::min<size_t>(data.size(), 4));
}

TBookmarkFlag TVxbDataSet::GetBookmarkFlag(TRecordBuffer buffer) {
  return static_cast<TBookmarkFlag>(buffer[FRecInfoOfs + kInfoBookmarkFlag]);
}

void TVxbDataSet::SetBookmarkData(TRecordBuffer buffer, std::span<const std::byte> data) {
  std::memcpy(buffer + FRecInfoOfs + kInfoRecNo, data.data(), std::min<size_t>(data.size(), 4));
}

void TVxbDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) {
  buffer[FRecInfoOfs + kInfoBookmarkFlag] = static_cast<std::byte>(value);
}

bool TVxbDataSet::BookmarkValid(const framework::TBookmark& bookmark) {
  if (bookmark.size() < 4 || FTableHdl <= 0) return false;
  const int32_t recNo = ReadInt32(bookmark.data());
  return recNo >= 1 && recNo <= api::VxbRltnRecordCount(CursorRltnHdl());
}

int TVxbDataSet::CompareBookmarks(const framework::TBookmark& bookmark1, const framework::TBookmark& bookmark2) {
  if (bookmark1.empty() || bookmark2.empty()) return TDataSet::CompareBookmarks(bookmark1, bookmark2);
  const int16_t result = api::VxbTableCompareBookmarks(FTableHdl, u"", ReadInt32(bookmark1.data()),
                                                       ReadInt32(bookmark2.data()));
  return Check(kActionComparingBookmarks, result) - 1;
}

// ---- Field values ----

framework::TFieldClass TVxbDataSet::GetFieldClass(framework::TFieldType fieldType) {
  switch (fieldType) {
    case framework::TFieldType::ftString:
      return &framework::NewField<TVxbStringField>;
    case framework::TFieldType::ftWideString:
      return &framework::NewField<TVxbWideStringField>;
    case framework::TFieldType::ftLargeint:
      return &framework::NewField<TVxbLargeIntField>;
    case framework::TFieldType::ftBlob:
      return &framework::NewField<TVxbBlobField>;
    case framework::TFieldType::ftMemo:
      return &framework::NewField<TVxbMemoField>;
    default:
      return TDataSet::GetFieldClass(fieldType);
  }
}

bool TVxbDataSet::GetFieldData(framework::TField& field, std::span<std::byte> buffer) {
  TRecordBuffer record =
      State() == TDataSetState::dsSetKey ? CurrentKeyBuffer() : GetActiveRecordBuffer();
  if (record == nullptr) return false;
  if (field.FieldNo() < 1) {
    if (!ReadsCalculatedFields(State())) return false;
    const std::byte* at = record + FRecordSize + field.Offset();
    if (at[0] == std::byte{0}) return false;
    if (!buffer.empty()) std::memcpy(buffer.data(), at + 1, std::min<size_t>(buffer.size(), field.DataSize()));
    return true;
  }
  const TVxbFieldDef& def = FFieldDefsVxb.at(static_cast<size_t>(field.FieldNo() - 1));
  return ReadFieldValue(def, reinterpret_cast<const uint8_t*>(record), buffer, [&](int32_t recordId) {
    std::array<char16_t, kLinkTextCapacity + 1> text{};
    if (api::VxbTableGetLinkInfo1(FTableHdl, def.FieldNo, recordId, text.data(), kLinkTextCapacity) < 0) return std::u16string();
    return std::u16string(text.data());
  });
}

int16_t TVxbDataSet::GetEnumValue(int16_t fieldNo, std::u16string_view enumStr) {
  const std::u16string name(enumStr);
  return static_cast<int16_t>(Check(framework::FormatErrorMessage(kActionRetrievingEnumerationValue, {name}),
                                    api::VxbTableGetEnumValue(FTableHdl, fieldNo, name.c_str())));
}

bool TVxbDataSet::GetCurrentRecord(TRecordBuffer buffer) {
  if (IsEmpty() || GetBookmarkFlag(ActiveBuffer()) != TBookmarkFlag::bfCurrent) return false;
  UpdateCursorPos();
  return api::VxbTableGetRecord(FTableHdl, reinterpret_cast<uint8_t*>(buffer), FRecordSize) == 0;
}

// ---- Blob contents ----

TVxbBlobCache* TVxbDataSet::BlobCache(TRecordBuffer buffer, bool create) {
  int32_t slot = ReadInt32(buffer + FBlobCacheOfs);
  if (slot < 0) {
    if (!create) return nullptr;
    if (!FFreeBlobSlots.empty()) {
      slot = FFreeBlobSlots.back();
      FFreeBlobSlots.pop_back();
    } else {
      if (FBlobInfoList.size() == FBlobInfoList.capacity()) FBlobInfoList.reserve(FBlobInfoList.size() + 100);
      slot = static_cast<int32_t>(FBlobInfoList.size());
      FBlobInfoList.emplace_back();
    }
    WriteInt32(buffer + FBlobCacheOfs, slot);
  }
  return &FBlobInfoList.at(static_cast<size_t>(slot));
}

void TVxbDataSet::DropBlobCache(TRecordBuffer buffer) {
  const int32_t slot = ReadInt32(buffer + FBlobCacheOfs);
  if (slot < 0) return;
  if (static_cast<size_t>(slot) < FBlobInfoList.size()) {
    FBlobInfoList[static_cast<size_t>(slot)].clear();
    FFreeBlobSlots.push_back(slot);
  }
  WriteInt32(buffer + FBlobCacheOfs, -1);
}

// ---- The record-deleted callback ----

void TVxbDataSet::OnRecordDeleted(api::TVxbSessHdl sessionHdl, api::TVxbTableHdl tableHdl, int32_t deletedRecNo,
                                  int32_t movedRecNo) {
  TVxbDatabaseList::Instance().FindIf([&](TVxbDatabase& database) {
    if (database.SessionHdl() != sessionHdl) return false;
    for (int i = 0; i < database.DataSetCount(); ++i) {
      auto* dataSet = dynamic_cast<TVxbDataSet*>(&database.DataSets(i));
      if (dataSet != nullptr && dataSet->FTableHdl == tableHdl) dataSet->RecordDeleted(deletedRecNo, movedRecNo);
    }
    return true;
  });
}

void TVxbDataSet::RecordDeleted(int32_t deletedRecNo, int32_t movedRecNo) {
  // No engine call here: the engine is in the middle of the deletion.
  const bool sequenced = FSequenced;
  for (int i = 0; i < BufferRecordCount(); ++i) {
    TRecordBuffer buffer = Buffer(i);
    const int32_t recNo = BufferRecNo(buffer);
    if (recNo == deletedRecNo) {
      SetBufferDeleted(buffer, true);
    } else if (movedRecNo > 0 && recNo == movedRecNo) {
      SetBufferRecNo(buffer, deletedRecNo);
      if (!sequenced) SetSequenceNo(buffer, deletedRecNo);
    }
  }
}

}  // namespace vexilo::dataset
