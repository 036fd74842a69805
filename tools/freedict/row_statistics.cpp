#include "tools/freedict/row_statistics.h"

#include <algorithm>

namespace vexilo::tools::freedict {

void TRowStatistics::Add(const TDictionaryRow& row) {
  ++FRows;
  FLongestEng = std::max(FLongestEng, row.Eng.size());
  FLongestHun = std::max(FLongestHun, row.Hun.size());
  FLongestLeir = std::max(FLongestLeir, row.Leir.size());
  for (size_t i = 0; i < kColumnWidths.size(); ++i) {
    const bool engCut = row.Eng.size() > kColumnWidths[i];
    const bool hunCut = row.Hun.size() > kColumnWidths[i];
    FCut[i].Eng += engCut;
    FCut[i].Hun += hunCut;
    FCut[i].Either += engCut || hunCut;
  }
}

}  // namespace vexilo::tools::freedict
