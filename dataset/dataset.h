// TVxbDataSet: the framework dataset over one engine cursor, reached through
// the engine call interface only. Every move is a cursor call, every record
// read copies the cursor's current record into a record buffer, and every
// field value is decoded from that buffer. TVxbTable (table.h) opens the
// cursor on a table; everything that does not depend on where the cursor
// comes from lives here.
//
// Record buffer layout, in order:
//   the engine record           RecordSize bytes, as VxbTableGetRecord gives it
//   calculated fields           CalcFieldsSize bytes (not-null byte + value each)
//   blob-cache slot             int32, -1 when none
//   relations slot              int32, -1 when none
//   record information          int32 sequence number (0: not known yet),
//                               uint8 bookmark flag (0 current, 1 before first,
//                               2 after last, 3 inserted), int32 record number
//                               (the bookmark), uint8 deleted flag
// A bookmark is the 4-byte record number.
//
// Every failed engine call raises through the dataset layer's error check
// with the action text of what was being done. The cursor is open exactly
// while TableHdl() is above 0. Used on one thread; the engine's
// record-deleted callback arrives on that thread's calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/blob_cache.h"
#include "dataset/dataset_types.h"
#include "dataset/field_types.h"
#include "engine/api/calls/call_types.h"
#include "framework/core/dataset.h"

namespace vexilo::types {
class TVxbCodePage;
}

namespace vexilo::dataset {

class TVxbDatabase;

class TVxbDataSet : public framework::TDataSet {
 public:
  // `owner` is what the dataset belongs to (a window), as for TVxbDatabase.
  explicit TVxbDataSet(const void* owner = nullptr);
  ~TVxbDataSet() override;

  const void* Owner() const { return FOwner; }
  // The database component's name, or a database directory. Changing it
  // closes an open dataset, forgets its component and reopens it.
  const std::u16string& DatabaseName() const { return FDatabaseName; }
  void SetDatabaseName(std::u16string value);
  // The component found for DatabaseName (nullptr until needed).
  TVxbDatabase* Database() const { return FDatabase; }
  api::TVxbTableHdl TableHdl() const { return FTableHdl; }
  api::TVxbSessHdl SessionHdl() const;
  TOutOfTableState OutOfTableState() const { return FOutOfTableState; }
  // The columns as the engine describes them.
  const TVxbFieldDefs& FieldDefsVxb() const { return FFieldDefsVxb; }
  int32_t TableLevel() const { return FTableLevel; }
  // The code page of the table's String and Memo columns.
  const types::TVxbCodePage& CodePage() const;
  // Whether memo and blob contents read once per record buffer are kept.
  bool CacheBlobs() const { return FCacheBlobs; }
  void SetCacheBlobs(bool value) { FCacheBlobs = value; }
  // Whether the database's RefreshDataSets refreshes this dataset (default
  // true).
  bool RefreshOnChange() const { return FRefreshOnChange; }
  void SetRefreshOnChange(bool value) { FRefreshOnChange = value; }

  // Hears long operations on the dataset (a database check): the percentage
  // done; setting `stop` ends the operation.
  std::function<void(TVxbDataSet& sender, int percent, bool& stop)> OnProgress;

  // The stored number (from 1) of the name `enumStr` in Enum column
  // `fieldNo`, 0 for none of its names.
  int16_t GetEnumValue(int16_t fieldNo, std::u16string_view enumStr);

  // ---- Positions ----
  bool IsSequenced() override;
  // The current record's position in the dataset's order (from 1).
  void SetRecNo(int32_t value) override;
  // The current record's record number: 0 while inserting, -1 when empty.
  int32_t RecordNo();
  void SetRecordNo(int32_t value);
  // Makes the buffers follow the cursor after the engine rebuilt what it
  // shows (VxbTableRefresh said so).
  void ResyncWithCursor();

  // ---- Bookmarks ----
  bool BookmarkValid(const framework::TBookmark& bookmark) override;
  int CompareBookmarks(const framework::TBookmark& bookmark1, const framework::TBookmark& bookmark2) override;

  // ---- Fields ----
  bool GetFieldData(framework::TField& field, std::span<std::byte> buffer) override;
  void SetFieldData(framework::TField& field, std::span<const std::byte> buffer) override;
  bool GetCurrentRecord(framework::TRecordBuffer buffer) override;
  std::unique_ptr<framework::TStream> CreateBlobStream(framework::TField& field,
                                                       framework::TBlobStreamMode mode) override;

  // ---- Filtering and selections ----
  // The filter is a search condition the cursor evaluates (Filter, also
  // FilterW); OnFilterRecord is applied on top of it to every record read.
  // A condition the engine refuses raises "Setting filter" when it is first
  // sent: at once while Filtered, else when Filtered is next switched on
  // (Filtered then stays False).
  void SetFilter(std::u16string value) override;
  const std::u16string& FilterW() const { return Filter(); }
  void SetFilterW(std::u16string value) { SetFilter(std::move(value)); }
  void SetFiltered(bool value) override;
  void SetFilterOptions(const framework::TFilterOptions& value) override;
  void SetOnFilterRecord(TFilterRecordEvent value) override;
  TVxbFilterMethod FilterMethod() const { return FFilterMethod; }
  void SetFilterMethod(TVxbFilterMethod value);
  // A full-text word filter, sent with the condition.
  const std::u16string& WordFilter() const { return FWordFilter; }
  void SetWordFilter(std::u16string value);
  // The mode byte sent with the condition for the current method and
  // `options`.
  int32_t FilterMode(const framework::TFilterOptions& options) const;

  // The cursor's set of marked records, by record number or by condition
  // (7 adds the matches, 3 removes them, 6 keeps only marked matches).
  void AddToSelection(int32_t recordNo);
  void RemoveFromSelection(int32_t recordNo);
  bool IsSelected(int32_t recordNo);
  void ClearSelection();
  void AddToSelection(std::u16string_view condition);
  void RemoveFromSelection(std::u16string_view condition);
  void IntersectSelection(std::u16string_view condition);
  // Shows only the marked records (switches the filter on when it is off).
  void ActivateSelection();
  // Whether the current record satisfies `condition` (false when the
  // dataset stands on no record). A condition that does not compile raises
  // "Evaluating condition '...'".
  bool IsConditionValid(std::u16string_view condition);

  // ---- Errors ----
  [[noreturn]] void RaiseError(std::u16string_view action, int32_t result) const;
  int32_t Check(std::u16string_view action, int32_t result) const;

  // Gives `name` to every dataset of `owner` whose DatabaseName differs.
  static void RenameDatabaseOfOwner(const void* owner, const std::u16string& name);
  // Makes every dataset that found `database` look for its component again
  // (the component goes away).
  static void ForgetDatabase(const TVxbDatabase& database);

 protected:
  // Opens the cursor (FTableHdl) and whatever it stands on; TVxbTable opens
  // the table's relation first.
  virtual void OpenCursorHandle() = 0;
  // The relation the cursor is on.
  virtual api::TVxbRltnHdl CursorRltnHdl() const = 0;
  // The component for DatabaseName, found or created, connected.
  TVxbDatabase& EnsureDatabase();
  void SetTableHdl(api::TVxbTableHdl value) { FTableHdl = value; }
  void SetOutOfTableState(TOutOfTableState value) { FOutOfTableState = value; }
  int16_t RecordSize() const { return FRecordSize; }
  // The buffer the key-editing state writes to (nullptr without key buffers).
  virtual framework::TRecordBuffer CurrentKeyBuffer() { return nullptr; }

  // ---- The record protocol ----
  framework::TRecordBufferPtr AllocRecordBuffer() override;
  void FreeRecordBuffer(framework::TRecordBufferPtr& buffer) override;
  int32_t GetRecordSize() override { return FRecBufSize; }
  void InternalInitRecord(framework::TRecordBuffer buffer) override;
  framework::TGetResult GetRecord(framework::TRecordBuffer buffer, framework::TGetMode getMode,
                                  bool doCheck) override;
  void GetBookmarkData(framework::TRecordBuffer buffer, std::span<std::byte> data) override;
  framework::TBookmarkFlag GetBookmarkFlag(framework::TRecordBuffer buffer) override;
  void SetBookmarkData(framework::TRecordBuffer buffer, std::span<const std::byte> data) override;
  void SetBookmarkFlag(framework::TRecordBuffer buffer, framework::TBookmarkFlag value) override;
  void InternalGotoBookmark(std::span<const std::byte> bookmark) override;
  void InternalSetToRecord(framework::TRecordBuffer buffer) override;
  void InternalFirst() override;
  void InternalLast() override;
  void InternalInsert() override;
  void InternalEdit() override;
  void InternalPost() override;
  void InternalCancel() override;
  void InternalDelete() override;
  void InternalAddRecord(framework::TRecordBuffer buffer, bool append) override;
  void InternalRefresh() override;
  void InternalOpen() override;
  void InternalClose() override;
  void InternalInitFieldDefs() override;
  bool IsCursorOpen() const override { return FTableHdl > 0; }
  int32_t GetRecordCount() override;
  int32_t GetRecNo() override;
  bool GetCanModify() override { return FCanModify; }
  void ClearCalcFields(framework::TRecordBuffer buffer) override;
  framework::TFieldClass GetFieldClass(framework::TFieldType fieldType) override;
  void SetCanModify(bool value) { FCanModify = value; }
  void SetCodePage(const types::TVxbCodePage& value) { FCodePage = &value; }

  // ---- Filtering ----
  bool FindRecord(bool restart, bool goForward) override;
  // Hands the condition `text`, the word filter and `options` to the cursor
  // (switching an active filter off and on around it).
  void SendFilter(std::u16string_view text, std::u16string_view wordFilter,
                  const framework::TFilterOptions& options);
  // Sends the current settings when the dataset is open and filtered, else
  // marks them as not sent (a new cursor).
  void SendFilterOnOpen();
  // The count of records OnFilterRecord accepts is no longer known.
  void ForgetFilteredRecordCount() { FFilteredRecordCount = -1; }

  // Empties `buffer` as an unread record: zeros, no caches, sequence number
  // -1, after-last flag, record number -1.
  void ClearRecordBuffer(framework::TRecordBuffer buffer);

 private:
  // Record information of a buffer.
  int32_t SequenceNo(framework::TRecordBuffer buffer) const;
  void SetSequenceNo(framework::TRecordBuffer buffer, int32_t value);
  int32_t BufferRecNo(framework::TRecordBuffer buffer) const;
  void SetBufferRecNo(framework::TRecordBuffer buffer, int32_t value);
  bool BufferDeleted(framework::TRecordBuffer buffer) const;
  void SetBufferDeleted(framework::TRecordBuffer buffer, bool value);
  // The blob cache of a buffer (created when `create`).
  TVxbBlobCache* BlobCache(framework::TRecordBuffer buffer, bool create);
  void DropBlobCache(framework::TRecordBuffer buffer);
  void ReadFieldDefs();
  void LayOutBuffers();
  // The engine calls the dataset after a record of its relation was
  // deleted: buffers holding `deletedRecNo` are flagged deleted, those
  // holding `movedRecNo` take `deletedRecNo`.
  void RecordDeleted(int32_t deletedRecNo, int32_t movedRecNo);
  static void OnRecordDeleted(api::TVxbSessHdl sessionHdl, api::TVxbTableHdl tableHdl, int32_t deletedRecNo,
                              int32_t movedRecNo);
  // Gives the sequence numbers to the buffers that lack them.
  void NumberBuffers();
  // Moves to `target` with `move` (SetSequenceNo or SetRecNo) in browse mode.
  void MoveToNumber(int32_t target, bool sequence);

  // Counts the records that pass OnFilterRecord by reading them all.
  int32_t CountAcceptedRecords();
  // Moves the cursor one step for find-record: through the marked records
  // when a condition exists, else plainly; true when it reached a record.
  bool StepForFind(bool first, bool goForward);
  void ModifySelection(std::u16string_view condition, int32_t mode, std::u16string_view action);

  const void* FOwner;
  bool FCacheBlobs = true;
  bool FRefreshOnChange = true;
  int16_t FRecordSize = 0;
  int32_t FBlobCacheOfs = 0;
  int32_t FRelationsOfs = 0;
  int32_t FRecInfoOfs = 0;
  int32_t FRecBufSize = 0;
  std::vector<TVxbBlobCache> FBlobInfoList;
  std::vector<int32_t> FFreeBlobSlots;
  TVxbFieldDefs FFieldDefsVxb;
  int32_t FTableLevel = 0;
  bool FCanModify = false;
  // What IsSequenced last heard from the engine.
  bool FSequenced = true;
  api::TVxbTableHdl FTableHdl = 0;
  std::u16string FDatabaseName;
  TVxbDatabase* FDatabase = nullptr;
  TOutOfTableState FOutOfTableState = TOutOfTableState::ootBOT;
  std::vector<std::byte> FFieldBuffer;
  const types::TVxbCodePage* FCodePage = nullptr;
  // Filtering.
  TVxbFilterMethod FFilterMethod = TVxbFilterMethod::tfeDefault;
  std::u16string FWordFilter;
  // The current filter settings have been sent to the cursor.
  bool FFilterUpdated = false;
  // Records OnFilterRecord accepts; -1 when not known.
  int32_t FFilteredRecordCount = -1;

  // ==== Editing and memo streams (dataset_editing.cpp, blob_stream.cpp) ====
 public:
  // How a failed field write is answered (OnWriteFieldError).
  enum class TWriteFieldErrorAction { wfeRaise, wfeAbort, wfeIgnore };
  // Decides what happens when writing `field`'s value raised `error`:
  // raise it (the default), abort silently or ignore it.
  std::function<void(TVxbDataSet& sender, framework::TField& field, const std::exception& error,
                     TWriteFieldErrorAction& action)>
      OnWriteFieldError;

  // Posts or cancels as the framework does; a dataset still editing a search
  // key afterwards returns to browsing.
  void Post() override;
  void Cancel() override;
  // The column the data field `field` (field number from 1) shows.
  const TVxbFieldDef& FieldDefOf(const framework::TField& field) const;

 private:
  friend class TVxbBlobStream;
  // The blob-cache entry of blob column `def` in `buffer`, created when
  // missing. With `load`, an entry that holds no content read or written yet
  // (or, without CacheBlobs, an unchanged one) is read from the table first.
  TVxbBlobCacheEntry& BlobEntry(framework::TRecordBuffer buffer, const TVxbFieldDef& def, bool load);
  // The stored content of blob column `def` of the record in `buffer`; the
  // cursor is put back where it stood, also on failure.
  std::vector<std::byte> ReadStoredBlob(framework::TRecordBuffer buffer, const TVxbFieldDef& def);
  // Appends the content of the file a linked blob `content` names.
  void AppendLinkedFile(std::vector<std::byte>& content) const;
  // Copies `buffer` and its changed blob contents into the cursor's edit
  // record; a failure raises with `action`.
  void WriteRecord(framework::TRecordBuffer buffer, std::u16string_view action);
  // Raises "This record has been deleted" for a buffer flagged deleted.
  void CheckNotDeleted(framework::TRecordBuffer buffer);
  // Makes the cursor stand on the buffer's record before it is changed.
  void StandOnBufferRecord(framework::TRecordBuffer buffer, std::u16string_view action);
  // Ends the key-editing state left over after Post or Cancel.
  void EndKeyEditing();
  // Raises "Field '%s' must have a value" for a required text field left
  // empty.
  void CheckRequiredTexts();

  // The record the dataset stood on when the record being inserted was
  // started (0: none, the insert went to the end).
  int32_t FInsertBaseRecNo = 0;
};

}  // namespace vexilo::dataset
