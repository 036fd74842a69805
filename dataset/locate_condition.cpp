#include "dataset/locate_condition.h"

#include <cstdio>

#include "framework/core/date_time.h"
#include "fs/text.h"

namespace vexilo::dataset {
namespace {

constexpr int32_t kMovingSearch = 5;
constexpr int32_t kMarkingSearch = 1;
constexpr int32_t kPartialKeyOption = 0x20;
constexpr int32_t kCaseInsensitiveOption = 0x10;

std::u16string Quoted(std::u16string_view text) {
  std::u16string quoted = u"'";
  for (const char16_t c : text) {
    quoted += c;
    if (c == u'\'') quoted += u'\'';
  }
  return quoted + u"'";
}

std::u16string Digits(int value, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*d", width, value);
  return fs::u16(text);
}

std::u16string DatePart(framework::TDateTime value) {
  int year = 0, month = 0, day = 0;
  framework::DecodeDate(value, year, month, day);
  return Digits(day, 2) + u"." + Digits(month, 2) + u"." + Digits(year, 4);
}

std::u16string TimePart(framework::TDateTime value) {
  int hour = 0, minute = 0, second = 0, msec = 0;
  framework::DecodeTime(value, hour, minute, second, msec);
  return Digits(hour, 2) + u":" + Digits(minute, 2) + u":" + Digits(second, 2) + u"." + Digits(msec, 3);
}

std::u16string NumberText(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return fs::u16(text);
}

bool IsText(TVxbDataType type) {
  return type == TVxbDataType::dtString || type == TVxbDataType::dtWideString;
}

}  // namespace

std::u16string ConditionLiteral(const TVxbFieldDef& column, const framework::TVariant& value) {
  const double* number = std::get_if<double>(&value);
  const int64_t* integer = std::get_if<int64_t>(&value);
  switch (column.DataType) {
    case TVxbDataType::dtString:
    case TVxbDataType::dtMemo:
    case TVxbDataType::dtWideString:
    case TVxbDataType::dtWideMemo:
    case TVxbDataType::dtGuid:
      return Quoted(framework::VarToText(value));
    case TVxbDataType::dtFloat:
      if (number != nullptr) return NumberText(*number);
      break;
    case TVxbDataType::dtBoolean:
      if (const bool* flag = std::get_if<bool>(&value)) return *flag ? u"TRUE" : u"FALSE";
      if (integer != nullptr) return *integer != 0 ? u"TRUE" : u"FALSE";
      break;
    case TVxbDataType::dtDate:
      if (number != nullptr) return DatePart(*number);
      break;
    case TVxbDataType::dtTime:
      if (number != nullptr) return TimePart(*number);
      break;
    case TVxbDataType::dtDateTime:
      if (number != nullptr) return DatePart(*number) + u"_" + TimePart(*number);
      break;
    default:
      break;
  }
  return framework::VarToText(value);
}

std::u16string LocateCondition(std::span<const TLocateTerm> terms, bool partialKey) {
  std::u16string condition;
  for (const TLocateTerm& term : terms) {
    if (!condition.empty()) condition += u" and ";
    if (framework::VarIsNull(term.Value)) {
      condition += u" " + term.Name + u" is null";
    } else if (term.Column->DataType == TVxbDataType::dtEnum) {
      condition += u" " + term.Name + u" = " + Quoted(framework::VarToText(term.Value));
    } else if (partialKey && IsText(term.Column->DataType)) {
      condition += u"$" + term.Name + u" like " + Quoted(framework::VarToText(term.Value) + u"%");
    } else {
      condition += u"$" + term.Name + u"=" + ConditionLiteral(*term.Column, term.Value);
    }
  }
  return condition;
}

int32_t LocateMode(const framework::TLocateOptions& options, bool byMarks) {
  int32_t mode = byMarks ? kMarkingSearch : kMovingSearch;
  if (options.PartialKey) mode |= kPartialKeyOption;
  if (options.CaseInsensitive) mode |= kCaseInsensitiveOption;
  return mode;
}

}  // namespace vexilo::dataset
