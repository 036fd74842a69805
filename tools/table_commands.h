// vxbtool's table commands:
//   info TABLE [--password PW]             the table file's layout, level,
//                                          counts, collation, record size,
//                                          index names and every column
//   dump TABLE [--limit N] [--password PW] the records as JSON lines, memo
//                                          and blob values read from their
//                                          files (blobs in base64)
// TABLE is the path of the table file, with or without its extension. A
// damaged or foreign file ends the command with the engine's message on
// standard error and exit status 1; wrong arguments give status 2.
#pragma once

#include <string>
#include <vector>

namespace vexilo::tools {

int TableInfoCommand(const std::vector<std::string>& args);
int TableDumpCommand(const std::vector<std::string>& args);

// The usage lines of the table commands.
extern const char* const kTableCommandsUsage;

}  // namespace vexilo::tools
