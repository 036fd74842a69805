#include "tools/freedict/dictd_index.h"

#include <limits>

#include "tools/freedict/freedict_error.h"

namespace vexilo::tools::freedict {

namespace {

int DigitValue(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// `line` cut at its tabs.
std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) {
      fields.push_back(line.substr(start));
      return fields;
    }
    fields.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
}

}  // namespace

std::optional<uint64_t> DecodeDictdNumber(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char c : digits) {
    const int digit = DigitValue(c);
    if (digit < 0) return std::nullopt;
    if (value > (std::numeric_limits<uint64_t>::max() >> 6)) return std::nullopt;
    value = (value << 6) | static_cast<uint64_t>(digit);
  }
  return value;
}

std::vector<TDictdIndexEntry> ParseDictdIndex(std::string_view text, const std::string& fileName) {
  std::vector<TDictdIndexEntry> entries;
  size_t lineNumber = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;

    const std::vector<std::string_view> fields = SplitFields(line);
    std::optional<uint64_t> offset;
    std::optional<uint64_t> length;
    if (fields.size() == 3 || fields.size() == 4) {
      offset = DecodeDictdNumber(fields[1]);
      length = DecodeDictdNumber(fields[2]);
    }
    if (!offset || !length) {
      throw EFreedictError(fileName + ", line " + std::to_string(lineNumber) +
                           ": damaged index line (expected key, offset and length)");
    }
    entries.push_back({std::string(fields[0]), *offset, *length});
  }
  return entries;
}

}  // namespace vexilo::tools::freedict
