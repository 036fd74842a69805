// TFields: the fields of one dataset, in column order. The collection owns
// its fields; a dataset creates default fields on open (from its field
// definitions) and destroys them on close, while fields added before opening
// (persistent fields) stay. Names compare without regard to case.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "framework/core/field.h"

namespace vexilo::framework {

class TDataSet;

class TFields {
 public:
  explicit TFields(TDataSet& dataSet) : FDataSet(dataSet) {}
  ~TFields();
  TFields(const TFields&) = delete;
  TFields& operator=(const TFields&) = delete;

  int Count() const { return static_cast<int>(FList.size()); }
  // The field at `index`; raises EDatabaseError "Field index out of range".
  TField& operator[](int index) const;
  // Takes `field` over, appends it and returns it. Raises EDatabaseError when
  // the dataset is open or a field of that name exists ("Duplicate field name
  // '%s'").
  TField& Add(std::unique_ptr<TField> field);
  // Creates a field of class T named `fieldName` (with `size` for text) and
  // adds it.
  template <class T>
  T& Add(std::u16string fieldName, int32_t size = 0) {
    auto field = std::make_unique<T>();
    field->SetFieldName(std::move(fieldName));
    if (size > 0) field->SetSize(size);
    return static_cast<T&>(Add(std::move(field)));
  }
  // Removes `field` and hands it back; only while the dataset is closed.
  std::unique_ptr<TField> Remove(TField& field);
  // Destroys every field; only while the dataset is closed.
  void Clear();

  // The field named `name`, or nullptr.
  TField* FindField(std::u16string_view name) const;
  // The field named `name`; raises EDatabaseError "Field '%s' not found".
  TField& FieldByName(std::u16string_view name) const;
  // The data field bound to column `fieldNo`, or nullptr.
  TField* FieldByNumber(int32_t fieldNo) const;
  int IndexOf(const TField& field) const;

  auto begin() const { return FList.begin(); }
  auto end() const { return FList.end(); }

 private:
  TDataSet& FDataSet;
  std::vector<std::unique_ptr<TField>> FList;
};

}  // namespace vexilo::framework
