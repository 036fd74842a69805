// vxbtool dump: a table's records as JSON lines, one object per record with
// its record number ("_recno") and every column by name. Null values are
// null; texts are strings; numbers are numbers; dates and times are ISO
// strings; Memo and WideMemo values are their text, Blob values base64.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/errors/engine_exception.h"
#include "engine/storage/file/data_file.h"
#include "engine/types/column_type.h"
#include "engine/types/date_time.h"
#include "engine/types/enum_type.h"
#include "engine/types/field_codec.h"
#include "engine/types/string_type.h"
#include "tools/json_text.h"
#include "tools/record_json.h"
#include "tools/table_arguments.h"
#include "tools/table_commands.h"
#include "tools/tool_table.h"

namespace vexilo::tools {

namespace {

using namespace storage;
using types::TVxbFieldCodec;

std::u16string AnsiText(const TVxbColumnDef& column, std::string_view bytes) {
  const auto* type = dynamic_cast<const types::TVxbStringType*>(column.DataType());
  return type ? type->Collation().AnsiToWide(bytes) : types::TVxbCollation::Engine().AnsiToWide(bytes);
}

// The JSON value of `column` in `record`.
std::string ValueJson(TToolTable& table, const TVxbColumnDef& column, const uint8_t* record, int16_t level) {
  TFieldJsonContext context;
  context.AnsiToWide = [&](std::string_view bytes) { return AnsiText(column, bytes); };
  context.EnumName = [&](uint8_t value) -> std::optional<std::u16string> {
    const auto* item = static_cast<const types::TVxbEnumType*>(column.DataType())->FindValue(value);
    if (item == nullptr) return std::nullopt;
    return item->Name;
  };
  context.Content = [&](int32_t block) {
    if (column.TypeCode() == types::vxbMemo) return JsonString(table.ReadMemo(column, block));
    if (column.TypeCode() == types::vxbWideMemo) return JsonString(table.ReadWideMemo(block));
    return "\"" + Base64(table.ReadBlob(block)) + "\"";
  };
  return FieldValueJson(record, column.FieldLayout(level), column.TypeCode(), context);
}

}  // namespace

int TableDumpCommand(const std::vector<std::string>& args) {
  const auto parsed = ParseTableArguments(args, true);
  if (!parsed) {
    std::fputs(kTableCommandsUsage, stderr);
    return 2;
  }
  try {
    TToolTable table(parsed->Table, parsed->Password);
    TVxbDataFile& file = table.DataFile();
    const TVxbColumnDefs& columns = table.Definition().ColumnDefs;
    std::vector<uint8_t> record(file.RecordSize());
    int64_t written = 0;
    int32_t recNo = file.GetFirstRecordNo();
    for (; recNo > 0 && (parsed->Limit < 0 || written < parsed->Limit); recNo = file.GetNextRecordNo(recNo)) {
      table.Check(file.ReadRecord(recNo, record.data()));
      std::string line = "{\"_recno\":" + std::to_string(recNo);
      for (const auto& column : columns) {
        if (column->TypeCode() == types::vxbRelation) continue;
        line += ',';
        line += JsonString(column->Name());
        line += ':';
        line += ValueJson(table, *column, record.data(), file.Version());
      }
      line += "}\n";
      std::fputs(line.c_str(), stdout);
      ++written;
    }
    // A walk that ends on an error (a damaged B+ tree) is no end of table.
    if (recNo < 0 && recNo != kNoRecord) table.Check(recNo);
  } catch (const errors::EVxbEngine& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "vxbtool: %s\n", e.what());
    return 1;
  }
  return 0;
}

}  // namespace vexilo::tools
