#include "dataset/error_check.h"

#include <algorithm>
#include <array>
#include <string>

#include "dataset/vexbase_error.h"
#include "engine/api/calls/session_calls.h"
#include "engine/errors/error_codes.h"
#include "framework/core/database_error.h"

namespace vexilo::dataset {
namespace {

// The longest text taken from the engine, in characters.
constexpr int kMaxEngineText = 255;

using TEngineTextBuffer = std::array<char16_t, kMaxEngineText + 1>;

std::u16string CallResultText(int16_t result) {
  TEngineTextBuffer buffer{};
  api::VxbGetErrorMsg(result, buffer.data(), kMaxEngineText);
  return std::u16string(buffer.data());
}

// Handle and communication failures: the session's last error says nothing
// about them.
bool IsHandleOrCommunicationFailure(int16_t result) {
  switch (result) {
    case errors::vxbResInvalidTableHandle:
    case errors::vxbResEngineFailure:
    case errors::vxbResInvalidStatementHandle:
    case errors::vxbResInvalidSessionHandle:
    case errors::vxbResServerTimeout:
    case errors::vxbResNotSupportedRemote:
    case errors::vxbResCommunication:
    case errors::vxbResUnspecified:
      return true;
    default:
      return false;
  }
}

struct TStoredError {
  int16_t Code = 0;
  std::u16string Message;
};

TStoredError ReadLastError(api::TVxbSessionErrors& session) {
  TEngineTextBuffer buffer{};
  int16_t code = 0;
  if (session.GetLastError(code, buffer.data(), kMaxEngineText) < 0) return {};
  return {code, std::u16string(buffer.data())};
}

}  // namespace

void RaiseEngineError(api::TVxbSessionErrors& session, std::u16string_view action,
                      int32_t result) {
  const auto code = static_cast<int16_t>(result);
  // Fetched for -100 as well: with no stored error it is the only text there
  // is to tell what failed.
  const std::u16string resultText = CallResultText(code);
  if (IsHandleOrCommunicationFailure(code)) {
    throw framework::EDatabaseError::CreateFmt(u"%s: %s", {action, resultText});
  }
  const TStoredError stored = ReadLastError(session);
  if (stored.Code == 0) {
    throw EVexBaseError::CreateFmt(code, 0, u"%s: %s", {action, resultText});
  }
  if (code != errors::vxbResEngineException) {
    throw EVexBaseError::CreateFmt(code, stored.Code, u"%s: %s. %s",
                                   {action, resultText, stored.Message});
  }
  throw EVexBaseError::CreateFmt(code, stored.Code, u"%s: %s", {action, stored.Message});
}

int32_t CheckEngineResult(api::TVxbSessionErrors& session, std::u16string_view action,
                          int32_t result) {
  if (result < 0) RaiseEngineError(session, action, result);
  return result;
}

void RaiseExpressionError(api::TVxbSessionErrors& session, std::u16string_view expression,
                          int32_t result) {
  const auto code = static_cast<int16_t>(result);
  const std::u16string resultText = CallResultText(code);

  TEngineTextBuffer lineBuffer{};
  const int32_t position = session.GetLastErrorPos(lineBuffer.data(), kMaxEngineText);
  std::u16string errorLine(lineBuffer.data());
  // The line up to and including the character at the error position.
  const int64_t keep = std::clamp<int64_t>(int64_t{position} + 1, 0, kMaxEngineText);
  if (errorLine.size() > static_cast<size_t>(keep)) errorLine.resize(static_cast<size_t>(keep));

  const TStoredError stored = ReadLastError(session);
  std::u16string message = framework::FormatErrorMessage(
      u"%s\r\n%s\r\nHinter\r\n%s\r\n%s",
      {fs::FormatArg(resultText), fs::FormatArg(expression), fs::FormatArg(errorLine),
       fs::FormatArg(stored.Message)});
  throw EVexBaseExpressionError(code, stored.Code, std::u16string(expression),
                                std::move(errorLine), stored.Message, std::move(message));
}

}  // namespace vexilo::dataset
