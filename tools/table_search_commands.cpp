// vxbtool find and query: the dictionary's searches as its windows make
// them, through the engine call interface only (TCallTable).
//
//   find TABLE INDEX TEXT [--next N] [--filter CONDITION]
//     the entry a search on INDEX for TEXT lands on (the first one whose key
//     is not smaller than TEXT, as the search window jumps while the user
//     types) and the N entries after it in that index's order (4 by
//     default); with --filter only the entries the condition lets through.
//     The first line carries "_match": "exact" or "nearest".
//   query TABLE CONDITION [--index NAME] [--limit N]
//     the records a static filter with CONDITION lets through, in the order
//     of index NAME (record numbers without one), at most N of them.
//
// Both write JSON lines like dump and open the table shared, reading only.
// A condition the engine refuses ends the command with the engine's message
// and status 1.
#include <cstdio>
#include <string>
#include <vector>

#include "engine/api/calls/table_calls.h"
#include "fs/text.h"
#include "tools/call_table.h"
#include "tools/command_line.h"
#include "tools/table_commands.h"

namespace vexilo::tools {

namespace {

constexpr const char* kFindUsage = "find TABLE INDEX TEXT [--next N] [--filter CONDITION] [--password PW]\n";
constexpr const char* kQueryUsage = "query TABLE CONDITION [--index NAME] [--limit N] [--password PW]\n";
// A static filter, prepared and put in force at once.
constexpr int32_t kStaticFilter = 1;

void PrintLine(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
}

int Failed(const ECallFailed& e) {
  std::fflush(stdout);
  std::fprintf(stderr, "vxbtool: %s\n", e.what());
  return 1;
}

}  // namespace

int TableFindCommand(const std::vector<std::string>& args) {
  const auto line = ParseCommandLine(args, {"--next", "--filter", "--password"});
  if (!line || line->Positional.size() != 3) return WrongArguments(kFindUsage);
  const auto next = ParseNumber(line->Value("--next", "4"), 0, 1000000);
  if (!next) return WrongArguments(kFindUsage);
  try {
    TCallTable table(line->Positional[0], 0, fs::u16(line->Value("--password")));
    const std::u16string indexName = fs::u16(line->Positional[1]);
    const api::TVxbTableHdl handle = table.Handle();
    table.Check(api::VxbTableSetIndex(handle, indexName.c_str(), false), "VxbTableSetIndex");
    if (line->Has("--filter")) {
      table.Check(api::VxbTableSetSQLFilter(handle, fs::u16(line->Value("--filter")).c_str(), kStaticFilter, false),
                  "VxbTableSetSQLFilter");
    }
    const std::vector<uint8_t> key = table.KeyRecord(table.FirstKeyColumn(indexName), fs::u16(line->Positional[2]));
    bool exact = false;
    const int32_t found = table.Check(api::VxbTableLocateRec2(handle, indexName.c_str(), key.data(), 0, &exact),
                                      "VxbTableLocateRec2");
    if (found == 0) {
      std::fprintf(stderr, "vxbtool: no entry at or after \"%s\" in %s\n", line->Positional[2].c_str(),
                   line->Positional[1].c_str());
      return 0;
    }
    std::string first = table.RecordJson();
    first.insert(1, std::string("\"_match\":\"") + (exact ? "exact" : "nearest") + "\",");
    PrintLine(first);
    for (long long n = 0; n < *next; ++n) {
      const int32_t moved = api::VxbTableMoveBy(handle, 1);
      if (moved == -11) break;
      table.Check(moved, "VxbTableMoveBy");
      PrintLine(table.RecordJson());
    }
  } catch (const ECallFailed& e) {
    return Failed(e);
  }
  return 0;
}

int TableQueryCommand(const std::vector<std::string>& args) {
  const auto line = ParseCommandLine(args, {"--index", "--limit", "--password"});
  if (!line || line->Positional.size() != 2) return WrongArguments(kQueryUsage);
  const auto limit = ParseNumber(line->Value("--limit", "-1"), -1, INT32_MAX);
  if (!limit) return WrongArguments(kQueryUsage);
  try {
    TCallTable table(line->Positional[0], 0, fs::u16(line->Value("--password")));
    const api::TVxbTableHdl handle = table.Handle();
    table.Check(api::VxbTableSetIndex(handle, fs::u16(line->Value("--index")).c_str(), false), "VxbTableSetIndex");
    table.Check(api::VxbTableSetSQLFilter(handle, fs::u16(line->Positional[1]).c_str(), kStaticFilter, false),
                "VxbTableSetSQLFilter");
    long long written = 0;
    for (int32_t moved = api::VxbTableFirst(handle); *limit < 0 || written < *limit;
         moved = api::VxbTableMoveBy(handle, 1)) {
      if (moved == -11) break;
      table.Check(moved, "moving through the records");
      PrintLine(table.RecordJson());
      ++written;
    }
  } catch (const ECallFailed& e) {
    return Failed(e);
  }
  return 0;
}

}  // namespace vexilo::tools
