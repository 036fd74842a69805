// vxbtool count: how many records of a table a search condition selects,
// and which index and key range the condition chooses for the walk (the
// line a filter's plan is read from). The table is opened shared through a
// session and its catalog; the condition is prepared against the catalog's
// accessor on it and evaluated on every record under one read lock.
#include <cstdio>
#include <string>
#include <vector>

#include "engine/cursor/accessor.h"
#include "engine/cursor/condition/index_choice.h"
#include "engine/cursor/condition/sql_condition.h"
#include "engine/index/index_file.h"
#include "engine/storage/sharing/table_lock_guard.h"
#include "engine/storage/table/relation.h"
#include "fs/text.h"
#include "tools/command_line.h"
#include "tools/table_commands.h"
#include "tools/tool_session.h"

namespace vexilo::tools {

namespace {

constexpr const char* kUsage = "count TABLE CONDITION [--jokers] [--password PW]\n";

}  // namespace

int TableCountCommand(const std::vector<std::string>& args) {
  const auto line = ParseCommandLine(args, {"--password"}, {"--jokers"});
  if (!line || line->Positional.size() != 2) return WrongArguments(kUsage);
  try {
    TToolSession session;
    storage::TVxbBaseTable& table = session.OpenTable(line->Positional[0], 0,
                                                      fs::u16(line->Value("--password")));
    cursor::TVxbAccessor& accessor = session.AccessorOf(table);
    cursor::TVxbSqlCondition condition(fs::u16(line->Positional[1]));
    condition.Prepare({&accessor}, line->Has("--jokers") ? cursor::tpoUseJokers : 0);
    const cursor::TVxbIndexChoice choice = cursor::ChooseIndex(
        const_cast<cursor::TVxbSearchCondition*>(condition.Tree()), accessor, cursor::IndexCandidatesOf(table), false);
    int64_t matching = 0;
    int32_t count = 0;
    {
      const storage::TVxbTableLockGuard readLock = storage::TVxbTableLockGuard::Read(table.Locks());
      session.Check(readLock.Result());
      count = table.GetRecordCount();
      for (int32_t recNo = 1; recNo <= count; ++recNo) {
        accessor.SetCurrentRecordNo(recNo);
        if (condition.Evaluate()) ++matching;
      }
    }
    std::printf("%lld of %d records match\n", static_cast<long long>(matching), count);
    std::printf("Plan: %s\n", fs::u8(cursor::DescribeChoice(choice, accessor)).c_str());
    session.CloseTable(table);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vxbtool: %s\n", e.what());
    return 1;
  }
  return 0;
}

}  // namespace vexilo::tools
