#include "framework/core/field_defs.h"

#include "framework/core/database_error.h"
#include "framework/core/dataset.h"
#include "framework/core/db_consts.h"
#include "framework/core/name_compare.h"
#include "framework/core/numeric_fields.h"

namespace vexilo::framework {
namespace {

// Types whose fields take their Size from the definition.
bool HasSize(TFieldType type) {
  switch (type) {
    case TFieldType::ftString:
    case TFieldType::ftFixedChar:
    case TFieldType::ftWideString:
    case TFieldType::ftFixedWideChar:
    case TFieldType::ftGuid:
    case TFieldType::ftBytes:
    case TFieldType::ftVarBytes:
      return true;
    default:
      return false;
  }
}

}  // namespace

TFieldDef::TFieldDef(std::u16string name, TFieldType dataType, int32_t size, bool required, int32_t fieldNo)
    : FName(std::move(name)), FDataType(dataType), FSize(size), FFieldNo(fieldNo) {
  FAttributes.Required = required;
}

TField& TFieldDef::CreateField(TDataSet& dataSet) const {
  const TFieldClass fieldClass = dataSet.GetFieldClass(FDataType);
  if (fieldClass == nullptr) {
    throw EDatabaseError::CreateFmt(dbconsts::SUnknownFieldType, {FName});
  }
  std::unique_ptr<TField> field = fieldClass();
  field->FFieldName = FName;
  if (HasSize(FDataType) && FSize > 0) field->FSize = FSize;
  field->FRequired = FAttributes.Required;
  field->FReadOnly = field->FReadOnly || FAttributes.ReadOnly;
  field->FFieldNo = FFieldNo;
  if (auto* floatField = dynamic_cast<TFloatField*>(field.get()); floatField != nullptr && FPrecision > 0) {
    floatField->SetPrecision(FPrecision);
  }
  return dataSet.Fields().Add(std::move(field));
}

TFieldDef& TFieldDefs::Add(std::u16string name, TFieldType dataType, int32_t size, bool required) {
  FItems.push_back(std::make_unique<TFieldDef>(std::move(name), dataType, size, required, Count() + 1));
  return *FItems.back();
}

void TFieldDefs::Clear() { FItems.clear(); }

int TFieldDefs::IndexOf(std::u16string_view name) const {
  for (size_t i = 0; i < FItems.size(); ++i) {
    if (SameText(FItems[i]->Name(), name)) return static_cast<int>(i);
  }
  return -1;
}

TFieldDef* TFieldDefs::Find(std::u16string_view name) {
  const int index = IndexOf(name);
  return index >= 0 ? FItems[static_cast<size_t>(index)].get() : nullptr;
}

TFieldDef& TFieldDefs::FindDef(std::u16string_view name) {
  TFieldDef* def = Find(name);
  if (def == nullptr) throw EDatabaseError::CreateFmt(dbconsts::SFieldNotFound, {name});
  return *def;
}

void TFieldDefs::Update() {
  if (FUpdated) return;
  FDataSet.InitFieldDefs();
  FUpdated = true;
}

}  // namespace vexilo::framework
