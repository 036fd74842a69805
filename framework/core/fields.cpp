#include "framework/core/fields.h"

#include <algorithm>

#include "framework/core/database_error.h"
#include "framework/core/dataset.h"
#include "framework/core/db_consts.h"
#include "framework/core/name_compare.h"

namespace vexilo::framework {

TFields::~TFields() {
  for (auto& field : FList) field->FDataSet = nullptr;
}

TField& TFields::operator[](int index) const {
  if (index < 0 || index >= Count()) throw EDatabaseError(dbconsts::SFieldIndexError);
  return *FList[static_cast<size_t>(index)];
}

TField& TFields::Add(std::unique_ptr<TField> field) {
  FDataSet.CheckInactive();
  if (!field->FieldName().empty() && FindField(field->FieldName()) != nullptr) {
    throw EDatabaseError::CreateFmt(dbconsts::SDuplicateFieldName, {field->FieldName()});
  }
  field->FDataSet = &FDataSet;
  FList.push_back(std::move(field));
  return *FList.back();
}

std::unique_ptr<TField> TFields::Remove(TField& field) {
  FDataSet.CheckInactive();
  auto it = std::find_if(FList.begin(), FList.end(), [&](const auto& item) { return item.get() == &field; });
  if (it == FList.end()) return nullptr;
  std::unique_ptr<TField> removed = std::move(*it);
  FList.erase(it);
  removed->FDataSet = nullptr;
  return removed;
}

void TFields::Clear() {
  FDataSet.CheckInactive();
  for (auto& field : FList) field->FDataSet = nullptr;
  FList.clear();
}

TField* TFields::FindField(std::u16string_view name) const {
  for (const auto& field : FList) {
    if (SameText(field->FieldName(), name)) return field.get();
  }
  return nullptr;
}

TField& TFields::FieldByName(std::u16string_view name) const {
  TField* field = FindField(name);
  if (field == nullptr) throw EDatabaseError::CreateFmt(dbconsts::SFieldNotFound, {name});
  return *field;
}

TField* TFields::FieldByNumber(int32_t fieldNo) const {
  for (const auto& field : FList) {
    if (field->FieldNo() == fieldNo && field->FieldKind() == TFieldKind::fkData) return field.get();
  }
  return nullptr;
}

int TFields::IndexOf(const TField& field) const {
  for (size_t i = 0; i < FList.size(); ++i) {
    if (FList[i].get() == &field) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace vexilo::framework
