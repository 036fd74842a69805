#include "framework/core/application_exception.h"

#include <cstdio>
#include <stdexcept>
#include <utility>

#include "framework/core/abort.h"

namespace vexilo::framework {
namespace {

void ReportToStandardError(const std::exception& error) {
  std::fprintf(stderr, "%s\n", error.what());
}

TExceptionReporter& Reporter() {
  static TExceptionReporter reporter = ReportToStandardError;
  return reporter;
}

}  // namespace

TExceptionReporter SetExceptionReporter(TExceptionReporter reporter) {
  if (!reporter) reporter = ReportToStandardError;
  return std::exchange(Reporter(), std::move(reporter));
}

void HandleApplicationException(std::exception_ptr error) noexcept {
  if (!error) return;
  try {
    try {
      std::rethrow_exception(error);
    } catch (const EAbort&) {
      // The silent abort: the user's action simply stops.
    } catch (const std::exception& e) {
      Reporter()(e);
    } catch (...) {
      Reporter()(std::runtime_error("Unknown error"));
    }
  } catch (...) {
    // A failing reporter must not take the caller down.
  }
}

}  // namespace vexilo::framework
