#include "engine/types/string_size.h"

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"

namespace vexilo::types {

void CheckStringLength(int16_t column_type, int32_t max_length) {
  const int32_t limit = MaxStringLengthOf(column_type);
  if (max_length < 1 || max_length > limit)
    throw errors::EVxbEngine(errors::vxbErrStringLength, {max_length, 1, limit});
}

}  // namespace vexilo::types
