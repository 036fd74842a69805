#include "engine/storage/file/name_list.h"

namespace vexilo::storage {

std::u16string JoinNameList(const std::vector<std::u16string>& names) {
  std::u16string text;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i) text += u',';
    text += names[i];
  }
  return text;
}

std::vector<std::u16string> SplitNameList(std::u16string_view text) {
  std::vector<std::u16string> names;
  if (text.empty()) return names;
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(u',', start);
    names.emplace_back(text.substr(start, comma == std::u16string_view::npos ? std::u16string_view::npos : comma - start));
    if (comma == std::u16string_view::npos) break;
    start = comma + 1;
  }
  return names;
}

std::u16string JoinBracedNameList(const std::vector<std::u16string>& names) {
  std::u16string text;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i) text += u',';
    text += u"${" + names[i] + u"}";
  }
  return text;
}

std::vector<std::u16string> SplitBracedNameList(std::u16string_view text) {
  std::vector<std::u16string> names;
  size_t pos = 0;
  while (pos < text.size()) {
    if (text.substr(pos, 2) == u"${") {
      const size_t close = text.find(u'}', pos + 2);
      const size_t end = close == std::u16string_view::npos ? text.size() : close;
      names.emplace_back(text.substr(pos + 2, end - pos - 2));
      pos = end == text.size() ? end : end + 1;
      if (pos < text.size() && text[pos] == u',') ++pos;
    } else {
      const size_t comma = text.find(u',', pos);
      const size_t end = comma == std::u16string_view::npos ? text.size() : comma;
      names.emplace_back(text.substr(pos, end - pos));
      pos = end == text.size() ? end : end + 1;
    }
  }
  return names;
}

}  // namespace vexilo::storage
