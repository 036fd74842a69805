// The TSV file of dictionary rows that the table import reads: UTF-8, lines
// ended by LF, a header line "ENG<TAB>HUN<TAB>LEIR", then one line per row.
// Inside a value a backslash, tab, CR and LF are written as the escapes
// \\, \t, \r and \n, so a value never breaks its line or its column.
//
// The file is written under a temporary name beside the target
// ("OUT.tsv.part") and takes its own name only on Commit, so a failed or
// interrupted conversion never leaves a partial file under the target name.
#pragma once

#include <fstream>
#include <string>
#include <string_view>

#include "tools/freedict/dictionary_rows.h"

namespace vexilo::tools::freedict {

// `value` in UTF-8 with its backslashes, tabs, CRs and LFs escaped. An
// unpaired surrogate becomes U+FFFD.
std::string EscapeTsvValue(std::u16string_view value);

class TTsvFile {
 public:
  // Starts the file for `path` and writes the header line; EFreedictError
  // when it cannot be created.
  explicit TTsvFile(const std::string& path);
  // Removes the temporary file when Commit was not reached.
  ~TTsvFile();
  TTsvFile(const TTsvFile&) = delete;
  TTsvFile& operator=(const TTsvFile&) = delete;

  void WriteRow(const TDictionaryRow& row);
  // Flushes the file and gives it its name, replacing an older file of that
  // name; EFreedictError when anything written could not be stored.
  void Commit();

 private:
  std::string FPath;
  std::string FTemporaryPath;
  std::ofstream FOut;
  bool FCommitted = false;
};

}  // namespace vexilo::tools::freedict
