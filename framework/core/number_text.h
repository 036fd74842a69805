// Numbers as text, the way fields read and write them: decimal integers,
// and floating-point numbers with "." as the decimal separator and an
// optional exponent. Blanks around the number are allowed when reading.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexilo::framework {

std::optional<int64_t> TextToInteger(std::u16string_view text);
std::optional<double> TextToFloat(std::u16string_view text);
std::u16string IntegerToText(int64_t value);
// `value` with at most `precision` significant digits, in the shortest form.
std::u16string FloatToText(double value, int precision = 15);

}  // namespace vexilo::framework
