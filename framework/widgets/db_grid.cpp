#include "framework/widgets/db_grid.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPersistentModelIndex>
#include <QPixmap>
#include <QPointer>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QWheelEvent>
#include <algorithm>

#include "framework/core/abort.h"
#include "framework/core/data_link.h"
#include "framework/core/data_source.h"
#include "framework/core/dataset.h"
#include "framework/core/field.h"
#include "framework/widgets/application.h"
#include "framework/widgets/db_grid_link.h"

namespace vexilo::framework {

namespace {

constexpr int kIndicatorWidth = 12;
constexpr int kDefaultColumnWidth = 64;

QString ToQString(const std::u16string& text) { return QString::fromStdU16String(text); }

enum class TIndicator { None, Current, Editing, Inserting };

// Small black glyphs for the indicator column.
QIcon IndicatorIcon(TIndicator indicator) {
  QPixmap pixmap(10, 12);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::black);
  p.setBrush(Qt::black);
  switch (indicator) {
    case TIndicator::Current: {
      QPainterPath arrow;
      arrow.moveTo(2, 2);
      arrow.lineTo(8, 6);
      arrow.lineTo(2, 10);
      arrow.closeSubpath();
      p.drawPath(arrow);
      break;
    }
    case TIndicator::Editing:
      p.drawLine(QPointF(5, 1.5), QPointF(5, 10.5));
      p.drawLine(QPointF(3, 1.5), QPointF(7, 1.5));
      p.drawLine(QPointF(3, 10.5), QPointF(7, 10.5));
      break;
    case TIndicator::Inserting:
      p.drawLine(QPointF(5, 2), QPointF(5, 10));
      p.drawLine(QPointF(1.5, 4), QPointF(8.5, 8));
      p.drawLine(QPointF(1.5, 8), QPointF(8.5, 4));
      break;
    case TIndicator::None:
      break;
  }
  p.end();
  return QIcon(pixmap);
}

}  // namespace

// ---------------------------------------------------------------------------
// The model: row r is the link's record buffer r, column c the grid's column
// c. Every read goes to the dataset's buffers; the texts last shown are kept
// only to tell which rows a re-read of the buffers changed.

class TDBGrid::TModel : public QAbstractTableModel {
 public:
  explicit TModel(TDBGrid& grid) : QAbstractTableModel(&grid), FGrid(grid) {}

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : FGrid.RowCount();
  }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : FGrid.ColumnCount();
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    if (role == Qt::ForegroundRole && FGrid.FTextColor.isValid()) return FGrid.FTextColor;
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    TField* field = FGrid.ColumnField(index.column());
    if (field == nullptr) return {};
    return FGrid.FieldTextAt(index.row(), *field, role == Qt::EditRole);
  }

  bool setData(const QModelIndex& index, const QVariant& value, int role) override {
    if (!index.isValid() || role != Qt::EditRole) return false;
    bool written = false;
    FGrid.FCommitRefused = false;
    RunUserAction([&] {
      TField* field = FGrid.ColumnField(index.column());
      if (field == nullptr || index.row() != FGrid.Row()) return;
      const std::u16string text = value.toString().toStdU16String();
      if (field->Text() == text) {
        written = true;
        return;
      }
      if (!FGrid.FLink->Edit()) return;
      field->SetText(text);
      written = true;
    });
    FGrid.FCommitRefused = !written;
    return written;
  }

  Qt::ItemFlags flags(const QModelIndex& index) const override {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (FGrid.CanEditCells()) {
      TField* field = FGrid.ColumnField(index.column());
      if (field != nullptr && field->CanModify()) result |= Qt::ItemIsEditable;
    }
    return result;
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation == Qt::Horizontal) {
      switch (role) {
        case Qt::DisplayRole:
          return FGrid.TitleText(section);
        case Qt::FontRole:
          return FGrid.FTitleFont ? QVariant(*FGrid.FTitleFont) : QVariant();
        case Qt::ForegroundRole:
          return FGrid.FTitleColor.isValid() ? QVariant(FGrid.FTitleColor) : QVariant();
        default:
          return {};
      }
    }
    if (role == Qt::DecorationRole) {
      const QString indicator = FGrid.IndicatorText(section);
      if (indicator == QStringLiteral(">")) return IndicatorIcon(TIndicator::Current);
      if (indicator == QStringLiteral("I")) return IndicatorIcon(TIndicator::Editing);
      if (indicator == QStringLiteral("*")) return IndicatorIcon(TIndicator::Inserting);
    }
    return {};
  }

  void Reset() {
    beginResetModel();
    endResetModel();
    FShownRows = rowCount();
    FShownColumns = columnCount();
    FShown.clear();
    FIndicators.clear();
  }

  // The buffers were re-read: with as many rows and columns as before only
  // the rows whose texts differ from what was shown are announced, so that
  // a re-read that changed nothing repaints nothing; otherwise a reset.
  void Refresh() {
    const int rows = rowCount();
    const int columns = columnCount();
    if (rows != FShownRows || columns != FShownColumns) {
      Reset();
      FShown = ShownTexts();
      return;
    }
    std::vector<QString> texts = ShownTexts();
    for (int row = 0; row < rows; ++row) {
      const auto from = static_cast<size_t>(row) * static_cast<size_t>(columns);
      const bool same = FShown.size() == texts.size() &&
                        std::equal(texts.begin() + static_cast<std::ptrdiff_t>(from),
                                   texts.begin() + static_cast<std::ptrdiff_t>(from + static_cast<size_t>(columns)),
                                   FShown.begin() + static_cast<std::ptrdiff_t>(from));
      if (!same && columns > 0) emit dataChanged(index(row, 0), index(row, columns - 1));
    }
    FShown = std::move(texts);
  }

  // The values of `row` changed (not the number of rows).
  void RowChanged(int row) {
    FShown.clear();
    const int columns = columnCount();
    if (row < 0 || row >= rowCount() || columns == 0) return;
    emit dataChanged(index(row, 0), index(row, columns - 1));
  }

  // Announces the rows whose indicator differs from the one last announced.
  void IndicatorsChanged() {
    const int rows = rowCount();
    std::vector<QString> indicators;
    indicators.reserve(static_cast<size_t>(std::max(rows, 0)));
    for (int row = 0; row < rows; ++row) indicators.push_back(FGrid.IndicatorText(row));
    for (int row = 0; row < rows; ++row) {
      const auto at = static_cast<size_t>(row);
      if (at >= FIndicators.size() || FIndicators[at] != indicators[at]) emit headerDataChanged(Qt::Vertical, row, row);
    }
    FIndicators = std::move(indicators);
  }

 private:
  // The display texts of every cell, row by row.
  std::vector<QString> ShownTexts() const {
    std::vector<QString> texts;
    const int rows = rowCount();
    const int columns = columnCount();
    texts.reserve(static_cast<size_t>(rows) * static_cast<size_t>(columns));
    for (int row = 0; row < rows; ++row) {
      for (int column = 0; column < columns; ++column) texts.push_back(FGrid.CellText(row, column));
    }
    return texts;
  }

  TDBGrid& FGrid;
  // What the view was last told: its rows, columns and texts (empty: not
  // known, every row counts as changed).
  int FShownRows = -1;
  int FShownColumns = -1;
  std::vector<QString> FShown;
  // The indicators last announced, by row.
  std::vector<QString> FIndicators;
};

// ---------------------------------------------------------------------------
// The delegate: draws the row and column lines the options ask for and keeps
// track of the open cell editor.

class TDBGrid::TDelegate : public QStyledItemDelegate {
 public:
  explicit TDelegate(TDBGrid& grid) : QStyledItemDelegate(&grid), FGrid(grid) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
      TField* field = FGrid.ColumnField(index.column());
      if (field != nullptr && field->Size() > 0 && !field->IsBlob()) {
        line->setMaxLength(field->Size());
      }
    }
    FEditor = editor;
    FEditorIndex = index;
    return editor;
  }

  void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
    if (editor == FEditor) {
      FEditor = nullptr;
      FGrid.FEditRefused = false;
    }
    QStyledItemDelegate::destroyEditor(editor, index);
  }

  // An editor opened on a record the dataset refused to edit keeps its text
  // while the dataset goes on refusing: Enter and Tab try to write it (the
  // user is told again why not) and leave the editor open; leaving the
  // editor drops it; Escape drops it as always.
  bool eventFilter(QObject* object, QEvent* event) override {
    auto* editor = qobject_cast<QWidget*>(object);
    if (FGrid.FEditRefused && editor != nullptr && editor == FEditor) {
      if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Tab || key == Qt::Key_Backtab) {
          Commit();
          if (FGrid.FCommitRefused) return true;
          FGrid.FEditRefused = false;
        }
      } else if (event->type() == QEvent::FocusOut) {
        // A message box over the window is not leaving the editor.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return true;
        emit closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
        return true;
      }
    }
    return QStyledItemDelegate::eventFilter(object, event);
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    if (!FGrid.FOptions.ColLines && !FGrid.FOptions.RowLines) return;
    painter->save();
    painter->setPen(option.palette.color(QPalette::Mid));
    const QRect& r = option.rect;
    if (FGrid.FOptions.ColLines) painter->drawLine(r.topRight(), r.bottomRight());
    if (FGrid.FOptions.RowLines) painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->restore();
  }

  // Writes the open editor's text into the model (its field).
  void Commit() {
    if (FEditor == nullptr || !FEditorIndex.isValid()) return;
    setModelData(FEditor, FGrid.FModel, FEditorIndex);
  }

 private:
  TDBGrid& FGrid;
  mutable QPointer<QWidget> FEditor;
  mutable QPersistentModelIndex FEditorIndex;
};

// ---------------------------------------------------------------------------
// The view: moves between rows only through the dataset.

class TDBGrid::TView : public QTableView {
 public:
  explicit TView(TDBGrid& grid) : QTableView(&grid), FGrid(grid) {}

  // Whether a cell editor is open.
  bool Editing() const { return state() == QAbstractItemView::EditingState; }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    switch (event->key()) {
      case Qt::Key_Up:
        FGrid.MoveUp();
        return;
      case Qt::Key_Down:
        FGrid.MoveDown();
        return;
      case Qt::Key_PageUp:
        FGrid.MoveBy(-FGrid.VisibleRowCount());
        return;
      case Qt::Key_PageDown:
        FGrid.MoveBy(FGrid.VisibleRowCount());
        return;
      case Qt::Key_Home:
        if (ctrl) {
          FGrid.MoveToFirst();
          return;
        }
        break;
      case Qt::Key_End:
        if (ctrl) {
          FGrid.MoveToLast();
          return;
        }
        break;
      case Qt::Key_Insert:
        if (event->modifiers() == Qt::NoModifier) {
          FGrid.InsertRecord();
          return;
        }
        break;
      case Qt::Key_Delete:
        if (ctrl) {
          FGrid.DeleteRecord();
          return;
        }
        break;
      case Qt::Key_Escape:
        if (state() != EditingState) {
          FGrid.CancelChanges();
          return;
        }
        break;
      default:
        break;
    }
    QTableView::keyPressEvent(event);
  }

  // Columns move freely; rows move only with the dataset.
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers /*modifiers*/) override {
    const int row = FGrid.Row();
    const int last = model()->columnCount() - 1;
    if (row < 0 || last < 0) return {};
    const QModelIndex current = currentIndex();
    int column = current.isValid() ? current.column() : FGrid.FCurrentColumn;
    switch (action) {
      case MoveLeft:
      case MovePrevious:
        column = std::max(0, column - 1);
        break;
      case MoveRight:
      case MoveNext:
        column = std::min(last, column + 1);
        break;
      case MoveHome:
        column = 0;
        break;
      case MoveEnd:
        column = last;
        break;
      default:
        break;
    }
    return model()->index(row, std::clamp(column, 0, last));
  }

  void mousePressEvent(QMouseEvent* event) override {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && index.row() != FGrid.Row()) {
      const int target = index.row();
      FGrid.MoveBy(target - FGrid.Row());
      if (FGrid.Row() != target) {
        event->accept();
        return;
      }
    }
    QTableView::mousePressEvent(event);
  }

  // No selection by dragging: the current row is the dataset's.
  void mouseMoveEvent(QMouseEvent* event) override {
    if (event->buttons() != Qt::NoButton) {
      event->accept();
      return;
    }
    QTableView::mouseMoveEvent(event);
  }

  void wheelEvent(QWheelEvent* event) override {
    FWheelDelta += event->angleDelta().y();
    const int steps = FWheelDelta / QWheelEvent::DefaultDeltasPerStep;
    FWheelDelta %= QWheelEvent::DefaultDeltasPerStep;
    if (steps != 0) FGrid.MoveBy(-steps);
    event->accept();
  }

  void resizeEvent(QResizeEvent* event) override {
    QTableView::resizeEvent(event);
    FGrid.UpdateBufferCount();
  }

  void keyboardSearch(const QString& /*search*/) override {}

  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override {
    const bool wanted = trigger == AllEditTriggers || (editTriggers() & trigger) != 0;
    if (!index.isValid() || !wanted || state() == EditingState ||
        !(model()->flags(index) & Qt::ItemIsEditable)) {
      return QTableView::edit(index, trigger, event);
    }
    // The dataset goes into edit mode before the editor opens, so that the
    // editor starts from the record as edit mode reads it.
    const int column = index.column();
    bool editing = false;
    bool refused = false;
    RunUserAction([&] {
      try {
        editing = FGrid.FLink->Edit();
      } catch (const EAbort&) {
        throw;
      } catch (...) {
        refused = true;
        throw;
      }
    });
    // A refusal the user was told about (another user edits the record)
    // still opens the editor, so that what they type is not lost; it is
    // written only once the dataset lets it.
    if ((!editing && !refused) || FGrid.Row() < 0) return false;
    const QModelIndex target = model()->index(FGrid.Row(), column);
    if (currentIndex() != target) {
      selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
    }
    const bool opened = QTableView::edit(target, trigger, event);
    if (opened && !editing) FGrid.FEditRefused = true;
    return opened;
  }

  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override {
    QTableView::currentChanged(current, previous);
    if (current.isValid()) FGrid.FCurrentColumn = current.column();
    // Anything that moved the cell to another row without the dataset is
    // put right once the current event is over.
    if (!FGrid.FSyncing && current.isValid() && current.row() != FGrid.Row()) {
      QMetaObject::invokeMethod(
          &FGrid,
          [grid = QPointer<TDBGrid>(&FGrid)] {
            if (grid) grid->SyncCurrentCell();
          },
          Qt::QueuedConnection);
    }
  }

  void focusOutEvent(QFocusEvent* event) override {
    QTableView::focusOutEvent(event);
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) {
      return;
    }
    QWidget* now = QApplication::focusWidget();
    if (now != nullptr && (now == this || FGrid.isAncestorOf(now))) return;
    TDataSet* dataSet = FGrid.ActiveDataSet();
    if (dataSet == nullptr || !FGrid.FOptions.CancelOnExit) return;
    RunUserAction([&] {
      if (dataSet->State() == TDataSetState::dsInsert && !dataSet->Modified()) dataSet->Cancel();
    });
  }

 private:
  TDBGrid& FGrid;
  int FWheelDelta = 0;
};

// ---------------------------------------------------------------------------

TDBGrid::TDBGrid(QWidget* parent) : QFrame(parent), FLink(std::make_unique<TLink>(*this)) {
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Sunken);

  FModel = new TModel(*this);
  FDelegate = new TDelegate(*this);
  FView = new TView(*this);
  FView->setObjectName(QStringLiteral("GridView"));
  FView->setFrameShape(QFrame::NoFrame);
  // The grid's own frame surrounds the view and the scroll bar.
  FView->setStyleSheet(QStringLiteral("QTableView { border: none; }"));
  FView->setModel(FModel);
  FView->setItemDelegate(FDelegate);
  FView->setShowGrid(false);
  FView->setWordWrap(false);
  FView->setSelectionMode(QAbstractItemView::SingleSelection);
  FView->setSelectionBehavior(QAbstractItemView::SelectItems);
  FView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  FView->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  FView->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  FView->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

  QHeaderView* rows = FView->verticalHeader();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setMinimumSectionSize(1);
  rows->setDefaultSectionSize(fontMetrics().height() + 4);
  rows->setMinimumWidth(kIndicatorWidth);
  rows->setMaximumWidth(kIndicatorWidth);
  rows->setSectionsClickable(false);
  QHeaderView* titles = FView->horizontalHeader();
  titles->setSectionsClickable(false);
  titles->setHighlightSections(false);
  titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  titles->setStretchLastSection(false);

  FScrollBar = new QScrollBar(Qt::Vertical, this);
  FScrollBar->setObjectName(QStringLiteral("GridScrollBar"));
  FScrollBar->setEnabled(false);
  connect(FScrollBar, &QAbstractSlider::actionTriggered, this, &TDBGrid::ScrollBarAction);
  connect(FScrollBar, &QAbstractSlider::sliderReleased, this, &TDBGrid::ScrollBarReleased);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(FView, 1);
  layout->addWidget(FScrollBar);
  setFocusProxy(FView);

  SetOptions(FOptions);
}

TDBGrid::~TDBGrid() {
  // The link goes first, so that no notice reaches a half-destroyed grid;
  // then the view, while the grid is still whole: destroying it moves the
  // focus, which the view reports to the grid.
  FLink.reset();
  delete FView;
}

TDataSource* TDBGrid::DataSource() const { return FLink->DataSource(); }

void TDBGrid::SetDataSource(TDataSource* dataSource) {
  FLink->SetDataSource(dataSource);
  LinkActiveChanged();
}

bool TDBGrid::ReadOnly() const { return FLink->ReadOnly(); }

void TDBGrid::SetReadOnly(bool value) {
  FLink->SetReadOnly(value);
  SetOptions(FOptions);
}

void TDBGrid::SetOptions(const TDBGridOptions& options) {
  FOptions = options;
  FView->horizontalHeader()->setVisible(FOptions.Titles);
  FView->verticalHeader()->setVisible(FOptions.Indicator);
  FView->horizontalHeader()->setSectionResizeMode(FOptions.ColumnResize ? QHeaderView::Interactive
                                                                        : QHeaderView::Fixed);
  FView->setTabKeyNavigation(FOptions.Tabs);
  FView->setEditTriggers(CanEditCells() ? QAbstractItemView::DoubleClicked |
                                              QAbstractItemView::EditKeyPressed |
                                              QAbstractItemView::AnyKeyPressed
                                        : QAbstractItemView::NoEditTriggers);
  FView->viewport()->update();
  UpdateBufferCount();
}

void TDBGrid::SetColumns(std::vector<TDBGridColumn> columns) {
  FColumns = std::move(columns);
  LinkLayoutChanged();
}

void TDBGrid::SetTextColor(const QColor& color) {
  FTextColor = color;
  FView->viewport()->update();
}

void TDBGrid::SetTitleFont(const QFont& font) {
  FTitleFont = font;
  FView->horizontalHeader()->setFont(font);
}

void TDBGrid::SetTitleColor(const QColor& color) {
  FTitleColor = color;
  FView->horizontalHeader()->viewport()->update();
}

int TDBGrid::VisibleRowCount() const { return FLink->BufferCount(); }

int TDBGrid::RowCount() const { return FLink->Active() ? FLink->RecordCount() : 0; }

int TDBGrid::Row() const { return RowCount() > 0 ? FLink->ActiveRecord() : -1; }

QString TDBGrid::CellText(int row, int column) const {
  if (row < 0 || row >= RowCount()) return {};
  TField* field = ColumnField(column);
  return field != nullptr ? FieldTextAt(row, *field, false) : QString();
}

QString TDBGrid::IndicatorText(int row) const {
  TDataSet* dataSet = ActiveDataSet();
  if (dataSet == nullptr || row < 0 || row != Row()) return {};
  switch (dataSet->State()) {
    case TDataSetState::dsEdit:
      return QStringLiteral("I");
    case TDataSetState::dsInsert:
      return QStringLiteral("*");
    default:
      return QStringLiteral(">");
  }
}

QString TDBGrid::TitleText(int column) const {
  if (!FColumns.empty()) {
    if (column < 0 || column >= static_cast<int>(FColumns.size())) return {};
    if (!FColumns[column].Title.isEmpty()) return FColumns[column].Title;
  }
  if (TField* field = ColumnField(column)) return ToQString(field->DisplayName());
  if (FColumns.empty()) return {};
  return FColumns[column].FieldName;
}

QTableView* TDBGrid::View() const { return FView; }

QScrollBar* TDBGrid::ScrollBar() const { return FScrollBar; }

TDataSet* TDBGrid::ActiveDataSet() const { return FLink->Active() ? FLink->DataSet() : nullptr; }

TField* TDBGrid::ColumnField(int column) const {
  TDataSet* dataSet = ActiveDataSet();
  if (dataSet == nullptr || column < 0 || column >= ColumnCount()) return nullptr;
  const QString& name = FColumns.empty() ? FDefaultFieldNames[column] : FColumns[column].FieldName;
  return dataSet->FindField(name.toStdU16String());
}

int TDBGrid::ColumnCount() const {
  return static_cast<int>(FColumns.empty() ? FDefaultFieldNames.size() : FColumns.size());
}

bool TDBGrid::CanEditCells() const { return FOptions.Editing && !FLink->ReadOnly(); }

bool TDBGrid::CanModifyDataSet() const {
  TDataSet* dataSet = ActiveDataSet();
  return dataSet != nullptr && CanEditCells() && dataSet->CanModify();
}

QString TDBGrid::FieldTextAt(int row, TField& field, bool forEditing) const {
  const int saved = FLink->ActiveRecord();
  QString text;
  try {
    FLink->SetActiveRecord(row);
    text = ToQString(forEditing ? field.Text() : field.DisplayText());
  } catch (const std::exception& error) {
    // Painting must go on; the failure shows when the record is used.
    qWarning("grid cell cannot be read: %s", error.what());
  }
  FLink->SetActiveRecord(saved);
  return text;
}

void TDBGrid::LinkActiveChanged() {
  UpdateColumns();
  UpdateBufferCount();
  SyncCurrentCell();
  UpdateScrollBar();
}

void TDBGrid::LinkDataSetChanged() {
  // An open cell editor goes with a reset; while browsing, only the rows
  // that changed are repainted.
  const TDataSet* dataSet = ActiveDataSet();
  if (dataSet != nullptr && dataSet->State() == TDataSetState::dsBrowse &&
      !FView->Editing()) {
    FModel->Refresh();
  } else {
    FModel->Reset();
  }
  SyncCurrentCell();
  UpdateScrollBar();
}

void TDBGrid::LinkRecordChanged() {
  FModel->RowChanged(Row());
  FModel->IndicatorsChanged();
}

void TDBGrid::LinkEditingChanged() {
  FModel->IndicatorsChanged();
  FView->viewport()->update();
}

void TDBGrid::LinkLayoutChanged() {
  UpdateColumns();
  SyncCurrentCell();
  UpdateScrollBar();
}

void TDBGrid::LinkUpdateData() {
  // An editor the dataset refused to edit for holds no change of the record.
  if (!FEditRefused) CommitEditor();
}

void TDBGrid::CommitEditor() { FDelegate->Commit(); }

void TDBGrid::UpdateColumns() {
  FDefaultFieldNames.clear();
  if (TDataSet* dataSet = ActiveDataSet(); dataSet != nullptr && FColumns.empty()) {
    for (const auto& field : dataSet->Fields()) {
      if (field->Visible()) FDefaultFieldNames.push_back(ToQString(field->FieldName()));
    }
  }
  FModel->Reset();
  const int charWidth = FView->fontMetrics().averageCharWidth();
  for (int column = 0; column < ColumnCount(); ++column) {
    int width = FColumns.empty() ? 0 : FColumns[column].Width;
    if (width <= 0) {
      TField* field = ColumnField(column);
      width = field != nullptr ? std::clamp(field->DisplayWidth(), 4, 40) * charWidth + 8
                               : kDefaultColumnWidth;
    }
    FView->setColumnWidth(column, width);
  }
}

void TDBGrid::UpdateBufferCount() {
  const int rowHeight = std::max(1, FView->verticalHeader()->defaultSectionSize());
  const int rows = std::max(1, FView->viewport()->height() / rowHeight);
  if (rows == FLink->BufferCount()) return;
  RunUserAction([&] { FLink->SetBufferCount(rows); });
  // The link's window now holds more (or fewer) records.
  LinkDataSetChanged();
}

void TDBGrid::SyncCurrentCell() {
  FSyncing = true;
  const int row = Row();
  const int columns = ColumnCount();
  if (row >= 0 && columns > 0) {
    const QModelIndex cell = FModel->index(row, std::clamp(FCurrentColumn, 0, columns - 1));
    if (FView->currentIndex() != cell) {
      FView->selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect);
    }
  } else {
    FView->selectionModel()->clear();
  }
  FSyncing = false;
  FModel->IndicatorsChanged();
}

}  // namespace vexilo::framework
