// TVxbSessionErrors: read access to one session's last error, as the session
// calls VxbSessGetLastError and VxbSessGetLastErrorPos give it. The dataset
// layer's error check reads the last error through this interface; the
// engine call interface provides the implementation bound to a session
// handle.
#pragma once

#include <cstdint>

namespace vexilo::api {

class TVxbSessionErrors {
 public:
  virtual ~TVxbSessionErrors() = default;

  // `errCode` gets the negated engine error number of the stored error (0
  // when none), `errMsg` its message: at most `maxLen` characters, then a
  // terminating zero. Returns 0, or a negative call result code when the
  // session cannot be reached (the outputs are then not to be trusted).
  virtual int16_t GetLastError(int16_t& errCode, char16_t* errMsg, int maxLen) = 0;

  // Copies the line in which the stored error was found the same way and
  // returns the error's character position in it, or a negative call result
  // code.
  virtual int32_t GetLastErrorPos(char16_t* errMsg, int maxLen) = 0;
};

}  // namespace vexilo::api
