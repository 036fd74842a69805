// Index definitions from specification texts, and the checks every
// definition must pass against its table before an index is built or used.
//
// A specification text lists the key columns separated by commas (commas
// inside brackets or quotes do not separate). Each item is a column name or
// a 1-based column number; a leading "-" makes it descending, a leading "$"
// is dropped, a name may be enclosed in braces, brackets or quotes, and a
// ":" with a number after the name is accepted and changes nothing. A text
// that begins with "(" is the expression of a calculated index.
//
// Failures are reported through the reporter and returned as the negated
// engine error number:
//   98  "Invalid index specification" — unknown column (argument "Level n"),
//       a type other than the column's, a type that cannot be indexed (Memo,
//       Blob, Relation, WideMemo), an item size other than the column's, a
//       calculated index whose expression does not give its recorded result
//   61  more key items than the level allows
//   11  an entry larger than the level allows
//   117 a variable-size definition below level 6
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/index/index_columns.h"
#include "engine/index/index_error_reporter.h"
#include "engine/index/sort_def.h"

namespace vexilo::index {

// Builds `def` for the index `indexName` on a table of `level` from
// `specification` and checks it. Returns 0, or the negated error after
// reporting it.
int16_t ParseIndexSpecification(std::u16string_view specification, std::u16string_view indexName,
                                int16_t level, const TVxbIndexColumns& columns, TVxbSortDef& def,
                                const TVxbErrorReporter& report);

// Checks `def` against the table's columns on `level`. Returns 0, or the
// negated error after reporting it.
int16_t CheckIndexDefinition(const TVxbSortDef& def, int16_t level, const TVxbIndexColumns& columns,
                             const TVxbErrorReporter& report);

}  // namespace vexilo::index
