// Helpers shared by the dataset framework tests: an event log that records
// every before/after event of a dataset, and a data link that records the
// notices a control receives and reads the rows it shows.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/data_link.h"
#include "framework/core/dataset.h"
#include "fs/text.h"
#include "tests/framework/memory_dataset.h"

namespace vexilo::framework::testing {

// Records the dataset's events by name, in order.
class TEventLog {
 public:
  explicit TEventLog(TDataSet& dataSet) {
    auto record = [this](const char* name) { return [this, name](TDataSet&) { FEvents.push_back(name); }; };
    dataSet.BeforeOpen = record("BeforeOpen");
    dataSet.AfterOpen = record("AfterOpen");
    dataSet.BeforeClose = record("BeforeClose");
    dataSet.AfterClose = record("AfterClose");
    dataSet.BeforeInsert = record("BeforeInsert");
    dataSet.AfterInsert = record("AfterInsert");
    dataSet.BeforeEdit = record("BeforeEdit");
    dataSet.AfterEdit = record("AfterEdit");
    dataSet.BeforePost = record("BeforePost");
    dataSet.AfterPost = record("AfterPost");
    dataSet.BeforeCancel = record("BeforeCancel");
    dataSet.AfterCancel = record("AfterCancel");
    dataSet.BeforeDelete = record("BeforeDelete");
    dataSet.AfterDelete = record("AfterDelete");
    dataSet.BeforeScroll = record("BeforeScroll");
    dataSet.AfterScroll = record("AfterScroll");
    dataSet.BeforeRefresh = record("BeforeRefresh");
    dataSet.AfterRefresh = record("AfterRefresh");
    dataSet.OnNewRecord = record("OnNewRecord");
  }

  // The events since the last call.
  std::vector<std::string> Take() { return std::exchange(FEvents, {}); }

 private:
  std::vector<std::string> FEvents;
};

// A control's data link that records what it is told.
class TRecordingLink : public TDataLink {
 public:
  std::vector<std::string> Notices;
  std::vector<int> Scrolls;

  // The NUMBER of every row the link shows, read as a grid paints them.
  std::vector<std::optional<int32_t>> VisibleNumbers() {
    std::vector<std::optional<int32_t>> numbers;
    if (!Active()) return numbers;
    const int saved = ActiveRecord();
    for (int row = 0; row < RecordCount(); ++row) {
      SetActiveRecord(row);
      TField& field = DataSet()->FieldByName(u"NUMBER");
      numbers.push_back(field.IsNull() ? std::nullopt : std::optional<int32_t>(field.AsInteger()));
    }
    SetActiveRecord(saved);
    return numbers;
  }

 protected:
  void ActiveChanged() override { Notices.push_back(Active() ? "Active" : "Inactive"); }
  void DataSetChanged() override { Notices.push_back("DataSetChanged"); }
  void DataSetScrolled(int distance) override {
    Notices.push_back("DataSetScrolled");
    Scrolls.push_back(distance);
  }
  void RecordChanged(TField* field) override {
    Notices.push_back(field != nullptr ? "RecordChanged(" + fs::u8(field->FieldName()) + ")" : "RecordChanged");
  }
  void EditingChanged() override { Notices.push_back(Editing() ? "Editing" : "NotEditing"); }
  void LayoutChanged() override { Notices.push_back("LayoutChanged"); }
  void UpdateData() override { Notices.push_back("UpdateData"); }
  void CheckBrowseMode() override { Notices.push_back("CheckBrowseMode"); }
};

// The NUMBER of every stored row, in order.
inline std::vector<std::optional<int32_t>> StoredNumbers(const TMemoryDataSet& dataSet) {
  std::vector<std::optional<int32_t>> numbers;
  for (int i = 0; i < dataSet.RowCount(); ++i) numbers.push_back(dataSet.RowNumber(i));
  return numbers;
}

inline std::optional<int32_t> CurrentNumber(TDataSet& dataSet) {
  TField& field = dataSet.FieldByName(u"NUMBER");
  return field.IsNull() ? std::nullopt : std::optional<int32_t>(field.AsInteger());
}

}  // namespace vexilo::framework::testing
