// The text forms of numbers, GUIDs and truth values, independent of the
// user's locale.
//
//   integer  decimal digits with an optional leading "-" (reading also
//            accepts "+"), the full int64 range;
//   double   general format with 15 significant digits and "." as decimal
//            separator: fixed notation for magnitudes from 1e-5 to below
//            1e15 ("0.1", "-2.5", "123456789012345"), otherwise a mantissa
//            and "E" with the exponent ("1E20", "-1.5E-7"); reading accepts
//            either form, blanks around the number, and no thousands
//            separators;
//   GUID     "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case (reading
//            accepts lower case too);
//   Boolean  "True" / "False" (reading ignores case).
// The parsers return nothing for an invalid text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/types/memory.h"

namespace vexilo::types {

std::u16string IntegerToText(int64_t value);
std::optional<int64_t> IntegerFromText(std::u16string_view text);

std::u16string DoubleToText(double value);
// A number that overflows the double range reads as an infinity; callers
// decide whether that is an error.
std::optional<double> DoubleFromText(std::u16string_view text);

std::u16string GuidToText(const TGuid& guid);
std::optional<TGuid> GuidFromText(std::u16string_view text);

std::u16string BooleanToText(bool value);
std::optional<bool> BooleanFromText(std::u16string_view text);

}  // namespace vexilo::types
