// vxbtool reindex: rebuilds every index of a table in place order, or the
// one named. The table is opened shared, so programs that have it open wait
// for the rebuild under its write lock instead of being shut out.
#include <cstdio>
#include <string>
#include <vector>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/storage/table/relation.h"
#include "fs/text.h"
#include "tools/command_line.h"
#include "tools/progress_bar.h"
#include "tools/table_commands.h"
#include "tools/tool_session.h"

namespace vexilo::tools {

namespace {

constexpr const char* kUsage = "reindex TABLE [INDEX] [--password PW]\n";
constexpr uint16_t kReindexRights =
    storage::kRightAppend | storage::kRightEdit | storage::kRightDelete | storage::kRightIndex;

}  // namespace

int TableReindexCommand(const std::vector<std::string>& args) {
  const auto line = ParseCommandLine(args, {"--password"});
  if (!line || line->Positional.empty() || line->Positional.size() > 2) return WrongArguments(kUsage);
  try {
    TToolSession session;
    storage::TVxbBaseTable& table =
        session.OpenTable(line->Positional[0], kReindexRights, fs::u16(line->Value("--password")));
    {
      TProgressBar bar("Rebuilding");
      const auto progress = [&](int64_t done, int64_t total) { bar.Update(done, total); };
      if (line->Positional.size() == 2) {
        const std::u16string name = fs::u16(line->Positional[1]);
        const int indexNo = table.FindIndexNo(name);
        if (indexNo < 0) throw errors::EVxbEngine(errors::vxbErrIndexNotFound, name);
        bar.SetLabel("Rebuilding " + line->Positional[1]);
        session.Check(table.RegenIndex(indexNo, progress));
      } else {
        session.Check(table.RegenIndex(progress));
      }
    }
    session.CloseTable(table);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vxbtool: %s\n", e.what());
    return 1;
  }
  return 0;
}

}  // namespace vexilo::tools
