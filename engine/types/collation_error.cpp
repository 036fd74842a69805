#include "engine/types/collation_error.h"

#include "fs/format.h"
#include "fs/text.h"

namespace vexilo::types {

ECollationError ECollationError::Unsupported(uint32_t locale_id, std::u16string_view language_name) {
  const std::u16string text =
      fs::FormatMessage(u"Locale %d (%s) is not supported on this computer.",
                        {static_cast<long long>(locale_id), language_name});
  return ECollationError(fs::u8(text));
}

ECollationError ECollationError::Failed(std::string_view what, std::string_view service_message) {
  std::string text(what);
  text += ": ";
  text += service_message;
  return ECollationError(text);
}

}  // namespace vexilo::types
