#include "engine/storage/columns/column_index_view.h"

#include "engine/types/column_type.h"
#include "engine/types/string_type.h"

namespace vexilo::storage {

bool TVxbColumnDefsIndexView::GetColumn(int number, index::TVxbIndexColumn& column) const {
  const TVxbColumnDef* def = FColumns.GetColumnDef(number);
  if (!def) return false;
  column = index::TVxbIndexColumn{};
  column.Number = static_cast<int16_t>(number);
  column.Name = def->Name();
  column.TypeCode = def->TypeCode();
  column.Size = def->Size();
  column.Position = def->Position();
  column.HasNullByte = def->HasNullByte();
  if (def->DataType() && (def->TypeCode() == types::vxbString || def->TypeCode() == types::vxbWideString)) {
    const auto* type = static_cast<const types::TVxbStringType*>(def->DataType());
    column.Collation = &type->Collation();
    column.CmpOptions = type->StrCmpOptions();
  }
  return true;
}

}  // namespace vexilo::storage
