#include "tools/call_table.h"

#include <filesystem>
#include <optional>

#include "engine/api/calls/relation_calls.h"
#include "engine/api/calls/session_calls.h"
#include "engine/api/calls/table_calls.h"
#include "engine/types/collation.h"
#include "engine/types/column_type.h"
#include "engine/types/field_codec.h"
#include "fs/text.h"
#include "tools/json_text.h"
#include "tools/record_json.h"

namespace vexilo::tools {

namespace {

// The texts of a fixed-capacity field of an exchange record.
std::u16string FieldText(const char16_t* text, size_t capacity) {
  size_t length = 0;
  while (length < capacity && text[length] != 0) ++length;
  return std::u16string(text, length);
}

types::TVxbFieldLayout LayoutOf(const api::TVxbFieldSpec& spec, int16_t level) {
  return types::TVxbFieldLayout{static_cast<size_t>(spec.InternalPosition), static_cast<size_t>(spec.InternalSize),
                                level, (spec.Options & 0x08) != 0};
}

// The table's directory and its name in it: "dir/Eng_hun.vxbt" and
// "dir/Eng_hun" both name Eng_hun in dir.
std::pair<std::string, std::string> SplitTablePath(const std::string& path) {
  const std::filesystem::path given = std::filesystem::absolute(path);
  return {given.parent_path().string(), given.filename().string()};
}

}  // namespace

TCallTable::TCallTable(const std::string& path, uint16_t rights, const std::u16string& password) {
  try {
    Open(path, rights, password);
  } catch (...) {
    Release();
    throw;
  }
}

void TCallTable::Open(const std::string& path, uint16_t rights, const std::u16string& password) {
  const auto [directory, name] = SplitTablePath(path);
  FSession = api::VxbCreateSession(fs::u16(directory).c_str());
  if (FSession <= 0) throw ECallFailed(FSession, "cannot create a session: " + ErrorText(FSession));
  api::TVxbNetParams netParams;
  Check(api::VxbSessGetDefaultNetParams(FSession, netParams), "VxbSessGetDefaultNetParams");
  Check(api::VxbSessSetNetParams(FSession, netParams), "VxbSessSetNetParams");
  Check(api::VxbSessOpenDb(FSession, fs::u16(directory).c_str(), u"", password.c_str(), 0, 0), "VxbSessOpenDb");
  Check(api::VxbSessSetSettings(FSession, false, false, false, 20000), "VxbSessSetSettings");
  FRelation = static_cast<api::TVxbRltnHdl>(
      Check(api::VxbSessOpenTable(FSession, fs::u16(name).c_str(), password.c_str(), rights, true, false),
            "VxbSessOpenTable"));
  FTable = static_cast<api::TVxbTableHdl>(Check(api::VxbTableCreate(FRelation, u"vxbtool"), "VxbTableCreate"));
  const int16_t count = static_cast<int16_t>(Check(api::VxbTableGetNumFields(FTable), "VxbTableGetNumFields"));
  for (int16_t fieldNo = 1; fieldNo <= count; ++fieldNo) {
    api::TVxbFieldSpec spec;
    Check(api::VxbTableGetFieldSpec(FTable, fieldNo, &spec), "VxbTableGetFieldSpec");
    FColumns.push_back(spec);
  }
}

TCallTable::~TCallTable() { Release(); }

void TCallTable::Release() {
  if (FTable > 0) api::VxbTableDelete(FTable);
  FTable = 0;
  if (FSession > 0) {
    api::VxbSessCloseDb(FSession);
    api::VxbSessDelete(FSession);
  }
  FSession = 0;
}

std::string TCallTable::ErrorText(int32_t result) const {
  if (FSession > 0) {
    int16_t code = 0;
    char16_t message[256] = {};
    if (api::VxbSessGetLastError(FSession, code, message, 255) == 0 && code != 0 && message[0] != 0) {
      return fs::u8(message);
    }
  }
  char16_t text[256] = {};
  api::VxbGetErrorMsg(static_cast<int16_t>(result), text, 255);
  return fs::u8(text);
}

int32_t TCallTable::Check(int32_t result, const char* what) const {
  if (result >= 0) return result;
  throw ECallFailed(result, ErrorText(result) + " (" + what + " gave " + std::to_string(result) + ")");
}

std::string TCallTable::RecordJson() const {
  std::vector<uint8_t> record(static_cast<size_t>(Check(api::VxbTableGetRecordSize(FTable), "VxbTableGetRecordSize")));
  Check(api::VxbTableGetRecord(FTable, record.data(), static_cast<int32_t>(record.size())), "VxbTableGetRecord");
  const auto level = static_cast<int16_t>(api::VxbTableGetRltnVersion(FTable));
  std::string line = "{\"_recno\":" + std::to_string(api::VxbTableGetRecNo(FTable));
  for (const api::TVxbFieldSpec& spec : FColumns) {
    if (spec.FldType == types::vxbRelation) continue;
    TFieldJsonContext context;
    // Without the column's collation at hand, ANSI texts are read in the
    // engine's own code page.
    context.AnsiToWide = [](std::string_view bytes) { return types::TVxbCollation::Engine().AnsiToWide(bytes); };
    context.EnumName = [&spec](uint8_t value) -> std::optional<std::u16string> {
      const std::u16string names = FieldText(spec.SelectOrLink, 2001);
      size_t start = 0;
      for (uint8_t n = 0; start <= names.size(); ++n) {
        const size_t comma = std::min(names.find(u',', start), names.size());
        if (n == value) return names.substr(start, comma - start);
        start = comma + 1;
      }
      return std::nullopt;
    };
    context.Content = [&](int32_t) {
      int16_t blobType = 0;
      const int32_t size = Check(api::VxbTableInitGetBlob(FTable, spec.No, 0, &blobType), "VxbTableInitGetBlob");
      std::string bytes(static_cast<size_t>(size), '\0');
      Check(api::VxbTablePerformGetBlob(FTable, bytes.data(), size), "VxbTablePerformGetBlob");
      if (spec.FldType == types::vxbWideMemo) {
        std::u16string text(bytes.size() / 2, u'\0');
        std::memcpy(text.data(), bytes.data(), text.size() * 2);
        return JsonString(text);
      }
      if (spec.FldType == types::vxbMemo) return JsonString(types::TVxbCollation::Engine().AnsiToWide(bytes));
      return "\"" + Base64(bytes) + "\"";
    };
    line += ',';
    line += JsonString(FieldText(spec.Name, 41));
    line += ':';
    line += FieldValueJson(record.data(), LayoutOf(spec, level), spec.FldType, context);
  }
  return line + "}";
}

std::vector<uint8_t> TCallTable::KeyRecord(int16_t fieldNo, const std::u16string& text) const {
  std::vector<uint8_t> record(static_cast<size_t>(Check(api::VxbTableGetRecordSize(FTable), "VxbTableGetRecordSize")));
  if (fieldNo < 1 || fieldNo > static_cast<int16_t>(FColumns.size())) throw ECallFailed(-10, "no such column");
  const api::TVxbFieldSpec& spec = FColumns[static_cast<size_t>(fieldNo - 1)];
  const types::TVxbFieldLayout layout = LayoutOf(spec, static_cast<int16_t>(api::VxbTableGetRltnVersion(FTable)));
  bool written = false;
  switch (spec.FldType) {
    case types::vxbWideString:
      written = types::TVxbFieldCodec::WriteWideString(record.data(), layout, true, text);
      break;
    case types::vxbString:
      written = types::TVxbFieldCodec::WriteString(record.data(), layout, true,
                                                   types::TVxbCollation::Engine().WideToAnsi(text));
      break;
    case types::vxbSmallInt:
    case types::vxbInteger:
    case types::vxbBigInt: {
      long long value = 0;
      const std::string digits = fs::u8(text);
      size_t used = 0;
      try {
        value = std::stoll(digits, &used);
      } catch (const std::exception&) {
        used = 0;
      }
      if (used == 0 || used != digits.size()) throw ECallFailed(-10, "\"" + digits + "\" is not a whole number");
      written = spec.FldType == types::vxbSmallInt ? types::TVxbFieldCodec::WriteSmallInt(record.data(), layout, true, value)
                : spec.FldType == types::vxbInteger ? types::TVxbFieldCodec::WriteInteger(record.data(), layout, true, value)
                                                    : types::TVxbFieldCodec::WriteBigInt(record.data(), layout, true, value);
      break;
    }
    default:
      throw ECallFailed(-10, "column \"" + fs::u8(FieldText(spec.Name, 41)) + "\" cannot be searched by a text");
  }
  if (!written) throw ECallFailed(-10, "\"" + fs::u8(text) + "\" does not fit the column");
  return record;
}

int16_t TCallTable::FirstKeyColumn(const std::u16string& indexName) const {
  char16_t description[1024] = {};
  Check(api::VxbRltnGetIndexDesc(FRelation, indexName.c_str(), description, 1023, true, false), "VxbRltnGetIndexDesc");
  std::u16string first = FieldText(description, 1024);
  first = first.substr(0, first.find(u','));
  if (!first.empty() && first[0] == u'-') first.erase(0, 1);
  const int16_t fieldNo = api::VxbTableGetFieldNo(FTable, first.c_str());
  if (fieldNo <= 0) throw ECallFailed(-10, "index \"" + fs::u8(indexName) + "\" has no key column to search");
  return fieldNo;
}

}  // namespace vexilo::tools
