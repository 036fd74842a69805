#include "engine/types/type_errors.h"

#include "fs/text.h"

namespace vexilo::types {

EVxbTypeException::EVxbTypeException(std::u16string message)
    : std::runtime_error(fs::Utf16ToUtf8(message)), FMessage(std::move(message)) {}

}  // namespace vexilo::types
