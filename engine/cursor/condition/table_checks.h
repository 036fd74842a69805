// TVxbTableChecks: evaluates a table's check constraints, written in the
// search-condition language, on the records the table is about to store;
// the table calls it through its check hook (Install).
//
// Each condition is prepared once, on first use, against an accessor of the
// checks' own; a record is checked by lending its bytes to that accessor.
// A check is satisfied unless its condition is false: a condition that is
// unknown (a comparison with a null) lets the record pass, as SQL's CHECK
// does. A condition that reads a Memo, WideMemo or Blob column is refused
// (187): the table checks a record before its contents are written. A
// check stored in the procedural syntax is not evaluated here.
//
// Results of Evaluate: 1 satisfied, 0 violated, or the negated engine error
// recorded in the table's services.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/storage/table/base_table.h"

namespace vexilo::cursor {

class TVxbAccessor;
class TVxbSqlCondition;

class TVxbTableChecks {
 public:
  explicit TVxbTableChecks(storage::TVxbBaseTable& table);
  ~TVxbTableChecks();
  TVxbTableChecks(const TVxbTableChecks&) = delete;
  TVxbTableChecks& operator=(const TVxbTableChecks&) = delete;

  // Sets the table's check hook to this object (which must outlive that
  // use, or Uninstall first).
  void Install();
  void Uninstall();

  int16_t Evaluate(const uint8_t* recBuffer, const storage::TVxbCheckDef& check);
  // Prepares `condition` as a check of the table would be; raises
  // EVxbEngine for a condition that cannot be a check.
  void Validate(const std::u16string& condition);

  // Accessors this object keeps on the table (0 or 1).
  int AccessorCount() const { return FAccessor ? 1 : 0; }

 private:
  TVxbSqlCondition& Prepared(const std::u16string& text);

  storage::TVxbBaseTable& FTable;
  std::unique_ptr<TVxbAccessor> FAccessor;
  std::map<std::u16string, std::unique_ptr<TVxbSqlCondition>> FConditions;
  std::vector<uint8_t> FRecord;
};

}  // namespace vexilo::cursor
