// The exceptions of the engine's parsers: an error found while parsing a
// search condition, an SQL text or a program of the procedural language. Each
// is an EVxbEngine that also tells where the error was found (the name of what
// was parsed, the offending line, its line number and the character position
// in it), so that the session's last error can keep the position for callers
// that point the user at it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "engine/errors/engine_exception.h"

namespace vexilo::errors {

class EVxbCompilerError : public EVxbEngine {
 public:
  // Message as EVxbEngine(code, args); the other arguments locate the error.
  EVxbCompilerError(int16_t code, std::u16string unitName, std::u16string line, int32_t lineNo,
                    int32_t charNo, fs::FormatArgs args);
  EVxbCompilerError(int16_t code, std::u16string unitName, std::u16string line, int32_t lineNo,
                    int32_t charNo, std::initializer_list<fs::FormatArg> args)
      : EVxbCompilerError(code, std::move(unitName), std::move(line), lineNo, charNo,
                          fs::FormatArgs(args.begin(), args.size())) {}

  // The name of what was parsed.
  const std::u16string& ErrorUnitName() const { return FErrorUnitName; }
  // The line in which the error was found, as given.
  const std::u16string& ErrorLine() const { return FErrorLine; }
  int32_t ErrorLineNo() const { return FErrorLineNo; }
  // Character position of the error in ErrorLine().
  int32_t ErrorCharNo() const { return FErrorCharNo; }

 private:
  std::u16string FErrorUnitName;
  std::u16string FErrorLine;
  int32_t FErrorLineNo;
  int32_t FErrorCharNo;
};

// An error of the parser of search conditions and SQL texts. The unit name is
// always "SQL command"; the line number is the row and the character position
// the column of the offending token.
class ESqlParser : public EVxbCompilerError {
 public:
  // Template `code` formatted with the one text `desc`, which is also kept.
  ESqlParser(int16_t code, int32_t row, int32_t column, std::u16string desc, std::u16string line);
  // Template `code` formatted with `args`; Desc() stays empty.
  ESqlParser(int16_t code, int32_t row, int32_t column, std::u16string line, fs::FormatArgs args);

  const std::u16string& Desc() const { return FDesc; }

 private:
  std::u16string FDesc;
};

// The parser found another token than the one it expected (as a rule engine
// error 56, ""%s" expected but "%s" found").
class EVxbSqlUnexpectedToken : public ESqlParser {
 public:
  // Template `code` formatted with `tokenExpected`, then `tokenFound`.
  EVxbSqlUnexpectedToken(int16_t code, int32_t row, int32_t column,
                         const std::u16string& tokenExpected, std::u16string line,
                         std::u16string tokenFound);

  const std::u16string& TokenFound() const { return FTokenFound; }

 private:
  std::u16string FTokenFound;
};

// Errors of the compiler of the procedural language. They carry nothing beyond
// EVxbCompilerError; their classes tell the kind of error apart.
class ETplSyntaxError : public EVxbCompilerError {
 public:
  using EVxbCompilerError::EVxbCompilerError;
};

class ETplUnexpectedToken : public EVxbCompilerError {
 public:
  using EVxbCompilerError::EVxbCompilerError;
};

class ETplMemberExpected : public EVxbCompilerError {
 public:
  using EVxbCompilerError::EVxbCompilerError;
};

}  // namespace vexilo::errors
