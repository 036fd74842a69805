// A dictd dictionary read whole: its index ("NAME.index", see dictd_index.h)
// and its dictzip data file ("NAME.dict.dz", see gzip_file.h), turned into
// the texts of its entries in index order.
//
// The data file is the entries' texts (UTF-8) laid end to end; the index
// gives each entry's byte offset and length in the uncompressed data. The
// dictionary's own description is stored as entries whose keys begin with
// "00database" ("00databaseinfo", "00databaseshort", ...; older tools wrote
// "00-database-"): those are passed over. An entry reached by several index
// lines (same offset and length) is returned once.
#pragma once

#include <string>
#include <vector>

namespace vexilo::tools::freedict {

struct TDictdEntry {
  std::string Key;   // the index key of the entry's first index line
  std::string Text;  // the entry's text, UTF-8, as stored
};

// Whether `key` names one of the dictionary's description entries.
bool IsDictdMetadataKey(const std::string& key);

// The entries of the dictionary made of `indexPath` and `dataPath`. An
// unreadable or damaged file, or an index line pointing beyond the data,
// raises EFreedictError naming the file.
std::vector<TDictdEntry> ReadDictdDictionary(const std::string& indexPath, const std::string& dataPath);

}  // namespace vexilo::tools::freedict
