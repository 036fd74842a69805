#include "engine/errors/caller_buffer.h"

#include <algorithm>
#include <cstddef>

namespace vexilo::errors {

int CopyToCallerBuffer(std::u16string_view text, char16_t* buffer, int maxLen) {
  if (buffer == nullptr || maxLen < 0) return 0;
  const size_t count = std::min(text.size(), static_cast<size_t>(maxLen));
  std::copy_n(text.data(), count, buffer);
  buffer[count] = u'\0';
  return static_cast<int>(count);
}

}  // namespace vexilo::errors
