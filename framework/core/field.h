// TField: one column of a dataset as the current record shows it. A field
// holds no value of its own: it reads and writes the record buffer of the
// dataset's current state through the dataset's GetFieldData/SetFieldData,
// in its type's native layout (see DataSize and each field class). The base
// class converts nothing; each field class gives the conversions that fit its
// type and raises "Cannot access field '%s' as type %s" for the others.
//
// A field belongs to its dataset's TFields. Used on the dataset's thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "framework/core/date_time.h"
#include "framework/core/db_types.h"
#include "framework/core/field_type.h"
#include "framework/core/variant.h"

namespace vexilo::framework {

class TDataSet;

// Where a field's value comes from.
enum class TFieldKind {
  fkData,          // a column of the record
  fkCalculated,    // computed by OnCalcFields, kept in the calculated-field area
  fkLookup,        // looked up in another dataset
  fkInternalCalc,  // computed by the dataset itself
  fkAggregate,     // a summary over records
};

class TField {
 public:
  using TFieldNotifyEvent = std::function<void(TField& sender)>;
  using TFieldGetTextEvent =
      std::function<void(TField& sender, std::u16string& text, bool displayText)>;
  using TFieldSetTextEvent = std::function<void(TField& sender, const std::u16string& text)>;

  explicit TField(TFieldType dataType);
  virtual ~TField();
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

  // The dataset the field belongs to, nullptr before it is added to one.
  TDataSet* DataSet() const { return FDataSet; }
  const std::u16string& FieldName() const { return FFieldName; }
  // Renames the field; only while its dataset is closed.
  void SetFieldName(std::u16string value);
  TFieldType DataType() const { return FDataType; }
  TFieldKind FieldKind() const { return FFieldKind; }
  // Only while its dataset is closed.
  void SetFieldKind(TFieldKind value);
  bool Calculated() const { return FFieldKind == TFieldKind::fkCalculated; }
  // The column number (from 1) of a data field once bound; below 1 for others.
  int32_t FieldNo() const { return FFieldNo; }
  // Characters of a text field; 0 for types without a size.
  int32_t Size() const { return FSize; }
  // Only while its dataset is closed.
  void SetSize(int32_t value);
  // Bytes of the field's native value in a record buffer.
  virtual int32_t DataSize() const = 0;
  // Where a calculated field's value starts in the calculated-field area.
  int32_t Offset() const { return FOffset; }
  // The field's position in its dataset's fields, -1 when it has none.
  int Index() const;
  virtual bool IsBlob() const { return false; }

  // Caption of a column that shows the field: DisplayLabel, or the field
  // name while no label is set.
  const std::u16string& DisplayName() const {
    return FDisplayLabel.empty() ? FFieldName : FDisplayLabel;
  }
  const std::u16string& DisplayLabel() const { return DisplayName(); }
  void SetDisplayLabel(std::u16string value);
  // Width in characters of a column that shows the field.
  int32_t DisplayWidth() const { return FDisplayWidth >= 0 ? FDisplayWidth : DefaultWidth(); }
  void SetDisplayWidth(int32_t value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value);
  bool Required() const { return FRequired; }
  void SetRequired(bool value) { FRequired = value; }
  // Whether the value may be changed now: not read-only, a data field and
  // the dataset able to modify.
  bool CanModify() const;

  // Value of the current record, in the dataset's current state.
  bool IsNull() { return GetIsNull(); }
  std::u16string AsString() { return GetAsString(); }
  std::u16string AsWideString() { return GetAsWideString(); }
  int32_t AsInteger() { return GetAsInteger(); }
  int64_t AsLargeInt() { return GetAsLargeInt(); }
  double AsFloat() { return GetAsFloat(); }
  bool AsBoolean() { return GetAsBoolean(); }
  TDateTime AsDateTime() { return GetAsDateTime(); }
  TVariant AsVariant() { return GetAsVariant(); }
  void SetAsString(std::u16string_view value) { SetAsStringValue(value); }
  void SetAsWideString(std::u16string_view value) { SetAsWideStringValue(value); }
  void SetAsInteger(int32_t value) { SetAsIntegerValue(value); }
  void SetAsLargeInt(int64_t value) { SetAsLargeIntValue(value); }
  void SetAsFloat(double value) { SetAsFloatValue(value); }
  void SetAsBoolean(bool value) { SetAsBooleanValue(value); }
  void SetAsDateTime(TDateTime value) { SetAsDateTimeValue(value); }
  // Null clears the field; other values go through the matching setter.
  void SetAsVariant(const TVariant& value);
  // Makes the value null.
  virtual void Clear();

  // The text a control shows (OnGetText decides when assigned).
  std::u16string DisplayText();
  // The text a control edits.
  std::u16string Text();
  // Sets the value from edited text (OnSetText decides when assigned).
  void SetText(std::u16string_view value);

  // Copies the native value into `buffer` (DataSize() bytes) and tells
  // whether there is one; an empty `buffer` only asks whether there is one.
  bool GetData(std::span<std::byte> buffer);
  // Writes the native value in `buffer` (DataSize() bytes); empty: null.
  void SetData(std::span<const std::byte> buffer);
  // Runs OnValidate for a value about to be written (a dataset calls this
  // from SetFieldData); while it runs the field reads `buffer`.
  void Validate(std::span<const std::byte> buffer);
  // Asks the control that shows the field to take the focus.
  void FocusControl();

  TFieldNotifyEvent OnChange;    // after the value changed
  TFieldNotifyEvent OnValidate;  // before a new value is written; may raise
  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;

 protected:
  virtual bool GetIsNull();
  virtual std::u16string GetAsString();
  virtual std::u16string GetAsWideString() { return GetAsString(); }
  virtual int32_t GetAsInteger();
  virtual int64_t GetAsLargeInt();
  virtual double GetAsFloat();
  virtual bool GetAsBoolean();
  virtual TDateTime GetAsDateTime();
  virtual TVariant GetAsVariant();
  virtual void SetAsStringValue(std::u16string_view value);
  virtual void SetAsWideStringValue(std::u16string_view value) { SetAsStringValue(value); }
  virtual void SetAsIntegerValue(int32_t value);
  virtual void SetAsLargeIntValue(int64_t value);
  virtual void SetAsFloatValue(double value);
  virtual void SetAsBooleanValue(bool value);
  virtual void SetAsDateTimeValue(TDateTime value);
  // The text of the value; `displayText` selects the display form over the
  // editing form. The default is AsString.
  virtual std::u16string GetText(bool displayText);
  virtual int32_t DefaultWidth() const { return 10; }
  // Drops values the field keeps for the record being edited.
  virtual void FreeBuffers() {}

  // Raises EDatabaseError "Cannot access field '%s' as type %s".
  [[noreturn]] void AccessError(std::u16string_view typeName) const;
  // Raises EDatabaseError "Cannot perform this operation on an open dataset"
  // when the field's dataset is open.
  void CheckInactive() const;
  void SetDataTypeValue(TFieldType value) { FDataType = value; }
  void SetSizeValue(int32_t value) { FSize = value; }
  // Tells the dataset's controls that a display property changed.
  void PropertyChanged(bool layoutAffected);

 private:
  friend class TFields;
  friend class TDataSet;
  friend class TFieldDef;

  TDataSet* FDataSet = nullptr;
  std::u16string FFieldName;
  std::u16string FDisplayLabel;
  TFieldType FDataType;
  TFieldKind FFieldKind = TFieldKind::fkData;
  int32_t FFieldNo = 0;
  int32_t FSize = 0;
  int32_t FOffset = 0;
  int32_t FDisplayWidth = -1;
  bool FVisible = true;
  bool FReadOnly = false;
  bool FRequired = false;
  bool FValidating = false;
  std::span<const std::byte> FValueBuffer;
};

}  // namespace vexilo::framework
