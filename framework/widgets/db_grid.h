// TDBGrid: a data-aware grid. It shows the records of a data source's dataset
// in rows and chosen fields in columns, with a title row and an indicator
// column that marks the current record (an arrow while browsing, an I-beam
// while editing, a star for a new record). Rows are the dataset's record
// buffers: the grid asks its data link for as many buffers as rows fit, so it
// reads only the visible records, never the whole table; the vertical scroll
// bar shows the position (by record number when the dataset knows it).
//
// Moving in the grid moves the dataset: Up/Down, PageUp/PageDown, Ctrl+Home,
// Ctrl+End, the mouse wheel, a click on a row and the scroll bar. In an
// editable grid typing edits the current cell (the dataset goes into edit
// mode), Insert starts a new record, Down on the last record appends one,
// Ctrl+Delete deletes the current record (after a question when
// ConfirmDelete), Escape cancels the changes, and leaving the row posts them.
// Failures of these actions go to the application's error handling; a silent
// abort shows nothing. When the dataset refuses to edit with an error (another
// user edits the record), the cell editor still opens and keeps what the user
// types: Enter tries again (and reports again), Escape or leaving the editor
// drops it.
//
// The grid references its data source; it owns its link, view and scroll bar.
#pragma once

#include <QColor>
#include <QFont>
#include <QFrame>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

class QScrollBar;
class QTableView;

namespace vexilo::framework {

class TDataSource;
class TDataSet;
class TField;

// A column: the field it shows, its title and its width in pixels (0: the
// field's display width).
struct TDBGridColumn {
  QString FieldName;
  QString Title;
  int Width = 0;
};

// The grid's options; the defaults are those of an editable grid.
struct TDBGridOptions {
  bool Editing = true;        // cells can be edited
  bool Titles = true;         // the title row is shown
  bool Indicator = true;      // the indicator column is shown
  bool ColumnResize = true;   // columns can be resized with the mouse
  bool ColLines = true;       // lines between columns
  bool RowLines = true;       // lines between rows
  bool Tabs = true;           // Tab moves between columns instead of leaving the grid
  bool ConfirmDelete = true;  // Ctrl+Delete asks before deleting
  bool CancelOnExit = true;   // leaving the grid cancels an unchanged new record
};

class TDBGrid : public QFrame {
  Q_OBJECT

 public:
  explicit TDBGrid(QWidget* parent = nullptr);
  ~TDBGrid() override;
  TDBGrid(const TDBGrid&) = delete;
  TDBGrid& operator=(const TDBGrid&) = delete;

  TDataSource* DataSource() const;
  // Binds the grid to `dataSource` (nullptr: none); it must outlive the
  // binding.
  void SetDataSource(TDataSource* dataSource);

  // A read-only grid never changes the dataset, whatever its options say.
  bool ReadOnly() const;
  void SetReadOnly(bool value);
  const TDBGridOptions& Options() const { return FOptions; }
  void SetOptions(const TDBGridOptions& options);

  // The columns shown; with none, every visible field in field order.
  const std::vector<TDBGridColumn>& Columns() const { return FColumns; }
  void SetColumns(std::vector<TDBGridColumn> columns);

  // Colours and fonts of the cells and the titles.
  void SetTextColor(const QColor& color);
  void SetTitleFont(const QFont& font);
  void SetTitleColor(const QColor& color);

  // The records the grid shows at once: the rows that fit, which is the
  // number of buffers its link asks for.
  int VisibleRowCount() const;
  // Rows that hold records now.
  int RowCount() const;
  // The row of the current record, -1 when the grid shows none.
  int Row() const;
  // The text the grid shows in `row` and `column`.
  QString CellText(int row, int column) const;
  // The indicator of `row`: ">" current record, "I" being edited, "*" new
  // record, "" otherwise.
  QString IndicatorText(int row) const;
  // The title of `column`.
  QString TitleText(int column) const;

  QTableView* View() const;
  QScrollBar* ScrollBar() const;

 private:
  class TLink;
  class TModel;
  class TDelegate;
  class TView;
  friend class TLink;
  friend class TModel;
  friend class TDelegate;
  friend class TView;

  // The dataset when the grid's link is active, else nullptr.
  TDataSet* ActiveDataSet() const;
  // The field shown in `column`, nullptr when the dataset has no such field.
  TField* ColumnField(int column) const;
  int ColumnCount() const;
  bool CanEditCells() const;
  bool CanModifyDataSet() const;

  // Reactions to the dataset.
  void LinkActiveChanged();
  void LinkDataSetChanged();
  void LinkRecordChanged();
  void LinkEditingChanged();
  void LinkLayoutChanged();
  void LinkUpdateData();

  // The grid's actions on the dataset.
  void MoveBy(int distance);
  void MoveToFirst();
  void MoveToLast();
  void MoveDown();
  void MoveUp();
  void InsertRecord();
  void DeleteRecord();
  void CancelChanges();
  void ScrollBarAction(int action);
  void ScrollBarReleased();

  void UpdateColumns();
  void UpdateBufferCount();
  void SyncCurrentCell();
  void UpdateScrollBar();
  // Writes the open cell editor's text into its field.
  void CommitEditor();
  // The display (or, with `forEditing`, the editing) text of `field` in `row`.
  QString FieldTextAt(int row, TField& field, bool forEditing) const;

  TDBGridOptions FOptions;
  std::vector<TDBGridColumn> FColumns;
  // The fields shown while no columns are set.
  std::vector<QString> FDefaultFieldNames;
  QColor FTextColor;
  std::optional<QFont> FTitleFont;
  QColor FTitleColor;
  bool FSyncing = false;
  // The cell editor opened although the dataset refused to edit (another
  // user edits the record): it keeps the typed text until Escape.
  bool FEditRefused = false;
  // The last write of a cell editor's text into its field was refused.
  bool FCommitRefused = false;
  bool FScrollBarSequenced = false;
  // The column of the current cell, kept while the rows are re-read.
  int FCurrentColumn = 0;

  std::unique_ptr<TLink> FLink;
  TModel* FModel = nullptr;        // owned through Qt: a child of the grid
  TDelegate* FDelegate = nullptr;  // owned through Qt
  TView* FView = nullptr;          // owned through Qt
  QScrollBar* FScrollBar = nullptr;
};

}  // namespace vexilo::framework
