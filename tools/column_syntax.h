// The column syntax of "vxbtool create":
//
//   NAME:TYPE[?][:ARG[:COLLATION]]
//
// TYPE is one of the engine's column types, named without regard to case:
// Char, String, SmallInt, Float, Byte, Boolean, Date, Memo, Enum, RecordId,
// Link, Blob, Time, Integer, DateTime (or TimeStamp), WideString, WideMemo,
// BigInt, Guid. A "?" right after the type lets the column hold null.
// ARG depends on the type:
//   String, WideString  the maximum length in characters (required)
//   Float               the scale, 0 to 15 (default 0)
//   Time                the precision: 2 minutes, 3 seconds, 4 milliseconds
//                       (default: the level's)
//   Enum                the value names, separated by "|" (required)
//   Link                the linked table's name (required)
//   RecordId            the first record id (default 1)
// and no other type takes one. COLLATION, for String, WideString, Memo and
// WideMemo only, is the column's own collation (an empty ARG before it for
// the memo types: "LEIR:WideMemo::Hungarian"). NAME holds no ":".
//
// The syntax alone is checked here; the engine's column rules (names,
// lengths, what the table's level allows) are checked when the column is
// added to the table.
#pragma once

#include <string>
#include <variant>

#include "engine/storage/columns/column_rules.h"

namespace vexilo::tools {

// The column `text` describes, or the message saying what is wrong with it.
std::variant<storage::TVxbColumnSpec, std::string> ParseColumnSyntax(const std::string& text);

// The usage lines of the column syntax.
extern const char* const kColumnSyntaxUsage;

}  // namespace vexilo::tools
