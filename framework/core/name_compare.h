// Comparison of names (fields, datasets, databases, indexes) without regard
// to case, as the dataset framework and the dataset layer compare them.
// Case is folded for ASCII, Latin-1 and the Latin Extended-A letters (which
// covers Hungarian ő and ű); other characters compare as they are.
#pragma once

#include <string>
#include <string_view>

namespace vexilo::framework {

// Whether `a` and `b` are the same name, case ignored.
bool SameText(std::u16string_view a, std::u16string_view b);
// `text` with letters folded to lower case as SameText folds them.
std::u16string LowerCaseName(std::u16string_view text);

}  // namespace vexilo::framework
