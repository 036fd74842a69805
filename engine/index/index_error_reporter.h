// TVxbErrorReporter: how the index layer reports an engine error to the
// table that owns an index. The owner records the error (engine error number
// and the arguments of its message template) as the session's last error;
// the reporting operation then returns the number negated.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>

#include "engine/errors/services.h"
#include "fs/format.h"

namespace vexilo::index {

using TVxbErrorReporter = std::function<void(int16_t code, fs::FormatArgs args)>;

// Reports `code` with `args` through `reporter`, or stores it in `services`
// when there is no reporter; returns -code.
inline int16_t ReportIndexError(const TVxbErrorReporter& reporter, errors::TVxbServices* services, int16_t code,
                                fs::FormatArgs args) {
  if (reporter) reporter(code, args);
  else if (services) services->SetLastError(code, args);
  return static_cast<int16_t>(-code);
}
inline int16_t ReportIndexError(const TVxbErrorReporter& reporter, errors::TVxbServices* services, int16_t code,
                                std::initializer_list<fs::FormatArg> args) {
  return ReportIndexError(reporter, services, code, fs::FormatArgs(args.begin(), args.size()));
}

}  // namespace vexilo::index
