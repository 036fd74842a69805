// TSqlScanner: cuts the text of one statement into the tokens of the
// engine's SQL dialect (sql_token.h), one at a time; a caller that may have
// to go back keeps a mark of the scanner's state and resets to it.
//
// Blanks (space, tab, line feed, carriage return) and comments (-- and //
// to the end of the line, /* to */) separate tokens. Identifiers start with
// a letter (A-Z, a-z, Ä, Ö, Ü, ä, ö, ü) and go on with name characters (the
// letters, ß, digits, "-" and "_"; so "A-B" is one identifier); an
// identifier that is a keyword becomes that keyword. Numbers start with a
// digit and take digits, ".", "_", ":" (and with local formats the local
// decimal separator, a final one given back), then an exponent. Strings are
// in apostrophes, delimited names in double quotes, square brackets or after
// "$"; a doubled quote character inside quotes stands for one. ":name" is a
// parameter. A single "|" and the character after it read as "||".
//
// Errors are raised as ESqlParser at the offending position, with its row
// and column (from 1; a row ends at a line feed) and the text of its row:
// 45 for a character that starts no token (or a name character right after
// a number), 56 for a text that ends inside a string or delimited name.
//
// The scanner reads only inside its text: every input ends.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/cursor/condition/sql_token.h"

namespace vexilo::cursor {

struct TSqlToken {
  TSqlTokenType Type = sqltEndOfStatement;
  // Identifiers and names as written (without their delimiters), strings
  // with doubled quotes made single, numbers and parameters as written
  // (parameters without the colon), symbols as written.
  std::u16string Text;
  // Where the token starts (1-based); the text's length + 1 at its end.
  int32_t Position = 1;
};

class TSqlScanner {
 public:
  // A scanner on `text` before its first token. With `allowLocalFormats`
  // numbers may hold `localDecimalSeparator`.
  TSqlScanner(std::u16string_view text, bool allowLocalFormats, char16_t localDecimalSeparator);

  // Reads the next token; raises ESqlParser on a character it cannot read.
  void Next();
  const TSqlToken& Token() const { return FToken; }

  // The scanner's state, to go back to with Reset.
  struct TMark {
    size_t Position = 0;  // 0-based index of the next character
    TSqlToken Token;
  };
  TMark Mark() const { return TMark{FPosition, FToken}; }
  void Reset(const TMark& mark) {
    FPosition = mark.Position;
    FToken = mark.Token;
  }

  std::u16string_view Text() const { return FText; }
  bool AllowLocalFormats() const { return FAllowLocalFormats; }
  char16_t LocalDecimalSeparator() const { return FLocalDecimalSeparator; }

  // Raises ESqlParser with `code` formatted with `desc`, at `position`.
  [[noreturn]] void Fail(int16_t code, int32_t position, const std::u16string& desc) const;
  // Raises error 56: `expected` expected but the current token found.
  [[noreturn]] void Unexpected(const std::u16string& expected) const;

  static bool IsLetter(char16_t c);
  static bool IsNameCharacter(char16_t c);

 private:
  char16_t At(size_t index) const { return index < FText.size() ? FText[index] : u'\0'; }
  bool AtEnd(size_t index) const { return index >= FText.size(); }
  void SkipBlanksAndComments();
  void ReadNumber(size_t start);
  void ReadQuoted(size_t start, char16_t closing, TSqlTokenType type);
  void Set(TSqlTokenType type, size_t start, size_t end, std::u16string text);

  std::u16string FText;
  bool FAllowLocalFormats;
  char16_t FLocalDecimalSeparator;
  size_t FPosition = 0;
  TSqlToken FToken;
};

}  // namespace vexilo::cursor
