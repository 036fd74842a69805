// Figures on the dictionary rows that tell how wide the ENG and HUN columns
// must be: the longest value of each, and how many rows a column of a given
// width would cut. Lengths are counted in UTF-16 code units, the unit of the
// table's wide string columns.
#pragma once

#include <array>
#include <cstddef>

#include "tools/freedict/dictionary_rows.h"

namespace vexilo::tools::freedict {

// The column widths the figures are given for.
inline constexpr std::array<size_t, 4> kColumnWidths = {80, 100, 128, 255};

// How many rows a width would cut: by ENG, by HUN, and by either.
struct TCutRows {
  size_t Eng = 0;
  size_t Hun = 0;
  size_t Either = 0;
};

class TRowStatistics {
 public:
  void Add(const TDictionaryRow& row);

  size_t Rows() const { return FRows; }
  size_t LongestEng() const { return FLongestEng; }
  size_t LongestHun() const { return FLongestHun; }
  size_t LongestLeir() const { return FLongestLeir; }
  // The rows cut at kColumnWidths[widthIndex].
  const TCutRows& Cut(size_t widthIndex) const { return FCut.at(widthIndex); }

 private:
  size_t FRows = 0;
  size_t FLongestEng = 0;
  size_t FLongestHun = 0;
  size_t FLongestLeir = 0;
  std::array<TCutRows, kColumnWidths.size()> FCut{};
};

}  // namespace vexilo::tools::freedict
