// Importing rows from a TSV file into a stored table.
//
// The file is UTF-8 (a byte-order mark at its start is skipped), lines end
// with LF (a CR before it is dropped). The first line names the table's
// columns the values go to, separated by tabs, in any order; columns not
// named keep the values a new record gets. Every further line is one row
// with exactly as many values as the header has names. Inside a value the
// escapes \\, \t, \r and \n stand for a backslash, a tab, a CR and a line
// break; an empty value leaves the column null. Values are read as their
// column's type reads text (strings and memos as they are, numbers, dates
// and so on in their text forms).
//
// A row the table refuses ends the import with the table's error; the rows
// before it stay in the table.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "engine/storage/table/base_table.h"

namespace vexilo::tools {

// A file that cannot be read, a header naming an unknown column, a row of
// the wrong width or a value the column cannot take; the message names the
// file and the line.
class EImportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Progress of an import: bytes of the file read and the file's size.
using TImportProgress = std::function<void(int64_t done, int64_t total)>;

// Appends the rows of the TSV file at `path` to `table`, which is open and
// set up with the append right. When the table is open exclusively with the
// index right, its user indexes that need not be unique are taken off and
// built in bulk after the rows are in (also after a refused row) instead of
// growing row by row; a process that dies half-way leaves the table without
// them. A shared table is written under its write lock, held for the whole
// import. Returns the number of rows appended; a refused row raises
// EVxbEngine with the table's error, a malformed file EImportError.
int64_t ImportTsv(storage::TVxbBaseTable& table, const std::string& path, const TImportProgress& progress = nullptr);

}  // namespace vexilo::tools
