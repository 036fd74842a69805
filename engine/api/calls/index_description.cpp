#include "engine/api/calls/index_description.h"

#include "fs/text.h"

namespace vexilo::api::calls {

std::u16string IndexDescription(const index::TVxbSortDef& def, const index::TVxbIndexColumns& columns,
                                bool includeLen) {
  if (def.IsCalculated) return def.Source;
  std::u16string text;
  for (const index::TVxbSortItem& item : def.Items) {
    if (!text.empty()) text += u',';
    if (item.Descending) text += u'-';
    index::TVxbIndexColumn column;
    const bool known = columns.GetColumn(item.ColumnNo, column) && !column.Name.empty();
    text += known ? column.Name : fs::u16(std::to_string(item.ColumnNo));
    if (includeLen && known && item.Size < column.Size) text += u":" + fs::u16(std::to_string(item.Size));
  }
  return text;
}

}  // namespace vexilo::api::calls
