#include "engine/storage/file/table_header.h"

#include <random>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/storage/file/classic_header.h"
#include "engine/storage/file/index_name_area.h"
#include "engine/storage/file/password_field.h"
#include "engine/storage/file/table_definition_block.h"
#include "engine/storage/file/table_file_layout.h"
#include "engine/types/collation_error.h"
#include "engine/types/column_type.h"
#include "engine/types/memory.h"

namespace vexilo::storage {

using types::TvwMemory;

namespace {

[[noreturn]] void RaiseUnsupportedMethod(TVxbEncryptionMethod method) {
  throw errors::EVxbEngine(errors::vxbErrNotSupported,
                           {fs::FormatArg(u"Table encryption " + std::u16string(EncryptionMethodName(method)))});
}

void ReadLevel56Header(TVxbHeaderSource& source, TVxbTableCryptor& cryptor, TVxbTableHeader& header) {
  TVxbHeaderReader r(source, kEncryptionOffset56, source.Size());
  header.EncryptionMethod = EncryptionMethodFromCode(r.ReadUInt8());
  cryptor.SetMethod(header.EncryptionMethod);
  if (!cryptor.Init()) RaiseUnsupportedMethod(header.EncryptionMethod);
  header.RecordCount = r.ReadInt32();
  if (header.RecordCount < 0) RaiseDamagedHeader();
  r.ReadInt32();
  header.NextRecordId = r.ReadInt32();
  r.ReadInt32();
  const std::vector<uint8_t> area = r.ReadBlock(static_cast<size_t>(IndexNameAreaSize(header.Level)));
  header.IndexNames = DecodeIndexNameArea(area, header.Level, types::TVxbCollation::Engine());

  const int32_t blockLength = r.ReadInt32();
  if (blockLength < 0 || blockLength > r.Remaining()) RaiseDamagedHeader();
  std::vector<uint8_t> block = r.ReadBlock(static_cast<size_t>(blockLength));
  cryptor.DecryptBlock(block.data(), block.size());
  TVxbDefinitionBlockFields fields;
  ReadDefinitionBlock(block, header.Level, header.Definition, fields);
  if (!PasswordFieldMatches(header.Level, fields.PasswordField, cryptor.Password(),
                            HeaderCollation(header.Definition.CollationName)))
    throw errors::EVxbEngine(errors::vxbErrCredentials, fs::FormatArgs{});

  header.RecordSize = fields.RecordSize;
  header.RecordAreaStart = kBlockOffset56 + blockLength;
  header.NextRecordIdOffset = kNextRecordIdOffset56;
  const int64_t end = header.RecordAreaStart + int64_t{header.RecordCount} * header.RecordSize;
  if (end > source.Size()) RaiseDamagedHeader();
}

// Lowers the record count of a level-1-4 header to the whole records the
// file holds.
void RepairRecordCount(int64_t fileSize, TVxbTableHeader& header) {
  const int64_t room = fileSize - header.RecordAreaStart;
  const int64_t fits = room <= 0 ? 0 : room / header.RecordSize;
  if (fits < header.RecordCount) {
    header.RecordCount = static_cast<int32_t>(fits);
    header.RecordCountRepaired = true;
  }
}

// What every level shares once the header is read: links to the table
// itself get its name; the record id column's position is noted.
void CompleteDefinition(std::u16string_view fileName, TVxbTableHeader& header) {
  const std::u16string tableName = StandardTableName(fileName);
  header.RecordIdPosition = -1;
  for (const auto& column : header.Definition.ColumnDefs) {
    if (column->TypeCode() == types::vxbLink || column->TypeCode() == types::vxbRelation) {
      auto& link = static_cast<TVxbAdlColumnDef&>(*column);
      if (link.LinkedTable() == u"@") link.SetLinkedTable(tableName);
    }
    if (column->TypeCode() == types::vxbRecordId && header.RecordIdPosition < 0)
      header.RecordIdPosition = column->Position();
  }
}

}  // namespace

const types::TVxbCollation& HeaderCollation(std::u16string_view collationName) {
  try {
    const auto resolved = types::TVxbCollation::Resolve(collationName);
    if (resolved.collation) return *resolved.collation;
  } catch (const types::ECollationError&) {
  }
  return types::TVxbCollation::Engine();
}

std::u16string RandomCheckLetters() {
  thread_local std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<int> letter(0, 25);
  std::u16string letters(40, u'a');
  for (char16_t& c : letters) c = static_cast<char16_t>(u'a' + letter(generator));
  return letters;
}

void ReadTableHeader(TVxbHeaderSource& source, std::u16string_view fileName, TVxbTableCryptor& cryptor,
                     TVxbTableHeader& header) {
  uint8_t start[6] = {};
  if (source.Size() < 4) throw errors::EVxbEngine(errors::vxbErrOldTableVersion, fs::FormatArgs{});
  source.ReadAt(0, start, 4);
  if (TvwMemory::ReadUInt32(start, 0) != kHeapMagic)
    throw errors::EVxbEngine(errors::vxbErrOldTableVersion, fs::FormatArgs{});
  TVxbHeaderReader r(source, kLevelOffset, source.Size());
  header = TVxbTableHeader{};
  header.Level = r.ReadInt16();
  if (header.Level < kMinLevel || header.Level > kMaxLevel) RaiseDamagedHeader();

  if (header.Level >= 5) {
    ReadLevel56Header(source, cryptor, header);
  } else {
    ReadClassicHeader(source, cryptor, header);
    RepairRecordCount(source.Size(), header);
  }
  CompleteDefinition(fileName, header);
}

std::vector<uint8_t> BuildTableHeader(TVxbTableHeader& header, const TVxbTableCryptor& cryptor) {
  TVxbTableDefinition& definition = header.Definition;
  header.RecordSize = static_cast<uint16_t>(definition.ColumnDefs.GetRecordSize());
  header.EncryptionMethod = cryptor.Method();
  std::vector<uint8_t> bytes;
  if (header.Level <= 4) {
    bytes = WriteClassicHeader(header, cryptor);
  } else {
    TVxbDefinitionBlockFields fields;
    fields.PasswordField =
        EncodePasswordField(header.Level, cryptor.Password(), HeaderCollation(definition.CollationName));
    fields.RecordSize = header.RecordSize;
    std::vector<uint8_t> block = WriteDefinitionBlock(header.Level, definition, fields);
    const int64_t blockLength = PaddedBlockLength(kBlockOffset56, static_cast<int64_t>(block.size()));
    block.resize(static_cast<size_t>(blockLength), 0);
    cryptor.EncryptBlock(block.data(), block.size());

    TVxbHeaderWriter w;
    w.WriteUInt32(kHeapMagic);
    w.WriteInt16(header.Level);
    w.WriteUInt8(header.EncryptionMethod);
    w.WriteInt32(header.RecordCount);
    w.WriteInt32(0);
    w.WriteInt32(header.NextRecordId);
    w.WriteInt32(0);
    w.WriteBytes(EncodeIndexNameArea(header.IndexNames, header.Level, types::TVxbCollation::Engine()));
    w.WriteInt32(static_cast<int32_t>(blockLength));
    w.WriteBytes(block);
    bytes = w.TakeBytes();
    header.RecordAreaStart = kBlockOffset56 + blockLength;
    header.NextRecordIdOffset = kNextRecordIdOffset56;
  }
  header.RecordIdPosition = -1;
  if (const int recordIdNo = definition.ColumnDefs.FindFirst(types::vxbRecordId))
    header.RecordIdPosition = definition.ColumnDefs.GetColumnDef(recordIdNo)->Position();
  return bytes;
}

}  // namespace vexilo::storage
