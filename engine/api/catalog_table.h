// TVxbCatalogTable: a stored table as a catalog keeps it — the base table
// itself, the evaluation of its check constraints (installed when the
// catalog has set it up), plus what the catalog asks of it to decide whether
// the table may be closed: how many accessors work on it. The catalog's own
// default accessor is one of them and does not count as a use; the accessor
// of the check evaluation is not counted at all.
//
// Thread safety and ownership as for TVxbBaseTable; the catalog owns it.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/cursor/condition/table_checks.h"
#include "engine/storage/table/base_table.h"

namespace vexilo::api {

class TVxbCatalogTable : public storage::TVxbBaseTable {
 public:
  using storage::TVxbBaseTable::TVxbBaseTable;

  // Accessors registered on the table now, the default accessor included.
  int32_t AccessorCount() const {
    return static_cast<int32_t>(FClientAccessors.size()) - (FChecks ? FChecks->AccessorCount() : 0);
  }
  // Lets the table's check constraints be evaluated on every record it
  // stores (nothing for a table without checks).
  void InstallChecks() {
    if (Checks().empty() || FChecks) return;
    FChecks = std::make_unique<cursor::TVxbTableChecks>(*this);
    FChecks->Install();
  }
  // Whether the table was created as a temporary one.
  bool IsTemporary() const { return Temporary; }

 private:
  std::unique_ptr<cursor::TVxbTableChecks> FChecks;
};

}  // namespace vexilo::api
