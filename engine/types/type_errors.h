// The exceptions of the data-type layer that are not engine errors.
//
// Engine errors (range 81, type mismatch 44, NULL refused 47, ...) are
// EVxbEngine and carry a number. The classes here carry only a text:
//   - EVxbConvertError: a text that does not convert to a value of a type
//     (an invalid double, date, time, time stamp or enumeration value);
//   - EVxbTypeError: an operation the data type does not support at all
//     ("Is not an integer.", "Cannot assign double.", ...);
//   - EVxbOverflowError: a number that does not fit the double range.
// All three share EVxbTypeException, whose Message() is the UTF-16 text and
// whose what() is the same text in UTF-8.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace vexilo::types {

class EVxbTypeException : public std::runtime_error {
 public:
  explicit EVxbTypeException(std::u16string message);
  const std::u16string& Message() const { return FMessage; }

 private:
  std::u16string FMessage;
};

// A text that is not a valid value of the type it is converted to.
class EVxbConvertError : public EVxbTypeException {
 public:
  using EVxbTypeException::EVxbTypeException;
};

// An operation that the data type does not offer.
class EVxbTypeError : public EVxbTypeException {
 public:
  using EVxbTypeException::EVxbTypeException;
};

// A value beyond the range of the double type.
class EVxbOverflowError : public EVxbTypeException {
 public:
  using EVxbTypeException::EVxbTypeException;
};

}  // namespace vexilo::types
