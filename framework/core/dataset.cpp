// TDataSet: lifecycle, state, data events, fields and calculated fields.
// Navigation and the buffer ring are in dataset_navigation.cpp, editing in
// dataset_editing.cpp.
#include "framework/core/dataset.h"

#include <algorithm>

#include "framework/core/abort.h"
#include "framework/core/application_exception.h"
#include "framework/core/blob_fields.h"
#include "framework/core/data_link.h"
#include "framework/core/data_source.h"
#include "framework/core/date_time_fields.h"
#include "framework/core/db_consts.h"
#include "framework/core/numeric_fields.h"
#include "framework/core/string_fields.h"

namespace vexilo::framework {
namespace {

// Field types a field of another type may still be bound to.
int TypeFamily(TFieldType type) {
  switch (type) {
    case TFieldType::ftString:
    case TFieldType::ftFixedChar:
      return 1;
    case TFieldType::ftWideString:
    case TFieldType::ftFixedWideChar:
      return 2;
    case TFieldType::ftInteger:
    case TFieldType::ftAutoInc:
      return 3;
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
      return 4;
    default:
      return IsBlobType(type) ? 5 : 100 + static_cast<int>(type);
  }
}

}  // namespace

TDataSet::TDataSet() : FFieldDefs(*this), FFields(*this) {}

TDataSet::~TDataSet() {
  // The concrete dataset has closed itself (Destroying); its protocol cannot
  // be reached any more, so only the links to the data sources are undone.
  FDestroying = true;
  FState = TDataSetState::dsInactive;
  while (!FDataSources.empty()) FDataSources.back()->SetDataSet(nullptr);
}

// ---- Lifecycle ----

void TDataSet::SetActive(bool value) {
  if (FLoading) {
    FStreamedActive = value;
    return;
  }
  if (Active() == value) return;
  if (!value) {
    CloseActive(!FDestroying);
    return;
  }
  Fire(BeforeOpen);
  FInternalOpenComplete = false;
  try {
    OpenCursor(false);
  } catch (...) {
    // Release what the failed open left behind; the open's failure is what
    // the caller hears about.
    try {
      CloseCursor();
    } catch (...) {
    }
    throw;
  }
  SetState(TDataSetState::dsBrowse);
  Fire(AfterOpen);
  if (!IsEmpty()) DoAfterScroll();
}

void TDataSet::Loaded() {
  FLoading = false;
  if (FStreamedActive) {
    FStreamedActive = false;
    SetActive(true);
  }
}

void TDataSet::Destroying() {
  if (FDestroying) return;
  FDestroying = true;
  if (Active()) CloseActive(false);
}

void TDataSet::CloseActive(bool withEvents) {
  if (withEvents) Fire(BeforeClose);
  // A record still being edited or inserted is dropped, so that the cursor
  // releases what editing holds (locks, a record begun but not stored).
  std::exception_ptr cancelError;
  if (FState == TDataSetState::dsEdit || FState == TDataSetState::dsInsert) {
    try {
      UpdateCursorPos();
      InternalCancel();
    } catch (...) {
      cancelError = std::current_exception();
    }
  }
  SetState(TDataSetState::dsInactive);
  CloseCursor();
  if (withEvents) Fire(AfterClose);
  if (cancelError) std::rethrow_exception(cancelError);
}

void TDataSet::OpenCursor(bool infoQuery) {
  if (infoQuery) {
    InternalInitFieldDefs();
  } else {
    DoInternalOpen();
  }
}

void TDataSet::DoInternalOpen() {
  FDefaultFields = FFields.Count() == 0;
  InternalOpen();
  FInternalOpenComplete = true;
  UpdateBufferCount();
  FBOF = true;
}

void TDataSet::CloseCursor() {
  FBlockReadSize = 0;
  FreeFieldBuffers();
  ClearBuffers();
  SetBufferCount(0);
  InternalClose();
  BindFields(false);
  if (FDefaultFields) DestroyFields();
  FDefaultFields = false;
  FInternalOpenComplete = false;
}

void TDataSet::InternalHandleException() { HandleApplicationException(std::current_exception()); }

void TDataSet::CheckActive() const {
  if (!Active()) throw EDatabaseError(dbconsts::SDataSetClosed);
}

void TDataSet::CheckInactive() const {
  if (Active()) throw EDatabaseError(dbconsts::SDataSetOpen);
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(TDataEvent::deCheckBrowseMode);
  switch (FState) {
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert:
      UpdateRecord();
      if (FModified) {
        Post();
      } else {
        Cancel();
      }
      break;
    case TDataSetState::dsSetKey:
      Post();
      break;
    default:
      break;
  }
}

void TDataSet::CheckCanModify() {
  if (!CanModify()) throw EDatabaseError(dbconsts::SDataSetReadOnly);
}

void TDataSet::Fire(const TDataSetNotifyEvent& handler) {
  if (handler) handler(*this);
}

// ---- State and data events ----

void TDataSet::SetState(TDataSetState value) {
  if (FState == value) return;
  FState = value;
  FModified = false;
  DataEvent(TDataEvent::deUpdateState);
}

TDataSetState TDataSet::SetTempState(TDataSetState value) {
  const TDataSetState previous = FState;
  FState = value;
  ++FDisableCount;
  return previous;
}

void TDataSet::RestoreState(TDataSetState value) {
  FState = value;
  --FDisableCount;
}

void TDataSet::DisableControls() {
  if (FDisableCount == 0) {
    FDisableState = FState;
    FEnableEvent = TDataEvent::deDataSetChange;
  }
  ++FDisableCount;
}

void TDataSet::EnableControls() {
  if (FDisableCount == 0) return;
  if (--FDisableCount != 0) return;
  if (FDisableState != FState) DataEvent(TDataEvent::deUpdateState);
  if (FDisableState != TDataSetState::dsInactive && FState != TDataSetState::dsInactive) {
    DataEvent(FEnableEvent);
  }
}

void TDataSet::DataEvent(TDataEvent event, TDataEventInfo info) {
  bool notify = !(ControlsDisabled() || FState == TDataSetState::dsBlockRead);
  switch (event) {
    case TDataEvent::deFieldChange:
      if (info.Field != nullptr && (info.Field->FieldKind() == TFieldKind::fkData ||
                                    info.Field->FieldKind() == TFieldKind::fkInternalCalc)) {
        FModified = true;
      }
      UpdateCalcFields();
      if (info.Field != nullptr && info.Field->OnChange) info.Field->OnChange(*info.Field);
      break;
    case TDataEvent::deLayoutChange:
      if (ControlsDisabled()) FEnableEvent = TDataEvent::deLayoutChange;
      break;
    case TDataEvent::deUpdateState:
      if (ControlsDisabled() && FState != TDataSetState::dsBlockRead) {
        // Controls must still learn at once that the dataset closed or
        // opened: they must never read a closed dataset.
        const bool active = FState != TDataSetState::dsInactive;
        for (TDataSource* source : std::vector<TDataSource*>(FDataSources)) {
          if ((source->State() != TDataSetState::dsInactive) != active) {
            source->DataEvent(event, info);
          }
        }
        return;
      }
      break;
    default:
      break;
  }
  if (notify) NotifyDataSources(event, info);
}

void TDataSet::NotifyDataSources(TDataEvent event, const TDataEventInfo& info) {
  // A handler may detach a source while the sources are told.
  const std::vector<TDataSource*> sources = FDataSources;
  for (TDataSource* source : sources) {
    if (std::find(FDataSources.begin(), FDataSources.end(), source) != FDataSources.end()) {
      source->DataEvent(event, info);
    }
  }
}

void TDataSet::AddDataSource(TDataSource& dataSource) {
  FDataSources.push_back(&dataSource);
  dataSource.FDataSet = this;
  UpdateBufferCount();
  dataSource.UpdateState();
}

void TDataSet::RemoveDataSource(TDataSource& dataSource) {
  FDataSources.erase(std::remove(FDataSources.begin(), FDataSources.end(), &dataSource), FDataSources.end());
  dataSource.FDataSet = nullptr;
  if (!FDestroying) UpdateBufferCount();
  dataSource.UpdateState();
}

void TDataSet::UpdateBufferCount() {
  if (FDestroying || !IsCursorOpen()) return;
  int count = 1;
  for (TDataSource* source : FDataSources) {
    for (TDataLink* link : source->FDataLinks) count = std::max(count, link->FBufferCount);
  }
  SetBufferCount(count);
}

void TDataSet::AdjustLinkFirstRecords(int delta) {
  if (delta == 0) return;
  for (TDataSource* source : FDataSources) {
    for (TDataLink* link : source->FDataLinks) {
      if (link->FActive) link->FFirstRecord += delta;
    }
  }
}

// ---- Fields ----

TFieldClass TDataSet::GetFieldClass(TFieldType fieldType) {
  switch (fieldType) {
    case TFieldType::ftString:
    case TFieldType::ftFixedChar:
      return &NewField<TStringField>;
    case TFieldType::ftWideString:
    case TFieldType::ftFixedWideChar:
      return &NewField<TWideStringField>;
    case TFieldType::ftSmallint:
      return &NewField<TSmallintField>;
    case TFieldType::ftInteger:
      return &NewField<TIntegerField>;
    case TFieldType::ftWord:
      return &NewField<TWordField>;
    case TFieldType::ftAutoInc:
      return &NewField<TAutoIncField>;
    case TFieldType::ftLargeint:
      return &NewField<TLargeintField>;
    case TFieldType::ftFloat:
      return &NewField<TFloatField>;
    case TFieldType::ftCurrency:
      return &NewField<TCurrencyField>;
    case TFieldType::ftBoolean:
      return &NewField<TBooleanField>;
    case TFieldType::ftDate:
      return &NewField<TDateField>;
    case TFieldType::ftTime:
      return &NewField<TTimeField>;
    case TFieldType::ftDateTime:
    case TFieldType::ftTimeStamp:
      return &NewField<TDateTimeField>;
    case TFieldType::ftMemo:
    case TFieldType::ftFmtMemo:
    case TFieldType::ftOraClob:
      return &NewField<TMemoField>;
    case TFieldType::ftWideMemo:
      return &NewField<TWideMemoField>;
    case TFieldType::ftBlob:
    case TFieldType::ftGraphic:
    case TFieldType::ftTypedBinary:
    case TFieldType::ftOraBlob:
    case TFieldType::ftParadoxOle:
    case TFieldType::ftDBaseOle:
      return &NewField<TBlobField>;
    case TFieldType::ftGuid:
      return &NewField<TGuidField>;
    default:
      return nullptr;
  }
}

void TDataSet::CreateFields() {
  for (int i = 0; i < FFieldDefs.Count(); ++i) {
    const TFieldDef& def = FFieldDefs[i];
    if (def.DataType() != TFieldType::ftUnknown && !def.Attributes().HiddenCol) def.CreateField(*this);
  }
}

void TDataSet::BindFields(bool binding) {
  FCalcFieldsSize = 0;
  for (const auto& field : FFields) {
    if (!binding) {
      field->FOffset = 0;
      continue;
    }
    if (field->FieldKind() == TFieldKind::fkData) {
      const TFieldDef* def = FFieldDefs.Find(field->FieldName());
      if (def == nullptr) throw EDatabaseError::CreateFmt(dbconsts::SFieldNotFound, {field->FieldName()});
      if (TypeFamily(def->DataType()) != TypeFamily(field->DataType())) {
        throw EDatabaseError::CreateFmt(dbconsts::SFieldTypeMismatch,
                                        {field->FieldName(), FieldTypeName(field->DataType()),
                                         FieldTypeName(def->DataType())});
      }
      field->FFieldNo = def->FieldNo();
    } else {
      field->FFieldNo = -1;
      if (field->FieldKind() == TFieldKind::fkCalculated || field->FieldKind() == TFieldKind::fkLookup) {
        field->FOffset = FCalcFieldsSize;
        FCalcFieldsSize += field->DataSize() + 1;
      }
    }
  }
}

void TDataSet::DestroyFields() { FFields.Clear(); }

void TDataSet::InitFieldDefs() {
  if (IsCursorOpen()) {
    InternalInitFieldDefs();
    return;
  }
  try {
    OpenCursor(true);
  } catch (...) {
    try {
      CloseCursor();
    } catch (...) {
    }
    throw;
  }
  CloseCursor();
}

void TDataSet::FreeFieldBuffers() {
  for (const auto& field : FFields) field->FreeBuffers();
}

TRecordBuffer TDataSet::GetActiveRecordBuffer() {
  switch (FState) {
    case TDataSetState::dsBrowse:
    case TDataSetState::dsBlockRead:
      return IsEmpty() ? nullptr : ActiveBuffer();
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert:
    case TDataSetState::dsNewValue:
    case TDataSetState::dsOldValue:
    case TDataSetState::dsCurValue:
      return ActiveBuffer();
    case TDataSetState::dsCalcFields:
    case TDataSetState::dsInternalCalc:
      return FCalcBuffer;
    case TDataSetState::dsFilter:
      return FFilterBuffer;
    default:
      return nullptr;
  }
}

bool TDataSet::GetFieldData(TField&, std::span<std::byte>) { return false; }

void TDataSet::SetFieldData(TField&, std::span<const std::byte>) {
  throw EDatabaseError(dbconsts::SNotSupported);
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField&, TBlobStreamMode) {
  throw EDatabaseError(dbconsts::SNotSupported);
}

bool TDataSet::GetCurrentRecord(TRecordBuffer) { return false; }

void TDataSet::SetFields(std::span<const TVariant> values) {
  DisableControls();
  struct Enable {
    TDataSet& dataSet;
    ~Enable() { dataSet.EnableControls(); }
  } enable{*this};
  for (size_t i = 0; i < values.size(); ++i) FFields[static_cast<int>(i)].SetAsVariant(values[i]);
}

// ---- Calculated fields ----

void TDataSet::ClearCalcFields(TRecordBuffer) {}

void TDataSet::CalculateFields(TRecordBuffer) { Fire(OnCalcFields); }

void TDataSet::GetCalcFields(TRecordBuffer buffer) {
  if (FCalcFieldsSize == 0 || buffer == nullptr) return;
  const TDataSetState saved = SetTempState(TDataSetState::dsCalcFields);
  const TRecordBuffer savedBuffer = FCalcBuffer;
  struct Restore {
    TDataSet& dataSet;
    TDataSetState state;
    TRecordBuffer buffer;
    ~Restore() {
      dataSet.FCalcBuffer = buffer;
      dataSet.RestoreState(state);
    }
  } restore{*this, saved, savedBuffer};
  FCalcBuffer = buffer;
  ClearCalcFields(buffer);
  CalculateFields(buffer);
}

void TDataSet::UpdateCalcFields() {
  if (FState != TDataSetState::dsSetKey && FCalcFieldsSize > 0 && FRecordCount > 0) {
    GetCalcFields(ActiveBuffer());
  }
}

// ---- Filtering and searching ----

void TDataSet::SetFilter(std::u16string value) {
  if (Active()) {
    CheckBrowseMode();
    if (FFilterText == value) return;
    FFilterText = std::move(value);
    if (FFiltered) First();
  } else {
    FFilterText = std::move(value);
  }
}

void TDataSet::SetFiltered(bool value) {
  if (Active()) {
    CheckBrowseMode();
    if (FFiltered == value) return;
    FFiltered = value;
    First();
  } else {
    FFiltered = value;
  }
}

void TDataSet::SetFilterOptions(const TFilterOptions& value) {
  if (Active()) {
    CheckBrowseMode();
    if (FFilterOptions == value) return;
    FFilterOptions = value;
    if (FFiltered) First();
  } else {
    FFilterOptions = value;
  }
}

void TDataSet::SetOnFilterRecord(TFilterRecordEvent value) {
  FOnFilterRecord = std::move(value);
  if (Active() && FFiltered) {
    CheckBrowseMode();
    First();
  }
}

bool TDataSet::FilterRecordAccepted(TRecordBuffer buffer) {
  if (!FFiltered) return true;
  return OfferFilterRecord(buffer);
}

bool TDataSet::OfferFilterRecord(TRecordBuffer buffer) {
  if (!FOnFilterRecord) return true;
  const TDataSetState saved = SetTempState(TDataSetState::dsFilter);
  const TRecordBuffer savedBuffer = FFilterBuffer;
  struct Restore {
    TDataSet& dataSet;
    TDataSetState state;
    TRecordBuffer buffer;
    ~Restore() {
      dataSet.FFilterBuffer = buffer;
      dataSet.RestoreState(state);
    }
  } restore{*this, saved, savedBuffer};
  FFilterBuffer = buffer;
  bool accept = true;
  FOnFilterRecord(*this, accept);
  return accept;
}

bool TDataSet::FindRecord(bool, bool) {
  FFound = false;
  return false;
}

bool TDataSet::Locate(std::u16string_view, std::span<const TVariant>, TLocateOptions) { return false; }

std::vector<TVariant> TDataSet::Lookup(std::u16string_view, std::span<const TVariant>, std::u16string_view) {
  return {};
}

void TDataSet::SetBlockReadSize(int32_t value) {
  if (value > 0) {
    CheckActive();
    if (FState != TDataSetState::dsBlockRead) {
      CheckBrowseMode();
      SetState(TDataSetState::dsBlockRead);
    }
    FBlockReadSize = value;
  } else {
    FBlockReadSize = 0;
    if (FState == TDataSetState::dsBlockRead) {
      SetState(TDataSetState::dsBrowse);
      DataEvent(TDataEvent::deDataSetChange);
    }
  }
}

}  // namespace vexilo::framework
