// TFieldDataLink: the data link of a control that shows one field (an edit,
// a memo). It finds the field by name whenever the dataset opens or its
// layout changes, tells the control when the field's value or the editing
// state changed, and asks it to write its pending edit before posting.
#pragma once

#include <functional>
#include <string>

#include "framework/core/data_link.h"

namespace vexilo::framework {

class TFieldDataLink : public TDataLink {
 public:
  using TNotifyEvent = std::function<void(TFieldDataLink& sender)>;

  TFieldDataLink() = default;

  const std::u16string& FieldName() const { return FFieldName; }
  void SetFieldName(std::u16string value);
  // The bound field while the dataset is open and has it, else nullptr.
  TField* Field() const { return FField; }
  // Whether the control may change the field now.
  bool CanModify() const;
  // Whether the control is editing the field (the link edits and the field
  // can be modified).
  bool Editing() const { return FFieldEditing; }
  // Puts the dataset into edit mode when the field can be modified; true
  // when editing afterwards.
  bool Edit();
  // The control's text differs from the field: the next UpdateData will ask
  // the control to write it (OnUpdateData).
  void Modified() { FModified = true; }
  // Forgets the control's pending change and shows the field again.
  void Reset() { RecordChanged(nullptr); }

  TNotifyEvent OnDataChange;     // show the field's value
  TNotifyEvent OnEditingChange;  // editing started or ended
  TNotifyEvent OnUpdateData;     // write the pending value into the field
  TNotifyEvent OnActiveChange;   // the dataset opened or closed
  TNotifyEvent OnFocusRequest;   // take the focus (the field asked for it)

 protected:
  void ActiveChanged() override;
  void EditingChanged() override;
  void LayoutChanged() override;
  void RecordChanged(TField* field) override;
  void UpdateData() override;
  void FocusControl(TField*& field) override;

 private:
  void UpdateField();
  void SetField(TField* value);
  void SetEditing(bool value);

  std::u16string FFieldName;
  TField* FField = nullptr;
  bool FFieldEditing = false;
  bool FModified = false;
};

}  // namespace vexilo::framework
