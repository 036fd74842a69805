// The rows of the dictionary table made from FreeDict entries: one row per
// English-Hungarian pair, whichever dictionary gives it.
//
//   ENG   the English expression
//   HUN   one Hungarian translation of it
//   LEIR  the description: the whole text of every entry that gives the
//         pair, English-Hungarian entries first, then Hungarian-English ones,
//         each in the order added, separated by an empty line
//
// Rows come in ENG order, then HUN order, comparing UTF-16 code units, so the
// same entries always give the same rows in the same order whatever order
// they were added in. Not safe for concurrent use.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tools/freedict/freedict_entry.h"

namespace vexilo::tools::freedict {

struct TDictionaryRow {
  std::u16string Eng;
  std::u16string Hun;
  std::u16string Leir;
};

// How many distinct pairs each dictionary gave and how many both gave.
struct TPairCounts {
  size_t EngHun = 0;
  size_t HunEng = 0;
  size_t Both = 0;
};

class TDictionaryRowBuilder {
 public:
  TDictionaryRowBuilder() = default;
  TDictionaryRowBuilder(const TDictionaryRowBuilder&) = delete;
  TDictionaryRowBuilder& operator=(const TDictionaryRowBuilder&) = delete;

  // Adds an entry of the English-Hungarian dictionary: its headword is the
  // English expression, its translations the Hungarian ones.
  void AddEngHunEntry(const TFreedictEntry& entry);
  // Adds an entry of the Hungarian-English dictionary: its headword is the
  // Hungarian expression, its translations the English ones.
  void AddHunEngEntry(const TFreedictEntry& entry);

  size_t RowCount() const { return FPairs.size(); }
  TPairCounts PairCounts() const;

  // Calls `visit` with every row, in row order. The row is valid only during
  // the call.
  void ForEachRow(const std::function<void(const TDictionaryRow&)>& visit) const;
  // Every row, in row order.
  std::vector<TDictionaryRow> Rows() const;

 private:
  // The entries giving a pair, as positions in FTexts.
  struct TPairSources {
    std::vector<uint32_t> EngHunTexts;
    std::vector<uint32_t> HunEngTexts;
  };

  uint32_t KeepText(const std::u16string& text);
  static void AddSource(std::vector<uint32_t>& sources, uint32_t text);

  std::vector<std::u16string> FTexts;
  std::map<std::pair<std::u16string, std::u16string>, TPairSources> FPairs;
};

}  // namespace vexilo::tools::freedict
