// The whole conversion of Debian's two FreeDict dictionaries,
// English-Hungarian ("freedict-eng-hun") and Hungarian-English
// ("freedict-hun-eng"), into the TSV file of dictionary rows: reading both
// (dictd_dictionary.h), repairing their legacy spellings
// (legacy_spelling.h), parsing the entries (freedict_entry.h), merging the
// pairs (dictionary_rows.h) and writing the file (tsv_file.h).
#pragma once

#include <cstddef>
#include <ostream>
#include <string>

#include "tools/freedict/dictionary_rows.h"
#include "tools/freedict/row_statistics.h"

namespace vexilo::tools::freedict {

// What one conversion read and wrote.
struct TConversionSummary {
  size_t EngHunEntries = 0;              // entries read, description entries not counted
  size_t HunEngEntries = 0;
  size_t EntriesWithoutHeadword = 0;     // passed over
  size_t EntriesWithoutTranslations = 0; // passed over
  size_t EntriesWithBadUtf8 = 0;         // kept, each bad byte read as U+FFFD
  TPairCounts Pairs;
  TRowStatistics Rows;
};

// Reads the dictionaries in `dictdDir` and writes their rows to `outPath`.
// A dictionary with a missing file is left out with a warning on `messages`;
// when both are missing, or a file is unreadable or damaged, raises
// EFreedictError and leaves no file at `outPath`.
TConversionSummary ConvertFreedict(const std::string& dictdDir, const std::string& outPath, std::ostream& messages);

// The summary as lines of text for the terminal.
std::string FormatConversionSummary(const TConversionSummary& summary);

}  // namespace vexilo::tools::freedict
