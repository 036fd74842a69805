#include "engine/types/null_type.h"

namespace vexilo::types {

const TVxbDataType* TVxbNullType::Create(int16_t column_type, bool nullable, int16_t level) const {
  if (column_type == vxbNullType) return GetNullType(level);
  return GetDataType(column_type, nullable, level);
}

void TVxbNullType::SetNull(TVxbDataValue& value) const {
  value.ColumnType = 0;
  value.DataPtr = nullptr;
  value.RefIsText = false;
  value.HoldsChar = false;
}

void TVxbNullType::ConvertTo(const TVxbDataValue&, TVxbDataValue& to_value, const TVxbDataType& to, bool) const {
  if (to.Nullable()) to.SetNull(to_value);
  else to.GetDefault(to_value);
}

}  // namespace vexilo::types
