// The index file of a dictd dictionary ("NAME.index"): one line per entry,
//
//   key TAB offset TAB length [TAB original headword] LF
//
// where key is a normalised search form of the headword (lower case,
// punctuation dropped, so several entries may share it), and offset and
// length locate the entry's text, in bytes, in the uncompressed data file.
// Offset and length are written in dictd's base64 digits, most significant
// digit first:
//
//   digit   A-Z    a-z     0-9     +    /
//   value   0-25   26-51   52-61   62   63
//
// so "B" is 1, "BA" is 64 and "elV5" is 30*64^3 + 37*64^2 + 21*64 + 57.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexilo::tools::freedict {

struct TDictdIndexEntry {
  std::string Key;  // UTF-8, as written in the index
  uint64_t Offset = 0;
  uint64_t Length = 0;
};

// The value of a dictd base64 number; none when `digits` is empty, holds a
// character outside the alphabet or does not fit in 64 bits.
std::optional<uint64_t> DecodeDictdNumber(std::string_view digits);

// The entries of an index file's `text`, in file order. Blank lines are
// passed over; a line that is not key, offset and length raises
// EFreedictError naming `fileName` and the line number.
std::vector<TDictdIndexEntry> ParseDictdIndex(std::string_view text, const std::string& fileName);

}  // namespace vexilo::tools::freedict
