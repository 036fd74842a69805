// One entry of a FreeDict dictionary in dictd form, as its text reads:
//
//   headword /pronunciation/
//   translation                      (a single translation), or
//   1. translation
//   2. translation ...               (several, numbered from 1)
//
// The headword line holds the headword as written (the index key is only a
// normalised form of it); the pronunciation is the last " /.../" at the end
// of the line and may be missing. A headword may itself contain slashes
// ("he/she is /hiː ʃiː ˈɪz/").
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexilo::tools::freedict {

struct TFreedictEntry {
  std::u16string Headword;
  std::u16string Pronunciation;               // without the slashes; empty when missing
  std::vector<std::u16string> Translations;   // in entry order, numbers removed
  std::u16string Text;                        // the whole entry, without leading or trailing line breaks
};

// The parts of the entry `text`; none when it holds no headword. Lines are
// separated by LF (a CR before it is dropped from the parts, kept in Text);
// empty translation lines are passed over. The numbers are removed only when
// there are at least two lines and each begins with its own number ("k. "),
// so a single translation such as "1. osztály" stays whole.
std::optional<TFreedictEntry> ParseFreedictEntry(std::u16string_view text);

}  // namespace vexilo::tools::freedict
