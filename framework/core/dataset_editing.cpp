// TDataSet: inserting, editing, posting, cancelling and deleting records.
#include "framework/core/abort.h"
#include "framework/core/dataset.h"
#include "framework/core/db_consts.h"

namespace vexilo::framework {

void TDataSet::CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& errorEvent) {
  for (;;) {
    try {
      UpdateCursorPos();
      operation();
      return;
    } catch (const EDatabaseError& error) {
      TDataAction action = TDataAction::daFail;
      if (errorEvent) errorEvent(*this, error, action);
      if (action == TDataAction::daFail) throw;
      if (action == TDataAction::daAbort) Abort();
      // daRetry: try the operation once more.
    }
  }
}

void TDataSet::UpdateRecord() {
  if (!IsEditMode(FState)) throw EDatabaseError(dbconsts::SNotEditing);
  DataEvent(TDataEvent::deUpdateRecord);
}

void TDataSet::CheckRequiredFields() {
  for (const auto& field : FFields) {
    if (field->Required() && !field->ReadOnly() && field->FieldKind() == TFieldKind::fkData && field->IsNull()) {
      field->FocusControl();
      throw EDatabaseError::CreateFmt(dbconsts::SFieldRequired, {field->DisplayName()});
    }
  }
}

void TDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  CheckCanModify();
  Fire(BeforeInsert);
  DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
  SetState(TDataSetState::dsInsert);
  try {
    Fire(OnNewRecord);
  } catch (...) {
    // The new record is given up: the cursor drops it as well.
    const std::exception_ptr error = std::current_exception();
    try {
      UpdateCursorPos();
      InternalCancel();
    } catch (...) {
    }
    FreeFieldBuffers();
    SetState(TDataSetState::dsBrowse);
    try {
      Resync({});
    } catch (...) {
    }
    std::rethrow_exception(error);
  }
  FModified = false;
  DataEvent(TDataEvent::deDataSetChange);
  Fire(AfterInsert);
  DoAfterScroll();
}

void TDataSet::Insert() {
  BeginInsertAppend();
  const TBookmark oldCurrent = GetBookmark();
  if (FCurrentRecord >= FRecordCount) CursorPosChanged();
  MoveBuffer(FRecordCount, FActiveRecord);
  const TRecordBuffer buffer = ActiveBuffer();
  InitRecord(buffer);
  if (FRecordCount == 0) {
    SetBookmarkFlag(buffer, TBookmarkFlag::bfBOF);
  } else {
    SetBookmarkData(buffer, oldCurrent);
  }
  if (FRecordCount < FBufferCount) ++FRecordCount;
  try {
    InternalInsert();
  } catch (...) {
    const std::exception_ptr error = std::current_exception();
    try {
      Resync({});
    } catch (...) {
    }
    std::rethrow_exception(error);
  }
  EndInsertAppend();
}

void TDataSet::Append() {
  BeginInsertAppend();
  ClearBuffers();
  const TRecordBuffer buffer = Buffer(0);
  InitRecord(buffer);
  SetBookmarkFlag(buffer, TBookmarkFlag::bfEOF);
  FRecordCount = 1;
  FBOF = false;
  try {
    GetPriorRecords();
    InternalInsert();
  } catch (...) {
    const std::exception_ptr error = std::current_exception();
    try {
      Resync({});
    } catch (...) {
    }
    std::rethrow_exception(error);
  }
  EndInsertAppend();
}

void TDataSet::Edit() {
  if (FState == TDataSetState::dsEdit || FState == TDataSetState::dsInsert) return;
  if (FRecordCount == 0) {
    Insert();
    return;
  }
  CheckBrowseMode();
  CheckCanModify();
  Fire(BeforeEdit);
  CheckOperation([this] { InternalEdit(); }, OnEditError);
  GetCalcFields(ActiveBuffer());
  SetState(TDataSetState::dsEdit);
  DataEvent(TDataEvent::deRecordChange);
  Fire(AfterEdit);
}

void TDataSet::Post() {
  UpdateRecord();
  if (FState != TDataSetState::dsEdit && FState != TDataSetState::dsInsert) return;
  DataEvent(TDataEvent::deCheckBrowseMode);
  Fire(BeforePost);
  CheckRequiredFields();
  CheckOperation([this] { InternalPost(); }, OnPostError);
  FreeFieldBuffers();
  SetState(TDataSetState::dsBrowse);
  Resync({});
  Fire(AfterPost);
}

void TDataSet::Cancel() {
  if (FState != TDataSetState::dsEdit && FState != TDataSetState::dsInsert) return;
  DataEvent(TDataEvent::deCheckBrowseMode);
  Fire(BeforeCancel);
  const bool scrolls = FState == TDataSetState::dsInsert;
  if (scrolls) DoBeforeScroll();
  UpdateCursorPos();
  InternalCancel();
  FreeFieldBuffers();
  SetState(TDataSetState::dsBrowse);
  Resync({});
  Fire(AfterCancel);
  if (scrolls) DoAfterScroll();
}

void TDataSet::Delete() {
  CheckActive();
  if (FState == TDataSetState::dsInsert || FState == TDataSetState::dsSetKey) {
    Cancel();
    return;
  }
  if (FRecordCount == 0) throw EDatabaseError(dbconsts::SDataSetEmpty);
  DataEvent(TDataEvent::deCheckBrowseMode);
  Fire(BeforeDelete);
  DoBeforeScroll();
  CheckOperation([this] { InternalDelete(); }, OnDeleteError);
  FreeFieldBuffers();
  SetState(TDataSetState::dsBrowse);
  Resync({});
  Fire(AfterDelete);
  DoAfterScroll();
}

void TDataSet::InsertRecord(std::span<const TVariant> values) { DoInsertAppendRecord(values, false); }

void TDataSet::AppendRecord(std::span<const TVariant> values) { DoInsertAppendRecord(values, true); }

void TDataSet::DoInsertAppendRecord(std::span<const TVariant> values, bool append) {
  BeginInsertAppend();
  if (!append) UpdateCursorPos();
  DisableControls();
  struct Enable {
    TDataSet& dataSet;
    ~Enable() { dataSet.EnableControls(); }
  } enable{*this};
  if (FCurrentRecord >= FRecordCount) CursorPosChanged();
  MoveBuffer(FRecordCount, FActiveRecord);
  try {
    const TRecordBuffer buffer = ActiveBuffer();
    InitRecord(buffer);
    // The record is filled and stored in one step while the controls are
    // disabled, so the insert state is entered without telling them.
    FState = TDataSetState::dsInsert;
    struct Leave {
      TDataSet& dataSet;
      ~Leave() {
        dataSet.FreeFieldBuffers();
        dataSet.FState = TDataSetState::dsBrowse;
        dataSet.FModified = false;
      }
    } leave{*this};
    Fire(OnNewRecord);
    Fire(AfterInsert);
    SetFields(values);
    Fire(BeforePost);
    CheckRequiredFields();
    InternalAddRecord(buffer, append);
  } catch (...) {
    MoveBuffer(FActiveRecord, FRecordCount);
    throw;
  }
  Resync({});
  Fire(AfterPost);
  DoAfterScroll();
}

}  // namespace vexilo::framework
