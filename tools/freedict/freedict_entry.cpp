#include "tools/freedict/freedict_entry.h"

namespace vexilo::tools::freedict {

namespace {

std::u16string_view TrimSpaces(std::u16string_view text) {
  const size_t first = text.find_first_not_of(u" \t\r");
  if (first == std::u16string_view::npos) return {};
  const size_t last = text.find_last_not_of(u" \t\r");
  return text.substr(first, last - first + 1);
}

std::vector<std::u16string_view> SplitLines(std::u16string_view text) {
  std::vector<std::u16string_view> lines;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(u'\n', start);
    if (end == std::u16string_view::npos) {
      lines.push_back(text.substr(start));
      return lines;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
}

// "k. " for k = `number`.
std::u16string SenseNumberPrefix(size_t number) {
  std::u16string prefix;
  for (char c : std::to_string(number)) prefix += static_cast<char16_t>(c);
  return prefix + u". ";
}

bool AllNumbered(const std::vector<std::u16string_view>& lines) {
  if (lines.size() < 2) return false;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!lines[i].starts_with(SenseNumberPrefix(i + 1))) return false;
  }
  return true;
}

}  // namespace

std::optional<TFreedictEntry> ParseFreedictEntry(std::u16string_view text) {
  const size_t start = text.find_first_not_of(u"\r\n");
  if (start == std::u16string_view::npos) return std::nullopt;
  const size_t end = text.find_last_not_of(u"\r\n");
  text = text.substr(start, end - start + 1);

  const std::vector<std::u16string_view> lines = SplitLines(text);
  TFreedictEntry entry;
  entry.Text = std::u16string(text);

  std::u16string_view headwordLine = TrimSpaces(lines[0]);
  const size_t pronunciationStart = headwordLine.rfind(u" /");
  if (headwordLine.size() >= 4 && headwordLine.back() == u'/' && pronunciationStart != std::u16string_view::npos &&
      pronunciationStart + 3 < headwordLine.size()) {
    entry.Pronunciation = headwordLine.substr(pronunciationStart + 2, headwordLine.size() - pronunciationStart - 3);
    headwordLine = TrimSpaces(headwordLine.substr(0, pronunciationStart));
  }
  if (headwordLine.empty()) return std::nullopt;
  entry.Headword = std::u16string(headwordLine);

  std::vector<std::u16string_view> senses;
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::u16string_view line = TrimSpaces(lines[i]);
    if (!line.empty()) senses.push_back(line);
  }
  const bool numbered = AllNumbered(senses);
  for (size_t i = 0; i < senses.size(); ++i) {
    std::u16string_view sense = senses[i];
    if (numbered) sense = TrimSpaces(sense.substr(SenseNumberPrefix(i + 1).size()));
    if (!sense.empty()) entry.Translations.emplace_back(sense);
  }
  return entry;
}

}  // namespace vexilo::tools::freedict
