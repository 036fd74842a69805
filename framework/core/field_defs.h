// TFieldDefs and TFieldDef: the columns a dataset offers, as its cursor
// describes them (name, data type, size, required, field number). A dataset
// fills them in InternalInitFieldDefs; default fields are created from them
// on open. The collection belongs to its dataset.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/field_type.h"

namespace vexilo::framework {

class TDataSet;
class TField;

struct TFieldAttributes {
  bool ReadOnly = false;   // faReadonly: the field cannot be changed
  bool Required = false;   // faRequired: the field must have a value
  bool HiddenCol = false;  // faHiddenCol: no default field is created
  bool Fixed = false;      // faFixed: fixed-length text
};

class TFieldDef {
 public:
  TFieldDef(std::u16string name, TFieldType dataType, int32_t size, bool required, int32_t fieldNo);

  const std::u16string& Name() const { return FName; }
  TFieldType DataType() const { return FDataType; }
  // Characters of a text field, digits of a number where it matters; 0 otherwise.
  int32_t Size() const { return FSize; }
  // The column number, from 1.
  int32_t FieldNo() const { return FFieldNo; }
  bool Required() const { return FAttributes.Required; }
  int32_t Precision() const { return FPrecision; }
  // Extra text a dataset keeps with the definition (a value list, a link).
  const std::u16string& Specification() const { return FSpecification; }
  const TFieldAttributes& Attributes() const { return FAttributes; }

  void SetDataType(TFieldType value) { FDataType = value; }
  void SetSize(int32_t value) { FSize = value; }
  void SetRequired(bool value) { FAttributes.Required = value; }
  void SetPrecision(int32_t value) { FPrecision = value; }
  void SetSpecification(std::u16string value) { FSpecification = std::move(value); }
  void SetAttributes(const TFieldAttributes& value) { FAttributes = value; }

  // A new field of the class `dataSet` chooses for the type, bound to this
  // definition and added to `dataSet`'s fields.
  TField& CreateField(TDataSet& dataSet) const;

 private:
  std::u16string FName;
  TFieldType FDataType;
  int32_t FSize;
  int32_t FFieldNo;
  int32_t FPrecision = 0;
  std::u16string FSpecification;
  TFieldAttributes FAttributes;
};

class TFieldDefs {
 public:
  explicit TFieldDefs(TDataSet& dataSet) : FDataSet(dataSet) {}
  TFieldDefs(const TFieldDefs&) = delete;
  TFieldDefs& operator=(const TFieldDefs&) = delete;

  // Appends a definition with the next field number and returns it.
  TFieldDef& Add(std::u16string name, TFieldType dataType, int32_t size = 0, bool required = false);
  void Clear();

  int Count() const { return static_cast<int>(FItems.size()); }
  // The definition at `index` (0 to Count() - 1).
  TFieldDef& operator[](int index) { return *FItems.at(static_cast<size_t>(index)); }
  const TFieldDef& operator[](int index) const { return *FItems.at(static_cast<size_t>(index)); }
  // The position of the definition named `name` (case ignored), or -1.
  int IndexOf(std::u16string_view name) const;
  // The definition named `name` (case ignored), or nullptr.
  TFieldDef* Find(std::u16string_view name);
  // The definition named `name`; raises EDatabaseError "Field '%s' not found".
  TFieldDef& FindDef(std::u16string_view name);

  // Whether the definitions are current. Update() reads them from the dataset
  // when they are not (opening its cursor for a moment when it is closed).
  bool Updated() const { return FUpdated; }
  void SetUpdated(bool value) { FUpdated = value; }
  void Update();

 private:
  TDataSet& FDataSet;
  std::vector<std::unique_ptr<TFieldDef>> FItems;
  bool FUpdated = false;
};

}  // namespace vexilo::framework
