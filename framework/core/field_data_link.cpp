#include "framework/core/field_data_link.h"

#include "framework/core/dataset.h"

namespace vexilo::framework {

void TFieldDataLink::SetFieldName(std::u16string value) {
  if (FFieldName == value) return;
  FFieldName = std::move(value);
  UpdateField();
}

bool TFieldDataLink::CanModify() const { return !ReadOnly() && FField != nullptr && FField->CanModify(); }

bool TFieldDataLink::Edit() {
  if (CanModify()) TDataLink::Edit();
  return FFieldEditing;
}

void TFieldDataLink::UpdateField() {
  TDataSet* dataSet = DataSet();
  if (Active() && dataSet != nullptr && !FFieldName.empty()) {
    // A field the dataset lacks leaves the control empty rather than
    // failing the open that made the link active.
    SetField(dataSet->FindField(FFieldName));
  } else {
    SetField(nullptr);
  }
}

void TFieldDataLink::SetField(TField* value) {
  if (FField == value) return;
  FField = value;
  EditingChanged();
  RecordChanged(nullptr);
}

void TFieldDataLink::SetEditing(bool value) {
  if (FFieldEditing == value) return;
  FFieldEditing = value;
  FModified = false;
  if (OnEditingChange) OnEditingChange(*this);
}

void TFieldDataLink::ActiveChanged() {
  UpdateField();
  if (OnActiveChange) OnActiveChange(*this);
}

void TFieldDataLink::EditingChanged() { SetEditing(TDataLink::Editing() && CanModify()); }

void TFieldDataLink::LayoutChanged() { UpdateField(); }

void TFieldDataLink::RecordChanged(TField* field) {
  if (field == nullptr || field == FField) {
    if (OnDataChange) OnDataChange(*this);
    FModified = false;
  }
}

void TFieldDataLink::UpdateData() {
  if (!FModified) return;
  if (FField != nullptr && OnUpdateData) OnUpdateData(*this);
  FModified = false;
}

void TFieldDataLink::FocusControl(TField*& field) {
  if (field != nullptr && field == FField && OnFocusRequest) {
    field = nullptr;
    OnFocusRequest(*this);
  }
}

}  // namespace vexilo::framework
