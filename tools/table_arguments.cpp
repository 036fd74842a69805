#include "tools/table_arguments.h"

#include <cstdlib>

#include "fs/text.h"
#include "tools/table_commands.h"

namespace vexilo::tools {

std::optional<TTableArguments> ParseTableArguments(const std::vector<std::string>& args, bool allowLimit) {
  TTableArguments parsed;
  bool haveTable = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--password" && i + 1 < args.size()) {
      parsed.Password = fs::u16(args[++i]);
    } else if (allowLimit && arg == "--limit" && i + 1 < args.size()) {
      const std::string& text = args[++i];
      char* end = nullptr;
      const long long limit = std::strtoll(text.c_str(), &end, 10);
      if (text.empty() || *end != '\0' || limit < 0) return std::nullopt;
      parsed.Limit = limit;
    } else if (!haveTable && !arg.empty() && arg[0] != '-') {
      parsed.Table = arg;
      haveTable = true;
    } else {
      return std::nullopt;
    }
  }
  if (!haveTable) return std::nullopt;
  return parsed;
}

const char* const kTableCommandsUsage =
    "  info TABLE [--password PW]         layout, level, counts, collation, record size,\n"
    "                                     index names and columns of a table file\n"
    "  dump TABLE [--limit N] [--password PW]\n"
    "                                     the records as JSON lines (memos as text,\n"
    "                                     blobs in base64)\n"
    "  find TABLE INDEX TEXT [--next N] [--filter CONDITION]\n"
    "                                     the entry a search for TEXT on INDEX lands on\n"
    "                                     and the N (4) after it, as JSON lines\n"
    "  query TABLE CONDITION [--index NAME] [--limit N]\n"
    "                                     the records a filter lets through, in the\n"
    "                                     order of index NAME, as JSON lines\n"
    "                                     TABLE: the table file, with or without extension\n";

}  // namespace vexilo::tools
