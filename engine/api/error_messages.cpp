#include "engine/api/error_messages.h"

#include "engine/errors/caller_buffer.h"
#include "engine/errors/messages.h"

namespace vexilo::api {

int16_t VxbGetErrorMsg(int16_t VxbError, char16_t* ErrorMsg, int MaxLen) {
  errors::CopyToCallerBuffer(errors::CallResultMessage(VxbError), ErrorMsg, MaxLen);
  return 0;
}

}  // namespace vexilo::api
