// TVxbCatalogTable: a stored table as a catalog keeps it — the base table
// itself, the evaluation of its check constraints and calculated columns
// (installed when the catalog has set it up), plus what the catalog asks of
// it to decide whether
// the table may be closed: how many accessors work on it. The catalog's own
// default accessor is one of them and does not count as a use; the
// accessors of the evaluations are not counted at all.
//
// Thread safety and ownership as for TVxbBaseTable; the catalog owns it.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/cursor/condition/table_calculations.h"
#include "engine/cursor/condition/table_checks.h"
#include "engine/storage/table/base_table.h"

namespace vexilo::api {

class TVxbCatalogTable : public storage::TVxbBaseTable {
 public:
  using storage::TVxbBaseTable::TVxbBaseTable;

  // Accessors registered on the table now, the default accessor included.
  int32_t AccessorCount() const {
    return static_cast<int32_t>(FClientAccessors.size()) - (FChecks ? FChecks->AccessorCount() : 0) -
           (FCalculations ? FCalculations->AccessorCount() : 0);
  }
  // Lets the table's check constraints be evaluated and its calculated
  // columns computed on the records it stores (nothing for a table without
  // either).
  void InstallConditions() {
    if (!Checks().empty() && !FChecks) {
      FChecks = std::make_unique<cursor::TVxbTableChecks>(*this);
      FChecks->Install();
    }
    bool calculated = false;
    for (const auto& column : ColumnDefs()) calculated = calculated || column->CalculationPurposes() != 0;
    if (calculated && !FCalculations) {
      FCalculations = std::make_unique<cursor::TVxbTableCalculations>(*this);
      FCalculations->Install();
    }
  }
  // Whether the table was created as a temporary one.
  bool IsTemporary() const { return Temporary; }

 private:
  std::unique_ptr<cursor::TVxbTableChecks> FChecks;
  std::unique_ptr<cursor::TVxbTableCalculations> FCalculations;
};

}  // namespace vexilo::api
