#include "engine/api/table_locator.h"

#include <vector>

#include "engine/errors/error_codes.h"
#include "engine/index/table_file_names.h"
#include "fs/text.h"

namespace vexilo::api {

namespace {

constexpr size_t kMaxPartBytes = 255;

size_t LastDelimiter(std::u16string_view path) { return path.find_last_of(u"/\\"); }

std::u16string_view NameOf(std::u16string_view path) {
  const size_t slash = LastDelimiter(path);
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

bool RefusedCharacter(char16_t c) {
  return c < 0x20 || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'|' || c == u'?' || c == u'*';
}

// The parts of a "/"- or "\"-separated path, empty parts dropped.
std::vector<std::u16string> Split(std::u16string_view path) {
  std::vector<std::u16string> parts;
  std::u16string part;
  for (const char16_t c : path) {
    if (c == u'/' || c == u'\\') {
      if (!part.empty()) parts.push_back(std::move(part));
      part.clear();
    } else {
      part.push_back(c);
    }
  }
  if (!part.empty()) parts.push_back(std::move(part));
  return parts;
}

}  // namespace

bool HasExtension(std::u16string_view name) {
  const std::u16string_view last = NameOf(name);
  const size_t dot = last.rfind(u'.');
  return dot != std::u16string_view::npos && dot > 0;
}

std::u16string StandardTableName(std::u16string_view fileName) {
  std::u16string_view name = NameOf(fileName);
  for (const int16_t level : {int16_t{5}, int16_t{6}}) {
    const std::u16string_view extension = index::TableFileExtension(level);
    if (name.size() > extension.size() && fs::EndsWithIgnoringAsciiCase(name, extension)) {
      name.remove_suffix(extension.size());
      break;
    }
  }
  return std::u16string(name);
}

bool IsTableNameEqual(std::u16string_view name1, std::u16string_view name2) {
  return fs::EqualsIgnoringLatin1Case(StandardTableName(name1), StandardTableName(name2));
}

int16_t ResolveTableName(std::u16string_view location, std::u16string_view tableName, std::u16string& path) {
  path.clear();
  if (tableName.empty()) return errors::vxbErrInvalidTableName;
  for (const char16_t c : tableName) {
    if (RefusedCharacter(c)) return errors::vxbErrInvalidTableName;
  }
  const bool absolute = tableName.front() == u'/' || tableName.front() == u'\\';
  const std::vector<std::u16string> base = Split(location);
  std::vector<std::u16string> parts = absolute ? std::vector<std::u16string>{} : base;
  for (std::u16string& part : Split(tableName)) {
    if (fs::u8(part).size() > kMaxPartBytes) return errors::vxbErrInvalidTableName;
    if (part == u".") continue;
    if (part == u"..") {
      if (parts.empty()) return errors::vxbErrInvalidTableName;
      parts.pop_back();
      continue;
    }
    parts.push_back(std::move(part));
  }
  // The file itself must be below the database directory.
  if (parts.size() <= base.size()) return errors::vxbErrInvalidTableName;
  for (size_t i = 0; i < base.size(); ++i) {
    if (parts[i] != base[i]) return errors::vxbErrInvalidTableName;
  }
  for (const std::u16string& part : parts) path += u"/" + part;
  return 0;
}

std::u16string LocateTableFile(fs::TvwFileSystem& fileSystem, std::u16string_view path) {
  if (HasExtension(path)) return std::u16string(path);
  std::u16string oldLevel = std::u16string(path) + std::u16string(index::TableFileExtension(5));
  if (fileSystem.FileExists(oldLevel)) return oldLevel;
  return std::u16string(path) + std::u16string(index::TableFileExtension(6));
}

std::u16string DirectoryOf(std::u16string_view path) {
  const size_t slash = LastDelimiter(path);
  return slash == std::u16string_view::npos ? std::u16string() : std::u16string(path.substr(0, slash + 1));
}

}  // namespace vexilo::api
