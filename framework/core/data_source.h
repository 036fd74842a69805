// TDataSource: the connector between one dataset and the data links of the
// controls that show it. It passes the dataset's data events on to its links
// while it is enabled, follows the dataset's state, and reports state and
// data changes through its own events. It references its dataset and its
// links; it owns neither, and each side detaches from the other when
// destroyed. Used on the dataset's thread.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/core/db_types.h"

namespace vexilo::framework {

class TDataSet;
class TDataLink;
class TField;

class TDataSource {
 public:
  using TNotifyEvent = std::function<void(TDataSource& sender)>;
  using TDataChangeEvent = std::function<void(TDataSource& sender, TField* field)>;

  TDataSource() = default;
  explicit TDataSource(TDataSet* dataSet) { SetDataSet(dataSet); }
  ~TDataSource();
  TDataSource(const TDataSource&) = delete;
  TDataSource& operator=(const TDataSource&) = delete;

  const std::u16string& Name() const { return FName; }
  void SetName(std::u16string value) { FName = std::move(value); }
  TDataSet* DataSet() const { return FDataSet; }
  // Binds to `value` (nullptr: none); the links follow its state.
  void SetDataSet(TDataSet* value);
  // A disabled source tells its links that the dataset is inactive.
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  // Whether a control may put the dataset into edit mode (Edit()).
  bool AutoEdit() const { return FAutoEdit; }
  void SetAutoEdit(bool value) { FAutoEdit = value; }
  // The dataset's state as the links see it (dsInactive when disabled).
  TDataSetState State() const { return FState; }
  // Puts the dataset into edit mode when AutoEdit and browsing.
  void Edit();
  // Whether `dataSet` is reached through this source.
  bool IsLinkedTo(const TDataSet* dataSet) const { return dataSet != nullptr && dataSet == FDataSet; }
  int DataLinkCount() const { return static_cast<int>(FDataLinks.size()); }

  TNotifyEvent OnStateChange;       // the state changed
  TDataChangeEvent OnDataChange;    // a field (or, with nullptr, the record) changed
  TNotifyEvent OnUpdateData;        // the record is about to be posted

 private:
  friend class TDataSet;
  friend class TDataLink;

  void AddDataLink(TDataLink& dataLink);
  void RemoveDataLink(TDataLink& dataLink);
  void DataEvent(TDataEvent event, const TDataEventInfo& info);
  void NotifyDataLinks(TDataEvent event, const TDataEventInfo& info);
  void UpdateState();
  void SetState(TDataSetState value);

  std::u16string FName;
  TDataSet* FDataSet = nullptr;
  std::vector<TDataLink*> FDataLinks;
  TDataSetState FState = TDataSetState::dsInactive;
  bool FEnabled = true;
  bool FAutoEdit = true;
};

}  // namespace vexilo::framework
