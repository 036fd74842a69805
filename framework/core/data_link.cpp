#include "framework/core/data_link.h"

#include <algorithm>

#include "framework/core/data_source.h"
#include "framework/core/database_error.h"
#include "framework/core/dataset.h"
#include "framework/core/db_consts.h"

namespace vexilo::framework {

TDataLink::~TDataLink() {
  if (FDataSource == nullptr) return;
  // Leave quietly: the derived control is already gone, so no notices.
  TDataSource& source = *FDataSource;
  source.FDataLinks.erase(std::remove(source.FDataLinks.begin(), source.FDataLinks.end(), this),
                          source.FDataLinks.end());
  FDataSource = nullptr;
  if (source.FDataSet != nullptr) source.FDataSet->UpdateBufferCount();
}

void TDataLink::SetDataSource(TDataSource* value) {
  if (value == FDataSource) return;
  if (FDataSourceFixed) throw EDatabaseError(dbconsts::SDataSourceChange);
  if (FDataSource != nullptr) FDataSource->RemoveDataLink(*this);
  if (value != nullptr) value->AddDataLink(*this);
}

TDataSet* TDataLink::DataSet() const { return FDataSource != nullptr ? FDataSource->DataSet() : nullptr; }

void TDataLink::SetReadOnly(bool value) {
  if (FReadOnly == value) return;
  FReadOnly = value;
  UpdateState();
}

void TDataLink::SetBufferCount(int value) {
  value = std::max(value, 1);
  if (FBufferCount == value) return;
  FBufferCount = value;
  if (FActive) {
    UpdateRange();
    DataSet()->UpdateBufferCount();
    UpdateRange();
  }
}

int TDataLink::ActiveRecord() const { return FActive ? DataSet()->FActiveRecord - FFirstRecord : 0; }

void TDataLink::SetActiveRecord(int value) {
  if (!FActive) return;
  TDataSet& dataSet = *DataSet();
  // Only rows that hold records may become active.
  dataSet.FActiveRecord = std::clamp(value + FFirstRecord, 0, std::max(dataSet.FRecordCount - 1, 0));
}

int TDataLink::RecordCount() const {
  if (!FActive) return 0;
  return std::clamp(DataSet()->FRecordCount - FFirstRecord, 0, FBufferCount);
}

bool TDataLink::Bof() const { return FActive && DataSet()->Bof(); }

bool TDataLink::Eof() const { return FActive && DataSet()->Eof(); }

bool TDataLink::Edit() {
  if (!FReadOnly && FDataSource != nullptr) FDataSource->Edit();
  return FEditing;
}

void TDataLink::UpdateRecord() {
  FUpdating = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{FUpdating};
  UpdateData();
}

int TDataLink::MoveBy(int distance) { return FActive ? DataSet()->MoveBy(distance) : 0; }

void TDataLink::DataEvent(TDataEvent event, const TDataEventInfo& info) {
  if (event == TDataEvent::deUpdateState) {
    UpdateState();
    return;
  }
  if (!FActive) return;
  switch (event) {
    case TDataEvent::deFieldChange:
    case TDataEvent::deRecordChange:
      if (!FUpdating) RecordChanged(info.Field);
      break;
    case TDataEvent::deDataSetChange:
    case TDataEvent::deDataSetScroll:
    case TDataEvent::deLayoutChange: {
      // The rows the window showed now sit `info.Distance` buffers away;
      // the window follows them, then moves as little as it must to keep
      // the active record in view.
      int distance = 0;
      if (FDataSource->State() != TDataSetState::dsSetKey) {
        const int first = FFirstRecord + info.Distance;
        FFirstRecord = first;
        UpdateRange();
        distance = FFirstRecord - first;
      }
      if (event == TDataEvent::deDataSetChange) {
        DataSetChanged();
      } else if (event == TDataEvent::deDataSetScroll) {
        DataSetScrolled(distance);
      } else {
        LayoutChanged();
      }
      break;
    }
    case TDataEvent::deUpdateRecord:
      UpdateRecord();
      break;
    case TDataEvent::deCheckBrowseMode:
      CheckBrowseMode();
      break;
    case TDataEvent::deFocusControl:
      if (info.FocusField != nullptr) FocusControl(*info.FocusField);
      break;
    default:
      break;
  }
}

void TDataLink::UpdateState() {
  const TDataSetState state = FDataSource != nullptr ? FDataSource->State() : TDataSetState::dsInactive;
  SetActive(state != TDataSetState::dsInactive);
  SetEditing(IsEditMode(state) && !FReadOnly);
}

void TDataLink::SetActive(bool value) {
  if (FActive == value) return;
  FActive = value;
  if (value) {
    UpdateRange();
  } else {
    FFirstRecord = 0;
  }
  ActiveChanged();
}

void TDataLink::SetEditing(bool value) {
  if (FEditing == value) return;
  FEditing = value;
  EditingChanged();
}

void TDataLink::UpdateRange() {
  const TDataSet* dataSet = DataSet();
  if (dataSet == nullptr) {
    FFirstRecord = 0;
    return;
  }
  const int active = dataSet->FActiveRecord;
  const int lowest = std::max(0, active - FBufferCount + 1);
  const int highest = std::max(lowest, std::min(active, std::max(0, dataSet->FRecordCount - FBufferCount)));
  FFirstRecord = std::clamp(FFirstRecord, lowest, highest);
}

}  // namespace vexilo::framework
