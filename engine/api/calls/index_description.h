// The text by which the call interface describes an index: its key columns
// by name, separated by commas, a descending one with a leading "-"; with
// lengths, an item that holds less of its column than the whole field
// carries its size in bytes after a ":" (the column-list parser takes that
// form back). A calculated index is described by its expression. Private to
// the call interface.
#pragma once

#include <string>

#include "engine/index/index_columns.h"
#include "engine/index/sort_def.h"

namespace vexilo::api::calls {

std::u16string IndexDescription(const index::TVxbSortDef& def, const index::TVxbIndexColumns& columns, bool includeLen);

}  // namespace vexilo::api::calls
