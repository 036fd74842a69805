#include "tools/freedict/dictionary_rows.h"

#include <algorithm>

namespace vexilo::tools::freedict {

namespace {

const std::u16string kEntrySeparator = u"\n\n";

}  // namespace

uint32_t TDictionaryRowBuilder::KeepText(const std::u16string& text) {
  FTexts.push_back(text);
  return static_cast<uint32_t>(FTexts.size() - 1);
}

void TDictionaryRowBuilder::AddSource(std::vector<uint32_t>& sources, uint32_t text) {
  // One entry giving the same translation twice still adds its text once.
  if (std::find(sources.begin(), sources.end(), text) == sources.end()) sources.push_back(text);
}

void TDictionaryRowBuilder::AddEngHunEntry(const TFreedictEntry& entry) {
  if (entry.Translations.empty()) return;
  const uint32_t text = KeepText(entry.Text);
  for (const std::u16string& hun : entry.Translations) {
    AddSource(FPairs[{entry.Headword, hun}].EngHunTexts, text);
  }
}

void TDictionaryRowBuilder::AddHunEngEntry(const TFreedictEntry& entry) {
  if (entry.Translations.empty()) return;
  const uint32_t text = KeepText(entry.Text);
  for (const std::u16string& eng : entry.Translations) {
    AddSource(FPairs[{eng, entry.Headword}].HunEngTexts, text);
  }
}

TPairCounts TDictionaryRowBuilder::PairCounts() const {
  TPairCounts counts;
  for (const auto& [pair, sources] : FPairs) {
    const bool engHun = !sources.EngHunTexts.empty();
    const bool hunEng = !sources.HunEngTexts.empty();
    counts.EngHun += engHun;
    counts.HunEng += hunEng;
    counts.Both += engHun && hunEng;
  }
  return counts;
}

void TDictionaryRowBuilder::ForEachRow(const std::function<void(const TDictionaryRow&)>& visit) const {
  TDictionaryRow row;
  for (const auto& [pair, sources] : FPairs) {
    row.Eng = pair.first;
    row.Hun = pair.second;
    row.Leir.clear();
    for (const std::vector<uint32_t>* texts : {&sources.EngHunTexts, &sources.HunEngTexts}) {
      for (uint32_t text : *texts) {
        if (!row.Leir.empty()) row.Leir += kEntrySeparator;
        row.Leir += FTexts[text];
      }
    }
    visit(row);
  }
}

std::vector<TDictionaryRow> TDictionaryRowBuilder::Rows() const {
  std::vector<TDictionaryRow> rows;
  rows.reserve(FPairs.size());
  ForEachRow([&rows](const TDictionaryRow& row) { rows.push_back(row); });
  return rows;
}

}  // namespace vexilo::tools::freedict
