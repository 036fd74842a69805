// EVxbEngine: the exception by which the engine reports a failure. It carries
// an engine error number and the message formatted from that number's
// template. Formatting never fails a second time: when the arguments do not
// fit the template, the message is the template itself. Number 9999 carries a
// fixed text and serves internal control flow only. what() gives the message
// in UTF-8. The exceptions of the parsers derive from it (compiler_error.h).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

#include "fs/format.h"

namespace vexilo::errors {

class EVxbEngine : public std::runtime_error {
 public:
  // Template `code` formatted with one text, as a rule a file, table, index
  // or column name.
  EVxbEngine(int16_t code, std::u16string_view description);
  // Template `code` formatted with an argument list.
  EVxbEngine(int16_t code, fs::FormatArgs args);
  EVxbEngine(int16_t code, std::initializer_list<fs::FormatArg> args)
      : EVxbEngine(code, fs::FormatArgs(args.begin(), args.size())) {}

  // `message` as given, without looking up a template.
  static EVxbEngine CreateMsg(int16_t code, std::u16string message);

  int16_t Code() const { return FCode; }
  const std::u16string& Message() const { return FMessage; }

 protected:
  struct Verbatim {};
  EVxbEngine(Verbatim, int16_t code, std::u16string message);

 private:
  int16_t FCode;
  std::u16string FMessage;
};

// The message of template `code` with `args`: the unformatted template when
// they do not fit, the fixed text for 9999.
std::u16string FormatEngineMessage(int code, fs::FormatArgs args);

// Raises EVxbEngine(-result, args) when `result` is negative; passes any other
// result through.
int16_t CheckResult(int16_t result, std::initializer_list<fs::FormatArg> args = {});

// Raises EVxbEngine 9999 when `result` is negative.
int16_t CheckInternal(int16_t result);

}  // namespace vexilo::errors
