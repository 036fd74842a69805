// Small dictd dictionaries written by the tests: an index with base64
// numbers and a gzip data file written with zlib's own gzip writer.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace vexilo::tools::freedict::testing {

// `value` in dictd's base64 digits, most significant first.
inline std::string EncodeDictdNumber(uint64_t value) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string digits;
  do {
    digits.insert(digits.begin(), kDigits[value % 64]);
    value /= 64;
  } while (value != 0);
  return digits;
}

inline void WriteGzipFile(const std::string& path, const std::string& bytes, const char* mode = "wb") {
  gzFile file = gzopen(path.c_str(), mode);
  if (file == nullptr) throw std::runtime_error("cannot write " + path);
  if (!bytes.empty()) gzwrite(file, bytes.data(), static_cast<unsigned>(bytes.size()));
  gzclose(file);
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

struct TFixtureEntry {
  std::string Key;   // index key
  std::string Text;  // entry text, UTF-8
};

// Writes DIR/NAME.index and DIR/NAME.dict.dz holding a "00databaseinfo"
// description entry followed by `entries`, in that order.
inline void WriteDictdDictionary(const std::string& dir, const std::string& name,
                                 const std::vector<TFixtureEntry>& entries) {
  std::string data;
  std::string index;
  auto add = [&](const std::string& key, const std::string& text) {
    index += key + "\t" + EncodeDictdNumber(data.size()) + "\t" + EncodeDictdNumber(text.size()) + "\n";
    data += text;
  };
  add("00databaseinfo", "00-database-info\nA test dictionary\n");
  for (const TFixtureEntry& entry : entries) add(entry.Key, entry.Text);
  WriteFile(dir + "/" + name + ".index", index);
  WriteGzipFile(dir + "/" + name + ".dict.dz", data);
}

// The whole file at `path`.
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace vexilo::tools::freedict::testing
