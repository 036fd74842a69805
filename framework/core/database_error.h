// EDatabaseError: the dataset framework's exception for a failed database
// operation. It holds its message as UTF-16 text; what() gives it in UTF-8.
// The dataset layer's engine errors derive from it, so a window that reports
// database errors catches this class.
#pragma once

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

#include "fs/format.h"

namespace vexilo::framework {

class EDatabaseError : public std::runtime_error {
 public:
  explicit EDatabaseError(std::u16string message);

  // The message `pattern` formatted with `args`; the pattern as it is when
  // the arguments do not fit it.
  static EDatabaseError CreateFmt(std::u16string_view pattern, fs::FormatArgs args);
  static EDatabaseError CreateFmt(std::u16string_view pattern,
                                  std::initializer_list<fs::FormatArg> args) {
    return CreateFmt(pattern, fs::FormatArgs(args.begin(), args.size()));
  }

  const std::u16string& Message() const { return FMessage; }

 private:
  std::u16string FMessage;
};

// `pattern` formatted with `args`, or the pattern itself when they do not fit:
// building the message of an error never raises a second one.
std::u16string FormatErrorMessage(std::u16string_view pattern, fs::FormatArgs args);
inline std::u16string FormatErrorMessage(std::u16string_view pattern,
                                         std::initializer_list<fs::FormatArg> args) {
  return FormatErrorMessage(pattern, fs::FormatArgs(args.begin(), args.size()));
}

}  // namespace vexilo::framework
