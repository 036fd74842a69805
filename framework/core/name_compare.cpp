#include "framework/core/name_compare.h"

namespace vexilo::framework {
namespace {

char16_t FoldCase(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
  // Latin-1 capitals À..Þ except the multiplication sign.
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  // Latin Extended-A pairs capital/small at even/odd positions, shifted by
  // one between U+0139 and U+0148 and between U+0179 and U+017E.
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return static_cast<char16_t>(c | 1);
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
    return (c & 1) ? static_cast<char16_t>(c + 1) : c;
  }
  if (c == 0x178) return 0xFF;
  return c;
}

}  // namespace

bool SameText(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

std::u16string LowerCaseName(std::u16string_view text) {
  std::u16string result(text);
  for (char16_t& c : result) c = FoldCase(c);
  return result;
}

}  // namespace vexilo::framework
