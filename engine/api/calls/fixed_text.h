// The texts of the exchange records (call_types.h): fixed-capacity UTF-16
// arrays. Reading one never runs past its end, even when the caller left it
// unterminated; writing one cuts the text to the capacity less one and
// always terminates it. Private to the call interface.
#pragma once

#include <cstddef>
#include <string_view>

#include "engine/errors/caller_buffer.h"

namespace vexilo::api::calls {

// The text held in `field`: up to its first zero, at most its capacity.
template <size_t Capacity>
std::u16string_view FixedText(const char16_t (&field)[Capacity]) {
  size_t length = 0;
  while (length < Capacity && field[length] != 0) ++length;
  return {field, length};
}

// Writes `text` into `field`, cut to Capacity - 1 characters, terminated.
template <size_t Capacity>
void SetFixedText(char16_t (&field)[Capacity], std::u16string_view text) {
  errors::CopyToCallerBuffer(text, field, static_cast<int>(Capacity) - 1);
}

}  // namespace vexilo::api::calls
