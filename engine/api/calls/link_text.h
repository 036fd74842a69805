// The display text of a Link column's value: the record the value names in
// the linked table, shown by the columns of that table's indication (the
// column list of its record id column, which says how a record presents
// itself to other tables). Private to the call interface.
//
// The text is the indication columns' values as text, in the indication's
// order, separated by one blank. There is no text (the empty one) when the
// linked table is not open in the session, has no record id column or no
// indication, when the indication is a calculated one (an expression in
// parentheses, which is not evaluated here), or when no record has the
// record id.
#pragma once

#include <cstdint>
#include <string>

#include "engine/api/catalog.h"
#include "engine/storage/columns/column_def.h"

namespace vexilo::api::calls {

// The text of record id `recordId` through the Link column `link` of
// `table`, whose session's catalog is `catalog`; empty when there is none.
// Raises what the engine raises while reading the record.
std::u16string LinkDisplayText(TVxbCatalog& catalog, storage::TVxbRelation& table,
                               const storage::TVxbAdlColumnDef& link, int32_t recordId, int32_t lockingTimeout);

}  // namespace vexilo::api::calls
