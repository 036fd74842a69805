#include "framework/core/name_compare.h"

#include "fs/text.h"

namespace vexilo::framework {

bool SameText(std::u16string_view a, std::u16string_view b) { return fs::EqualsIgnoringLatinCase(a, b); }

std::u16string LowerCaseName(std::u16string_view text) { return fs::LowerLatinCase(text); }

}  // namespace vexilo::framework
