#include "engine/types/relation_type.h"

#include <functional>

#include "engine/types/numeric_type.h"

namespace vexilo::types {

const TVxbDataType* TVxbRelationType::Create(int16_t column_type, bool nullable, int16_t level) const {
  return GetDataType(column_type, nullable, level);
}

void TVxbRelationType::SetNull(TVxbDataValue& value) const {
  CheckNullable();
  SetObject(value, nullptr);
}

void TVxbRelationType::SetObject(TVxbDataValue& value, void* object) const {
  DetachValue(value);
  value.ColumnType = static_cast<uint16_t>(FColumnType);
  value.ObjectRef = object;
}

int TVxbRelationType::CompareTo(const TVxbDataValue& value, const TVxbDataValue& other,
                                const TVxbDataType& other_type, TStrCmpOptions) const {
  if (!CanCompareTo(other_type)) TVxbDataType::CompareTo(value, other, other_type, 0);
  const void* a = GetObject(value);
  const void* b = other_type.GetObject(other);
  if (!a || !b) return kCompareNull;
  if (a == b) return kCompareEqual;
  return std::less<const void*>()(a, b) ? kCompareLess : kCompareGreater;
}

void TVxbRelationType::ConvertFrom(TVxbDataValue& value, const TVxbDataValue& from_value, const TVxbDataType& from,
                                   bool explicitly) const {
  if (from_value.IsEmpty() || from.IsNull(from_value)) SetNullOrDefault(value);
  else if (from.ColumnType() == vxbRelation) SetObject(value, from.GetObject(from_value));
  else TVxbDataType::ConvertFrom(value, from_value, from, explicitly);
}

}  // namespace vexilo::types
