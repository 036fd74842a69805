#include "fs/fs_errors.h"

#include <utility>

#include "fs/text.h"

namespace vexilo::fs {

EvwFileSystemError::EvwFileSystemError(std::u16string message, int32_t errorCode)
    : std::runtime_error(Utf16ToUtf8(message)), FMessage(std::move(message)), FErrorCode(errorCode) {}

}  // namespace vexilo::fs
