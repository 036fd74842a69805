// Running the body of one engine call so that no exception leaves it: an
// EVxbEngine is stored as the session's last error as it is, any other
// exception as engine error 123 ("Exception: %s") with its message, and the
// call returns its failure code instead. Private to the call interface.
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/errors/services.h"

namespace vexilo::api::calls {

// Stores the exception being handled as the last error of `services` (null:
// nowhere). Call only inside a catch block.
void StoreCurrentException(errors::TVxbServices* services) noexcept;

// `body()`'s result; `failure` when it throws.
template <typename Result, typename Body>
Result Guarded(errors::TVxbServices* services, Result failure, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    StoreCurrentException(services);
    return failure;
  }
}

// A text argument: a null pointer is the empty text.
inline std::u16string_view TextArg(const char16_t* text) {
  return text == nullptr ? std::u16string_view() : std::u16string_view(text);
}

}  // namespace vexilo::api::calls
