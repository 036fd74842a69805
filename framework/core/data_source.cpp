#include "framework/core/data_source.h"

#include <algorithm>

#include "framework/core/data_link.h"
#include "framework/core/dataset.h"

namespace vexilo::framework {

TDataSource::~TDataSource() {
  while (!FDataLinks.empty()) {
    TDataLink* link = FDataLinks.back();
    FDataLinks.pop_back();
    link->FDataSource = nullptr;
    link->UpdateState();
  }
  if (FDataSet != nullptr) FDataSet->RemoveDataSource(*this);
}

void TDataSource::SetDataSet(TDataSet* value) {
  if (value == FDataSet) return;
  if (FDataSet != nullptr) FDataSet->RemoveDataSource(*this);
  if (value != nullptr) value->AddDataSource(*this);
}

void TDataSource::SetEnabled(bool value) {
  FEnabled = value;
  UpdateState();
}

void TDataSource::Edit() {
  if (FAutoEdit && FState == TDataSetState::dsBrowse && FDataSet != nullptr) FDataSet->Edit();
}

void TDataSource::AddDataLink(TDataLink& dataLink) {
  FDataLinks.push_back(&dataLink);
  dataLink.FDataSource = this;
  if (FDataSet != nullptr) FDataSet->UpdateBufferCount();
  dataLink.UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink& dataLink) {
  FDataLinks.erase(std::remove(FDataLinks.begin(), FDataLinks.end(), &dataLink), FDataLinks.end());
  dataLink.FDataSource = nullptr;
  dataLink.UpdateState();
  if (FDataSet != nullptr) FDataSet->UpdateBufferCount();
}

void TDataSource::UpdateState() {
  SetState(FEnabled && FDataSet != nullptr ? FDataSet->State() : TDataSetState::dsInactive);
}

void TDataSource::SetState(TDataSetState value) {
  if (FState == value) return;
  const TDataSetState prior = FState;
  FState = value;
  NotifyDataLinks(TDataEvent::deUpdateState, {});
  if (OnStateChange) OnStateChange(*this);
  if (prior == TDataSetState::dsInactive && OnDataChange) OnDataChange(*this, nullptr);
}

void TDataSource::DataEvent(TDataEvent event, const TDataEventInfo& info) {
  if (event == TDataEvent::deUpdateState) {
    UpdateState();
    return;
  }
  if (FState == TDataSetState::dsInactive) return;
  NotifyDataLinks(event, info);
  switch (event) {
    case TDataEvent::deFieldChange:
      if (OnDataChange) OnDataChange(*this, info.Field);
      break;
    case TDataEvent::deRecordChange:
    case TDataEvent::deDataSetChange:
    case TDataEvent::deDataSetScroll:
    case TDataEvent::deLayoutChange:
      if (OnDataChange) OnDataChange(*this, nullptr);
      break;
    case TDataEvent::deUpdateRecord:
      if (OnUpdateData) OnUpdateData(*this);
      break;
    default:
      break;
  }
}

void TDataSource::NotifyDataLinks(TDataEvent event, const TDataEventInfo& info) {
  // A link may detach itself (or another) while the links are told.
  const std::vector<TDataLink*> links = FDataLinks;
  for (TDataLink* link : links) {
    if (std::find(FDataLinks.begin(), FDataLinks.end(), link) != FDataLinks.end()) link->DataEvent(event, info);
  }
}

}  // namespace vexilo::framework
