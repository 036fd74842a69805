#include "tools/column_syntax.h"

#include <algorithm>
#include <vector>

#include "engine/types/column_type.h"
#include "fs/text.h"
#include "tools/command_line.h"

namespace vexilo::tools {

namespace {

// What the ARG field of a type means.
enum class TArgument { None, Length, Scale, Precision, EnumNames, LinkedTable, StartValue };

struct TTypeName {
  const char* Name;
  int16_t Code;
  TArgument Argument;
  bool Collation;
};

constexpr TTypeName kTypeNames[] = {
    {"Char", types::vxbChar, TArgument::None, false},
    {"String", types::vxbString, TArgument::Length, true},
    {"SmallInt", types::vxbSmallInt, TArgument::None, false},
    {"Float", types::vxbFloat, TArgument::Scale, false},
    {"Byte", types::vxbByte, TArgument::None, false},
    {"Boolean", types::vxbBoolean, TArgument::None, false},
    {"Date", types::vxbDate, TArgument::None, false},
    {"Memo", types::vxbMemo, TArgument::None, true},
    {"Enum", types::vxbEnum, TArgument::EnumNames, false},
    {"RecordId", types::vxbRecordId, TArgument::StartValue, false},
    {"Link", types::vxbLink, TArgument::LinkedTable, false},
    {"Blob", types::vxbBlob, TArgument::None, false},
    {"Time", types::vxbTime, TArgument::Precision, false},
    {"Integer", types::vxbInteger, TArgument::None, false},
    {"DateTime", types::vxbTimeStamp, TArgument::None, false},
    {"TimeStamp", types::vxbTimeStamp, TArgument::None, false},
    {"WideString", types::vxbWideString, TArgument::Length, true},
    {"WideMemo", types::vxbWideMemo, TArgument::None, true},
    {"BigInt", types::vxbBigInt, TArgument::None, false},
    {"Guid", types::vxbGuid, TArgument::None, false},
};

bool SameWord(const std::string& a, const char* b) { return fs::EqualsIgnoringAsciiCase(std::string_view(a), b); }

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t at = text.find(separator, start);
    parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) return parts;
    start = at + 1;
  }
}

}  // namespace

std::variant<storage::TVxbColumnSpec, std::string> ParseColumnSyntax(const std::string& text) {
  const std::vector<std::string> fields = Split(text, ':');
  const std::string quoted = "column \"" + text + "\": ";
  if (fields.size() < 2 || fields.size() > 4) return quoted + "expected NAME:TYPE[?][:ARG[:COLLATION]]";
  if (fields[0].empty()) return quoted + "the name is missing";

  storage::TVxbColumnSpec spec;
  spec.Name = fs::u16(fields[0]);
  std::string typeName = fields[1];
  if (!typeName.empty() && typeName.back() == '?') {
    spec.Nullable = true;
    typeName.pop_back();
  }
  if (SameWord(typeName, "Relation")) return quoted + "Relation columns cannot be created with vxbtool";
  const TTypeName* type = nullptr;
  for (const TTypeName& candidate : kTypeNames)
    if (SameWord(typeName, candidate.Name)) type = &candidate;
  if (type == nullptr) return quoted + "unknown type \"" + typeName + "\"";
  spec.TypeCode = type->Code;

  const std::string argument = fields.size() > 2 ? fields[2] : std::string();
  const bool hasArgument = fields.size() > 2 && !argument.empty();
  auto number = [&](long long min, long long max, const char* what) -> std::optional<std::string> {
    const auto value = ParseNumber(argument, min, max);
    if (!value) return quoted + what + " must be a number from " + std::to_string(min) + " to " + std::to_string(max);
    spec.Length = static_cast<int32_t>(*value);
    return std::nullopt;
  };
  std::optional<std::string> error;
  switch (type->Argument) {
    case TArgument::None:
      if (hasArgument) error = quoted + "type " + type->Name + " takes no size";
      break;
    case TArgument::Length:
      if (!hasArgument) error = quoted + "type " + type->Name + " needs its maximum length";
      else error = number(0, 32767, "the length");
      break;
    case TArgument::Scale:
      if (hasArgument) error = number(0, 32767, "the scale");
      break;
    case TArgument::Precision:
      if (hasArgument) error = number(0, 32767, "the precision");
      break;
    case TArgument::StartValue:
      if (hasArgument) {
        const auto value = ParseNumber(argument, 1, 2147483647);
        if (!value) error = quoted + "the first record id must be a number from 1 to 2147483647";
        else spec.StartValue = static_cast<int32_t>(*value);
      }
      break;
    case TArgument::EnumNames:
      if (!hasArgument) error = quoted + "type Enum needs its value names, separated by \"|\"";
      else
        for (const std::string& name : Split(argument, '|')) spec.EnumNames.push_back(fs::u16(name));
      break;
    case TArgument::LinkedTable:
      if (!hasArgument) error = quoted + "type Link needs the linked table's name";
      else spec.LinkedTable = fs::u16(argument);
      break;
  }
  if (error) return *error;
  if (fields.size() > 3) {
    if (!type->Collation) return quoted + "type " + type->Name + " takes no collation";
    if (fields[3].empty()) return quoted + "the collation name is missing";
    spec.CollationName = fs::u16(fields[3]);
  }
  return spec;
}

const char* const kColumnSyntaxUsage =
    "                                     COLUMN: NAME:TYPE[?][:ARG[:COLLATION]], TYPE one of\n"
    "                                     Char String SmallInt Float Byte Boolean Date Memo\n"
    "                                     Enum RecordId Link Blob Time Integer DateTime\n"
    "                                     WideString WideMemo BigInt Guid; \"?\" allows null;\n"
    "                                     ARG: String/WideString length (required), Float\n"
    "                                     scale, Time precision, Enum names a|b|c, Link\n"
    "                                     table, RecordId first id; COLLATION for String,\n"
    "                                     WideString, Memo, WideMemo (ENG:WideString:80,\n"
    "                                     LEIR:WideMemo::Hungarian, N:Integer?)\n";

}  // namespace vexilo::tools
