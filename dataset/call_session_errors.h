// TCallSessionErrors: the error check's view of one engine session's last
// error, read through the session calls of the engine call interface.
#pragma once

#include <cstdint>

#include "engine/api/calls/call_types.h"
#include "engine/api/session_errors.h"

namespace vexilo::dataset {

class TCallSessionErrors : public api::TVxbSessionErrors {
 public:
  explicit TCallSessionErrors(api::TVxbSessHdl sessionHdl) : FSessionHdl(sessionHdl) {}

  int16_t GetLastError(int16_t& errCode, char16_t* errMsg, int maxLen) override;
  int32_t GetLastErrorPos(char16_t* errMsg, int maxLen) override;

 private:
  api::TVxbSessHdl FSessionHdl;
};

}  // namespace vexilo::dataset
