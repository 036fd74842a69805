#include "engine/cursor/condition/sql_functions.h"

#include "engine/types/column_type.h"

namespace vexilo::cursor {

namespace {

using namespace types;

constexpr TSqlFunctionInfo Standard(std::u16string_view name, int min, int max,
                                    TSqlFunctionForm form = sffPlain) {
  return TSqlFunctionInfo{name, min, max, form, false, -1, 0};
}

constexpr TSqlFunctionInfo Data(std::u16string_view name, int min, int max, int16_t type, int32_t length = 0) {
  return TSqlFunctionInfo{name, min, max, sffPlain, true, type, length};
}

// LeftStr, RightStr and FillStr take the type of their first argument.
constexpr int16_t kFirstArgumentType = -2;

constexpr TSqlFunctionInfo kFunctions[] = {
    Standard(u"ABS", 1, 1),
    Standard(u"AVG", 1, 1),
    Standard(u"CAST", 1, 1, sffCast),
    Standard(u"CEILING", 1, 1),
    Standard(u"CHAR_LENGTH", 1, 1),
    Standard(u"CHR", 1, 1),
    Standard(u"COUNT", 1, 1, sffCount),
    Standard(u"CURRENT_DATE", 0, 0),
    Standard(u"TODAY", 0, 0),
    Standard(u"CURRENT_TIMESTAMP", 0, 0),
    Standard(u"CURRENTRECORDID", 1, 1, sffCurrentRecordId),
    Standard(u"DIGITSTR", 1, 1),
    Standard(u"EXCHANGE", 3, 3),
    Standard(u"EXP", 1, 1),
    Standard(u"EXTRACT", 1, 1, sffExtract),
    Standard(u"FILLSTR", 3, 3),
    Standard(u"FIRST", 1, 1),
    Standard(u"FLOOR", 1, 1),
    Standard(u"FRAC", 1, 1),
    Standard(u"INT", 1, 1),
    Standard(u"LAST", 1, 1),
    Standard(u"LEN", 1, 1),
    Standard(u"LENGTH", 1, 1),
    Standard(u"LOG", 1, 1),
    Standard(u"LOWER", 1, 1),
    Standard(u"LTRIM", 1, 2),
    Standard(u"MAX", 1, 1),
    Standard(u"MIN", 1, 1),
    Standard(u"NOW", 0, 0),
    Standard(u"CURRENT_TIME", 0, 0),
    Standard(u"NTIMES", 2, 2),
    Standard(u"RANDOM", 1, 1),
    Standard(u"REALVAL", 1, 1),
    Standard(u"ROUND", 2, 2),
    Standard(u"RTRIM", 1, 1),
    Standard(u"SQRT", 1, 1),
    Standard(u"STR", 1, 6),
    Standard(u"SUM", 1, 1),
    Standard(u"SUBSTRING", 2, 3, sffSubstring),
    Standard(u"TRIM", 1, 1, sffTrim),
    Standard(u"UPPER", 1, 1),
    Data(u"Sin", 1, 1, vxbFloat),
    Data(u"Cos", 1, 1, vxbFloat),
    Data(u"ArcTan", 1, 1, vxbFloat),
    Data(u"Ascii", 1, 1, vxbInteger),
    Data(u"Pos", 2, 2, vxbInteger),
    Data(u"Scan", 2, 2, vxbInteger),
    Data(u"LeftStr", 2, 2, kFirstArgumentType),
    Data(u"RightStr", 2, 2, kFirstArgumentType),
    Data(u"HexStr", 1, 2, vxbWideString, 16),
    Data(u"Year", 1, 1, vxbSmallInt),
    Data(u"Millisecond", 1, 1, vxbSmallInt),
    Data(u"Month", 1, 1, vxbByte),
    Data(u"Week", 1, 1, vxbByte),
    Data(u"Day", 1, 1, vxbByte),
    Data(u"WeekDayNo", 1, 1, vxbByte),
    Data(u"Hour", 1, 1, vxbByte),
    Data(u"Minute", 1, 1, vxbByte),
    Data(u"Second", 1, 1, vxbByte),
    Data(u"DayOfWeek", 1, 1, vxbWideString, 20),
    Data(u"CombineDateTime", 2, 2, vxbTimeStamp),
    Data(u"MakeTime", 2, 4, vxbTime),
    Data(u"MakeDate", 3, 3, vxbDate),
    Data(u"MakeDateTime", 5, 7, vxbTimeStamp),
    Data(u"TimeStr", 1, 2, vxbString, 20),
    Data(u"DateStr", 1, 1, vxbString, 40),
    Data(u"DateTimeStr", 1, 2, vxbString, 60),
    Data(u"NewGuid", 0, 0, vxbGuid),
};

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

bool SameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

}  // namespace

const TSqlFunctionInfo* FindSqlFunction(std::u16string_view name) {
  // FILLSTR is both a standard and a data function; the standard one (three
  // arguments) is found first.
  for (const TSqlFunctionInfo& function : kFunctions) {
    if (SameIgnoringCase(function.Name, name)) return &function;
  }
  return nullptr;
}

}  // namespace vexilo::cursor
