// vxbtool info: what a table file's header says, as text.
#include <cstdio>
#include <string>
#include <vector>

#include "engine/errors/engine_exception.h"
#include "engine/storage/file/bplus_data_file.h"
#include "engine/storage/file/heap_data_file.h"
#include "engine/types/column_type.h"
#include "engine/types/string_type.h"
#include "fs/format.h"
#include "fs/text.h"
#include "tools/table_arguments.h"
#include "tools/table_commands.h"
#include "tools/tool_table.h"

namespace vexilo::tools {

namespace {

using namespace storage;
using fs::u8;

std::string TypeName(const TVxbColumnDef& column) {
  switch (column.TypeCode()) {
    case types::vxbChar: return "Char";
    case types::vxbString: case types::vxbWideString: {
      const auto* type = static_cast<const types::TVxbStringType*>(column.DataType());
      return std::string(column.TypeCode() == types::vxbString ? "String(" : "WideString(") +
             std::to_string(type->MaxLength()) + ")";
    }
    case types::vxbSmallInt: return "SmallInt";
    case types::vxbFloat:
      return "Float(scale " + std::to_string(static_cast<const TVxbNumberColumnDef&>(column).Scale()) + ")";
    case types::vxbByte: return "Byte";
    case types::vxbBoolean: return "Boolean";
    case types::vxbDate: return "Date";
    case types::vxbMemo: return "Memo";
    case types::vxbEnum: {
      std::string names;
      for (const auto& name : static_cast<const TVxbEnumColumnDef&>(column).ValueNames()) {
        if (!names.empty()) names += ',';
        names += u8(name);
      }
      return "Enum(" + names + ")";
    }
    case types::vxbRecordId: return "RecordId";
    case types::vxbLink: return "Link(" + u8(static_cast<const TVxbAdlColumnDef&>(column).LinkedTable()) + ")";
    case types::vxbBlob: return "Blob";
    case types::vxbRelation:
      return "Relation(" + u8(static_cast<const TVxbAdlColumnDef&>(column).LinkedTable()) + ")";
    case types::vxbTime:
      return "Time(precision " + std::to_string(static_cast<const TVxbTimeColumnDef&>(column).Precision()) + ")";
    case types::vxbInteger: return "Integer";
    case types::vxbTimeStamp: return "TimeStamp";
    case types::vxbWideMemo: return "WideMemo";
    case types::vxbBigInt: return "BigInt";
    case types::vxbGuid: return "Guid";
    default: return "type " + std::to_string(column.TypeCode());
  }
}

std::string OptionsText(const TVxbColumnDef& column) {
  const uint32_t options = column.Options();
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%02x", options);
  std::string text = hex;
  auto word = [&](uint32_t bit, const char* name) {
    if (options & bit) text += std::string(" ") + name;
  };
  word(kColumnNullable, "nullable");
  word(kColumnNullByte, "null-byte");
  word(kColumnCalculated, "calculated");
  word(kColumnCalcOnAppend, "on-append");
  word(kColumnValueRange, "value-range");
  if (options & kColumnUnique) text += column.TypeCode() == types::vxbRecordId ? " unique-indication" : " not-indexed";
  return text;
}

// The collation a text column compares with: its own or the table's.
std::string CollationText(const TVxbColumnDef& column) {
  const int16_t code = column.TypeCode();
  if (code != types::vxbString && code != types::vxbMemo && code != types::vxbWideString &&
      code != types::vxbWideMemo)
    return "-";
  const auto& own = static_cast<const TVxbTextColumnDef&>(column).CollationName();
  const auto* type = static_cast<const types::TVxbStringType*>(column.DataType());
  const std::u16string name = type->CollationName().empty() ? u"VexBase" : type->CollationName();
  return u8(name) + (own.empty() ? " (table)" : "");
}

void PrintColumns(const TVxbColumnDefs& columns) {
  std::printf("Columns (%d):\n", columns.Count());
  std::printf("  %4s  %-24s %-22s %6s %8s  %-16s %s\n", "No", "Name", "Type", "Size", "Position", "Collation",
              "Options");
  int no = 0;
  for (const auto& column : columns) {
    std::printf("  %4d  %-24s %-22s %6d %8d  %-16s %s\n", ++no, u8(column->Name()).c_str(),
                TypeName(*column).c_str(), column->Size(), column->Position(), CollationText(*column).c_str(),
                OptionsText(*column).c_str());
    if (const auto& calculation = column->Calculation())
      std::printf("        %s: %s\n", calculation->Procedural ? "expression" : "SQL expression",
                  u8(calculation->Text).c_str());
    if (column->TypeCode() == types::vxbRecordId) {
      const auto& spec = static_cast<const TVxbRecordIdColumnDef&>(*column).IndexSpec();
      if (!spec.empty()) std::printf("        indication: %s\n", u8(spec).c_str());
    }
  }
}

void PrintConstraints(const TVxbTableDefinition& d) {
  for (const auto& key : d.KeyDefs) {
    std::string columns;
    for (const auto& name : key.ColumnNames) columns += (columns.empty() ? "" : ", ") + u8(name);
    std::printf("%s key %s: %s\n", key.Primary ? "Primary" : "Candidate", u8(key.Name).c_str(), columns.c_str());
  }
  for (const auto& check : d.CheckDefs)
    std::printf("Check %s: %s\n", u8(check.Name).c_str(), u8(check.Condition.Text).c_str());
  for (const auto& key : d.ForeignKeyDefs)
    std::printf("Foreign key %s -> %s (update action %d, delete action %d)\n", u8(key.Name).c_str(),
                u8(key.ParentTable).c_str(), key.UpdateAction, key.DeleteAction);
}

}  // namespace

int TableInfoCommand(const std::vector<std::string>& args) {
  const auto parsed = ParseTableArguments(args, false);
  if (!parsed) {
    std::fputs(kTableCommandsUsage, stderr);
    return 2;
  }
  try {
    TToolTable table(parsed->Table, parsed->Password);
    TVxbDataFile& file = table.DataFile();
    const TVxbTableDefinition& d = table.Definition();
    std::string indexNames;
    for (const auto& name : file.IndexNames()) indexNames += (indexNames.empty() ? "" : ", ") + u8(name);
    const auto* heap = dynamic_cast<const TVxbHeapDataFile*>(&file);

    std::printf("Table file:      %s\n", u8(table.FileName()).c_str());
    std::printf("Layout:          %s\n", heap ? "heap" : "B+ tree");
    std::printf("Level:           %d\n", file.Version());
    std::printf("Encryption:      %s\n", u8(EncryptionMethodName(table.EncryptionMethod())).c_str());
    std::printf("Records:         %d\n", file.GetRecordCount());
    if (file.NextRecordIdOffset() != 0) std::printf("Next record id:  %d\n", file.NextRecordId());
    else std::printf("Next record id:  -\n");
    std::printf("Capacity:        %d\n", d.Capacity);
    std::printf("Collation:       %s\n", d.CollationName.empty() ? "VexBase (engine)" : u8(d.CollationName).c_str());
    std::printf("Record size:     %d\n", file.RecordSize());
    if (heap) std::printf("Records start:   %lld\n", static_cast<long long>(heap->RecordAreaStart()));
    std::printf("Indexes:         %s\n", indexNames.empty() ? "-" : indexNames.c_str());
    PrintColumns(d.ColumnDefs);
    PrintConstraints(d);
  } catch (const errors::EVxbEngine& e) {
    std::fprintf(stderr, "vxbtool: %s\n", e.what());
    return 1;
  }
  return 0;
}

}  // namespace vexilo::tools
