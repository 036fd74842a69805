// Message formatting for the whole system: templates with %s, %d and the other
// placeholders the engine's and the windows' message tables use, filled from a
// list of text and number arguments.
//
// Placeholder syntax: "%" ["-"] [width] ["." precision] type, and "%%".
//   s  text argument            d  signed integer (precision = least digits)
//   u  unsigned integer         x  hexadecimal (upper-case digits)
//   f  fixed, g general, e scientific: floating-point (precision = digits)
// An argument of the wrong kind for its placeholder, too few arguments or an
// incomplete placeholder makes FormatMessage throw EFormatError; callers that
// must never fail a second time use TryFormatMessage.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>

namespace vexilo::fs {

// One argument of a message: a text, an integer or a floating-point number.
class FormatArg {
 public:
  FormatArg(std::u16string_view text) : FValue(std::u16string(text)) {}
  FormatArg(const std::u16string& text) : FValue(text) {}
  FormatArg(const char16_t* text) : FValue(std::u16string(text)) {}
  FormatArg(std::string_view utf8);
  FormatArg(const std::string& utf8) : FormatArg(std::string_view(utf8)) {}
  FormatArg(const char* utf8) : FormatArg(std::string_view(utf8)) {}
  FormatArg(int value) : FValue(int64_t{value}) {}
  FormatArg(long value) : FValue(int64_t{value}) {}
  FormatArg(long long value) : FValue(static_cast<int64_t>(value)) {}
  FormatArg(unsigned value) : FValue(int64_t{value}) {}
  FormatArg(unsigned long value) : FValue(static_cast<int64_t>(value)) {}
  FormatArg(unsigned long long value) : FValue(static_cast<int64_t>(value)) {}
  FormatArg(double value) : FValue(value) {}

  bool IsText() const { return std::holds_alternative<std::u16string>(FValue); }
  bool IsInteger() const { return std::holds_alternative<int64_t>(FValue); }
  bool IsFloat() const { return std::holds_alternative<double>(FValue); }
  const std::u16string& Text() const { return std::get<std::u16string>(FValue); }
  int64_t Integer() const { return std::get<int64_t>(FValue); }
  double Float() const { return std::get<double>(FValue); }

 private:
  std::variant<std::u16string, int64_t, double> FValue;
};

using FormatArgs = std::span<const FormatArg>;

class EFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Fills `pattern` from `args`; throws EFormatError when they do not fit.
std::u16string FormatMessage(std::u16string_view pattern, FormatArgs args);
inline std::u16string FormatMessage(std::u16string_view pattern,
                                    std::initializer_list<FormatArg> args) {
  return FormatMessage(pattern, FormatArgs(args.begin(), args.size()));
}

// As FormatMessage, but returns nothing instead of throwing.
std::optional<std::u16string> TryFormatMessage(std::u16string_view pattern, FormatArgs args);

}  // namespace vexilo::fs
