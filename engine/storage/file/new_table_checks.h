// The checks a data file makes before it creates a table file: that the
// level allows the encryption method, that this build has a cipher for it,
// that the password fits, and that the definition can be stored at the
// level at all. Column rules proper are applied earlier, when the columns
// are added (column_rules.h).
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/errors/services.h"
#include "engine/storage/file/table_cryptor.h"
#include "engine/storage/file/table_definition.h"

namespace vexilo::storage {

// 0, or the negated engine error after recording it in `services`:
//   117  the method is not allowed at the level ("Strong encryption" below
//        level 4, "Classic encryption" from level 4), a table collation the
//        level cannot store ("Collation"), a column type or size the level
//        cannot store ("Data type", "String length")
//   187  a method this build has no cipher for
//   186  a password longer than the 40 characters levels 5 and 6 store
//   85   no columns, or a record of 0 bytes
//   59   more than 1000 columns or a record larger than 32767 bytes
//   49   a capacity below 1
int16_t CheckNewTable(errors::TVxbServices& services, std::u16string_view fileName, int16_t level,
                      const TVxbTableCryptor& cryptor, const TVxbTableDefinition& definition);

}  // namespace vexilo::storage
