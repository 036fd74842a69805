// TDataLink: a control's view of a dataset through a data source. A control
// derives from it, sets BufferCount to the number of records it shows at once
// (a grid: its visible rows), and overrides the virtual notifications. The
// dataset keeps at least as many record buffers as the largest BufferCount of
// its links; each link sees a window of BufferCount consecutive buffers that
// always contains the active record. While a link draws its rows it may set
// ActiveRecord to each row in turn and must set it back.
//
// A link references its data source and detaches itself when destroyed.
#pragma once

#include "framework/core/db_types.h"

namespace vexilo::framework {

class TDataSet;
class TDataSource;
class TField;

class TDataLink {
 public:
  TDataLink() = default;
  virtual ~TDataLink();
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;

  TDataSource* DataSource() const { return FDataSource; }
  // Binds to `value` (nullptr: none); raises EDatabaseError "DataSource
  // cannot be changed" when the source is fixed.
  void SetDataSource(TDataSource* value);
  // The source's dataset, or nullptr.
  TDataSet* DataSet() const;
  // Forbids SetDataSource.
  bool DataSourceFixed() const { return FDataSourceFixed; }
  void SetDataSourceFixed(bool value) { FDataSourceFixed = value; }

  // Whether the dataset is open and the source enabled.
  bool Active() const { return FActive; }
  // Whether the dataset is in edit, insert or key mode and the link not
  // read-only.
  bool Editing() const { return FEditing; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value);

  // Records the link shows at once (at least 1).
  int BufferCount() const { return FBufferCount; }
  void SetBufferCount(int value);
  // The active record's row within the link's window (0 to RecordCount-1).
  int ActiveRecord() const;
  // Makes row `value` of the window the dataset's active record, for reading
  // its fields; the caller sets the old row back afterwards.
  void SetActiveRecord(int value);
  // Rows of the window that hold records.
  int RecordCount() const;
  bool Bof() const;
  bool Eof() const;

  // Puts the dataset into edit mode through the source (unless read-only);
  // true when the link is editing afterwards.
  bool Edit();
  // Calls UpdateData, with record-change notices to this link suppressed.
  void UpdateRecord();
  // Moves the dataset `distance` records; returns how far it got.
  int MoveBy(int distance);

 protected:
  // The dataset opened or closed (or the source changed).
  virtual void ActiveChanged() {}
  // The records in the buffers were re-read.
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  // The window moved `distance` rows (positive: towards the end).
  virtual void DataSetScrolled(int /*distance*/) { DataSetChanged(); }
  // `field` (nullptr: any) of the active record changed.
  virtual void RecordChanged(TField* /*field*/) {}
  // Editing started or ended.
  virtual void EditingChanged() {}
  // The fields or their display properties changed.
  virtual void LayoutChanged() { DataSetChanged(); }
  // Write pending edits into the fields.
  virtual void UpdateData() {}
  // Finish editing in the control.
  virtual void CheckBrowseMode() {}
  // The control showing `field` should take the focus; set `field` to
  // nullptr when it did.
  virtual void FocusControl(TField*& /*field*/) {}

 private:
  friend class TDataSource;
  friend class TDataSet;

  void DataEvent(TDataEvent event, const TDataEventInfo& info);
  void UpdateState();
  void SetActive(bool value);
  void SetEditing(bool value);
  void UpdateRange();

  TDataSource* FDataSource = nullptr;
  int FBufferCount = 1;
  int FFirstRecord = 0;
  bool FActive = false;
  bool FEditing = false;
  bool FReadOnly = false;
  bool FUpdating = false;
  bool FDataSourceFixed = false;
};

}  // namespace vexilo::framework
