// The functions a search condition calls: their result types, fixed when
// the condition is prepared, and their values, computed from the values of
// their arguments on every evaluation. A null argument gives a null result
// (Scan, LeftStr and HexStr take a null second argument as the empty text or
// 0).
//
// Computed: ABS, CEILING, FLOOR, FRAC, INT, EXP, LOG, SQRT, ROUND, RANDOM,
// CHR, CHAR_LENGTH/LEN/LENGTH, UPPER, LOWER, SUBSTRING, EXTRACT (but
// WEEKDAYNAME), CURRENT_DATE/TODAY, NOW/CURRENT_TIME, CURRENT_TIMESTAMP,
// FILLSTR, NTIMES, EXCHANGE, TRIM, LTRIM, RTRIM, and the data functions Sin,
// Cos, ArcTan, Ascii, Pos, Scan, LeftStr, RightStr, FillStr, HexStr, Year,
// Month, Day, Week, WeekDayNo, Hour, Minute, Second, Millisecond. The others
// (aggregates, CAST, STR, DIGITSTR, REALVAL, CURRENTRECORDID, the remaining
// date and time builders, NewGuid) are refused with error 187 when the
// condition is prepared.
#pragma once

#include "engine/cursor/condition/condition_evaluation.h"
#include "engine/cursor/condition/condition_tree.h"

namespace vexilo::cursor {

// The result type of the call in `factor`, whose arguments are prepared
// (their ResultType set). Raises EVxbEngine: 187 for a function not
// computed here, 44 for an argument of a type the function does not take.
const types::TVxbDataType* PrepareFunction(TVxbSimpleFactor& factor);

// The value of the call in `factor`, into the factor's holder.
TVxbOperand EvaluateFunction(TVxbSimpleFactor& factor);

}  // namespace vexilo::cursor
