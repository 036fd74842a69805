#include "engine/cursor/condition/sql_scanner.h"

#include "engine/errors/compiler_error.h"
#include "engine/errors/error_codes.h"

namespace vexilo::cursor {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Row (from 1), column (from 1) and the text of the row of the 0-based
// index `index` in `text`.
void Locate(std::u16string_view text, size_t index, int32_t& row, int32_t& column, std::u16string& line) {
  if (index > text.size()) index = text.size();
  row = 1;
  size_t rowStart = 0;
  for (size_t i = 0; i < index; ++i) {
    if (text[i] == u'\n') {
      ++row;
      rowStart = i + 1;
    }
  }
  column = static_cast<int32_t>(index - rowStart) + 1;
  size_t rowEnd = text.find(u'\n', rowStart);
  if (rowEnd == std::u16string_view::npos) rowEnd = text.size();
  // A carriage return before the line feed is not shown, unless the error
  // lies at or after it.
  if (rowEnd > rowStart && text[rowEnd - 1] == u'\r' && index < rowEnd - 1) --rowEnd;
  line = std::u16string(text.substr(rowStart, rowEnd - rowStart));
}

}  // namespace

TSqlScanner::TSqlScanner(std::u16string_view text, bool allowLocalFormats, char16_t localDecimalSeparator)
    : FText(text), FAllowLocalFormats(allowLocalFormats), FLocalDecimalSeparator(localDecimalSeparator) {}

bool TSqlScanner::IsLetter(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'\u00C4' || c == u'\u00D6' ||
         c == u'\u00DC' || c == u'\u00E4' || c == u'\u00F6' || c == u'\u00FC';
}

bool TSqlScanner::IsNameCharacter(char16_t c) {
  return IsLetter(c) || c == u'\u00DF' || IsDigit(c) || c == u'-' || c == u'_';
}

void TSqlScanner::Fail(int16_t code, int32_t position, const std::u16string& desc) const {
  int32_t row = 0;
  int32_t column = 0;
  std::u16string line;
  Locate(FText, static_cast<size_t>(position > 0 ? position - 1 : 0), row, column, line);
  throw errors::ESqlParser(code, row, column, desc, line);
}

void TSqlScanner::Unexpected(const std::u16string& expected) const {
  int32_t row = 0;
  int32_t column = 0;
  std::u16string line;
  Locate(FText, static_cast<size_t>(FToken.Position - 1), row, column, line);
  const std::u16string found = FToken.Type == sqltEndOfStatement ? DisplayName(sqltEndOfStatement) : FToken.Text;
  throw errors::EVxbSqlUnexpectedToken(errors::vxbErrTokenExpected, row, column, expected, line, found);
}

void TSqlScanner::Set(TSqlTokenType type, size_t start, size_t end, std::u16string text) {
  FToken.Type = type;
  FToken.Text = std::move(text);
  FToken.Position = static_cast<int32_t>(start) + 1;
  FPosition = end;
}

void TSqlScanner::SkipBlanksAndComments() {
  for (;;) {
    while (!AtEnd(FPosition) && IsBlank(FText[FPosition])) ++FPosition;
    const char16_t c = At(FPosition);
    const char16_t after = At(FPosition + 1);
    if ((c == u'-' && after == u'-') || (c == u'/' && after == u'/')) {
      while (!AtEnd(FPosition) && FText[FPosition] != u'\n') ++FPosition;
      continue;
    }
    if (c == u'/' && after == u'*') {
      const size_t close = FText.find(u"*/", FPosition + 2);
      FPosition = close == std::u16string::npos ? FText.size() : close + 2;
      continue;
    }
    return;
  }
}

void TSqlScanner::Next() {
  SkipBlanksAndComments();
  const size_t start = FPosition;
  if (AtEnd(start)) {
    Set(sqltEndOfStatement, start, start, {});
    return;
  }
  const char16_t c = FText[start];
  if (IsLetter(c)) {
    size_t end = start + 1;
    while (!AtEnd(end) && IsNameCharacter(FText[end])) ++end;
    std::u16string word = FText.substr(start, end - start);
    std::u16string upper = word;
    for (char16_t& letter : upper) {
      if (letter >= u'a' && letter <= u'z') letter = static_cast<char16_t>(letter - u'a' + u'A');
    }
    const auto keyword = FindKeyword(upper);
    Set(keyword ? *keyword : sqltIdentifier, start, end, std::move(word));
    return;
  }
  if (IsDigit(c)) {
    ReadNumber(start);
    return;
  }
  const char16_t after = At(start + 1);
  switch (c) {
    case u'\'':
      ReadQuoted(start, u'\'', sqltString);
      return;
    case u'"':
      ReadQuoted(start, u'"', sqltReference);
      return;
    case u'[':
      ReadQuoted(start, u']', sqltReference);
      return;
    case u'$': {
      size_t end = start + 1;
      while (!AtEnd(end) && IsNameCharacter(FText[end])) ++end;
      if (end == start + 1) Fail(errors::vxbErrCharacterNotAllowed, static_cast<int32_t>(start) + 1, u"$");
      Set(sqltReference, start, end, FText.substr(start + 1, end - start - 1));
      return;
    }
    case u':': {
      if (!IsLetter(after)) Fail(errors::vxbErrCharacterNotAllowed, static_cast<int32_t>(start) + 1, u":");
      size_t end = start + 1;
      while (!AtEnd(end) && IsNameCharacter(FText[end])) ++end;
      Set(sqltParameter, start, end, FText.substr(start + 1, end - start - 1));
      return;
    }
    case u'<':
      if (after == u'=') return Set(sqltLessOrEqual, start, start + 2, u"<=");
      if (after == u'>') return Set(sqltNotEqual, start, start + 2, u"<>");
      return Set(sqltLess, start, start + 1, u"<");
    case u'>':
      if (after == u'=') return Set(sqltGreaterOrEqual, start, start + 2, u">=");
      return Set(sqltGreater, start, start + 1, u">");
    case u'!':
      if (after == u'=') return Set(sqltNotEqual, start, start + 2, u"!=");
      return Set(sqltExclamation, start, start + 1, u"!");
    case u'|':
      // The bar takes the character after it: "||" and "|x" alike.
      return Set(sqltPlus, start, AtEnd(start + 1) ? start + 1 : start + 2, u"||");
    case u'=': return Set(sqltEqual, start, start + 1, u"=");
    case u'(': return Set(sqltOpenParenthesis, start, start + 1, u"(");
    case u')': return Set(sqltCloseParenthesis, start, start + 1, u")");
    case u',': return Set(sqltComma, start, start + 1, u",");
    case u';': return Set(sqltSemicolon, start, start + 1, u";");
    case u'*': return Set(sqltAsterisk, start, start + 1, u"*");
    case u'+': return Set(sqltPlus, start, start + 1, u"+");
    case u'-': return Set(sqltMinus, start, start + 1, u"-");
    case u'/': return Set(sqltSlash, start, start + 1, u"/");
    case u'%': return Set(sqltPercent, start, start + 1, u"%");
    case u'.': return Set(sqltDot, start, start + 1, u".");
    default:
      Fail(errors::vxbErrCharacterNotAllowed, static_cast<int32_t>(start) + 1, std::u16string(1, c));
  }
}

void TSqlScanner::ReadNumber(size_t start) {
  size_t end = start;
  const auto isNumberCharacter = [this](char16_t c) {
    return IsDigit(c) || c == u'.' || c == u'_' || c == u':' || (FAllowLocalFormats && c == FLocalDecimalSeparator);
  };
  while (!AtEnd(end) && isNumberCharacter(FText[end])) ++end;
  if (FAllowLocalFormats && FLocalDecimalSeparator == u',' && FText[end - 1] == u',') --end;
  if (At(end) == u'E' || At(end) == u'e') {
    ++end;
    if (At(end) == u'+' || At(end) == u'-') ++end;
    while (!AtEnd(end) && IsDigit(FText[end])) ++end;
  }
  if (!AtEnd(end) && IsNameCharacter(FText[end])) {
    Fail(errors::vxbErrCharacterNotAllowed, static_cast<int32_t>(end) + 1, std::u16string(1, FText[end]));
  }
  Set(sqltNumber, start, end, FText.substr(start, end - start));
}

void TSqlScanner::ReadQuoted(size_t start, char16_t closing, TSqlTokenType type) {
  const bool doubling = closing != u']';
  std::u16string text;
  size_t index = start + 1;
  for (;;) {
    if (AtEnd(index)) {
      FToken.Type = sqltEndOfStatement;
      FToken.Text.clear();
      FToken.Position = static_cast<int32_t>(FText.size()) + 1;
      Unexpected(std::u16string(1, closing));
    }
    const char16_t c = FText[index];
    if (c == closing) {
      if (doubling && At(index + 1) == closing) {
        text.push_back(c);
        index += 2;
        continue;
      }
      break;
    }
    text.push_back(c);
    ++index;
  }
  Set(type, start, index + 1, std::move(text));
}

}  // namespace vexilo::cursor
