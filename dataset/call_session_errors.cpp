#include "dataset/call_session_errors.h"

#include "engine/api/calls/session_calls.h"

namespace vexilo::dataset {

int16_t TCallSessionErrors::GetLastError(int16_t& errCode, char16_t* errMsg, int maxLen) {
  return api::VxbSessGetLastError(FSessionHdl, errCode, errMsg, maxLen);
}

int32_t TCallSessionErrors::GetLastErrorPos(char16_t* errMsg, int maxLen) {
  return api::VxbSessGetLastErrorPos(FSessionHdl, errMsg, maxLen);
}

}  // namespace vexilo::dataset
