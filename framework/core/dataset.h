// TDataSet: the dataset framework's base class. It keeps the dataset state
// (browse, edit, insert ...), a ring of record buffers holding the records
// the bound controls show, the fields, and the data sources that notify the
// controls; it drives opening, navigation, editing and bookmarks, and fires
// the before/after events around each operation. A concrete dataset supplies
// the record protocol (the protected virtual operations below: open and close
// its cursor, read records into buffers, move, post, read and write field
// values); the base class never touches a table itself.
//
// Record buffers. The ring holds BufferCount buffers (the largest BufferCount
// of any bound data link, at least 1) plus one spare. Buffers 0 to
// RecordCount-1 hold consecutive records in the dataset's order; ActiveRecord
// is the current one. Scrolling reads only the records that enter the ring.
//
// Events fire in this order (a handler may raise EAbort to stop the operation
// before anything changed):
//   Open:   BeforeOpen, AfterOpen, AfterScroll (when not empty)
//   Close:  BeforeClose, AfterClose
//   Insert/Append: BeforeInsert, BeforeScroll, OnNewRecord, AfterInsert, AfterScroll
//   Edit:   BeforeEdit, AfterEdit
//   Post:   BeforePost, AfterPost
//   Cancel: BeforeCancel, [BeforeScroll], AfterCancel, [AfterScroll] (scroll
//           events when cancelling an insert)
//   Delete: BeforeDelete, BeforeScroll, AfterDelete, AfterScroll
//   Moves:  BeforeScroll, AfterScroll
//
// A concrete dataset must call Destroying() at the start of its destructor:
// closing calls its own protocol operations, which the base destructor can
// no longer reach. Used on one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/database_error.h"
#include "framework/core/db_types.h"
#include "framework/core/field.h"
#include "framework/core/field_defs.h"
#include "framework/core/fields.h"
#include "framework/core/stream.h"
#include "framework/core/variant.h"

namespace vexilo::framework {

class TDataSource;
class TDataLink;

// A factory of one field class, as GetFieldClass gives it.
using TFieldClass = std::unique_ptr<TField> (*)();
template <class T>
std::unique_ptr<TField> NewField() {
  return std::make_unique<T>();
}

class TDataSet {
 public:
  using TDataSetNotifyEvent = std::function<void(TDataSet& dataSet)>;
  using TDataSetErrorEvent =
      std::function<void(TDataSet& dataSet, const EDatabaseError& error, TDataAction& action)>;
  using TFilterRecordEvent = std::function<void(TDataSet& dataSet, bool& accept)>;

  TDataSet();
  virtual ~TDataSet();
  TDataSet(const TDataSet&) = delete;
  TDataSet& operator=(const TDataSet&) = delete;

  // ---- Identity and state ----
  // The component name (used in messages).
  const std::u16string& Name() const { return FName; }
  void SetName(std::u16string value) { FName = std::move(value); }
  TDataSetState State() const { return FState; }
  bool Active() const { return FState != TDataSetState::dsInactive; }
  // Opens (true) or closes (false) the dataset; nothing when already so.
  void SetActive(bool value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  // Whether a field of the active record was changed since editing began.
  bool Modified() const { return FModified; }
  // Whether records may be inserted, edited and deleted.
  bool CanModify() { return GetCanModify(); }
  // Raises EDatabaseError "Cannot perform this operation on a closed dataset"
  // unless open.
  void CheckActive() const;
  // Raises "Cannot perform this operation on an open dataset" when open.
  void CheckInactive() const;
  // Finishes editing: posts a modified record, cancels an unmodified one;
  // raises when closed.
  void CheckBrowseMode();
  // Closes without the close events, for a concrete dataset's destructor.
  void Destroying();
  // Loading from a window description: while loading, SetActive(true) is
  // kept for Loaded(), which opens.
  void BeginLoading() { FLoading = true; }
  bool Loading() const { return FLoading; }
  virtual void Loaded();

  // ---- Navigation ----
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Moves `distance` records (negative: backwards) and returns how far it got.
  int MoveBy(int distance);
  // At the first record after First or a failed backward move.
  bool Bof() const { return FBOF; }
  // After the last record after Last or a failed forward move.
  bool Eof() const { return FEOF; }
  bool IsEmpty() const { return FActiveRecord >= FRecordCount; }
  // Whether RecNo is the record's position in the dataset's order.
  virtual bool IsSequenced() { return true; }
  // The number of records, as the dataset knows it (-1 when it cannot tell).
  int32_t RecordCount() { CheckActive(); return GetRecordCount(); }
  // The position of the current record from 1 (-1 when unknown).
  int32_t RecNo() { return GetRecNo(); }
  // Moves to record `value` (from 1); the base class does nothing.
  virtual void SetRecNo(int32_t value);
  // Re-reads the records from the cursor; keeps the current record when it
  // still exists.
  void Refresh();
  // Re-reads the buffers around the cursor's record: with Exact that record
  // must still exist ("Record not found"), otherwise the nearest one is
  // taken; with Center it goes to the middle row, otherwise it keeps the
  // active record's row.
  void Resync(TResyncMode mode);
  // Stops notifying controls until the matching EnableControls; they then
  // get one change event.
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return FDisableCount != 0; }

  // ---- Bookmarks ----
  // The bookmark of the current record; empty when there is none.
  TBookmark GetBookmark();
  // Makes the record of `bookmark` current, centred in the buffers; raises
  // EDatabaseError "Record not found" when it does not exist.
  void GotoBookmark(const TBookmark& bookmark);
  // Whether `bookmark` still names a record.
  virtual bool BookmarkValid(const TBookmark& bookmark);
  // -1, 0 or 1 as `bookmark1` comes before, with or after `bookmark2`; an
  // empty bookmark comes before every other.
  virtual int CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2);
  // Whether the current record has a bookmark.
  bool BookmarkAvailable();
  int32_t BookmarkSize() const { return FBookmarkSize; }

  // ---- Editing ----
  // Starts a new record before the current one.
  void Insert();
  // Starts a new record after the last one.
  void Append();
  // Starts changing the current record (inserts when the dataset is empty).
  void Edit();
  // Stores the record being edited or inserted.
  virtual void Post();
  // Drops the changes of the record being edited or inserted.
  virtual void Cancel();
  // Deletes the current record (cancels an insert).
  void Delete();
  // Inserts and posts a record with `values` for the first fields.
  void InsertRecord(std::span<const TVariant> values);
  void AppendRecord(std::span<const TVariant> values);
  // Tells the controls to write pending edits into the fields; only in edit
  // modes ("Dataset not in edit or insert mode").
  void UpdateRecord();

  // ---- Fields ----
  TFields& Fields() { return FFields; }
  int FieldCount() const { return FFields.Count(); }
  TFieldDefs& FieldDefs() { return FFieldDefs; }
  // The field named `name`, or nullptr.
  TField* FindField(std::u16string_view name) const { return FFields.FindField(name); }
  // The field named `name`; raises "Field '%s' not found".
  TField& FieldByName(std::u16string_view name) const { return FFields.FieldByName(name); }
  // A stream over the content of blob `field` in the current record.
  virtual std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode);
  // Copies the native value of `field` in the buffer of the current state
  // into `buffer` (empty: only tells whether there is a value).
  virtual bool GetFieldData(TField& field, std::span<std::byte> buffer);
  // Writes the native value of `field` into the buffer of the current state
  // (empty: null), then announces deFieldChange.
  virtual void SetFieldData(TField& field, std::span<const std::byte> buffer);
  // Reads the current record into `buffer`; false when there is none.
  virtual bool GetCurrentRecord(TRecordBuffer buffer);
  // Assigns `values` to the first fields in order (edit or insert mode).
  void SetFields(std::span<const TVariant> values);

  // ---- Filtering and searching ----
  // The filter settings. The base class stores them (and moves to the first
  // record when the filter changes while open); a dataset that filters in
  // its cursor overrides the setters. OnFilterRecord is applied by the
  // dataset's GetRecord through FilterRecordAccepted.
  const std::u16string& Filter() const { return FFilterText; }
  virtual void SetFilter(std::u16string value);
  bool Filtered() const { return FFiltered; }
  virtual void SetFiltered(bool value);
  const TFilterOptions& FilterOptions() const { return FFilterOptions; }
  virtual void SetFilterOptions(const TFilterOptions& value);
  const TFilterRecordEvent& OnFilterRecord() const { return FOnFilterRecord; }
  virtual void SetOnFilterRecord(TFilterRecordEvent value);
  // Whether the last FindFirst/FindNext/... found a record.
  bool Found() const { return FFound; }
  bool FindFirst() { return FindRecord(true, true); }
  bool FindLast() { return FindRecord(true, false); }
  bool FindNext() { return FindRecord(false, true); }
  bool FindPrior() { return FindRecord(false, false); }
  // Moves to the first record whose fields `keyFields` (";"-separated) have
  // `keyValues`; true when found. The base class finds nothing.
  virtual bool Locate(std::u16string_view keyFields, std::span<const TVariant> keyValues,
                      TLocateOptions options);
  // The values of `resultFields` in the first record whose `keyFields` have
  // `keyValues`, without moving; empty when none. The base class finds nothing.
  virtual std::vector<TVariant> Lookup(std::u16string_view keyFields,
                                       std::span<const TVariant> keyValues,
                                       std::u16string_view resultFields);

  // ---- Block reading ----
  // Records read in one block without notifying controls; 0 ends it.
  int32_t BlockReadSize() const { return FBlockReadSize; }
  void SetBlockReadSize(int32_t value);

  // ---- Buffers, as data links and concrete datasets see them ----
  int BufferCount() const { return FBufferCount; }
  // Buffers holding records (0 to BufferCount).
  int BufferRecordCount() const { return FRecordCount; }
  int ActiveRecord() const { return FActiveRecord; }
  TRecordBuffer ActiveBuffer() const;
  // The buffer whose calculated fields are being computed.
  TRecordBuffer CalcBuffer() const { return FCalcBuffer; }
  // The record buffer a field reads and writes in the current state:
  // the active buffer in browse (nullptr when empty), edit and insert,
  // the calculation buffer, the filter buffer.
  virtual TRecordBuffer GetActiveRecordBuffer();
  // Bytes of the calculated-field area of a record buffer.
  int32_t CalcFieldsSize() const { return FCalcFieldsSize; }

  // ---- Events ----
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
  TDataSetNotifyEvent OnNewRecord, OnCalcFields;
  TDataSetErrorEvent OnPostError, OnDeleteError, OnEditError;

  // Sends `event` to the data sources (and fields); a concrete dataset calls
  // it with deFieldChange after writing a field.
  void DataEvent(TDataEvent event, TDataEventInfo info = {});

 protected:
  // ---- The record protocol a concrete dataset implements ----
  // Record buffers: a new buffer of RecBufSize bytes and its release (a
  // dataset that keeps data per buffer drops it here).
  virtual TRecordBufferPtr AllocRecordBuffer();
  virtual void FreeRecordBuffer(TRecordBufferPtr& buffer);
  // Bytes of a record buffer (the default AllocRecordBuffer's size).
  virtual int32_t GetRecordSize() { return 0; }
  // Empties `buffer` for a new record.
  virtual void InternalInitRecord(TRecordBuffer buffer);
  // InternalInitRecord, calculated fields cleared, flag bfInserted.
  virtual void InitRecord(TRecordBuffer buffer);
  // Reads the current, next or prior record into `buffer`; with `doCheck` a
  // failure raises instead of giving grError.
  virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode getMode, bool doCheck) = 0;

  // Bookmarks kept in a buffer.
  virtual void GetBookmarkData(TRecordBuffer buffer, std::span<std::byte> data);
  virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer);
  virtual void SetBookmarkData(TRecordBuffer buffer, std::span<const std::byte> data);
  virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value);
  // Moves the cursor to the record of `bookmark`.
  virtual void InternalGotoBookmark(std::span<const std::byte> bookmark);
  // Moves the cursor to the record held in `buffer`.
  virtual void InternalSetToRecord(TRecordBuffer buffer);

  // Moves the cursor before the first / after the last record.
  virtual void InternalFirst() = 0;
  virtual void InternalLast() = 0;

  // Editing steps. InternalInsert runs when a new record starts (the active
  // buffer is initialised), InternalEdit before editing, InternalPost stores
  // the active buffer (State tells edit or insert), InternalCancel drops
  // changes, InternalDelete removes the cursor's record, InternalAddRecord
  // stores `buffer` as a new record in one step.
  virtual void InternalInsert() {}
  virtual void InternalEdit() {}
  virtual void InternalPost();
  virtual void InternalCancel() {}
  virtual void InternalDelete() = 0;
  virtual void InternalAddRecord(TRecordBuffer buffer, bool append) = 0;
  // Re-reads the cursor's view of the table.
  virtual void InternalRefresh() {}

  // Opening and closing. OpenCursor opens the cursor (infoQuery: only to read
  // the field definitions) and then calls InternalOpen, which reads the field
  // definitions, creates and binds the fields (CreateFields, BindFields) and
  // positions before the first record. CloseCursor frees the buffers, calls
  // InternalClose, then unbinds the fields and destroys default fields; it
  // also runs after a failed open, so InternalClose must cope with a cursor
  // that opened only half-way.
  virtual void OpenCursor(bool infoQuery);
  virtual void CloseCursor();
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  virtual void InternalInitFieldDefs() = 0;
  virtual bool IsCursorOpen() const = 0;
  // Reports an exception that must not travel further (default: the
  // application's exception handling).
  virtual void InternalHandleException();

  // Information.
  virtual int32_t GetRecordCount() { return -1; }
  virtual int32_t GetRecNo() { return -1; }
  virtual bool GetCanModify() { return true; }

  // Fields.
  virtual TFieldClass GetFieldClass(TFieldType fieldType);
  // Creates the default fields from the field definitions.
  void CreateFields();
  // Binds the fields to the field definitions (true) or unbinds them; lays
  // out the calculated-field area.
  virtual void BindFields(bool binding);
  void DestroyFields();
  bool DefaultFields() const { return FDefaultFields; }
  void SetBookmarkSize(int32_t value) { FBookmarkSize = value; }
  // Reads the field definitions, through a short-lived cursor when closed.
  void InitFieldDefs();
  friend class TFieldDefs;
  friend class TFieldDef;

  // Calculated fields.
  virtual void ClearCalcFields(TRecordBuffer buffer);
  virtual void CalculateFields(TRecordBuffer buffer);
  // Computes the calculated fields of `buffer` in the calculation state.
  void GetCalcFields(TRecordBuffer buffer);

  // Filtering: stores the settings without side effects, for overrides.
  void StoreFilter(std::u16string value) { FFilterText = std::move(value); }
  void StoreFiltered(bool value) { FFiltered = value; }
  void StoreFilterOptions(const TFilterOptions& value) { FFilterOptions = value; }
  void StoreOnFilterRecord(TFilterRecordEvent value) { FOnFilterRecord = std::move(value); }
  // Searches a record that passes the filter; the base class walks with
  // First/Last/Next/Prior and OnFilterRecord.
  virtual bool FindRecord(bool restart, bool goForward);
  // Offers `buffer` to OnFilterRecord in the filter state; true when
  // accepted (always when not filtered or without a handler).
  bool FilterRecordAccepted(TRecordBuffer buffer);
  // Offers `buffer` to OnFilterRecord whether filtered or not; true when
  // accepted or without a handler.
  bool OfferFilterRecord(TRecordBuffer buffer);
  void SetFound(bool value) { FFound = value; }

  // Helpers for concrete datasets.
  void SetState(TDataSetState value);
  // Enters `value` for a moment without notifying; returns the state to
  // restore with RestoreState.
  TDataSetState SetTempState(TDataSetState value);
  void RestoreState(TDataSetState value);
  void SetModified(bool value) { FModified = value; }
  // Raises "Cannot modify a read-only dataset" unless CanModify.
  void CheckCanModify();
  // Moves the cursor to the active record's.
  void UpdateCursorPos();
  // Forgets which buffer the cursor stands on.
  void CursorPosChanged() { FCurrentRecord = -1; }
  // Empties the ring.
  void ClearBuffers();
  TRecordBuffer Buffer(int index) const;
  // The spare buffer after the records.
  TRecordBuffer TempBuffer() const { return Buffer(FRecordCount); }
  void DoBeforeScroll() { Fire(BeforeScroll); }
  void DoAfterScroll() { Fire(AfterScroll); }
  // Runs `operation` with the cursor on the active record; on an
  // EDatabaseError asks `errorEvent` whether to fail, abort or retry.
  void CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& errorEvent);
  void FreeFieldBuffers();
  // Buffer sizing after the bound data links changed.
  void UpdateBufferCount();

 private:
  friend class TDataSource;
  friend class TDataLink;
  friend class TField;
  friend class TFields;

  void Fire(const TDataSetNotifyEvent& handler);
  void DoInternalOpen();
  void OpenCursorComplete();
  void CloseActive(bool withEvents);
  void SetBufferCount(int value);
  void MoveBuffer(int curIndex, int newIndex);
  void SetCurrentRecord(int index);
  void ActivateBuffers();
  bool GetNextRecord();
  bool GetPriorRecord();
  int GetNextRecords();
  int GetPriorRecords();
  void BeginInsertAppend();
  void EndInsertAppend();
  void DoInsertAppendRecord(std::span<const TVariant> values, bool append);
  void CheckRequiredFields();
  void AddDataSource(TDataSource& dataSource);
  void RemoveDataSource(TDataSource& dataSource);
  void UpdateCalcFields();
  void NotifyDataSources(TDataEvent event, const TDataEventInfo& info);
  void AdjustLinkFirstRecords(int delta);

  std::u16string FName;
  TDataSetState FState = TDataSetState::dsInactive;
  TDataSetState FDisableState = TDataSetState::dsInactive;
  TDataEvent FEnableEvent = TDataEvent::deDataSetChange;
  int FDisableCount = 0;
  bool FModified = false;
  bool FBOF = true;
  bool FEOF = true;
  bool FFound = false;
  bool FDefaultFields = false;
  bool FInternalOpenComplete = false;
  bool FDestroying = false;
  bool FLoading = false;
  bool FStreamedActive = false;
  bool FFiltered = false;
  std::u16string FFilterText;
  TFilterOptions FFilterOptions;
  TFilterRecordEvent FOnFilterRecord;
  int32_t FBlockReadSize = 0;
  int32_t FBookmarkSize = 0;
  int32_t FCalcFieldsSize = 0;

  // The ring: FBuffers holds FBufferCount + 1 buffers.
  std::vector<TRecordBufferPtr> FBuffers;
  int FBufferCount = 0;
  int FRecordCount = 0;
  int FActiveRecord = 0;
  int FCurrentRecord = -1;
  TRecordBuffer FCalcBuffer = nullptr;
  TRecordBuffer FFilterBuffer = nullptr;

  TFieldDefs FFieldDefs;
  TFields FFields;
  std::vector<TDataSource*> FDataSources;
};

}  // namespace vexilo::framework
