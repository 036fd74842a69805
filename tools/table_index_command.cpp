// vxbtool index add|drop|rename: a table's user indexes. The table is opened
// shared; dropping and renaming need it to themselves and are refused with
// the engine's message while another program has it open.
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/storage/table/relation.h"
#include "fs/text.h"
#include "tools/command_line.h"
#include "tools/table_commands.h"
#include "tools/tool_session.h"

namespace vexilo::tools {

namespace {

constexpr const char* kUsage =
    "index add TABLE NAME SPEC [--unique] [--password PW]\n"
    "       vxbtool index drop TABLE NAME [--password PW]\n"
    "       vxbtool index rename TABLE OLD NEW [--password PW]\n";
constexpr uint16_t kIndexRights =
    storage::kRightAppend | storage::kRightEdit | storage::kRightDelete | storage::kRightIndex;

// The place of the index `name`; raises error 36 when the table has none.
int IndexPlace(storage::TVxbBaseTable& table, const std::string& name) {
  const int indexNo = table.FindIndexNo(fs::u16(name));
  if (indexNo < 0) throw errors::EVxbEngine(errors::vxbErrIndexNotFound, fs::u16(name));
  return indexNo;
}

}  // namespace

int TableIndexCommand(const std::vector<std::string>& args) {
  const auto line = ParseCommandLine(args, {"--password"}, {"--unique"});
  if (!line || line->Positional.empty()) return WrongArguments(kUsage);
  const std::vector<std::string>& words = line->Positional;
  const std::string& action = words[0];
  const size_t expected = action == "add" || action == "rename" ? 4 : action == "drop" ? 3 : 0;
  if (expected == 0 || words.size() != expected || (line->Has("--unique") && action != "add"))
    return WrongArguments(kUsage);
  try {
    TToolSession session;
    storage::TVxbBaseTable& table = session.OpenTable(words[1], kIndexRights, fs::u16(line->Value("--password")));
    if (action == "add") {
      session.Check(table.NewIndex(fs::u16(words[2]), fs::u16(words[3]), line->Has("--unique")));
    } else if (action == "drop") {
      session.Check(table.DeleteIndex(IndexPlace(table, words[2])));
    } else {
      const int16_t result = table.RenameIndex(IndexPlace(table, words[2]), fs::u16(words[3]));
      // -3: the index file could not be renamed, and nothing changed.
      if (result == -3)
        throw std::runtime_error("the file of index \"" + words[2] + "\" cannot be renamed to \"" + words[3] + "\"");
      session.Check(result);
    }
    session.CloseTable(table);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vxbtool: %s\n", e.what());
    return 1;
  }
  return 0;
}

}  // namespace vexilo::tools
