// vxbtool: the command-line administration tool for VexBase tables.
//
// It answers questions about messages and collations:
//   vxbtool message N                 the engine message template of error N
//   vxbtool result N                  the text of call result code N
//   vxbtool compare [--collation NAME] A B
//                                     how A and B compare in a collation
// and works on tables (tools/table_commands.h): info, dump and locks read
// them; create, import, check, reindex and index add/drop/rename make and
// keep them.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "engine/errors/error_codes.h"
#include "engine/errors/messages.h"
#include "engine/types/collation.h"
#include "fs/text.h"
#include "tools/column_syntax.h"
#include "tools/table_commands.h"

namespace {

using vexilo::fs::u16;
using vexilo::fs::u8;

int Usage(FILE* out) {
  std::fputs(
      "usage: vxbtool COMMAND [ARGS]\n"
      "\n"
      "  message N                          engine message template of error number N\n"
      "  result N                           text of engine call result code N\n"
      "  compare [--collation NAME] A B     compare two texts in a collation\n"
      "                                     (default: the engine collation \"VexBase\")\n"
      "  help                               this text\n",
      out);
  std::fputs(vexilo::tools::kTableCommandsUsage, out);
  std::fputs(vexilo::tools::kAdminCommandsUsage, out);
  std::fputs(vexilo::tools::kColumnSyntaxUsage, out);
  return out == stdout ? 0 : 2;
}

bool ParseInt(const std::string& text, int& value) {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < -32768 || v > 32767) return false;
  value = static_cast<int>(v);
  return true;
}

int Message(const std::vector<std::string>& args, bool engine) {
  int code;
  if (args.size() != 1 || !ParseInt(args[0], code)) return Usage(stderr);
  const std::u16string text(engine ? vexilo::errors::EngineMessageTemplate(code)
                                   : vexilo::errors::CallResultMessage(code));
  std::printf("%s\n", u8(text).c_str());
  return 0;
}

int Compare(std::vector<std::string> args) {
  std::string collation_name;
  if (args.size() == 4 && args[0] == "--collation") {
    collation_name = args[1];
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.size() != 2) return Usage(stderr);
  const auto resolved = vexilo::types::TVxbCollation::Resolve(u16(collation_name));
  if (!resolved.collation) {
    std::fprintf(stderr, "vxbtool: Collation \"%s\" does not exist\n", collation_name.c_str());
    return 1;
  }
  const std::u16string a = u16(args[0]);
  const std::u16string b = u16(args[1]);
  const int r = resolved.collation->CompareWide(a.data(), a.size(), b.data(), b.size(), resolved.options);
  std::printf("%s %s %s\n", args[0].c_str(), r < 0 ? "<" : r > 0 ? ">" : "=", args[1].c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage(stdout);
  const std::string command = args[0];
  args.erase(args.begin());
  try {
    if (command == "help" || command == "--help" || command == "-h") return Usage(stdout);
    if (command == "message") return Message(args, true);
    if (command == "result") return Message(args, false);
    if (command == "compare") return Compare(args);
    if (command == "info") return vexilo::tools::TableInfoCommand(args);
    if (command == "dump") return vexilo::tools::TableDumpCommand(args);
    if (command == "locks") return vexilo::tools::TableLocksCommand(args);
    if (command == "count") return vexilo::tools::TableCountCommand(args);
    if (command == "create") return vexilo::tools::TableCreateCommand(args);
    if (command == "import") return vexilo::tools::TableImportCommand(args);
    if (command == "check") return vexilo::tools::TableCheckCommand(args);
    if (command == "reindex") return vexilo::tools::TableReindexCommand(args);
    if (command == "index") return vexilo::tools::TableIndexCommand(args);
    if (command == "edit") return vexilo::tools::TableEditCommand(args);
    if (command == "delete") return vexilo::tools::TableDeleteCommand(args);
    if (command == "find") return vexilo::tools::TableFindCommand(args);
    if (command == "query") return vexilo::tools::TableQueryCommand(args);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vxbtool: %s\n", e.what());
    return 1;
  }
  std::fprintf(stderr, "vxbtool: unknown command \"%s\"\n", command.c_str());
  return Usage(stderr);
}
