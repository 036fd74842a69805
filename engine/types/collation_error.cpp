#include "engine/types/collation_error.h"

#include "fs/format.h"
#include "fs/text.h"

namespace vexilo::types {

ECollationError ECollationError::Unsupported(uint32_t localeId, std::u16string_view languageName) {
  const std::u16string text =
      fs::FormatMessage(u"Locale %d (%s) is not supported on this computer.",
                        {static_cast<long long>(localeId), languageName});
  return ECollationError(fs::u8(text));
}

ECollationError ECollationError::Failed(std::string_view what, std::string_view serviceMessage) {
  std::string text(what);
  text += ": ";
  text += serviceMessage;
  return ECollationError(text);
}

}  // namespace vexilo::types
