#include "engine/index/index_spec.h"

#include <string>
#include <vector>

#include "engine/errors/error_codes.h"
#include "engine/types/column_type.h"

namespace vexilo::index {

namespace {

using errors::vxbErrIndexDataTooLarge;
using errors::vxbErrLevelFeature;

constexpr int32_t kCalculatedKeySizeBelowLevel6 = 256;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsDigits(std::u16string_view s) {
  if (s.empty()) return false;
  for (char16_t c : s) {
    if (c < u'0' || c > u'9') return false;
  }
  return true;
}

// The items of a specification: split at commas outside brackets and quotes.
std::vector<std::u16string_view> SplitItems(std::u16string_view text) {
  std::vector<std::u16string_view> items;
  int depth = 0;
  char16_t quote = 0;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == u'\'' || c == u'"') {
      quote = c;
    } else if (c == u'(' || c == u'[' || c == u'{') {
      ++depth;
    } else if ((c == u')' || c == u']' || c == u'}') && depth > 0) {
      --depth;
    } else if (c == u',' && depth == 0) {
      items.push_back(Trim(text.substr(start, i - start)));
      start = i + 1;
    }
  }
  items.push_back(Trim(text.substr(start)));
  return items;
}

// Removes one pair of enclosing braces, brackets or quotes.
std::u16string_view Unwrap(std::u16string_view s) {
  if (s.size() >= 2) {
    const char16_t open = s.front();
    const char16_t close = s.back();
    if ((open == u'{' && close == u'}') || (open == u'[' && close == u']') || (open == u'"' && close == u'"') ||
        (open == u'\'' && close == u'\'')) {
      return Trim(s.substr(1, s.size() - 2));
    }
  }
  return s;
}

std::u16string LevelArgument(size_t itemNo) {
  std::u16string text = u"Level ";
  for (char c : std::to_string(itemNo)) text += static_cast<char16_t>(c);
  return text;
}

bool IsIndexable(int16_t type) {
  return type != types::vxbMemo && type != types::vxbBlob && type != types::vxbRelation && type != types::vxbWideMemo;
}

bool IsStringType(int16_t type) { return type == types::vxbString || type == types::vxbWideString; }

int16_t Report(const TVxbErrorReporter& report, int16_t code, std::initializer_list<fs::FormatArg> args) {
  return ReportIndexError(report, nullptr, code, args);
}

}  // namespace

int16_t CheckIndexDefinition(const TVxbSortDef& def, int16_t level, const TVxbIndexColumns& columns,
                             const TVxbErrorReporter& report) {
  const std::u16string indexText = def.Source.empty() ? def.SpecificationText(&columns) : def.Source;
  if (def.IsCalculated) {
    int16_t type = 0;
    int32_t size = 0;
    if (!columns.ResolveCalculation(def.Source, type, size)) {
      return Report(report, errors::vxbErrInvalidIndexSpecification, {indexText});
    }
    if (level < 6) size = kCalculatedKeySizeBelowLevel6;
    if (type != def.ResultType || size != def.ResultSize || size <= 0) {
      return Report(report, errors::vxbErrInvalidIndexSpecification, {indexText});
    }
  } else {
    if (def.Items.empty()) return Report(report, errors::vxbErrInvalidIndexSpecification, {indexText});
    for (size_t i = 0; i < def.Items.size(); ++i) {
      const TVxbSortItem& item = def.Items[i];
      TVxbIndexColumn column;
      if (!columns.GetColumn(item.ColumnNo, column)) {
        return Report(report, errors::vxbErrInvalidIndexSpecification, {LevelArgument(i + 1)});
      }
      const bool linkedId = item.TypeCode == types::vxbLinkKey;
      if (item.TypeCode != column.TypeCode && !linkedId) {
        return Report(report, errors::vxbErrInvalidIndexSpecification, {indexText});
      }
      if (!IsIndexable(column.TypeCode)) return Report(report, errors::vxbErrInvalidIndexSpecification, {indexText});
      bool sizeOk;
      if (linkedId) sizeOk = item.Size == 4;
      else if (IsStringType(item.TypeCode)) sizeOk = item.Size > 0 && item.Size <= column.Size;
      else sizeOk = item.Size == column.Size;
      if (!sizeOk) return Report(report, errors::vxbErrInvalidIndexSpecification, {indexText});
    }
    if (static_cast<int>(def.Items.size()) > TVxbSortDef::MaxLevelCount(level)) {
      return Report(report, errors::vxbErrTooManyIndexLevels, {});
    }
  }
  if (def.EntrySize() > TVxbSortDef::MaxEntrySize(level)) return Report(report, vxbErrIndexDataTooLarge, {indexText});
  if (def.IsVarSize && level < 6) return Report(report, vxbErrLevelFeature, {def.Name, u"Variable size"});
  return 0;
}

int16_t ParseIndexSpecification(std::u16string_view specification, std::u16string_view indexName,
                                int16_t level, const TVxbIndexColumns& columns, TVxbSortDef& def,
                                const TVxbErrorReporter& report) {
  TVxbSortDef result;
  result.Name = std::u16string(indexName);
  const std::u16string_view text = Trim(specification);
  result.Source = std::u16string(text);
  if (!text.empty() && text.front() == u'(') {
    int16_t type = 0;
    int32_t size = 0;
    if (!columns.ResolveCalculation(text, type, size)) {
      return Report(report, errors::vxbErrInvalidIndexSpecification, {result.Source});
    }
    result.IsCalculated = true;
    result.ResultType = type;
    result.ResultSize = level >= 6 ? size : kCalculatedKeySizeBelowLevel6;
    result.IsVarSize = level >= 6 && IsStringType(type);
  } else {
    const std::vector<std::u16string_view> parts = SplitItems(text);
    for (size_t i = 0; i < parts.size(); ++i) {
      std::u16string_view part = parts[i];
      TVxbSortItem item;
      for (bool more = true; more && !part.empty();) {
        more = false;
        if (part.front() == u'-') {
          item.Descending = true;
          part = Trim(part.substr(1));
          more = true;
        } else if (part.front() == u'$') {
          part = Trim(part.substr(1));
          more = true;
        }
      }
      const size_t colon = part.rfind(u':');
      if (colon != std::u16string_view::npos && IsDigits(Trim(part.substr(colon + 1)))) {
        part = Trim(part.substr(0, colon));
      }
      part = Unwrap(part);
      int number = part.empty() ? 0 : columns.FindColumn(part);
      if (number == 0 && IsDigits(part) && part.size() <= 5) {
        number = 0;
        for (char16_t c : part) number = number * 10 + (c - u'0');
      }
      TVxbIndexColumn column;
      if (number <= 0 || !columns.GetColumn(number, column)) {
        return Report(report, errors::vxbErrInvalidIndexSpecification, {LevelArgument(i + 1)});
      }
      item.ColumnNo = column.Number > 0 ? column.Number : static_cast<int16_t>(number);
      item.TypeCode = column.TypeCode;
      item.Size = column.Size;
      result.Items.push_back(item);
    }
    result.IsVarSize = level >= 6 && result.HasStringItems();
  }
  if (const int16_t check = CheckIndexDefinition(result, level, columns, report); check < 0) return check;
  def = std::move(result);
  return 0;
}

}  // namespace vexilo::index
