// Importing rows from a TSV file into a stored table.
#include "tools/tsv_import.h"

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"

namespace vexilo::tools {

int64_t ImportTsv(storage::TVxbBaseTable& table, const std::string& path, const TImportProgress& progress) {
  (void)table, (void)progress;
  throw EImportError(path + ": import not available yet");
}

}  // namespace vexilo::tools
