#include "engine/storage/file/classic_header.h"

#include <optional>
#include <string>
#include <utility>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/index/index_spec.h"
#include "engine/index/sort_def.h"
#include "engine/storage/columns/column_index_view.h"
#include "engine/storage/file/index_name_area.h"
#include "engine/storage/file/name_list.h"
#include "engine/storage/file/password_field.h"
#include "engine/storage/file/table_file_layout.h"
#include "engine/types/column_type.h"
#include "engine/types/date_time_type.h"
#include "engine/types/enum_type.h"
#include "engine/types/float_type.h"
#include "engine/types/memory.h"
#include "engine/types/string_type.h"
#include "engine/types/type_errors.h"
#include "fs/format.h"

namespace vexilo::storage {

using types::TVxbDataType;
using types::TvwMemory;

namespace {

constexpr size_t kNameLength = 40;
constexpr size_t kLinkNameLength = 35;
constexpr size_t kPasswordLength = 10;
constexpr size_t kEnumNameLength = 20;
constexpr size_t kExpressionLength = 255;
constexpr size_t kCheckLength = 40;

// A column as its descriptor gives it, before its type is made.
struct TRawColumn {
  std::u16string Name;
  std::u16string LinkedTable;
  int16_t TypeCode = 0;
  int32_t StoredSize = 0;  // Size - 1
  uint16_t Detail = 0;
  uint32_t Options = 0;
  std::vector<types::TVxbEnumItem> EnumItems;
  std::optional<TVxbExpressionSource> Expression;
};

bool IsLinkType(int16_t code) { return code == types::vxbLink || code == types::vxbRelation; }

// Types that keep null inside their value and become nullable whenever the
// level lets them.
bool TakesNullableFromType(int16_t code) {
  switch (code) {
    case types::vxbDate: case types::vxbMemo: case types::vxbEnum: case types::vxbLink: case types::vxbBlob:
    case types::vxbRelation: case types::vxbTimeStamp: case types::vxbWideMemo:
      return true;
    default:
      return false;
  }
}

uint32_t OptionsFromNibble(uint32_t nibble, int16_t code, int16_t level) {
  uint32_t options = nibble & 0x0F;
  if ((nibble & 0x08) || (TakesNullableFromType(code) && types::CanBeNullable(code, level)))
    options |= kColumnNullable;
  if ((code == types::vxbRecordId || code == types::vxbLink) && (nibble & 0x08))
    options = (options & ~kColumnNullByte) | kColumnUnique;
  return options;
}

uint8_t NibbleFromOptions(uint32_t options) {
  return static_cast<uint8_t>((options & 0x07) | ((options & (kColumnNullByte | kColumnUnique)) ? 0x08 : 0));
}

bool IsNameLetter(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == 0x00C4 || c == 0x00D6 || c == 0x00DC ||
         c == 0x00E4 || c == 0x00F6 || c == 0x00FC || c == 0x00DF;
}

bool IsOldNameChar(char16_t c) {
  return IsNameLetter(c) || (c >= u'0' && c <= u'9') || c == u'-' || c == u'@' || c == u'_' || c == u'.';
}

// A name from a 46- or 54-byte descriptor: cut at the first character a
// name may not hold, trailing "_" removed.
std::u16string CleanOldName(std::u16string name) {
  size_t end = 0;
  while (end < name.size() && IsOldNameChar(name[end])) ++end;
  name.resize(end);
  while (!name.empty() && name.back() == u'_') name.pop_back();
  return name;
}

// Splits "name(linked table)" into its parts.
void SplitLinkName(std::u16string text, std::u16string& name, std::u16string& linkedTable) {
  const size_t open = text.find(u'(');
  if (open == std::u16string::npos) {
    name = text;
    linkedTable.clear();
    return;
  }
  name = text.substr(0, open);
  const size_t close = text.find(u')', open + 1);
  linkedTable = text.substr(open + 1, close == std::u16string::npos ? std::u16string::npos : close - open - 1);
}

// Names every column the way an opener expects: no empty names, no two
// equal ones.
void FixColumnNames(std::vector<TRawColumn>& columns) {
  for (size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].Name.empty())
      columns[i].Name = fs::FormatMessage(u"Column%d", {static_cast<int>(i + 2)});
  }
  auto taken = [&](const std::u16string& name, size_t except) {
    for (size_t j = 0; j < columns.size(); ++j) {
      if (j != except && SameColumnName(columns[j].Name, name)) return true;
    }
    return false;
  };
  for (size_t i = 1; i < columns.size(); ++i) {
    bool duplicate = false;
    for (size_t j = 0; j < i && !duplicate; ++j) duplicate = SameColumnName(columns[j].Name, columns[i].Name);
    if (!duplicate) continue;
    for (int k = 2;; ++k) {
      const std::u16string suffix = fs::FormatMessage(u"_%d", {k});
      std::u16string base = columns[i].Name;
      if (base.size() + suffix.size() > kNameLength) base.resize(kNameLength - suffix.size());
      std::u16string candidate = base + suffix;
      if (!taken(candidate, i)) {
        columns[i].Name = std::move(candidate);
        break;
      }
    }
  }
}

[[noreturn]] void RaiseBadCredentials() { throw errors::EVxbEngine(errors::vxbErrCredentials, fs::FormatArgs{}); }

TRawColumn ReadDescriptor(TVxbHeaderReader& r, int16_t level, const types::TVxbCollation& ansi) {
  TRawColumn column;
  std::u16string name;
  if (level <= 3) {
    r.Skip(2);
    name = ansi.AnsiToWide(r.ReadShortString(kNameLength));
    uint32_t nibble = 0;
    if (level <= 2) {
      column.StoredSize = r.ReadUInt8();
      column.Detail = r.ReadUInt8();
      const uint8_t typeByte = r.ReadUInt8();
      column.TypeCode = typeByte & 0x0F;
      nibble = typeByte >> 4;
    } else {
      column.StoredSize = r.ReadUInt16();
      column.Detail = r.ReadUInt16();
      column.TypeCode = static_cast<int8_t>(r.ReadUInt8());
      nibble = r.ReadUInt8() & 0x0F;
      r.Skip(5);
    }
    if (IsLinkType(column.TypeCode)) {
      std::u16string linkedTable;
      SplitLinkName(name, name, linkedTable);
      column.LinkedTable = std::move(linkedTable);
    }
    column.Name = CleanOldName(std::move(name));
    column.Options = OptionsFromNibble(nibble, column.TypeCode, level);
  } else {
    column.Name = ansi.AnsiToWide(r.ReadCountedAnsi());
    column.StoredSize = r.ReadUInt16();
    column.TypeCode = static_cast<int8_t>(r.ReadUInt8());
    const uint32_t options = r.ReadUInt32();
    column.Options = (options & kColumnLevel4Marker) ? options & ~kColumnLevel4Marker
                                                      : OptionsFromNibble(options & 0x0F, column.TypeCode, level);
    if (IsLinkType(column.TypeCode)) column.LinkedTable = ansi.AnsiToWide(r.ReadCountedAnsi());
    else if (column.TypeCode == types::vxbFloat || column.TypeCode == types::vxbTime ||
             column.TypeCode == types::vxbEnum)
      column.Detail = r.ReadUInt16();
  }
  if (!IsColumnTypeCode(column.TypeCode) || (level < 3 && column.TypeCode >= 16)) RaiseDamagedHeader();
  return column;
}

// The data type of a descriptor's column, once its enum names are known.
const TVxbDataType* MakeType(const TRawColumn& column, int16_t level, const std::u16string& collation) {
  const int16_t code = column.TypeCode;
  const bool nullable = (column.Options & kColumnNullable) && types::CanBeNullable(code, level);
  const bool nullByte = (column.Options & kColumnNullByte) != 0;
  switch (code) {
    case types::vxbString: case types::vxbWideString: {
      const int32_t maxLength =
          types::TVxbStringType::CalcMaxLength(code, nullable, column.StoredSize + 1, level);
      if (maxLength < 1) return nullptr;
      return TVxbDataType::GetStringType(code, nullable, maxLength, collation, level);
    }
    case types::vxbMemo: case types::vxbWideMemo:
      return TVxbDataType::GetStringType(code, nullable, 0, collation, level);
    case types::vxbFloat:
      return TVxbDataType::GetFloatType(code, nullable, column.Detail & 0x0F, level);
    case types::vxbTime: {
      int16_t precision;
      if (level <= 3) {
        precision = column.StoredSize < 3 ? 2 : 3;
      } else {
        precision = column.Detail & 0x0F;
        if (precision == 0) precision = 3;
        if (precision > 4) return nullptr;
      }
      return TVxbDataType::GetDateTimeType(code, nullable, precision, nullByte, level);
    }
    case types::vxbDate: case types::vxbTimeStamp:
      return TVxbDataType::GetDateTimeType(code, nullable, 4, nullByte, level);
    case types::vxbEnum:
      return TVxbDataType::GetEnumType(nullable, false, column.EnumItems, level);
    default:
      return TVxbDataType::GetDataType(code, nullable, level);
  }
}

std::unique_ptr<TVxbColumnDef> MakeColumn(TRawColumn& column, int16_t level, const std::u16string& collation) {
  const TVxbDataType* type = nullptr;
  try {
    type = MakeType(column, level, collation);
  } catch (const errors::EVxbEngine& e) {
    if (e.Code() == errors::vxbErrNoSuchCollation) throw;
    RaiseDamagedHeader();
  } catch (const types::EVxbTypeException&) {
    RaiseDamagedHeader();
  }
  if (!type) RaiseDamagedHeader();
  std::unique_ptr<TVxbColumnDef> def;
  switch (column.TypeCode) {
    case types::vxbRecordId:
      def = std::make_unique<TVxbRecordIdColumnDef>(column.Name, type, column.Options);
      break;
    case types::vxbLink: case types::vxbRelation:
      def = std::make_unique<TVxbAdlColumnDef>(column.Name, type, column.Options, column.LinkedTable);
      break;
    default:
      def = TVxbColumnDef::Create(column.Name, type, column.Options);
      break;
  }
  def->SetNullable(type->Nullable(), level);
  def->SetCalculation(std::move(column.Expression));
  return def;
}

void ReadIndication(TVxbHeaderReader& r, TVxbColumnDefs& columns) {
  uint8_t vector[index::TVxbSortDef::kVectorSize];
  r.ReadBytes(vector, sizeof vector);
  auto* recordId = static_cast<TVxbRecordIdColumnDef*>(columns.GetColumnDef(columns.FindFirst(types::vxbRecordId)));
  index::TVxbSortDef def;
  if (!def.SetVectorData(vector)) return;
  const TVxbColumnDefsIndexView view(columns);
  recordId->SetIndexSpec(def.SpecificationText(&view));
  recordId->SetUniqueIdInfo(def.IsUnique);
}

void WriteIndication(TVxbHeaderWriter& w, const TVxbRecordIdColumnDef& recordId, const TVxbColumnDefs& columns,
                     int16_t level) {
  uint8_t vector[index::TVxbSortDef::kVectorSize] = {};
  if (!recordId.IndexSpec().empty()) {
    const TVxbColumnDefsIndexView view(columns);
    std::optional<errors::EVxbEngine> failure;
    index::TVxbSortDef def;
    const int16_t result = index::ParseIndexSpecification(
        recordId.IndexSpec(), recordId.Name(), level, view, def,
        [&](int16_t code, fs::FormatArgs args) { failure.emplace(code, args); });
    if (result < 0) {
      if (failure) throw *failure;
      throw errors::EVxbEngine(static_cast<int16_t>(-result), recordId.IndexSpec());
    }
    def.IsUnique = recordId.GetUniqueIdInfo();
    def.GetVectorData(vector);
  }
  w.WriteBytes(vector);
}

}  // namespace

void ReadClassicHeader(TVxbHeaderSource& source, TVxbTableCryptor& cryptor, TVxbTableHeader& header) {
  const int16_t level = header.Level;
  TVxbTableDefinition& definition = header.Definition;
  TVxbHeaderReader r(source, kLevelOffset + 2, source.Size());
  definition.CollationName.clear();
  if (level >= 3) definition.CollationName = types::TVxbCollation::Engine().AnsiToWide(r.ReadShortString(3));
  const types::TVxbCollation& ansi = HeaderCollation(definition.CollationName);

  header.RecordCount = r.ReadInt32();
  if (header.RecordCount < 0) RaiseDamagedHeader();
  header.RecordSize = r.ReadUInt16();
  if (header.RecordSize == 0 || header.RecordSize > kMaxRecordSize) RaiseDamagedHeader();
  const int columnCount = r.ReadUInt16() & 0x7FFF;
  if (columnCount == 0 || columnCount > kMaxColumns) RaiseDamagedHeader();
  definition.Capacity = level == 4 ? r.ReadInt32() : kDefaultCapacity;
  if (definition.Capacity < 1) RaiseDamagedHeader();

  const std::vector<uint8_t> area = r.ReadBlock(static_cast<size_t>(IndexNameAreaSize(level)));
  header.IndexNames = DecodeIndexNameArea(area, level, ansi);

  std::vector<TRawColumn> columns;
  for (int i = 0; i < columnCount; ++i) columns.push_back(ReadDescriptor(r, level, ansi));

  // 1, 2: the password field decides the cipher; level 4 proves it.
  const TVxbClassicPassword password = DecodeClassicPasswordField(r.ReadShortString(kPasswordLength));
  cryptor.SetMethod(password.Method);
  header.EncryptionMethod = password.Method;
  if (!cryptor.Init())
    throw errors::EVxbEngine(errors::vxbErrNotSupported,
                             {fs::FormatArg(u"Table encryption " + std::u16string(EncryptionMethodName(password.Method)))});
  if (level == 4) {
    if (r.ReadUInt16() != kCheckLength) RaiseBadCredentials();
    uint8_t check[2 * kCheckLength];
    r.ReadBytes(check, sizeof check);
    cryptor.DecryptBlock(check, sizeof check);
    if (TvwMemory::ReadUInt16(check, 2 * 7) != header.RecordSize ||
        TvwMemory::ReadUInt16(check, 2 * 31) != static_cast<uint16_t>(columnCount))
      RaiseBadCredentials();
  }

  // 3: enum value names.
  for (auto& column : columns) {
    if (column.TypeCode != types::vxbEnum) continue;
    const int count = column.Detail & 0x0F;
    for (int v = 0; v < count; ++v)
      column.EnumItems.push_back({ansi.AnsiToWide(r.ReadShortString(kEnumNameLength)), v + 1});
  }

  // 4: expressions, all in the procedural syntax.
  if (level <= 3) {
    for (auto& column : columns) {
      if (!(column.Options & kColumnCalculated)) continue;
      std::u16string text = ansi.AnsiToWide(r.ReadShortString(kExpressionLength));
      if (!text.empty()) column.Expression = TVxbExpressionSource{std::move(text), true};
    }
  } else {
    const uint16_t count = r.ReadUInt16();
    for (uint16_t e = 0; e < count; ++e) {
      const uint16_t columnNo = r.ReadUInt16();
      if (columnNo < 1 || columnNo > columns.size()) RaiseDamagedHeader();
      std::u16string text = r.ReadCountedWide();
      if (!text.empty()) columns[columnNo - 1].Expression = TVxbExpressionSource{std::move(text), true};
    }
  }

  // 5: value ranges.
  definition.RangeBounds.clear();
  for (size_t i = 0; i < columns.size(); ++i) {
    if (!(columns[i].Options & kColumnValueRange)) continue;
    TRangeBounds bounds;
    bounds.B_Nr = static_cast<int32_t>(i + 1);
    bounds.B_von = r.ReadDouble();
    bounds.B_bis = r.ReadDouble();
    definition.RangeBounds.push_back(bounds);
  }

  // 6-8: keys, checks and foreign keys of level 4.
  definition.KeyDefs.clear();
  definition.CheckDefs.clear();
  definition.ForeignKeyDefs.clear();
  definition.Types.clear();
  if (level == 4) {
    const uint16_t keyCount = r.ReadUInt16();
    for (uint16_t k = 0; k < keyCount; ++k) {
      TVxbCandidateKeyDef key;
      key.Primary = r.ReadUInt8() == 1;
      key.Name = ansi.AnsiToWide(r.ReadCountedAnsi());
      key.ColumnNames = SplitBracedNameList(ansi.AnsiToWide(r.ReadCountedAnsi()));
      definition.KeyDefs.push_back(std::move(key));
    }
    const uint16_t checkCount = r.ReadUInt16();
    for (uint16_t c = 0; c < checkCount; ++c) {
      TVxbCheckDef check;
      check.Name = ansi.AnsiToWide(r.ReadCountedAnsi());
      check.Condition = TVxbExpressionSource{r.ReadCountedWide(), true};
      definition.CheckDefs.push_back(std::move(check));
    }
    const uint16_t foreignCount = r.ReadUInt16();
    for (uint16_t f = 0; f < foreignCount; ++f) {
      TVxbForeignKeyDef key;
      key.Name = ansi.AnsiToWide(r.ReadCountedAnsi());
      key.ParentTable = ansi.AnsiToWide(r.ReadCountedAnsi());
      key.ParentColumnNames = SplitNameList(r.ReadCountedWide());
      key.ColumnNames = SplitNameList(r.ReadCountedWide());
      const uint8_t update = r.ReadUInt8();
      r.ReadUInt8();
      const uint8_t remove = r.ReadUInt8();
      if (update > tiaCascade || remove > tiaCascade) RaiseDamagedHeader();
      key.UpdateAction = static_cast<TVxbForeignKeyAction>(update);
      key.DeleteAction = static_cast<TVxbForeignKeyAction>(remove);
      definition.ForeignKeyDefs.push_back(std::move(key));
    }
  }

  // The columns themselves.
  FixColumnNames(columns);
  definition.ColumnDefs.Clear();
  for (auto& column : columns) definition.ColumnDefs.Add(MakeColumn(column, level, definition.CollationName));
  if (definition.ColumnDefs.GetRecordSize() != header.RecordSize) RaiseDamagedHeader();

  // 9: the record id column's indication and the next record id.
  header.NextRecordIdOffset = 0;
  header.NextRecordId = 0;
  if (definition.ColumnDefs.FindFirst(types::vxbRecordId)) {
    ReadIndication(r, definition.ColumnDefs);
    header.NextRecordIdOffset = r.Position();
    header.NextRecordId = r.ReadInt32();
  }
  header.RecordAreaStart = r.Position();
}

std::vector<uint8_t> WriteClassicHeader(TVxbTableHeader& header, const TVxbTableCryptor& cryptor) {
  const int16_t level = header.Level;
  const TVxbTableDefinition& definition = header.Definition;
  const TVxbColumnDefs& columns = definition.ColumnDefs;
  const types::TVxbCollation& ansi = HeaderCollation(definition.CollationName);
  TVxbHeaderWriter w;

  w.WriteUInt32(kHeapMagic);
  w.WriteInt16(level);
  if (level >= 3) w.WriteShortString(ansi.WideToAnsi(definition.CollationName), 3);
  w.WriteInt32(header.RecordCount);
  w.WriteUInt16(header.RecordSize);
  w.WriteUInt16(static_cast<uint16_t>(columns.Count()));
  if (level == 4) w.WriteInt32(definition.Capacity);
  w.WriteBytes(EncodeIndexNameArea(header.IndexNames, level, ansi));

  for (const auto& column : columns) {
    const int16_t code = column->TypeCode();
    const uint16_t storedSize = code == types::vxbRelation ? 0 : static_cast<uint16_t>(column->Size() - 1);
    const auto* link = IsLinkType(code) ? static_cast<const TVxbAdlColumnDef*>(column.get()) : nullptr;
    const std::string name = ansi.WideToAnsi(column->Name());
    uint16_t detail = 0;
    if (code == types::vxbFloat) detail = static_cast<uint16_t>(static_cast<const TVxbNumberColumnDef&>(*column).Scale());
    else if (code == types::vxbTime) detail = static_cast<uint16_t>(static_cast<const TVxbTimeColumnDef&>(*column).Precision());
    else if (code == types::vxbEnum)
      detail = static_cast<uint16_t>(static_cast<const TVxbEnumColumnDef&>(*column).ValueNames().size());

    if (level == 4) {
      w.WriteCountedAnsi(name);
      w.WriteUInt16(storedSize);
      w.WriteUInt8(static_cast<uint8_t>(code));
      w.WriteUInt32(column->Options() | kColumnLevel4Marker);
      if (link) w.WriteCountedAnsi(ansi.WideToAnsi(link->LinkedTable()));
      else if (code == types::vxbFloat || code == types::vxbTime || code == types::vxbEnum) w.WriteUInt16(detail);
      continue;
    }
    if (code == types::vxbFloat) detail |= 0xF0;
    else if (code == types::vxbTime) detail = 5;
    const uint8_t nibble = NibbleFromOptions(column->Options());
    w.WriteZeros(2);
    if (link) {
      const std::string linkName = name + "(" + ansi.WideToAnsi(link->LinkedTable()) + ")";
      if (level <= 2) {
        w.WriteShortString(linkName, kLinkNameLength);
        w.WriteZeros(kNameLength - kLinkNameLength);
      } else {
        w.WriteShortString(linkName, kNameLength);
      }
      detail = 0;
    } else {
      w.WriteShortString(name, kNameLength);
    }
    if (level <= 2) {
      w.WriteUInt8(static_cast<uint8_t>(storedSize));
      w.WriteUInt8(static_cast<uint8_t>(detail));
      w.WriteUInt8(static_cast<uint8_t>(nibble << 4 | (code & 0x0F)));
    } else {
      w.WriteUInt16(storedSize);
      w.WriteUInt16(detail);
      w.WriteUInt8(static_cast<uint8_t>(code));
      w.WriteUInt8(nibble);
      w.WriteZeros(5);
    }
  }

  w.WriteShortString(EncodeClassicPasswordField(level, cryptor.Method(), cryptor.Password(), ansi), kPasswordLength);
  if (level == 4) {
    std::u16string check = RandomCheckLetters();
    check[7] = static_cast<char16_t>(header.RecordSize);
    check[31] = static_cast<char16_t>(columns.Count());
    uint8_t bytes[2 * kCheckLength];
    for (size_t i = 0; i < kCheckLength; ++i) TvwMemory::WriteUInt16(bytes, 2 * i, check[i]);
    cryptor.EncryptBlock(bytes, sizeof bytes);
    w.WriteUInt16(kCheckLength);
    w.WriteBytes(bytes);
  }

  for (const auto& column : columns) {
    if (column->TypeCode() != types::vxbEnum) continue;
    for (const auto& value : static_cast<const TVxbEnumColumnDef&>(*column).ValueNames())
      w.WriteShortString(ansi.WideToAnsi(value), kEnumNameLength);
  }

  if (level <= 3) {
    for (const auto& column : columns) {
      if (!(column->Options() & kColumnCalculated)) continue;
      const auto& expression = column->Calculation();
      w.WriteShortString(expression ? ansi.WideToAnsi(expression->Text) : std::string(), kExpressionLength);
    }
  } else {
    uint16_t count = 0;
    for (const auto& column : columns) count += column->Calculation() ? 1 : 0;
    w.WriteUInt16(count);
    for (int i = 1; i <= columns.Count(); ++i) {
      const auto& expression = columns.GetColumnDef(i)->Calculation();
      if (!expression) continue;
      w.WriteUInt16(static_cast<uint16_t>(i));
      w.WriteCountedWide(expression->Text);
    }
  }

  for (int i = 1; i <= columns.Count(); ++i) {
    if (!(columns.GetColumnDef(i)->Options() & kColumnValueRange)) continue;
    TRangeBounds bounds;
    for (const auto& b : definition.RangeBounds) {
      if (b.B_Nr == i) bounds = b;
    }
    w.WriteDouble(bounds.B_von);
    w.WriteDouble(bounds.B_bis);
  }

  if (level == 4) {
    w.WriteUInt16(static_cast<uint16_t>(definition.KeyDefs.size()));
    for (const auto& key : definition.KeyDefs) {
      w.WriteUInt8(key.Primary ? 1 : 0);
      w.WriteCountedAnsi(ansi.WideToAnsi(key.Name));
      w.WriteCountedAnsi(ansi.WideToAnsi(JoinBracedNameList(key.ColumnNames)));
    }
    w.WriteUInt16(static_cast<uint16_t>(definition.CheckDefs.size()));
    for (const auto& check : definition.CheckDefs) {
      w.WriteCountedAnsi(ansi.WideToAnsi(check.Name));
      w.WriteCountedWide(check.Condition.Text);
    }
    w.WriteUInt16(static_cast<uint16_t>(definition.ForeignKeyDefs.size()));
    for (const auto& key : definition.ForeignKeyDefs) {
      w.WriteCountedAnsi(ansi.WideToAnsi(key.Name));
      w.WriteCountedAnsi(ansi.WideToAnsi(key.ParentTable));
      w.WriteCountedWide(JoinNameList(key.ParentColumnNames));
      w.WriteCountedWide(JoinNameList(key.ColumnNames));
      w.WriteUInt8(key.UpdateAction);
      w.WriteUInt8(key.UpdateAction);
      w.WriteUInt8(key.DeleteAction);
    }
  }

  header.NextRecordIdOffset = 0;
  if (const int recordIdNo = columns.FindFirst(types::vxbRecordId)) {
    WriteIndication(w, static_cast<const TVxbRecordIdColumnDef&>(*columns.GetColumnDef(recordIdNo)), columns, level);
    header.NextRecordIdOffset = static_cast<int64_t>(w.Size());
    w.WriteInt32(header.NextRecordId);
  }
  header.RecordAreaStart = static_cast<int64_t>(w.Size());
  return w.TakeBytes();
}

}  // namespace vexilo::storage
