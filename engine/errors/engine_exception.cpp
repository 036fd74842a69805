#include "engine/errors/engine_exception.h"

#include "engine/errors/error_codes.h"
#include "engine/errors/messages.h"
#include "fs/text.h"

namespace vexilo::errors {

std::u16string FormatEngineMessage(int code, fs::FormatArgs args) {
  if (code == vxbErrInternal) return std::u16string(InternalExceptionText());
  const std::u16string_view pattern = EngineMessageTemplate(code);
  if (auto text = fs::TryFormatMessage(pattern, args)) return *std::move(text);
  return std::u16string(pattern);
}

EVxbEngine::EVxbEngine(int16_t code, std::u16string_view description)
    : EVxbEngine(Verbatim{}, code, [&] {
        const fs::FormatArg arg(description);
        return FormatEngineMessage(code, fs::FormatArgs(&arg, 1));
      }()) {}

EVxbEngine::EVxbEngine(int16_t code, fs::FormatArgs args)
    : EVxbEngine(Verbatim{}, code, FormatEngineMessage(code, args)) {}

EVxbEngine::EVxbEngine(Verbatim, int16_t code, std::u16string message)
    : std::runtime_error(fs::Utf16ToUtf8(message)), FCode(code), FMessage(std::move(message)) {}

EVxbEngine EVxbEngine::CreateMsg(int16_t code, std::u16string message) {
  return EVxbEngine(Verbatim{}, code, std::move(message));
}

int16_t CheckResult(int16_t result, std::initializer_list<fs::FormatArg> args) {
  if (result < 0) throw EVxbEngine(static_cast<int16_t>(-result), args);
  return result;
}

int16_t CheckInternal(int16_t result) {
  if (result < 0) throw EVxbEngine(vxbErrInternal, {});
  return result;
}

}  // namespace vexilo::errors
