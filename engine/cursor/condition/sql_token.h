// The tokens of the engine's SQL dialect as the scanner hands them to the
// parser of search conditions: the keyword list (matched after upper-casing
// an identifier, so case does not matter), the classes of tokens that carry
// a text (names, strings, numbers, parameters) and the symbols.
//
// DisplayName gives the text the parser's messages use for a token type:
// a keyword's own word, a symbol's characters, or the bracketed name of a
// class ("<identifier>", "<string>", "<end of statement>" ...).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexilo::cursor {

// The keywords, in alphabetical order; ASCENDING, DESCENDING and NUMERIC
// read as ASC, DESC and NULL.
#define VEXILO_SQL_KEYWORDS(X)                                                                                     \
  X(Action, "ACTION") X(Add, "ADD") X(All, "ALL") X(Alter, "ALTER") X(And, "AND") X(Any, "ANY") X(As, "AS")          \
  X(Asc, "ASC") X(At, "AT") X(Between, "BETWEEN") X(Both, "BOTH") X(By, "BY") X(Cascade, "CASCADE")                \
  X(Case, "CASE") X(Check, "CHECK") X(Collate, "COLLATE") X(Column, "COLUMN") X(Constraint, "CONSTRAINT")          \
  X(Containing, "CONTAINING") X(Contains, "CONTAINS") X(Corresponding, "CORRESPONDING") X(Create, "CREATE")        \
  X(Cross, "CROSS") X(Dat, "DAT") X(Default, "DEFAULT") X(Delete, "DELETE") X(Desc, "DESC")                        \
  X(Dictionary, "DICTIONARY") X(Div, "DIV") X(Distinct, "DISTINCT") X(Drop, "DROP") X(Encryption, "ENCRYPTION")    \
  X(Else, "ELSE") X(End, "END") X(Escape, "ESCAPE") X(Except, "EXCEPT") X(Exists, "EXISTS") X(False, "FALSE")      \
  X(For, "FOR") X(Foreign, "FOREIGN") X(From, "FROM") X(Full, "FULL") X(FullTextIndex, "FULLTEXTINDEX")            \
  X(Group, "GROUP") X(Has, "HAS") X(Having, "HAVING") X(In, "IN") X(Index, "INDEX") X(Inner, "INNER")              \
  X(Insert, "INSERT") X(Intersect, "INTERSECT") X(Into, "INTO") X(Is, "IS") X(Join, "JOIN") X(Key, "KEY")          \
  X(Leading, "LEADING") X(Left, "LEFT") X(Level, "LEVEL") X(Like, "LIKE") X(Mod, "MOD") X(Modify, "MODIFY")        \
  X(No, "NO") X(Not, "NOT") X(Null, "NULL") X(On, "ON") X(Or, "OR") X(Order, "ORDER") X(Outer, "OUTER")            \
  X(Password, "PASSWORD") X(Precision, "PRECISION") X(Primary, "PRIMARY") X(References, "REFERENCES")              \
  X(Rename, "RENAME") X(Right, "RIGHT") X(Select, "SELECT") X(Set, "SET") X(Some, "SOME") X(Table, "TABLE")        \
  X(Then, "THEN") X(To, "TO") X(Top, "TOP") X(Trailing, "TRAILING") X(True, "TRUE") X(Union, "UNION")              \
  X(Unique, "UNIQUE") X(Update, "UPDATE") X(Values, "VALUES") X(When, "WHEN") X(Where, "WHERE")

enum TSqlTokenType : uint8_t {
#define VEXILO_SQL_KEYWORD_TOKEN(name, text) sqlt##name,
  VEXILO_SQL_KEYWORDS(VEXILO_SQL_KEYWORD_TOKEN)
#undef VEXILO_SQL_KEYWORD_TOKEN
  // Tokens with a text of their own.
  sqltIdentifier,
  sqltReference,  // a delimited name: "...", [...] or $name
  sqltString,
  sqltNumber,
  sqltParameter,
  sqltEndOfStatement,
  sqltDataType,
  // Symbols.
  sqltOpenParenthesis,
  sqltCloseParenthesis,
  sqltComma,
  sqltSemicolon,
  sqltAsterisk,
  sqltDot,
  sqltEqual,
  sqltNotEqual,  // <> and !=
  sqltPlus,      // + and ||
  sqltMinus,
  sqltSlash,
  sqltPercent,  // MOD
  sqltExclamation,
  sqltGreater,
  sqltGreaterOrEqual,
  sqltLess,
  sqltLessOrEqual,
  sqltBar,
  sqltColon,
};

// The keyword `upperText` (an identifier upper-cased), if it is one.
std::optional<TSqlTokenType> FindKeyword(std::u16string_view upperText);

// The name of `type` in the parser's messages.
std::u16string DisplayName(TSqlTokenType type);

}  // namespace vexilo::cursor
