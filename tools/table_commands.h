// vxbtool's table commands. Reading:
//   info TABLE [--password PW]             the table file's layout, level,
//                                          counts, collation, record size,
//                                          index names and every column
//   dump TABLE [--limit N] [--password PW] the records as JSON lines, memo
//                                          and blob values read from their
//                                          files (blobs in base64)
//   count TABLE CONDITION [--jokers]       how many records the search
//                                          condition selects, and the index
//                                          and range it chooses
//   locks TABLE                            who has the table open, and the
//                                          table and record locks they hold,
//                                          read from its lock file without
//                                          joining the table
// Administration:
//   create TABLE [--level N] [--collation NAME] [--capacity N]
//          [--password PW] [--blob-block-size N] COLUMN...
//          [--index NAME=SPEC]... [--check CONDITION]...
//          [--calculate COLUMN=EXPRESSION]...
//                                          a new table (column syntax:
//                                          column_syntax.h) with user indexes,
//                                          check constraints and calculated
//                                          columns
//   import TABLE FILE.tsv [--password PW]  appends the rows of a TSV file,
//                                          the table opened exclusively so
//                                          that its indexes are built in bulk
//   check TABLE [--password PW]            checks the memo/blob file and
//                                          every index; one line per finding
//   reindex TABLE [INDEX] [--password PW]  rebuilds every index, or one
//   index add TABLE NAME SPEC [--unique], index drop TABLE NAME,
//   index rename TABLE OLD NEW             the table's user indexes
// Editing (the table opened shared; an edit waits up to --timeout
// milliseconds, 20000 by default, while another program edits the record,
// a deletion is refused at once then; table locks wait up to the timeout):
//   edit TABLE RECNO COLUMN=VALUE... [--timeout MS] [--hold]
//                                          sets columns of record RECNO (an
//                                          empty value: null) and posts;
//                                          --hold keeps the edit open until
//                                          a line arrives on standard input
//   delete TABLE RECNO [--timeout MS]      deletes record RECNO
// Searching, through the engine call interface (the table opened shared,
// read only):
//   find TABLE INDEX TEXT [--next N] [--filter CONDITION]
//                                          the entry a search for TEXT on
//                                          INDEX lands on and the N after it
//   query TABLE CONDITION [--index NAME] [--limit N]
//                                          the records a static filter lets
//                                          through, in the order of NAME
// TABLE is the path of the table file, with or without its extension. Engine
// errors end a command with the engine's message on standard error and exit
// status 1; wrong arguments give status 2. check ends with status 1 when it
// found damage. Progress bars appear on standard error when it is a
// terminal.
#pragma once

#include <string>
#include <vector>

namespace vexilo::tools {

int TableInfoCommand(const std::vector<std::string>& args);
int TableDumpCommand(const std::vector<std::string>& args);
int TableLocksCommand(const std::vector<std::string>& args);
int TableCountCommand(const std::vector<std::string>& args);
int TableCreateCommand(const std::vector<std::string>& args);
int TableImportCommand(const std::vector<std::string>& args);
int TableCheckCommand(const std::vector<std::string>& args);
int TableReindexCommand(const std::vector<std::string>& args);
int TableIndexCommand(const std::vector<std::string>& args);
int TableEditCommand(const std::vector<std::string>& args);
int TableDeleteCommand(const std::vector<std::string>& args);
int TableFindCommand(const std::vector<std::string>& args);
int TableQueryCommand(const std::vector<std::string>& args);

// The usage lines of the reading commands info and dump.
extern const char* const kTableCommandsUsage;
// The usage lines of locks and the administration commands.
extern const char* const kAdminCommandsUsage;

// Prints `usage` and the administration usage on standard error; returns
// exit status 2.
int WrongArguments(const char* usage);

}  // namespace vexilo::tools
