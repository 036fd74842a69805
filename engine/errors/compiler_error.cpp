#include "engine/errors/compiler_error.h"

#include <array>
#include <utility>

namespace vexilo::errors {
namespace {

constexpr char16_t kSqlUnitName[] = u"SQL command";

}  // namespace

EVxbCompilerError::EVxbCompilerError(int16_t code, std::u16string unitName, std::u16string line,
                                     int32_t lineNo, int32_t charNo, fs::FormatArgs args)
    : EVxbEngine(code, args),
      FErrorUnitName(std::move(unitName)),
      FErrorLine(std::move(line)),
      FErrorLineNo(lineNo),
      FErrorCharNo(charNo) {}

ESqlParser::ESqlParser(int16_t code, int32_t row, int32_t column, std::u16string desc,
                       std::u16string line)
    : EVxbCompilerError(code, kSqlUnitName, std::move(line), row, column, {fs::FormatArg(desc)}),
      FDesc(std::move(desc)) {}

ESqlParser::ESqlParser(int16_t code, int32_t row, int32_t column, std::u16string line,
                       fs::FormatArgs args)
    : EVxbCompilerError(code, kSqlUnitName, std::move(line), row, column, args) {}

EVxbSqlUnexpectedToken::EVxbSqlUnexpectedToken(int16_t code, int32_t row, int32_t column,
                                               const std::u16string& tokenExpected,
                                               std::u16string line, std::u16string tokenFound)
    : ESqlParser(code, row, column, std::move(line),
                 // The array lives until the base is constructed.
                 std::array<fs::FormatArg, 2>{fs::FormatArg(tokenExpected),
                                              fs::FormatArg(tokenFound)}),
      FTokenFound(std::move(tokenFound)) {}

}  // namespace vexilo::errors
