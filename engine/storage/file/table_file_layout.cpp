#include "engine/storage/file/table_file_layout.h"

#include "fs/text.h"

namespace vexilo::storage {

std::u16string StandardTableName(std::u16string_view fileName) {
  const size_t slash = fileName.find_last_of(u"/\\");
  std::u16string_view name = slash == std::u16string_view::npos ? fileName : fileName.substr(slash + 1);
  for (std::u16string_view ext : {std::u16string_view(u".dat"), std::u16string_view(u".vxbt")}) {
    if (name.size() > ext.size() && fs::EndsWithIgnoringAsciiCase(name, ext)) {
      name.remove_suffix(ext.size());
      break;
    }
  }
  return std::u16string(name);
}

}  // namespace vexilo::storage
