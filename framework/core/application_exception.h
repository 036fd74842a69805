// The application's exception handling: the one place where an exception that
// left a user action is reported. The toolkit installs a reporter (a message
// box); until then reports go to the standard error stream. The silent abort
// (EAbort) is never reported. Used where an exception must not travel further,
// such as at the edge of an event-loop handler or in a destructor.
#pragma once

#include <exception>
#include <functional>

namespace vexilo::framework {

// Receives every exception that is to be shown to the user.
using TExceptionReporter = std::function<void(const std::exception& error)>;

// Installs `reporter` for the whole process (an empty function restores the
// default) and returns the one it replaces. Call from the user-interface
// thread only.
TExceptionReporter SetExceptionReporter(TExceptionReporter reporter);

// Reports `error` through the installed reporter unless it is an EAbort. An
// exception that is not a std::exception is reported as an unknown error.
// Never throws; an exception raised by the reporter itself is dropped.
void HandleApplicationException(std::exception_ptr error) noexcept;

}  // namespace vexilo::framework
