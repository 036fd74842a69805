#include "framework/core/database_error.h"

#include <utility>

#include "fs/text.h"

namespace vexilo::framework {

std::u16string FormatErrorMessage(std::u16string_view pattern, fs::FormatArgs args) {
  if (auto text = fs::TryFormatMessage(pattern, args)) return *std::move(text);
  return std::u16string(pattern);
}

EDatabaseError::EDatabaseError(std::u16string message)
    : std::runtime_error(fs::Utf16ToUtf8(message)), FMessage(std::move(message)) {}

EDatabaseError EDatabaseError::CreateFmt(std::u16string_view pattern, fs::FormatArgs args) {
  return EDatabaseError(FormatErrorMessage(pattern, args));
}

}  // namespace vexilo::framework
