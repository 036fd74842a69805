// Copying a text result into a buffer the caller of the engine provides. The
// caller passes its maximum length; the buffer holds that many characters
// plus the terminating zero. A longer text is cut, and the buffer is always
// terminated.
#pragma once

#include <string_view>

namespace vexilo::errors {

// Copies at most `maxLen` characters of `text` to `buffer`, then a zero
// character; returns the number of characters copied. Writes nothing when
// `buffer` is null or `maxLen` is negative (such a buffer has no room even
// for the terminator).
int CopyToCallerBuffer(std::u16string_view text, char16_t* buffer, int maxLen);

}  // namespace vexilo::errors
