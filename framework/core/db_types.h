// The small types the dataset framework shares between datasets, fields, data
// sources and data links: dataset states, data events, the results of the
// record protocol, bookmark flags, record buffers and bookmarks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vexilo::framework {

class TField;

// What a dataset is doing; selects the record buffer its fields read and write.
enum class TDataSetState {
  dsInactive,      // closed
  dsBrowse,        // open, moving between records
  dsEdit,          // changing the active record
  dsInsert,        // filling a new record
  dsSetKey,        // filling a search key buffer
  dsCalcFields,    // computing calculated fields (OnCalcFields)
  dsFilter,        // offering a record to OnFilterRecord
  dsNewValue,      // reading or writing new values of a record being updated
  dsOldValue,      // reading the values a record had before it was changed
  dsCurValue,      // reading the values as currently stored
  dsBlockRead,     // reading records in a block, controls not notified
  dsInternalCalc,  // computing internally calculated fields
  dsOpening,       // opening in the background
};

// The states in which the active record is being changed.
inline bool IsEditMode(TDataSetState state) {
  return state == TDataSetState::dsEdit || state == TDataSetState::dsInsert ||
         state == TDataSetState::dsSetKey;
}

// What a dataset announces to its data sources and their data links.
enum class TDataEvent {
  deFieldChange,          // one field of the active record changed (Field)
  deRecordChange,         // the active record changed in place (Field or none)
  deDataSetChange,        // the records held in the buffers were re-read
  deDataSetScroll,        // the buffers moved by a number of rows (Distance)
  deLayoutChange,         // the fields or their properties changed
  deUpdateRecord,         // controls must write pending edits into the fields
  deUpdateState,          // the dataset state changed
  deCheckBrowseMode,      // controls must finish their editing
  dePropertyChange,       // a dataset property changed
  deFieldListChange,      // fields were added or removed
  deFocusControl,         // the control of a field should take the focus
  deParentScroll,         // a master dataset scrolled
  deConnectChange,        // the connection of the dataset changed
  deReconcileError,       // an update could not be applied
  deDisabledStateChange,  // the dataset opened or closed while controls were disabled
};

// The extra information of a data event.
struct TDataEventInfo {
  TField* Field = nullptr;       // deFieldChange, deRecordChange
  int Distance = 0;              // deDataSetScroll: how far the buffer ring moved
  TField** FocusField = nullptr; // deFocusControl: a control that takes the focus clears it
};

// Which record GetRecord fetches, relative to the cursor.
enum class TGetMode { gmCurrent, gmNext, gmPrior };

// What GetRecord found.
enum class TGetResult { grOK, grBOF, grEOF, grError };

// What a record buffer holds: a stored record, the position before the first
// or after the last record, or a new record not yet posted.
enum class TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };

// How Resync re-reads the buffers around the cursor's record.
struct TResyncMode {
  bool Exact = false;   // the cursor's record must still exist ("Record not found")
  bool Center = false;  // put it in the middle of the buffers
};

// What an OnPostError, OnDeleteError or OnEditError handler decides.
enum class TDataAction { daFail, daAbort, daRetry };

// How a blob stream is opened.
enum class TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

// Filter options.
struct TFilterOptions {
  bool CaseInsensitive = false;   // foCaseInsensitive
  bool NoPartialCompare = false;  // foNoPartialCompare
  bool operator==(const TFilterOptions&) const = default;
};

// Options of Locate and Lookup.
struct TLocateOptions {
  bool CaseInsensitive = false;  // loCaseInsensitive
  bool PartialKey = false;       // loPartialKey
};

// A record buffer. The dataset allocates it and owns it in its ring; a
// TRecordBuffer only points at it.
using TRecordBuffer = std::byte*;
using TRecordBufferPtr = std::unique_ptr<std::byte[]>;

// A bookmark: the bytes a dataset needs to find a record again. Empty means
// no bookmark.
using TBookmark = std::vector<std::byte>;

}  // namespace vexilo::framework
