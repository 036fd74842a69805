// TVxbTableCalculations: computes a table's calculated columns — columns
// whose value is an expression of the SQL dialect over the other columns of
// the record — when the table asks for them (its calculation hook, set by
// Install): initial values when a record is made, calculations when it is
// appended or, unless they are calculated on appending only, updated.
//
// Each expression is prepared once, on first use, against an accessor of
// this object's own; the record's bytes are lent to that accessor, each
// calculated column is written into them in column order (so a later one
// sees an earlier one's result), and the result is copied back. The value
// is converted to the column's type (44), an integer that does not fit the
// column refused (81), a null refused for a column that takes none (47). A Memo, WideMemo or Blob column can neither be
// calculated nor be read by a calculation (187): their contents travel
// apart from the record. Procedural sources are not evaluated here.
//
// Results: 0, or the negated engine error recorded in the table's services.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "engine/storage/table/base_table.h"

namespace vexilo::cursor {

class TVxbAccessor;
class TVxbSqlExpression;

class TVxbTableCalculations {
 public:
  explicit TVxbTableCalculations(storage::TVxbBaseTable& table);
  ~TVxbTableCalculations();
  TVxbTableCalculations(const TVxbTableCalculations&) = delete;
  TVxbTableCalculations& operator=(const TVxbTableCalculations&) = delete;

  void Install();
  void Uninstall();

  int16_t Calculate(uint8_t* recBuffer, storage::TVxbCalculationPurposes purposes);
  // Prepares column `fieldNo`'s calculation as Calculate would; raises
  // EVxbEngine for one that cannot be computed.
  void Validate(int fieldNo);

  int AccessorCount() const { return FAccessor ? 1 : 0; }

 private:
  TVxbSqlExpression& Prepared(int fieldNo);

  storage::TVxbBaseTable& FTable;
  std::unique_ptr<TVxbAccessor> FAccessor;
  std::map<int, std::unique_ptr<TVxbSqlExpression>> FExpressions;
  std::vector<uint8_t> FRecord;
};

}  // namespace vexilo::cursor
