#include "tools/freedict/dictd_dictionary.h"

#include <set>
#include <utility>

#include "tools/freedict/dictd_index.h"
#include "tools/freedict/freedict_error.h"
#include "tools/freedict/gzip_file.h"

namespace vexilo::tools::freedict {

bool IsDictdMetadataKey(const std::string& key) {
  return key.starts_with("00database") || key.starts_with("00-database");
}

std::vector<TDictdEntry> ReadDictdDictionary(const std::string& indexPath, const std::string& dataPath) {
  const std::vector<TDictdIndexEntry> index = ParseDictdIndex(ReadWholeFile(indexPath), indexPath);
  const std::string data = ReadGzipFile(dataPath);

  std::vector<TDictdEntry> entries;
  entries.reserve(index.size());
  std::set<std::pair<uint64_t, uint64_t>> seen;
  for (const TDictdIndexEntry& line : index) {
    if (IsDictdMetadataKey(line.Key)) continue;
    if (line.Offset > data.size() || line.Length > data.size() - line.Offset) {
      throw EFreedictError(indexPath + ": the entry \"" + line.Key + "\" lies beyond the end of " + dataPath +
                           " (offset " + std::to_string(line.Offset) + ", length " +
                           std::to_string(line.Length) + ", data size " + std::to_string(data.size()) + ")");
    }
    if (!seen.emplace(line.Offset, line.Length).second) continue;
    entries.push_back({line.Key, data.substr(line.Offset, line.Length)});
  }
  return entries;
}

}  // namespace vexilo::tools::freedict
