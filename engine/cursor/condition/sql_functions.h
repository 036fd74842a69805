// The functions a search condition may call: the standard functions of the
// SQL dialect and the engine's data functions, each with the number of
// arguments it takes; the data functions also with their result type (a
// column type code and, for texts, a length).
//
// Names are matched without regard to case. A function whose maximum is 0
// takes no parentheses. The special forms (CAST, EXTRACT, SUBSTRING, TRIM,
// CURRENTRECORDID, COUNT) have grammars of their own, which the parser reads.
#pragma once

#include <cstdint>
#include <string_view>

namespace vexilo::cursor {

enum TSqlFunctionForm : uint8_t {
  sffPlain,             // arguments separated by ","
  sffCast,              // CAST(expression AS data type)
  sffExtract,           // EXTRACT(field FROM expression)
  sffSubstring,         // SUBSTRING(expression FROM expression [FOR expression])
  sffTrim,              // TRIM([LEADING|TRAILING|BOTH [string] FROM] expression)
  sffCurrentRecordId,   // CURRENTRECORDID(table name)
  sffCount,             // COUNT(expression) or COUNT(*)
};

struct TSqlFunctionInfo {
  std::u16string_view Name;  // upper case for standard functions
  int MinArguments = 0;
  int MaxArguments = 0;
  TSqlFunctionForm Form = sffPlain;
  bool IsDataFunction = false;
  int16_t ResultType = -1;  // data functions: a column type code
  int32_t ResultLength = 0;
};

// The function named `name` (any case), or null.
const TSqlFunctionInfo* FindSqlFunction(std::u16string_view name);

}  // namespace vexilo::cursor
