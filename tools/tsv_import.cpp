// Importing rows from a TSV file into a stored table.
#include "tools/tsv_import.h"

#include <fstream>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/index/index_file.h"
#include "engine/index/index_names.h"
#include "engine/storage/columns/column_def.h"
#include "engine/storage/sharing/table_lock_guard.h"
#include "engine/types/collation.h"
#include "engine/types/column_type.h"
#include "engine/types/date_time_text.h"
#include "engine/types/string_type.h"
#include "engine/types/value_text.h"
#include "fs/text.h"

namespace vexilo::tools {

namespace {

using storage::TVxbBaseTable;
using storage::TVxbBlobData;
using storage::TVxbBlobDataList;
using storage::TVxbColumnDef;
using storage::TVxbTableLockGuard;

// Rows appended between two flushes: the pages they fill are written and can
// leave the page cache.
constexpr int64_t kRowsPerFlush = 8192;

// Reads the file line by line, counting lines and bytes.
class TLineReader {
 public:
  explicit TLineReader(const std::string& path) : FPath(path), FIn(path, std::ios::binary) {
    if (!FIn) throw EImportError(path + ": cannot be read");
    FIn.seekg(0, std::ios::end);
    FSize = static_cast<int64_t>(FIn.tellg());
    FIn.seekg(0, std::ios::beg);
  }

  // The next line without its LF (and a CR before it); false at the end.
  bool Next(std::string& line) {
    if (!std::getline(FIn, line)) {
      if (FIn.bad()) throw EImportError(FPath + ": cannot be read");
      return false;
    }
    FDone += static_cast<int64_t>(line.size()) + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ++FLineNo;
    return true;
  }

  int64_t LineNo() const { return FLineNo; }
  int64_t Done() const { return FDone < FSize ? FDone : FSize; }
  int64_t Size() const { return FSize; }
  [[noreturn]] void Fail(const std::string& what) const {
    throw EImportError(FPath + ", line " + std::to_string(FLineNo) + ": " + what);
  }

 private:
  std::string FPath;
  std::ifstream FIn;
  int64_t FSize = 0;
  int64_t FDone = 0;
  int64_t FLineNo = 0;
};

// Splits `line` at its tabs into `fields` (views into `line`).
void SplitFields(std::string_view line, std::vector<std::string_view>& fields) {
  fields.clear();
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) {
      fields.push_back(line.substr(start));
      return;
    }
    fields.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
}

// `field` with its escapes resolved into `out`; false for a backslash
// followed by anything but \, t, r or n.
bool Unescape(std::string_view field, std::string& out) {
  out.clear();
  for (size_t i = 0; i < field.size(); ++i) {
    const char c = field[i];
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i == field.size()) return false;
    switch (field[i]) {
      case '\\': out += '\\'; break;
      case 't': out += '\t'; break;
      case 'r': out += '\r'; break;
      case 'n': out += '\n'; break;
      default: return false;
    }
  }
  return true;
}

// `text` into `out` with its line breaks as the memo columns keep them:
// CR LF.
void WithCrLf(std::u16string_view text, std::u16string& out) {
  out.clear();
  out.reserve(text.size() + 16);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')) out += u'\r';
    out += text[i];
  }
}

// The memo and blob values of the row being read. Its entries are kept
// from row to row, so that their buffers are reused; the ones a row does
// not fill have field number 0, which the table passes over.
class TRowBlobs {
 public:
  void StartRow() {
    for (TVxbBlobData& blob : FList) blob.FieldNo = 0;
    FUsed = 0;
  }
  TVxbBlobData& Add(int fieldNo) {
    if (FUsed == FList.size()) FList.emplace_back();
    TVxbBlobData& blob = FList[FUsed++];
    blob.FieldNo = fieldNo;
    blob.IsWide = false;
    blob.AnsiData.clear();
    blob.WideData.clear();
    return blob;
  }
  const TVxbBlobDataList& List() const { return FList; }

 private:
  TVxbBlobDataList FList;
  size_t FUsed = 0;
};

// The collation an ANSI column's text is converted through.
const types::TVxbCollation& AnsiCollation(const TVxbColumnDef& column) {
  const auto* type = dynamic_cast<const types::TVxbStringType*>(column.DataType());
  return type ? type->Collation() : types::TVxbCollation::Engine();
}

// Puts `text` into column `fieldNo` of `rec` (memo and blob values into
// `blobs`); an error text when the column cannot take it.
std::optional<std::string> SetValue(const TVxbBaseTable& table, const TVxbColumnDef& column, int fieldNo,
                                    std::u16string_view text, uint8_t* rec, TRowBlobs& blobs) {
  const auto refused = [&]() {
    std::string message = "\"";
    message += fs::u8(text);
    message += "\" does not fit column ";
    message += fs::u8(column.Name());
    return std::optional<std::string>(std::move(message));
  };
  const auto integer = [&](std::optional<int64_t> value) -> std::optional<std::string> {
    if (!value || !table.SetInteger(rec, fieldNo, *value)) return refused();
    return std::nullopt;
  };
  switch (column.TypeCode()) {
    case types::vxbWideString:
      if (!table.SetWideString(rec, fieldNo, text)) return refused();
      return std::nullopt;
    case types::vxbChar:
    case types::vxbString:
      if (!table.SetAnsiString(rec, fieldNo, AnsiCollation(column).WideToAnsi(text))) return refused();
      return std::nullopt;
    case types::vxbWideMemo: {
      TVxbBlobData& blob = blobs.Add(fieldNo);
      blob.IsWide = true;
      WithCrLf(text, blob.WideData);
      return std::nullopt;
    }
    case types::vxbMemo: {
      TVxbBlobData& blob = blobs.Add(fieldNo);
      std::u16string lines;
      WithCrLf(text, lines);
      blob.AnsiData = AnsiCollation(column).WideToAnsi(lines);
      return std::nullopt;
    }
    case types::vxbBlob: {
      TVxbBlobData& blob = blobs.Add(fieldNo);
      blob.AnsiData = fs::u8(text);
      return std::nullopt;
    }
    case types::vxbSmallInt:
    case types::vxbByte:
    case types::vxbInteger:
    case types::vxbRecordId:
    case types::vxbLink:
    case types::vxbBigInt:
    case types::vxbEnum:
      return integer(types::IntegerFromText(text));
    case types::vxbBoolean: {
      const std::optional<bool> value = types::BooleanFromText(text);
      return integer(value ? std::optional<int64_t>(*value ? 1 : 0) : std::nullopt);
    }
    case types::vxbFloat: {
      const std::optional<double> value = types::DoubleFromText(text);
      if (!value || !table.SetDouble(rec, fieldNo, *value)) return refused();
      return std::nullopt;
    }
    case types::vxbDate: {
      const std::optional<int32_t> value = types::DateFromText(text);
      if (!value || !table.SetDate(rec, fieldNo, *value)) return refused();
      return std::nullopt;
    }
    case types::vxbTime: {
      const std::optional<int64_t> value = types::TimeFromText(text);
      if (!value || !table.SetTime(rec, fieldNo, *value)) return refused();
      return std::nullopt;
    }
    case types::vxbTimeStamp: {
      const std::optional<types::TVxbTimeStamp> value = types::TimeStampFromText(text);
      if (!value || !table.SetTimeStamp(rec, fieldNo, *value)) return refused();
      return std::nullopt;
    }
    case types::vxbGuid: {
      const std::optional<types::TGuid> value = types::GuidFromText(text);
      if (!value || !table.SetGuid(rec, fieldNo, *value)) return refused();
      return std::nullopt;
    }
    default:
      return "column " + fs::u8(column.Name()) + " cannot be imported";
  }
}

// The header line's column numbers.
std::vector<int> ReadHeader(const TVxbBaseTable& table, TLineReader& reader) {
  std::string line;
  if (!reader.Next(line)) reader.Fail("the header line naming the columns is missing");
  if (line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
  std::vector<std::string_view> names;
  SplitFields(line, names);
  std::vector<int> fieldNos;
  for (const std::string_view name : names) {
    const std::u16string wanted = fs::u16(name);
    int found = 0;
    for (int fieldNo = 1; fieldNo <= table.ColumnCount() && found == 0; ++fieldNo) {
      const TVxbColumnDef* column = table.ColumnDefs().GetColumnDef(fieldNo);
      if (column && index::IsSameIndexName(column->Name(), wanted)) found = fieldNo;
    }
    if (found == 0) reader.Fail("the table has no column \"" + std::string(name) + "\"");
    for (const int earlier : fieldNos) {
      if (earlier == found) reader.Fail("column \"" + std::string(name) + "\" is named twice");
    }
    fieldNos.push_back(found);
  }
  return fieldNos;
}

// Raises the table's last error as EVxbEngine, its message after `where`.
[[noreturn]] void RaiseLastError(const TVxbBaseTable& table, const std::string& where) {
  const errors::TVxbServices& services = table.Services();
  throw errors::EVxbEngine::CreateMsg(services.LastErrorCode(), fs::u16(where) + services.LastErrorMsg());
}

// An index to build again after the rows are in.
struct TDeferredIndex {
  std::u16string Name;
  index::TVxbSortDef Definition;
};

// Takes the user indexes of an exclusively opened table off, so that the
// rows go in without index upkeep, and builds them in bulk when done (also
// when the import fails half-way, over the rows that went in).
class TDeferredIndexes {
 public:
  explicit TDeferredIndexes(TVxbBaseTable& table) : FTable(table) {
    if (!table.GetExclusive()) return;
    for (int place = table.FirstIndexNo(); place <= table.LastIndexNo(); ++place) {
      index::TVxbIndexFile* file = table.GetIndexFile(place);
      if (!file || file->GetKind() != index::tikUser) continue;
      if (!file->IsOpen && table.OpenIndex(place) < 0) continue;
      // A unique index refuses a duplicate row by row; a build would not.
      if (file->GetMustBeUnique()) continue;
      const std::u16string name = file->GetName();
      const index::TVxbSortDef definition = file->GetIndexDefinition();
      // An index that cannot be taken off (no index right) is kept up row
      // by row.
      if (table.DeleteIndex(place) < 0) {
        table.Services().ClearLastError();
        continue;
      }
      FIndexes.push_back({name, definition});
    }
  }
  ~TDeferredIndexes() noexcept {
    try {
      Restore(nullptr);
    } catch (...) {
    }
  }
  TDeferredIndexes(const TDeferredIndexes&) = delete;
  TDeferredIndexes& operator=(const TDeferredIndexes&) = delete;

  // Builds the indexes taken off; the progress of each build goes to
  // `progress`.
  void Restore(const index::TVxbBuildProgress& progress) {
    std::vector<TDeferredIndex> pending = std::move(FIndexes);
    FIndexes.clear();
    for (const TDeferredIndex& deferred : pending) {
      if (FTable.NewIndex(deferred.Name, deferred.Definition, 0, progress) < 0) Raise();
    }
  }

 private:
  [[noreturn]] void Raise() const { RaiseLastError(FTable, ""); }

  TVxbBaseTable& FTable;
  std::vector<TDeferredIndex> FIndexes;
};

}  // namespace

int64_t ImportTsv(storage::TVxbBaseTable& table, const std::string& path, const TImportProgress& progress) {
  TLineReader reader(path);
  const std::vector<int> fieldNos = ReadHeader(table, reader);
  std::vector<const TVxbColumnDef*> columns;
  for (const int fieldNo : fieldNos) columns.push_back(table.ColumnDefs().GetColumnDef(fieldNo));

  // A shared table's write lock is held for the whole import, so that other
  // sessions see the rows all at once and the lock is not asked for row by
  // row.
  TVxbTableLockGuard writeLock;
  if (!table.GetExclusive()) {
    writeLock = TVxbTableLockGuard::Write(table.Locks());
    if (!writeLock) RaiseLastError(table, "");
  }
  TDeferredIndexes deferred(table);
  std::vector<uint8_t> rec(static_cast<size_t>(table.GetRecordSize()));
  std::vector<std::string_view> fields;
  std::string line, value;
  TRowBlobs blobs;
  std::u16string wide;
  int64_t rows = 0;
  if (progress) progress(0, reader.Size());
  while (reader.Next(line)) {
    if (line.empty() && fieldNos.size() > 1) continue;
    SplitFields(line, fields);
    if (fields.size() != fieldNos.size()) {
      reader.Fail("the row has " + std::to_string(fields.size()) + " values, the header names " +
                  std::to_string(fieldNos.size()) + " columns");
    }
    if (table.InitRecord(rec.data(), true) < 0) RaiseLastError(table, "");
    blobs.StartRow();
    for (size_t i = 0; i < fields.size(); ++i) {
      if (fields[i].empty()) continue;
      if (!Unescape(fields[i], value)) reader.Fail("a backslash starts no known escape");
      fs::Utf8ToUtf16(value, wide);
      if (auto refusal = SetValue(table, *columns[i], fieldNos[i], wide, rec.data(), blobs)) {
        reader.Fail(*refusal);
      }
    }
    // Calculated columns, as an append through an accessor computes them.
    if (table.BerechneFormeln(rec.data(), storage::clpAppending | storage::clpUpdating) < 0 ||
        table.AppendRecord(rec.data(), blobs.List()) < 0) {
      RaiseLastError(table, path + ", line " + std::to_string(reader.LineNo()) + ": ");
    }
    ++rows;
    if (rows % kRowsPerFlush == 0 && table.Flush(false) < 0) RaiseLastError(table, "");
    if (progress && rows % 4096 == 0) progress(reader.Done(), reader.Size());
  }
  deferred.Restore(nullptr);
  if (table.Flush(true) < 0) RaiseLastError(table, "");
  if (progress) progress(reader.Size(), reader.Size());
  return rows;
}

}  // namespace vexilo::tools
