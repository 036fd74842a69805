// The dataset layer's one way of turning a failed engine call into an
// exception. Every negative call result of a dataset operation goes through
// RaiseEngineError (or CheckEngineResult) with an action text naming what the
// dataset was doing (action_texts.h); the exception's message joins the
// action text, the text of the call result and the engine's own message for
// the session's last error.
//
//   call result R                     exception        message
//   -101 -102 -104..-108 -203         EDatabaseError   "<action>: <text of R>"
//   other, no error stored            EVexBaseError    "<action>: <text of R>"
//   -100, error stored                EVexBaseError    "<action>: <stored message>"
//   other, error stored               EVexBaseError    "<action>: <text of R>. <stored message>"
//
// The handle and communication failures of the first row do not read the
// last error: a session that cannot be reached has none to give, and a stored
// error would be an older one.
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/api/session_errors.h"

namespace vexilo::dataset {

// Raises the exception for the negative call result `result` of an engine
// call made while doing `action` (already formatted with its arguments).
[[noreturn]] void RaiseEngineError(api::TVxbSessionErrors& session, std::u16string_view action,
                                   int32_t result);

// Passes a result of 0 or more through; raises for a negative one as above.
int32_t CheckEngineResult(api::TVxbSessionErrors& session, std::u16string_view action,
                          int32_t result);

// Raises EVexBaseExpressionError for expression `expression` that the engine
// failed to compile with call result `result`. Its message has five lines:
// the text of the result, the expression, "Hinter", the stored error line up
// to and including the error position, and the engine's message.
[[noreturn]] void RaiseExpressionError(api::TVxbSessionErrors& session,
                                       std::u16string_view expression, int32_t result);

}  // namespace vexilo::dataset
