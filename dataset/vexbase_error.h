// The dataset layer's exceptions for failed engine calls. EVexBaseError keeps
// the negative call result and the session's last error code beside the
// message; EVexBaseExpressionError adds where an expression handed to the
// engine failed to compile. Both are framework database errors, so a window
// that reports database errors catches them too.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "framework/core/database_error.h"
#include "fs/format.h"

namespace vexilo::dataset {

class EVexBaseError : public framework::EDatabaseError {
 public:
  // `vxbError` is the negative call result, `reason` the session's last error
  // code as the engine reports it (negated engine error number, 0 for none).
  EVexBaseError(int16_t vxbError, int16_t reason, std::u16string msg);

  // The message `msg` formatted with `args` (the pattern itself when they do
  // not fit it).
  static EVexBaseError CreateFmt(int16_t vxbError, int16_t reason, std::u16string_view msg,
                                 fs::FormatArgs args);
  static EVexBaseError CreateFmt(int16_t vxbError, int16_t reason, std::u16string_view msg,
                                 std::initializer_list<fs::FormatArg> args) {
    return CreateFmt(vxbError, reason, msg, fs::FormatArgs(args.begin(), args.size()));
  }

  int16_t VxbError() const { return FVxbError; }
  int16_t Reason() const { return FReason; }

 private:
  int16_t FVxbError;
  int16_t FReason;
};

class EVexBaseExpressionError : public EVexBaseError {
 public:
  EVexBaseExpressionError(int16_t vxbError, int16_t reason, std::u16string expression,
                          std::u16string errorLine, std::u16string errorReason,
                          std::u16string msg);

  // The expression as the dataset handed it to the engine.
  const std::u16string& Expression() const { return FExpression; }
  // The line the engine stored for the error, cut just after the error
  // position.
  const std::u16string& ErrorLine() const { return FErrorLine; }
  // The engine's message for the error.
  const std::u16string& ErrorReason() const { return FErrorReason; }

 private:
  std::u16string FExpression;
  std::u16string FErrorLine;
  std::u16string FErrorReason;
};

}  // namespace vexilo::dataset
