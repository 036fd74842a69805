#include "engine/storage/file/table_file_layout.h"

#include "fs/text.h"
#include "engine/index/table_file_names.h"

namespace vexilo::storage {

std::u16string StandardTableName(std::u16string_view fileName) {
  const size_t slash = fileName.find_last_of(u"/\\");
  std::u16string_view name = slash == std::u16string_view::npos ? fileName : fileName.substr(slash + 1);
  for (int16_t level : {int16_t{5}, int16_t{6}}) {
    const std::u16string_view ext = index::TableFileExtension(level);
    if (name.size() > ext.size() && fs::EndsWithIgnoringAsciiCase(name, ext)) {
      name.remove_suffix(ext.size());
      break;
    }
  }
  return std::u16string(name);
}

}  // namespace vexilo::storage
