#include "engine/types/null_type.h"

namespace vexilo::types {

const TVxbDataType* TVxbNullType::Create(int16_t columnType, bool nullable, int16_t level) const {
  if (columnType == vxbNullType) return GetNullType(level);
  return GetDataType(columnType, nullable, level);
}

void TVxbNullType::SetNull(TVxbDataValue& value) const {
  value.ColumnType = 0;
  value.DataPtr = nullptr;
  value.RefIsText = false;
  value.HoldsChar = false;
}

void TVxbNullType::ConvertTo(const TVxbDataValue&, TVxbDataValue& toValue, const TVxbDataType& to, bool) const {
  if (to.Nullable()) to.SetNull(toValue);
  else to.GetDefault(toValue);
}

}  // namespace vexilo::types
