// Column-name lists as table headers store them in keys and foreign keys:
// names joined by "," (levels 5 and 6), or each name written as "${" name
// "}" and joined by "," (level 4).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vexilo::storage {

std::u16string JoinNameList(const std::vector<std::u16string>& names);
// The names of a list joined by ","; an empty text is an empty list.
std::vector<std::u16string> SplitNameList(std::u16string_view text);

std::u16string JoinBracedNameList(const std::vector<std::u16string>& names);
// The names of a level-4 list: "${" name "}" items (a name may hold ","),
// or, for an item without braces, the text up to the next ",".
std::vector<std::u16string> SplitBracedNameList(std::u16string_view text);

}  // namespace vexilo::storage
