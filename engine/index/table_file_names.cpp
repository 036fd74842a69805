#include "engine/index/table_file_names.h"

#include "fs/text.h"

namespace vexilo::index {

namespace {

std::u16string_view ByLevel(int16_t level, std::u16string_view below6, std::u16string_view level6) {
  return level >= 6 ? level6 : below6;
}

std::u16string_view ByLevel(int16_t level, bool relationTable, std::u16string_view below6,
                            std::u16string_view relation, std::u16string_view level6) {
  if (relationTable) return relation;
  return ByLevel(level, below6, level6);
}

}  // namespace

std::u16string_view TableFileExtension(int16_t level) { return ByLevel(level, u".dat", u".vxbt"); }

bool HasTableFileExtension(std::u16string_view fileName) {
  return fs::EndsWithIgnoringAsciiCase(fileName, TableFileExtension(5)) ||
         fs::EndsWithIgnoringAsciiCase(fileName, TableFileExtension(6));
}

bool IsRelationTableFile(std::u16string_view fileName, std::u16string_view tableName, int16_t level) {
  if (level < 6) return fs::EndsWithIgnoringAsciiCase(fileName, kRelationTableExtension);
  return fs::ContainsIgnoringAsciiCase(tableName, kRelationTableNameMark);
}

std::u16string_view IndexFileExtension(int16_t level, bool temporaryTable) {
  if (level <= 3 && temporaryTable) return u".$$i";
  return ByLevel(level, u".ind", u".vxbi");
}

bool IsIndexFileExtension(std::u16string_view extension) {
  return fs::EqualsIgnoringAsciiCase(extension, IndexFileExtension(5, false)) ||
         fs::EqualsIgnoringAsciiCase(extension, IndexFileExtension(6, false));
}

std::u16string_view MemoFileExtension(int16_t level) { return ByLevel(level, u".mmo", u".vxbm"); }

std::u16string_view BlobFileExtension(int16_t level) { return ByLevel(level, u".blb", u".vxbb"); }

std::u16string_view LockFileExtension(int16_t level, bool relationTable) {
  return ByLevel(level, relationTable, u".net", u".rnt", u".vxbl");
}

std::u16string_view MoveFileExtension(int16_t level, bool relationTable) {
  return ByLevel(level, relationTable, u".mov", u".rmv", u".vxbv");
}

std::u16string_view RedoLogExtension(int16_t level, bool relationTable) {
  return ByLevel(level, relationTable, u".tra", u".rtr", u".vxbr");
}

std::u16string_view FullTextIndexStem(std::u16string_view name) {
  for (std::u16string_view extension : {std::u16string_view(u".ift"), std::u16string_view(u".vxbf")}) {
    if (name.size() > extension.size() && fs::EndsWithIgnoringAsciiCase(name, extension)) {
      return name.substr(0, name.size() - extension.size());
    }
  }
  return {};
}

std::u16string ChangeFileExtension(std::u16string_view fileName, std::u16string_view extension) {
  const size_t slash = fileName.find_last_of(u"/\\");
  const size_t nameStart = slash == std::u16string_view::npos ? 0 : slash + 1;
  const size_t dot = fileName.rfind(u'.');
  std::u16string result(fileName);
  if (dot != std::u16string_view::npos && dot > nameStart) result.resize(dot);
  result += extension;
  return result;
}

}  // namespace vexilo::index
