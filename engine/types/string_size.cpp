#include "engine/types/string_size.h"

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"

namespace vexilo::types {

void CheckStringLength(int16_t columnType, int32_t maxLength) {
  const int32_t limit = MaxStringLengthOf(columnType);
  if (maxLength < 1 || maxLength > limit)
    throw errors::EVxbEngine(errors::vxbErrStringLength, {maxLength, 1, limit});
}

}  // namespace vexilo::types
