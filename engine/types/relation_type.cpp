#include "engine/types/relation_type.h"

#include <functional>

#include "engine/types/numeric_type.h"

namespace vexilo::types {

const TVxbDataType* TVxbRelationType::Create(int16_t columnType, bool nullable, int16_t level) const {
  return GetDataType(columnType, nullable, level);
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
                                const TVxbDataType& otherType, TStrCmpOptions) const {
  if (!CanCompareTo(otherType)) TVxbDataType::CompareTo(value, other, otherType, 0);
  const void* a = GetObject(value);
  const void* b = otherType.GetObject(other);
  if (!a || !b) return kCompareNull;
  if (a == b) return kCompareEqual;
  return std::less<const void*>()(a, b) ? kCompareLess : kCompareGreater;
}

void TVxbRelationType::ConvertFrom(TVxbDataValue& value, const TVxbDataValue& fromValue, const TVxbDataType& from,
                                   bool explicitly) const {
  if (fromValue.IsEmpty() || from.IsNull(fromValue)) SetNullOrDefault(value);
  else if (from.ColumnType() == vxbRelation) SetObject(value, from.GetObject(fromValue));
  else TVxbDataType::ConvertFrom(value, fromValue, from, explicitly);
}

}  // namespace vexilo::types
