// EAbort: the silent exception. An event handler raises it (through Abort())
// to cancel the operation that called it; the operation stops where it is and
// leaves its state unchanged, and no error reporting shows it: the
// application's exception handling (application_exception.h) drops it.
// It is deliberately not an EDatabaseError, so windows that report database
// errors never catch it either.
#pragma once

#include <exception>

namespace vexilo::framework {

class EAbort : public std::exception {
 public:
  const char* what() const noexcept override { return "Operation aborted"; }
};

// Raises EAbort.
[[noreturn]] void Abort();

}  // namespace vexilo::framework
