// TVxbCatalogTable: a stored table as a catalog keeps it — the base table
// itself, plus what the catalog asks of it to decide whether the table may
// be closed: how many accessors work on it. The catalog's own default
// accessor is one of them and does not count as a use.
//
// Thread safety and ownership as for TVxbBaseTable; the catalog owns it.
#pragma once

#include <cstdint>

#include "engine/storage/table/base_table.h"

namespace vexilo::api {

class TVxbCatalogTable : public storage::TVxbBaseTable {
 public:
  using storage::TVxbBaseTable::TVxbBaseTable;

  // Accessors registered on the table now, the default accessor included.
  int32_t AccessorCount() const { return static_cast<int32_t>(FClientAccessors.size()); }
  // Whether the table was created as a temporary one.
  bool IsTemporary() const { return Temporary; }
};

}  // namespace vexilo::api
