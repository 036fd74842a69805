#include "engine/storage/file/table_file_layout.h"

namespace vexilo::storage {

namespace {

bool EndsWithNoCase(std::u16string_view text, std::u16string_view suffix) {
  if (text.size() < suffix.size()) return false;
  for (size_t i = 0; i < suffix.size(); ++i) {
    char16_t a = text[text.size() - suffix.size() + i];
    char16_t b = suffix[i];
    if (a >= u'A' && a <= u'Z') a = static_cast<char16_t>(a + 32);
    if (b >= u'A' && b <= u'Z') b = static_cast<char16_t>(b + 32);
    if (a != b) return false;
  }
  return true;
}

}  // namespace

std::u16string StandardTableName(std::u16string_view fileName) {
  const size_t slash = fileName.find_last_of(u"/\\");
  std::u16string_view name = slash == std::u16string_view::npos ? fileName : fileName.substr(slash + 1);
  for (std::u16string_view ext : {std::u16string_view(u".dat"), std::u16string_view(u".vxbt")}) {
    if (name.size() > ext.size() && EndsWithNoCase(name, ext)) {
      name.remove_suffix(ext.size());
      break;
    }
  }
  return std::u16string(name);
}

}  // namespace vexilo::storage
