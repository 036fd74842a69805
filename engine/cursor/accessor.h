// TVxbAccessor: a working view of one relation — the record it stands on,
// the values of that record's columns, and the edit cycle that appends,
// changes and deletes records with their memo, blob and wide-memo contents.
//
// Buffers. The current buffer holds the current record as it is stored; it
// is read from the relation only when it is stale (a move, a change notice,
// InvalidateRecBuf). The work buffer holds the record being appended
// (record number 0) or edited. Every column read and write goes to "the
// record": the work buffer while the accessor stands on its work record,
// else the current buffer. GetField(n) is a reference holder on column n's
// bytes in the current buffer (an empty holder for Memo, Blob, Relation and
// WideMemo columns): fixed columns are read in place, without a copy.
//
// Contents. Memo, Blob and WideMemo contents set for the work record are
// kept in memory (pending) until Post hands them to the relation with the
// record, or Cancel drops them. A stored content is read only when asked
// for, into a transient entry that goes when the read ends.
//
// Edit cycle. Append: esAppend on record 0, a fresh record with presets
// (the next record id, date defaults). Edit: takes the record's edit lock
// (retried every 100 ms up to the locking timeout; error 105 when another
// session or accessor keeps it), re-reads the record, esEdit. Post: writes
// the work record and its pending contents; a failure keeps the state, the
// work buffer, the contents and the edit lock, so the caller may correct and
// post again or cancel. Cancel: drops the work record, releases the edit
// lock. DeleteRecord: deletes the current record; the relation's notice
// moves this and every other accessor on.
//
// Notices. The accessor registers with its relation for its whole life and
// follows the relation's notices: a deleted record (the last record moves
// into the deleted number: current and work record numbers follow it), a
// replaced record, records changed or refreshed after another session's
// changes (the current buffer goes stale), the relation emptied.
//
// Results: 0 (or the positive value stated) on success, the negated engine
// error number after it was recorded as the session's last error. Type
// errors of the value conversions are recorded the same way.
//
// Ownership and threads: the relation is not owned and must outlive the
// accessor; its owner (a cursor, the catalog) destroys it explicitly. An
// accessor is used by one thread at a time, the thread of its session.
//
// The constructor's signature is stable: the catalog builds its default
// accessors ("Session_Default") through it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/cursor/access_path.h"
#include "engine/cursor/edit_state.h"
#include "engine/cursor/pending_contents.h"
#include "engine/cursor/transfer_vector.h"
#include "engine/index/bookmark_list.h"
#include "engine/storage/sharing/table_lock_guard.h"
#include "engine/storage/table/relation.h"
#include "engine/types/data_type.h"
#include "engine/types/data_value.h"

namespace vexilo::cursor {

class TVxbSqlCondition;

class TVxbAccessor : public storage::IRelationListener {
 public:
  // The locking timeout a session starts with, in milliseconds.
  static constexpr int32_t kDefaultLockingTimeout = 20000;
  // The pause between two tries of a record edit lock.
  static constexpr int32_t kEditRetryInterval = 100;
  // The tag of the accessors the catalog keeps, one per open relation.
  static constexpr const char16_t* kSessionDefaultTag = u"Session_Default";

  // An accessor on `relation` (not owned; it must outlive the accessor),
  // registered with it, before the first record, in esBrowse. `tag` names
  // the owner. `lockingTimeout` (milliseconds) bounds the wait for a record
  // edit lock; the session's setting. When the relation is open the buffers
  // are made at once (Open).
  TVxbAccessor(storage::TVxbRelation& relation, std::u16string tag, int32_t lockingTimeout = kDefaultLockingTimeout);
  // Cancels an edit or append in progress (releasing its edit lock) and
  // unregisters from the relation.
  ~TVxbAccessor() override;
  TVxbAccessor(const TVxbAccessor&) = delete;
  TVxbAccessor& operator=(const TVxbAccessor&) = delete;

  // Makes both buffers and the column holders for the relation's record
  // layout and goes before the first record; again after the relation was
  // reopened. 0, or -87 (recorded) when the relation is not open.
  int16_t Open();
  // Cancels what is in progress, drops the pending contents and goes before
  // the first record. The accessor stays registered; Open binds it again.
  void Close();
  bool IsOpen() const { return FOpen; }

  storage::TVxbRelation& Relation() const { return FRelation; }
  const std::u16string& Tag() const { return FTag; }
  const std::u16string& Name() const { return FName; }
  void SetName(std::u16string name) { FName = std::move(name); }
  int32_t LockingTimeout() const { return FLockingTimeout; }
  void SetLockingTimeout(int32_t milliseconds) { FLockingTimeout = milliseconds; }

  // --- position ---
  // The current record: -1 before the first, 0 the record being appended,
  // else its record number.
  int32_t CurrentRecordNo() const { return FCurrentRecordNo; }
  // Stands on record `recNo` (-1 before the first record); the current
  // buffer goes stale when the number changes. Moves through an order are
  // the cursor's.
  void SetCurrentRecordNo(int32_t recNo);
  int32_t CurrentSequenceNo() const { return FCurrentSequenceNo; }
  void SetCurrentSequenceNo(int32_t sequenceNo) { FCurrentSequenceNo = sequenceNo; }
  TVxbEditState EditState() const { return FCurrentEditState; }
  // The record the work buffer belongs to: -1 none, 0 a new record.
  int32_t WorkRecordNo() const { return FWorkRecordNo; }
  // The current record was deleted (set by a deletion notice).
  bool RecordDeleted() const { return FRecordDeleted; }

  // --- walking an order (accessor_position.cpp) ---
  // Orders: record-number order, the order of the bookmark list, or an
  // index's order, each forwards or in reverse, limited by an optional
  // range and an optional incremental filter. A record is visible when it
  // lies in the order's range (in bookmark order: is in the list) and the
  // filter holds for it. Moves land on visible records only; sequence
  // numbers count positions in the order, skipped records included.
  // Results: 0 (or the record number stated), -19 when there is no such
  // record, another negated engine error (recorded) on failure; a failing
  // filter stops a move with its error.
  TVxbAccessType CurrentAccessType() const { return FCurrentAccessType; }
  int CurrentIndexNo() const { return FCurrentIndexNo; }
  bool IsReverse() const { return FReverse; }
  // Chooses the order and clears the range. tatIndex: the index in place
  // `indexNo` must be open or openable (95 naming it), the current record's
  // key is computed and the sequence number becomes unknown. tatBookmarks
  // (or an index number of 254): the current record's place in the list
  // gives the sequence number; a record not in it moves to the first entry
  // (before the first record for an empty list).
  int16_t SetAccess(TVxbAccessType accessType, int indexNo, bool reverse);
  // A range in index order from the key columns of two record buffers: the
  // first `lowerColumns` (`upperColumns`) key columns count, 0 or less all;
  // a null buffer sets no bound. -15 outside index order.
  int16_t SetRange(const uint8_t* lowerRec, int lowerColumns, const uint8_t* upperRec, int upperColumns);
  // A range in record-number order: first and last record number (0: no
  // bound).
  void SetRecordNoRange(int32_t first, int32_t last);
  void ClearRange();
  bool HasRange() const { return FRangeLowerBound.IsSet() || FRangeUpperBound.IsSet(); }
  // The incremental filter (not owned; null: none), prepared on this
  // accessor; returns the one it replaces.
  TVxbSqlCondition* ExchangeFilter(TVxbSqlCondition* filter);
  void SetFilter(TVxbSqlCondition* filter) { FFilter = filter; }
  TVxbSqlCondition* Filter() const { return FFilter; }
  // The list browsed in bookmark order.
  index::TVxbBookmarkList& Bookmarks() { return *FBookmarks; }
  // Swaps the accessor's list with `bookmarks`.
  void ExchangeBookmarks(std::unique_ptr<index::TVxbBookmarkList>& bookmarks);

  int16_t First();
  int16_t Last();
  int16_t Next();
  int16_t Prior();
  // Next `delta` times (Prior for a negative delta), stopping at the first
  // failure. MoveBy(0) checks the position: beyond the record count before
  // the first record; before the first record -19; an invisible record
  // moves forward, and when nothing follows to the last visible record.
  int16_t MoveBy(int32_t delta);
  // Stands on `recordNo` without testing visibility (-1: before the first
  // record; 0 only while appending); -19 below -1 or above the count.
  int16_t GotoRecord(int32_t recordNo);
  // Goes to position `sequenceNo` of the order; the record number reached.
  int32_t GotoSequenceNo(int32_t sequenceNo);
  void ToBoT();
  // 1 when the current record is visible, 0 when not, or a negated error
  // of the filter.
  int16_t IsValidRecord();
  // The current position in the order, from 1; -2 when it cannot be had.
  int32_t GetSequenceNo();
  // The records visible in the order; -1 when that would mean walking a
  // relation of 10000 records or more.
  int32_t GetRecordCount();
  // Key search in index `indexNo` (not necessarily the current one) for
  // the first visible record whose entry is not smaller than `key`: its
  // record number, or 0 when there is none (the position then stays).
  // `exact` asks for a record that agrees with `key` in the first
  // `itemCount` key columns; when it was not asked for, it tells whether
  // the record found does.
  int32_t LocateRecord2(int indexNo, const types::TVxbLongIndexInfo& key, int itemCount, bool& exact);
  // The entry `rec` (record `recNo`) has in index `indexNo` into `entry`;
  // false when the index takes none for it.
  bool BuildEntry(int indexNo, const uint8_t* rec, int32_t recNo, types::TVxbLongIndexInfo& entry) const;
  // The order of two entries of index `indexNo` over their first
  // `keyColumns` key columns (0: all), then, when `withRecordNo`, their
  // record numbers; -1, 0 or 1.
  int CompareEntries(int indexNo, const types::TVxbLongIndexInfo& a, const types::TVxbLongIndexInfo& b,
                     int keyColumns, bool withRecordNo) const;
  // A position to come back to (Pop).
  struct TPosition {
    int32_t RecordNo = -1;
    int32_t SequenceNo = -1;
    bool RecordDeleted = false;
  };
  TPosition Push() const { return {FCurrentRecordNo, FCurrentSequenceNo, FRecordDeleted}; }
  void Pop(const TPosition& position);
  // Record-number order, before the first record, no range, no filter, an
  // empty bookmark list.
  void Reset();

  // --- record buffers ---
  // Reads the current record into the current buffer (a fresh record when
  // the accessor stands before the first record or on a new one).
  int16_t UpdateRecBuf();
  void InvalidateRecBuf() { FCurrentRecBufUpdated = false; }
  bool RecBufUpdated() const { return FCurrentRecBufUpdated; }
  // The record reads and writes go to (see above); a stale current buffer is
  // read first, and a failed read leaves the stale one.
  uint8_t* GetRecordPtr();
  // As GetRecordPtr, but raises EVxbEngine 9999 when the read fails.
  uint8_t* GetRecordPtrExc();
  // Copies the record into `recBuffer` (RecordSize bytes). Raises EVxbEngine
  // 9999 when the current record cannot be read.
  void GetRecord(uint8_t* recBuffer);
  // Copies `recBuffer` into the record.
  void SetRecord(const uint8_t* recBuffer);
  int32_t RecordSize() const { return static_cast<int32_t>(FCurrentRecBuf.size()); }

  // --- column values (fieldNo counts from 1) ---
  int ColumnCount() const { return FRelation.ColumnCount(); }
  // The column's data type; null for no such column.
  const types::TVxbDataType* GetDataType(int fieldNo) const;
  // The reference holder of a fixed column in the current buffer; an empty
  // holder for Memo, Blob, Relation and WideMemo columns.
  const types::TVxbDataValue& GetField(int fieldNo) const;
  // The column's value in `dataType` (a Memo, Blob or WideMemo: its whole
  // content, GetLongValue). 0 or the negated error.
  int16_t GetValue(int fieldNo, types::TVxbDataValue& value, const types::TVxbDataType& dataType);
  // The whole content of a Memo (narrow text), WideMemo (wide text) or Blob
  // (bytes with the 2-byte blob type; null when there is none).
  int16_t GetLongValue(int fieldNo, types::TVxbDataValue& value, const types::TVxbDataType& dataType);
  // Writes `value` of `dataType` into the record (converting), or as the
  // pending content of a Memo, Blob or WideMemo column (null: empty).
  int16_t SetValue(int fieldNo, const types::TVxbDataValue& value, const types::TVxbDataType& dataType);
  // As SetValue, but a null value for a column that does not accept null is
  // refused with error 47 naming the column; a stale record is read first.
  int16_t PutFieldValue(int fieldNo, const types::TVxbDataValue& value, const types::TVxbDataType& dataType);
  // The value as text: 1 for a value (a non-empty content), 0 for null (an
  // empty content), negative on failure.
  int16_t GetAsString(int fieldNo, std::string& text);
  int16_t GetAsString(int fieldNo, std::u16string& text);
  // Writes the text (`undefined`: null) into the column, converting it; a
  // Memo, Blob or WideMemo takes it as its pending content.
  int16_t SetAsStringA(int fieldNo, std::string_view text, bool undefined);
  int16_t SetAsStringW(int fieldNo, std::u16string_view text, bool undefined);
  // The 32-bit integer at the column's place (Integer, RecordId and the
  // content references of Memo, Blob and WideMemo columns): whether a value
  // is there.
  bool ReadInt32(int fieldNo, int32_t& value);
  void WriteInt32(int fieldNo, int32_t value, bool isNull);
  // The record id in the record; negative (error 64, recorded) when the
  // relation has no record id column.
  int32_t GetRecordId();
  void SetRecordId(int32_t recordId);
  bool GetReadOnly() const { return FRelation.GetReadOnly(); }

  // --- memo, blob and wide-memo contents ---
  // Prepares reading column `fieldNo`'s content: its size (bytes; a Blob's
  // without its 2-byte type, a WideMemo's 2 per character), 0 when empty,
  // negative on failure (168 for a column of another type). `blobType` gets
  // a Blob's type. `maxSize` has no effect.
  int32_t InitGetBlob(int fieldNo, int32_t maxSize, int32_t& blobType);
  // Copies `size` bytes from byte `start` of the prepared content; the
  // caller keeps start + size within the size InitGetBlob gave.
  int16_t GetBlobChunk(int32_t start, int32_t size, void* data);
  void DoneGetBlob();
  // Makes the column's pending content `size` bytes long (a WideMemo's size
  // div 2 characters) for the chunks that follow.
  int16_t InitSetBlob(int fieldNo, int32_t size);
  int16_t SetBlobChunk(int32_t start, int32_t size, const void* data);
  void DoneSetBlob();
  // The whole content, cut to `maxLen` bytes (characters for GetWideMemo)
  // when that is 0 or more; a Blob with its 2-byte type in front. 0, or
  // InitGetBlob's result when that is 0 or negative (the text empty).
  int32_t GetMemo(int fieldNo, std::string& memo, int32_t maxLen = -1);
  int32_t GetWideMemo(int fieldNo, std::u16string& memo, int32_t maxLen = -1);
  int32_t GetBlob(int fieldNo, std::string& data, int32_t maxLen = -1);
  // Sets the whole pending content (a Blob's begins with its 2-byte type).
  int16_t SetMemo(int fieldNo, std::string_view memo);
  int16_t SetBlob(int fieldNo, std::string_view data) { return SetMemo(fieldNo, data); }
  int16_t SetWideMemo(int fieldNo, std::u16string_view memo);
  // From the pending entry of the work record, else the stored content.
  int32_t GetBlobType(int fieldNo);
  int64_t GetBlobSize(int fieldNo);
  // The accessor stands on its work record and the column has a pending
  // content.
  bool HasPendingBlob(int fieldNo) const;
  // The cursor's marks on a copy of the record: GetRecord marks with -1
  // every content reference below 1 whose column has a pending content;
  // SetRecord's counterpart clears negative references to 0.
  void MarkPendingContents(uint8_t* recBuffer) const;
  void ClearContentMarks();

  // --- editing ---
  int16_t Append();
  int16_t AppendDuplicate();
  int16_t Edit();
  int16_t Post();
  int16_t Cancel();
  int16_t DeleteRecord();
  // With `preset`: a fresh record with presets in the current buffer, and
  // its record id reserved; without: a fresh record. The accessor stands on
  // record 0; the edit state does not change.
  int16_t InitRecord(bool preset);
  // Writes the record without the edit cycle: 0 appends it, 1 to the count
  // replaces that record; -19 otherwise. The pending contents go with it
  // and are dropped afterwards, whatever the result.
  int16_t WriteTo(int32_t recNo);

  // --- buffers and state between accessors ---
  // Makes `buffer` (of the record size) the accessor's record buffer and
  // hands back the one it replaced, by exchanging the two: the work buffer
  // when the accessor stands on a work record above 0, else the current
  // buffer, which then counts as up to date. Column holders made before keep
  // referring to the bytes they were made on.
  void SwitchRecBuffer(std::vector<uint8_t>& buffer);
  // Puts a buffer back the same way; a current buffer put back is stale.
  void UnswitchRecBuffer(std::vector<uint8_t>& buffer);
  // Copies `source`'s state (an accessor on the same relation): its current
  // record number, sequence number, current buffer and pending contents;
  // with tomCopy or tomMove also its work record, work buffer and edit
  // state. The source's current record is read first when it is stale.
  void TakeOver(TVxbAccessor& source, TVxbTakeOverMode mode);
  // A new accessor on `source`'s relation in the initial state, without a
  // tag, with `source`'s locking timeout.
  static std::unique_ptr<TVxbAccessor> CreateClone(const TVxbAccessor& source);

  // --- copying records between accessors (into this one's record) ---
  // Every column from the column of the same number of `source`, RecordId
  // columns only with `copyRecordId`; stops at the first failure (44 when a
  // value cannot be converted to the target's type).
  int16_t AssignRecordFrom(TVxbAccessor& source, bool copyRecordId);
  // The same for the pairs of `mapping`.
  int16_t AssignRecordFrom(TVxbAccessor& source, const TVxbTransferVector& mapping, bool copyRecordId);
  // The pairs of `mapping`, converting through texts where the types differ
  // (link and relation targets take the source's wide text).
  int16_t TransferRecordFrom(TVxbAccessor& source, const TVxbTransferVector& mapping);

  // --- events of the owning cursor ---
  // The deleted record number and the number of the record that moved into
  // it (0 when none).
  std::function<void(TVxbAccessor&, int32_t, int32_t)> OnRecordDeleted;
  std::function<void(TVxbAccessor&)> OnRelationChanged;
  std::function<void(TVxbAccessor&)> OnRelationEmptied;

  // --- IRelationListener ---
  void RecordsChanged() override;
  void RecordUpdated(int32_t recNo) override;
  void RecordDeleted(int32_t recNo, int32_t movedFrom) override;
  void StructureChanged() override;
  bool IsEditing(int32_t recNo) const override;

 private:
  bool IsContentColumn(int fieldNo) const;
  int16_t ColumnType(int fieldNo) const;
  // The locks of the relation's table; null for a relation without shared
  // lock state (its guards then hold nothing).
  storage::TVxbTableLockGuard ReadLock();
  storage::TVxbTableLockGuard UpgradeLock();
  // A fresh record with presets and calculated initial values into
  // `buffer`; on failure the old position comes back.
  int16_t PresetRecord(uint8_t* buffer);
  void SealContentRefs(uint8_t* recBuffer, const uint8_t* stored) const;
  int16_t AcquireEditLock();
  int16_t PostEdit();
  int16_t PostAppend();
  void EndWorkRecord();
  // Reads the stored content of the current record's column `fieldNo` into
  // its entry; the size, 0, or a negated error.
  int32_t ReadStoredContent(int fieldNo);
  // The size a content transfer reports for `entry` of a column of `type`.
  static int32_t ContentSize(const storage::TVxbBlobData& entry, int16_t type);
  int16_t RecordException(const std::exception& e);
  // --- walking (accessor_position.cpp) ---
  int16_t RawFirst();
  int16_t RawLast();
  int16_t RawNext();
  int16_t RawPrior();
  // From the raw first (or with `fromEnd` last) step's `result`, steps on
  // to the first visible record, counting `sequenceNo` along (a negative
  // count stays unknown); with none, before the first record, and on a
  // failure back to `start`.
  int16_t SettleFromEnd(int16_t result, bool fromEnd, int32_t sequenceNo, const TPosition& start);
  // The steps in the order's own direction.
  int16_t StepFirst(bool fromEnd);
  int16_t StepNext(bool backwards);
  int16_t IndexFirst(bool fromEnd);
  int16_t IndexStep(bool backwards);
  int16_t RecordNoStep(bool backwards);
  int16_t BookmarkStep(bool backwards);
  // Stands on the entry in FCurrentIndexInfo's record.
  void TakeIndexEntry();
  // The entry lies within the range bounds of the current index.
  bool WithinRange(const types::TVxbLongIndexInfo& entry) const;
  bool BeyondUpper(const types::TVxbLongIndexInfo& entry) const;
  bool BelowLower(const types::TVxbLongIndexInfo& entry) const;
  // The index in place `indexNo`, opened when needed; null (error recorded)
  // when it cannot be had.
  index::TVxbIndexFile* UsableIndex(int indexNo);
  // Computes the current record's key in the current index.
  int16_t ComputeCurrentIndexInfo();
  types::TVxbLongIndexInfo& CurrentIndexInfo();
  types::TVxbLongIndexInfo& ScratchEntry();
  int32_t CountByWalking();
  int16_t FollowDeletionInOrder(int32_t recNo, int32_t movedFrom);
  void BindFields();
  // One column of `source` into column `targetFieldNo` (AssignRecordFrom).
  int16_t AssignFieldFrom(TVxbAccessor& source, int sourceFieldNo, int targetFieldNo);
  // One pair of TransferRecordFrom.
  int16_t TransferFieldFrom(TVxbAccessor& source, int sourceFieldNo, int targetFieldNo);

  storage::TVxbRelation& FRelation;
  std::u16string FName;
  std::u16string FTag;
  int32_t FLockingTimeout;
  bool FOpen = false;
  int32_t FCurrentRecordNo = -1;
  int32_t FCurrentSequenceNo = -1;
  bool FCurrentRecBufUpdated = false;
  std::vector<uint8_t> FCurrentRecBuf;
  std::vector<types::TVxbDataValue> FFields;
  int32_t FWorkRecordNo = -1;
  int32_t FWorkRecordId = 0;
  std::vector<uint8_t> FWorkRecBuf;
  TVxbPendingContents FPendingBlobs;
  int32_t FSavedRecordNo = -1;
  TVxbEditState FCurrentEditState = esBrowse;
  bool FRecordDeleted = false;
  int16_t FBlobTransferFieldNo = 0;
  bool FBlobTransferWriting = false;
  bool FBlobTransferTransient = false;
  // Walking.
  TVxbAccessType FCurrentAccessType = tatRecordNo;
  int FCurrentIndexNo = storage::kNoIndex;
  bool FReverse = false;
  TVxbSqlCondition* FFilter = nullptr;
  std::unique_ptr<index::TVxbBookmarkList> FBookmarks = std::make_unique<index::TVxbBookmarkList>();
  TVxbRangeBound FRangeLowerBound;
  TVxbRangeBound FRangeUpperBound;
  std::unique_ptr<types::TVxbLongIndexInfo> FCurrentIndexInfo;
  std::unique_ptr<types::TVxbLongIndexInfo> FScratchEntry;
  // The entry a key search walks with (made once: an entry is large).
  std::unique_ptr<types::TVxbLongIndexInfo> FProbeEntry;
  // The slot of the current record in the bookmark list, when known.
  int32_t FBookmarkSlot = -1;
};

}  // namespace vexilo::cursor
