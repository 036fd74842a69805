#include "engine/storage/file/table_definition_block.h"

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/storage/file/header_stream.h"
#include "engine/storage/file/name_list.h"
#include "engine/storage/file/table_file_layout.h"
#include "engine/storage/file/table_header.h"
#include "engine/types/column_type.h"

namespace vexilo::storage {

namespace {

constexpr size_t kCheckLength = 40;
constexpr size_t kPasswordFieldLength = 40;

// The check string's letters at 7, 24 and 37.
bool IsValidCheckString(const std::u16string& check) {
  return check.size() == kCheckLength && check[7] == u'v' && check[24] == u'x' && check[37] == u'b';
}

[[noreturn]] void RaiseBadCredentials() { throw errors::EVxbEngine(errors::vxbErrCredentials, fs::FormatArgs{}); }

// The check string, read on its own so that garbage never gets further
// than this.
void ReadCheckString(std::span<const uint8_t> block) {
  if (block.size() < 2) RaiseBadCredentials();
  TVxbHeaderReader r(block);
  const uint16_t count = r.ReadUInt16();
  if (count != kCheckLength || r.Remaining() < 2 * int64_t{kCheckLength}) RaiseBadCredentials();
  r.Seek(0);
  if (!IsValidCheckString(r.ReadCountedWide())) RaiseBadCredentials();
}

TVxbForeignKeyAction ReadAction(TVxbHeaderReader& r) {
  const uint8_t action = r.ReadUInt8();
  if (action > tiaCascade) RaiseDamagedHeader();
  return static_cast<TVxbForeignKeyAction>(action);
}

}  // namespace

void ReadDefinitionBlock(std::span<const uint8_t> block, int16_t level, TVxbTableDefinition& definition,
                         TVxbDefinitionBlockFields& fields) {
  ReadCheckString(block);
  TVxbHeaderReader r(block);
  r.ReadCountedWide();
  fields.PasswordField = r.ReadFixedWide(kPasswordFieldLength);
  definition.CollationName = r.ReadCountedWide();
  definition.Capacity = r.ReadInt32();
  if (definition.Capacity < 1) RaiseDamagedHeader();
  r.ReadInt32();
  fields.RecordSize = r.ReadUInt16();
  if (fields.RecordSize == 0 || fields.RecordSize > kMaxRecordSize) RaiseDamagedHeader();
  r.ReadUInt16();
  const std::u16string indication = r.ReadCountedWide();
  const bool uniqueIndication = !indication.empty() && r.ReadUInt8() == 1;

  definition.Types.clear();
  if (level >= 6) {
    const uint16_t count = r.ReadUInt16();
    for (uint16_t i = 0; i < count; ++i) {
      TVxbTypeDef type;
      type.Name = r.ReadCountedWide();
      type.TypeCode = r.ReadUInt16();
      type.SuperTypeCode = r.ReadUInt16();
      definition.Types.push_back(std::move(type));
    }
  }

  const uint16_t columnCount = r.ReadUInt16();
  if (columnCount == 0 || columnCount > kMaxColumns) RaiseDamagedHeader();
  const TVxbColumnLoadContext context{level, definition.CollationName};
  definition.ColumnDefs.Clear();
  for (uint16_t i = 0; i < columnCount; ++i) {
    auto column = TVxbColumnDef::CreateForType(static_cast<int8_t>(r.ReadUInt8()));
    if (!column) RaiseDamagedHeader();
    column->LoadFromStream(r, context);
    definition.ColumnDefs.Add(std::move(column));
    if (definition.ColumnDefs.GetRecordSize() > kMaxRecordSize) RaiseDamagedHeader();
  }
  if (definition.ColumnDefs.GetRecordSize() != fields.RecordSize) RaiseDamagedHeader();

  const int recordIdNo = definition.ColumnDefs.FindFirst(types::vxbRecordId);
  if (!indication.empty() && recordIdNo == 0) RaiseDamagedHeader();
  if (recordIdNo != 0) {
    auto* recordId = static_cast<TVxbRecordIdColumnDef*>(definition.ColumnDefs.GetColumnDef(recordIdNo));
    recordId->SetIndexSpec(indication);
    recordId->SetUniqueIdInfo(uniqueIndication);
  }

  definition.KeyDefs.clear();
  const int16_t keyCount = r.ReadInt16();
  if (keyCount < 0) RaiseDamagedHeader();
  for (int16_t i = 0; i < keyCount; ++i) {
    TVxbCandidateKeyDef key;
    key.Primary = r.ReadUInt8() == 1;
    key.Name = r.ReadCountedWide();
    key.ColumnNames = SplitNameList(r.ReadCountedWide());
    definition.KeyDefs.push_back(std::move(key));
  }

  definition.CheckDefs.clear();
  const uint16_t checkCount = r.ReadUInt16();
  for (uint16_t i = 0; i < checkCount; ++i) {
    TVxbCheckDef check;
    check.Name = r.ReadCountedWide();
    check.Condition = TVxbExpressionSource::FromStoredForm(r.ReadCountedWide());
    r.ReadCountedWide();
    definition.CheckDefs.push_back(std::move(check));
  }

  definition.ForeignKeyDefs.clear();
  const int16_t foreignCount = r.ReadInt16();
  if (foreignCount < 0) RaiseDamagedHeader();
  for (int16_t i = 0; i < foreignCount; ++i) {
    TVxbForeignKeyDef key;
    key.Name = r.ReadCountedWide();
    key.ColumnNames = SplitNameList(r.ReadCountedWide());
    key.ParentTable = r.ReadCountedWide();
    key.ParentColumnNames = SplitNameList(r.ReadCountedWide());
    key.UpdateAction = ReadAction(r);
    key.DeleteAction = ReadAction(r);
    definition.ForeignKeyDefs.push_back(std::move(key));
  }
  definition.RangeBounds.clear();
}

std::vector<uint8_t> WriteDefinitionBlock(int16_t level, const TVxbTableDefinition& definition,
                                          const TVxbDefinitionBlockFields& fields) {
  TVxbHeaderWriter w;
  std::u16string check = RandomCheckLetters();
  check[7] = u'v';
  check[24] = u'x';
  check[37] = u'b';
  w.WriteCountedWide(check);
  w.WriteFixedWide(fields.PasswordField, kPasswordFieldLength);
  w.WriteCountedWide(definition.CollationName);
  w.WriteInt32(definition.Capacity);
  w.WriteInt32(0);
  w.WriteUInt16(fields.RecordSize);
  w.WriteUInt16(0);

  const int recordIdNo = definition.ColumnDefs.FindFirst(types::vxbRecordId);
  const auto* recordId =
      recordIdNo ? static_cast<const TVxbRecordIdColumnDef*>(definition.ColumnDefs.GetColumnDef(recordIdNo)) : nullptr;
  w.WriteCountedWide(recordId ? recordId->IndexSpec() : std::u16string());
  if (recordId && !recordId->IndexSpec().empty()) w.WriteUInt8(recordId->GetUniqueIdInfo() ? 1 : 0);

  if (level >= 6) {
    w.WriteUInt16(static_cast<uint16_t>(definition.Types.size()));
    for (const auto& type : definition.Types) {
      w.WriteCountedWide(type.Name);
      w.WriteUInt16(type.TypeCode);
      w.WriteUInt16(type.SuperTypeCode);
    }
  }

  w.WriteUInt16(static_cast<uint16_t>(definition.ColumnDefs.Count()));
  for (const auto& column : definition.ColumnDefs) column->SaveToStream(w);

  w.WriteInt16(static_cast<int16_t>(definition.KeyDefs.size()));
  for (const auto& key : definition.KeyDefs) {
    w.WriteUInt8(key.Primary ? 1 : 0);
    w.WriteCountedWide(key.Name);
    w.WriteCountedWide(JoinNameList(key.ColumnNames));
  }

  w.WriteUInt16(static_cast<uint16_t>(definition.CheckDefs.size()));
  for (const auto& check_def : definition.CheckDefs) {
    w.WriteCountedWide(check_def.Name);
    w.WriteCountedWide(check_def.Condition.StoredForm());
    w.WriteCountedWide(u"");
  }

  w.WriteInt16(static_cast<int16_t>(definition.ForeignKeyDefs.size()));
  for (const auto& key : definition.ForeignKeyDefs) {
    w.WriteCountedWide(key.Name);
    w.WriteCountedWide(JoinNameList(key.ColumnNames));
    w.WriteCountedWide(key.ParentTable);
    w.WriteCountedWide(JoinNameList(key.ParentColumnNames));
    w.WriteUInt8(key.UpdateAction);
    w.WriteUInt8(key.DeleteAction);
  }
  return w.TakeBytes();
}

}  // namespace vexilo::storage
