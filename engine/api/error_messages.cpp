#include "engine/api/error_messages.h"

#include "engine/errors/caller_buffer.h"
#include "engine/errors/messages.h"

namespace vexilo::api {

int16_t VxbGetErrorMsg(int16_t vxbError, char16_t* errorMsg, int maxLen) {
  errors::CopyToCallerBuffer(errors::CallResultMessage(vxbError), errorMsg, maxLen);
  return 0;
}

}  // namespace vexilo::api
