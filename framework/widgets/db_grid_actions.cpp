// The grid's actions on its dataset: moving with keys, wheel and scroll bar,
// inserting, deleting and cancelling, and the scroll bar that shows where the
// dataset stands.
#include "framework/widgets/db_grid.h"

#include <QScrollBar>
#include <QSignalBlocker>

#include "framework/core/data_source.h"
#include "framework/core/dataset.h"
#include "framework/widgets/application.h"
#include "framework/widgets/control_texts.h"
#include "framework/widgets/db_grid_link.h"
#include "framework/widgets/message_boxes.h"

namespace vexilo::framework {

namespace {

// The three positions of the scroll bar of a dataset without record numbers.
constexpr int kUnsequencedTop = 0;
constexpr int kUnsequencedMiddle = 2;
constexpr int kUnsequencedBottom = 4;

}  // namespace

void TDBGrid::MoveBy(int distance) {
  if (ActiveDataSet() == nullptr || distance == 0) return;
  RunUserAction([&] {
    CommitEditor();
    FLink->MoveBy(distance);
  });
  UpdateScrollBar();
}

void TDBGrid::MoveToFirst() {
  TDataSet* dataSet = ActiveDataSet();
  if (dataSet == nullptr) return;
  RunUserAction([&] {
    CommitEditor();
    dataSet->First();
  });
}

void TDBGrid::MoveToLast() {
  TDataSet* dataSet = ActiveDataSet();
  if (dataSet == nullptr) return;
  RunUserAction([&] {
    CommitEditor();
    dataSet->Last();
  });
}

void TDBGrid::MoveDown() {
  TDataSet* dataSet = ActiveDataSet();
  if (dataSet == nullptr) return;
  RunUserAction([&] {
    CommitEditor();
    if (dataSet->State() == TDataSetState::dsInsert && !dataSet->Modified()) {
      // An untouched new record: at the end nothing follows it; elsewhere it
      // is dropped and the grid stays on the record after it.
      if (FLink->Eof()) return;
      dataSet->Cancel();
    } else {
      FLink->MoveBy(1);
    }
    if (FLink->Eof() && CanModifyDataSet()) dataSet->Append();
  });
}

void TDBGrid::MoveUp() {
  TDataSet* dataSet = ActiveDataSet();
  if (dataSet == nullptr) return;
  RunUserAction([&] {
    CommitEditor();
    if (dataSet->State() == TDataSetState::dsInsert && !dataSet->Modified() && dataSet->Eof()) {
      dataSet->Cancel();
    } else {
      FLink->MoveBy(-1);
    }
  });
}

void TDBGrid::InsertRecord() {
  if (!CanModifyDataSet()) return;
  RunUserAction([&] {
    CommitEditor();
    ActiveDataSet()->Insert();
  });
}

void TDBGrid::DeleteRecord() {
  TDataSet* dataSet = ActiveDataSet();
  if (dataSet == nullptr || !CanModifyDataSet() || dataSet->IsEmpty()) return;
  if (FOptions.ConfirmDelete &&
      !MessageBoxes().AskYesNo(window(), kDeleteRecordTitle, kDeleteRecordQuestion)) {
    return;
  }
  RunUserAction([&] { dataSet->Delete(); });
}

void TDBGrid::CancelChanges() {
  TDataSet* dataSet = ActiveDataSet();
  if (dataSet == nullptr || !IsEditMode(dataSet->State())) return;
  RunUserAction([&] { dataSet->Cancel(); });
}

void TDBGrid::ScrollBarAction(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
      MoveBy(1);
      break;
    case QAbstractSlider::SliderSingleStepSub:
      MoveBy(-1);
      break;
    case QAbstractSlider::SliderPageStepAdd:
      MoveBy(VisibleRowCount());
      break;
    case QAbstractSlider::SliderPageStepSub:
      MoveBy(-VisibleRowCount());
      break;
    case QAbstractSlider::SliderToMinimum:
      MoveToFirst();
      break;
    case QAbstractSlider::SliderToMaximum:
      MoveToLast();
      break;
    default:
      return;  // dragging the thumb moves on release
  }
  UpdateScrollBar();
}

void TDBGrid::ScrollBarReleased() {
  TDataSet* dataSet = ActiveDataSet();
  if (dataSet == nullptr) return;
  const int position = FScrollBar->sliderPosition();
  if (FScrollBarSequenced) {
    RunUserAction([&] {
      CommitEditor();
      dataSet->SetRecNo(position + 1);
    });
  } else if (position <= kUnsequencedTop) {
    MoveToFirst();
  } else if (position >= kUnsequencedBottom) {
    MoveToLast();
  }
  UpdateScrollBar();
}

void TDBGrid::UpdateScrollBar() {
  TDataSet* dataSet = ActiveDataSet();
  const QSignalBlocker blocker(FScrollBar);
  if (dataSet == nullptr) {
    FScrollBar->setRange(0, 0);
    FScrollBar->setEnabled(false);
    return;
  }
  int32_t recNo = -1;
  int32_t count = -1;
  try {
    recNo = dataSet->RecNo();
    if (recNo > 0) count = dataSet->RecordCount();
  } catch (const std::exception& error) {
    qWarning("grid position cannot be read: %s", error.what());
  }
  FScrollBarSequenced = recNo > 0 && count >= recNo;
  if (FScrollBarSequenced) {
    FScrollBar->setRange(0, count - 1);
    FScrollBar->setPageStep(std::max(1, VisibleRowCount()));
    FScrollBar->setValue(recNo - 1);
  } else {
    FScrollBar->setRange(kUnsequencedTop, kUnsequencedBottom);
    FScrollBar->setPageStep(1);
    FScrollBar->setValue(dataSet->Bof()   ? kUnsequencedTop
                         : dataSet->Eof() ? kUnsequencedBottom
                                          : kUnsequencedMiddle);
  }
  FScrollBar->setEnabled(true);
}

}  // namespace vexilo::framework
