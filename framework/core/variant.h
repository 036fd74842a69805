// TVariant: a field value of any type, or null. Used where values of several
// fields travel together (AsVariant, AppendRecord, key searches, Lookup).
// Dates and times travel as TDateTime numbers.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace vexilo::framework {

using TVariant = std::variant<std::monostate, bool, int64_t, double, std::u16string>;

inline bool VarIsNull(const TVariant& value) {
  return std::holds_alternative<std::monostate>(value);
}

// The value as text: "" for null, "True"/"False", decimal numbers.
std::u16string VarToText(const TVariant& value);

}  // namespace vexilo::framework
