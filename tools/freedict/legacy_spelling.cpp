#include "tools/freedict/legacy_spelling.h"

namespace vexilo::tools::freedict {

std::u16string RepairApostrophes(std::u16string_view text) {
  std::u16string repaired(text);
  for (char16_t& c : repaired) {
    if (c == u'`') c = u'\'';
  }
  return repaired;
}

std::u16string RepairHungarianLetters(std::u16string_view text) {
  std::u16string repaired(text);
  for (char16_t& c : repaired) {
    switch (c) {
      case u'\u00F4': c = u'\u0151'; break;  // ô -> ő
      case u'\u00FB': c = u'\u0171'; break;  // û -> ű
      case u'\u00D4': c = u'\u0150'; break;  // Ô -> Ő
      case u'\u00DB': c = u'\u0170'; break;  // Û -> Ű
      default: break;
    }
  }
  return repaired;
}

std::u16string RepairEntryText(std::u16string_view text, bool hungarianTranslations) {
  std::u16string repaired = RepairApostrophes(text);
  if (!hungarianTranslations) return repaired;
  const size_t headwordStart = repaired.find_first_not_of(u"\r\n");
  if (headwordStart == std::u16string::npos) return repaired;
  const size_t firstLineEnd = repaired.find(u'\n', headwordStart);
  if (firstLineEnd == std::u16string::npos) return repaired;
  return repaired.substr(0, firstLineEnd) + RepairHungarianLetters(std::u16string_view(repaired).substr(firstLineEnd));
}

}  // namespace vexilo::tools::freedict
