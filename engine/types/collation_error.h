// ECollationError: a failure of the locale services behind a named collation
// (a collator, case mapping or code-page conversion the platform refuses).
// Nothing is cached from a call that raised it, so a later call tries again.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vexilo::types {

class ECollationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;

  // "Locale %d (%s) is not supported on this computer."
  static ECollationError Unsupported(uint32_t localeId, std::u16string_view languageName);
  // A locale-service failure, named by the service's own message.
  static ECollationError Failed(std::string_view what, std::string_view serviceMessage);
};

}  // namespace vexilo::types
