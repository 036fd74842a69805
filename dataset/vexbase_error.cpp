#include "dataset/vexbase_error.h"

#include <utility>

namespace vexilo::dataset {

EVexBaseError::EVexBaseError(int16_t vxbError, int16_t reason, std::u16string msg)
    : EDatabaseError(std::move(msg)), FVxbError(vxbError), FReason(reason) {}

EVexBaseError EVexBaseError::CreateFmt(int16_t vxbError, int16_t reason, std::u16string_view msg,
                                       fs::FormatArgs args) {
  return EVexBaseError(vxbError, reason, framework::FormatErrorMessage(msg, args));
}

EVexBaseExpressionError::EVexBaseExpressionError(int16_t vxbError, int16_t reason,
                                                 std::u16string expression,
                                                 std::u16string errorLine,
                                                 std::u16string errorReason, std::u16string msg)
    : EVexBaseError(vxbError, reason, std::move(msg)),
      FExpression(std::move(expression)),
      FErrorLine(std::move(errorLine)),
      FErrorReason(std::move(errorReason)) {}

}  // namespace vexilo::dataset
