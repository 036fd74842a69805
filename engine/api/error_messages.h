// The engine call that turns a call result code into its text. It needs no
// session: the call result table is compiled in.
#pragma once

#include <cstdint>

namespace vexilo::api {

// Copies the text of call result code `vxbError` into `errorMsg`: at most
// `maxLen` characters, then a terminating zero (the buffer holds maxLen + 1
// characters). Codes the table does not hold give "Unknown error". Returns 0.
int16_t VxbGetErrorMsg(int16_t vxbError, char16_t* errorMsg, int maxLen);

}  // namespace vexilo::api
