// vxbtool import: appends the rows of a TSV file to a table. The table is
// opened exclusively, so the import builds its indexes in bulk once the rows
// are in; it is closed (and so written) before the count is reported.
#include <cstdio>
#include <string>
#include <vector>

#include "engine/errors/engine_exception.h"
#include "engine/storage/table/relation.h"
#include "fs/text.h"
#include "tools/command_line.h"
#include "tools/progress_bar.h"
#include "tools/table_commands.h"
#include "tools/tool_session.h"
#include "tools/tsv_import.h"

namespace vexilo::tools {

namespace {

constexpr const char* kUsage = "import TABLE FILE.tsv [--password PW]\n";
constexpr uint16_t kImportRights = storage::kRightAppend | storage::kRightIndex | storage::kRightExclusive;

}  // namespace

int TableImportCommand(const std::vector<std::string>& args) {
  const auto line = ParseCommandLine(args, {"--password"});
  if (!line || line->Positional.size() != 2) return WrongArguments(kUsage);
  try {
    TToolSession session;
    storage::TVxbBaseTable& table =
        session.OpenTable(line->Positional[0], kImportRights, fs::u16(line->Value("--password")));
    int64_t rows = 0;
    {
      TProgressBar bar("Importing");
      rows = ImportTsv(table, line->Positional[1], [&](int64_t done, int64_t total) { bar.Update(done, total); });
    }
    session.CloseTable(table);
    std::printf("%lld rows imported\n", static_cast<long long>(rows));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vxbtool: %s\n", e.what());
    return 1;
  }
  return 0;
}

}  // namespace vexilo::tools
