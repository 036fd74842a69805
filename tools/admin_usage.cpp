// The usage text of vxbtool's locks and administration commands.
#include <cstdio>

#include "tools/table_commands.h"

namespace vexilo::tools {

const char* const kAdminCommandsUsage =
    "  count TABLE CONDITION [--jokers] [--password PW]\n"
    "                                     records the search condition selects (for\n"
    "                                     example \"ENG = 'apple' And HUN <> 'alma'\"),\n"
    "                                     and the index and range it chooses\n"
    "  locks TABLE                        sessions, table and record locks of the table's\n"
    "                                     lock file (read without joining the table)\n"
    "  create TABLE [--level N] [--collation NAME] [--capacity N] [--password PW]\n"
    "         [--blob-block-size N] COLUMN... [--index NAME=SPEC]... [--check CONDITION]...\n"
    "                                     a new table with user indexes (SPEC: the key\n"
    "                                     columns, separated by commas, \"-\" descending)\n"
    "                                     and check constraints (search conditions no\n"
    "                                     stored record may make false)\n"
    "         [--calculate COLUMN=EXPRESSION]...\n"
    "                                     columns computed from the record when it is\n"
    "                                     appended or updated (\"N2=N * 2\")\n"
    "  import TABLE FILE.tsv [--password PW]\n"
    "                                     append the rows of a TSV file (UTF-8, header of\n"
    "                                     column names, escapes \\\\ \\t \\r \\n)\n"
    "  check TABLE [--password PW]        check memo/blob storage and indexes; exit 1\n"
    "                                     when damage was found\n"
    "  reindex TABLE [INDEX] [--password PW]\n"
    "                                     rebuild every index, or one\n"
    "  index add TABLE NAME SPEC [--unique] [--password PW]\n"
    "  index drop TABLE NAME [--password PW]\n"
    "  index rename TABLE OLD NEW [--password PW]\n"
    "  edit TABLE RECNO COLUMN=VALUE... [--timeout MS] [--hold] [--password PW]\n"
    "                                     set columns of a record (empty value: null)\n"
    "                                     under its edit lock, waiting up to MS\n"
    "                                     (20000) for another program's edit; --hold\n"
    "                                     posts only after a line on standard input\n"
    "  delete TABLE RECNO [--timeout MS] [--password PW]\n"
    "                                     delete a record (refused while another\n"
    "                                     program edits it)\n";

int WrongArguments(const char* usage) {
  std::fprintf(stderr, "usage: vxbtool %s\n", usage);
  return 2;
}

}  // namespace vexilo::tools
