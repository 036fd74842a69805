// Repairs of two legacy spellings in the FreeDict data:
//   - apostrophes are written as backticks ("doesn`t"), in both dictionaries;
//   - the English-Hungarian dictionary writes the Hungarian letters ő, ű, Ő
//     and Ű as ô, û, Ô and Û, the nearest letters Latin-1 has. Only its
//     Hungarian text is repaired: its English headwords and pronunciations
//     are left as they are.
#pragma once

#include <string>
#include <string_view>

namespace vexilo::tools::freedict {

// `text` with every backtick turned into an apostrophe.
std::u16string RepairApostrophes(std::u16string_view text);

// `text` with ô, û, Ô, Û turned into ő, ű, Ő, Ű.
std::u16string RepairHungarianLetters(std::u16string_view text);

// A dictionary entry's `text` (headword line, then one translation a line)
// with its apostrophes repaired, and, when `hungarianTranslations`, the
// Hungarian letters of every line after the headword line (the first line
// that is not empty).
std::u16string RepairEntryText(std::u16string_view text, bool hungarianTranslations);

}  // namespace vexilo::tools::freedict
