#include "framework/core/abort.h"

namespace vexilo::framework {

void Abort() { throw EAbort(); }

}  // namespace vexilo::framework
