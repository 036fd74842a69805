// TVxbColumnDefsIndexView: a table's column definitions as the index layer
// sees them (index::TVxbIndexColumns), so that index definitions — the
// record id column's indication among them — can be parsed, checked and laid
// out against the columns. A read-only view: the column list must outlive it
// and stay unchanged while it is used.
#pragma once

#include <string_view>

#include "engine/index/index_columns.h"
#include "engine/storage/columns/column_defs.h"

namespace vexilo::storage {

class TVxbColumnDefsIndexView : public index::TVxbIndexColumns {
 public:
  explicit TVxbColumnDefsIndexView(const TVxbColumnDefs& columns) : FColumns(columns) {}

  int ColumnCount() const override { return FColumns.Count(); }
  bool GetColumn(int number, index::TVxbIndexColumn& column) const override;
  int FindColumn(std::u16string_view name) const override { return FColumns.Find(name); }

 private:
  const TVxbColumnDefs& FColumns;
};

}  // namespace vexilo::storage
