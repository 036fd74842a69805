#include "engine/api/calls/call_guard.h"

#include <exception>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "fs/text.h"

namespace vexilo::api::calls {

void StoreCurrentException(errors::TVxbServices* services) noexcept {
  if (services == nullptr) return;
  // Storing can fail too (no memory for the message): the call still
  // returns its failure code, with the last error as it was.
  try {
    try {
      throw;
    } catch (const errors::EVxbEngine& e) {
      services->SetLastError(e);
    } catch (const std::exception& e) {
      services->SetLastError(errors::vxbErrException, fs::u16(e.what()));
    } catch (...) {
      services->SetLastError(errors::vxbErrException, u"unknown exception");
    }
  } catch (...) {
  }
}

}  // namespace vexilo::api::calls
