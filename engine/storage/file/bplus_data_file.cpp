#include "engine/storage/file/bplus_data_file.h"

#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/index/pages/page_manager_errors.h"
#include "engine/storage/file/header_stream.h"
#include "engine/storage/file/index_name_area.h"
#include "engine/storage/file/new_table_checks.h"
#include "engine/storage/file/password_field.h"
#include "engine/storage/file/table_definition_block.h"
#include "engine/storage/file/table_file_layout.h"
#include "engine/types/column_type.h"
#include "engine/types/memory.h"
#include "fs/fs_errors.h"

namespace vexilo::storage {

using types::TvwMemory;

namespace {

constexpr int16_t kBPlusLevel = 6;
// Fixed fields of page 0 before the tree header.
constexpr int32_t kNextRecordIdField = 6;
// The tree header's page-size field.
constexpr int32_t kTreePageSizeField = TVxbBPlusDataFile::kTreeHeaderOffset + 14;
constexpr int64_t kIndexNamesOffset = TVxbBPlusDataFile::kTreeHeaderOffset + index::TVxbBPlusTree::kHeaderSize;
constexpr int32_t kIndexNamesSize = 4502;
constexpr int64_t kBlockLengthOffset = kIndexNamesOffset + kIndexNamesSize;
constexpr int64_t kBlockOffset = kBlockLengthOffset + 4;

constexpr char16_t kNeedsRecordId[] = u"First column must be a record id";

// Whether `columns` start with a RecordId column at the start of the record.
bool StartsWithRecordId(const TVxbColumnDefs& columns) {
  const TVxbColumnDef* first = columns.GetColumnDef(1);
  return first && first->TypeCode() == types::vxbRecordId && first->Position() == 0 && first->Size() == 4;
}

// Links to "@" name the table itself.
void NameSelfLinks(const std::u16string& fileName, TVxbTableDefinition& definition) {
  const std::u16string tableName = StandardTableName(fileName);
  for (const auto& column : definition.ColumnDefs) {
    if (column->TypeCode() != types::vxbLink && column->TypeCode() != types::vxbRelation) continue;
    auto& link = static_cast<TVxbAdlColumnDef&>(*column);
    if (link.LinkedTable() == u"@") link.SetLinkedTable(tableName);
  }
}

}  // namespace

int32_t TVxbBPlusDataFile::MaxRecordSize() { return index::TVxbBPlusTree::MaxEntrySize(kTablePageSize); }

TVxbBPlusDataFile::TVxbBPlusDataFile(errors::TVxbServices& services, std::unique_ptr<index::TVxbClientStorage> storage)
    : TVxbDataFile(services, std::move(storage)) {}

TVxbBPlusDataFile::~TVxbBPlusDataFile() {
  if (FTree) FTree->Close();
}

int64_t TVxbBPlusDataFile::GetStorageSize() const { return IsOpen() ? FTree->GetSize() : 0; }

int32_t TVxbBPlusDataFile::GetRecordCount() const {
  return IsOpen() ? static_cast<int32_t>(FTree->GetItemCount()) : 0;
}

int64_t TVxbBPlusDataFile::IndexNamesOffset() const { return kIndexNamesOffset; }

int32_t TVxbBPlusDataFile::IndexNamesSize() const { return kIndexNamesSize; }

int TVxbBPlusDataFile::CompareIds(int32_t a, const uint8_t*, size_t, int32_t b, const uint8_t*, size_t,
                                  bool* keysEqual) {
  if (keysEqual) *keysEqual = a == b;
  return a < b ? -1 : a > b ? 1 : 0;
}

int32_t TVxbBPlusDataFile::FirstTreePage(int64_t blockLength) {
  return static_cast<int32_t>((kBlockOffset + blockLength + kTablePageSize - 1) / kTablePageSize);
}

template <class Operation>
int32_t TVxbBPlusDataFile::Guarded(bool writing, Operation&& operation) {
  const int16_t ioError = writing ? errors::vxbErrWriteFile : errors::vxbErrReadFile;
  if (!IsOpen()) return Fail(ioError);
  try {
    return operation();
  } catch (const index::EVxbTree&) {
    return FServices.SetLastError(errors::vxbErrTableHeader, fs::FormatArgs{});
  } catch (const index::EVxbPageManager&) {
    return Fail(ioError);
  } catch (const fs::EvwFileSystemError&) {
    return Fail(ioError);
  } catch (const errors::EVxbEngine& e) {
    return FServices.SetLastError(e);
  }
}

// --- opening and creating ---

void TVxbBPlusDataFile::ReadHeader(TVxbTableCryptor& cryptor, TVxbTableDefinition& definition, int64_t& blockLength) {
  auto source = HeaderSource();
  TVxbHeaderReader r(*source, 0, source->Size());
  if (r.ReadInt32() != kBPlusMagic) RaiseDamagedHeader();
  TVxbTableHeader header;
  header.Level = r.ReadInt16();
  if (header.Level != kBPlusLevel) RaiseDamagedHeader();
  header.NextRecordId = r.ReadInt32();
  header.EncryptionMethod = EncryptionMethodFromCode(r.ReadUInt8());
  cryptor.SetMethod(header.EncryptionMethod);
  if (!cryptor.Init()) {
    throw errors::EVxbEngine(errors::vxbErrNotSupported,
                             {fs::FormatArg(u"Table encryption " +
                                            std::u16string(EncryptionMethodName(header.EncryptionMethod)))});
  }
  r.Seek(kTreePageSizeField);
  if (r.ReadInt32() != kTablePageSize) RaiseDamagedHeader();

  r.Seek(kIndexNamesOffset);
  const std::vector<uint8_t> area = r.ReadBlock(kIndexNamesSize);
  header.IndexNames = DecodeIndexNameArea(area, header.Level, types::TVxbCollation::Engine());
  blockLength = r.ReadInt32();
  if (blockLength < 0 || blockLength > r.Remaining()) RaiseDamagedHeader();
  std::vector<uint8_t> block = r.ReadBlock(static_cast<size_t>(blockLength));
  cryptor.DecryptBlock(block.data(), block.size());
  TVxbDefinitionBlockFields fields;
  ReadDefinitionBlock(block, header.Level, header.Definition, fields);
  if (!PasswordFieldMatches(header.Level, fields.PasswordField, cryptor.Password(),
                            HeaderCollation(header.Definition.CollationName)))
    throw errors::EVxbEngine(errors::vxbErrCredentials, fs::FormatArgs{});
  if (!StartsWithRecordId(header.Definition.ColumnDefs) || fields.RecordSize > MaxRecordSize())
    RaiseDamagedHeader();

  header.RecordSize = fields.RecordSize;
  header.NextRecordIdOffset = kNextRecordIdField;
  header.RecordIdPosition = 0;
  NameSelfLinks(FileName(), header.Definition);
  TakeHeader(header, cryptor);
  FFirstColumnName = header.Definition.ColumnDefs.GetColumnDef(1)->Name();
  definition = std::move(header.Definition);
}

int16_t TVxbBPlusDataFile::Open(bool readOnly, bool exclusive, TVxbTableCryptor& cryptor,
                                TVxbTableDefinition& definition) {
  try {
    OpenStorage(readOnly, exclusive);
    TVxbTableDefinition read;
    int64_t blockLength = 0;
    ReadHeader(cryptor, read, blockLength);
    FTree = std::make_unique<index::TVxbBPlusTree>(*FStorage, kTreeHeaderOffset, FirstTreePage(blockLength));
    try {
      FTree->Open(CompareIds);
    } catch (const index::EVxbTree&) {
      RaiseDamagedHeader();
    }
    FItem = std::make_unique<types::TVxbLongIndexInfo>();
    definition = std::move(read);
  } catch (...) {
    Close();
    throw;
  }
  return 0;
}

int16_t TVxbBPlusDataFile::NewFile(int16_t level, TVxbTableCryptor& cryptor, TVxbTableDefinition& definition) {
  const std::u16string name = FStorage->GetName();
  const TVxbColumnDef* first = definition.ColumnDefs.GetColumnDef(1);
  if (!first || first->TypeCode() != types::vxbRecordId)
    return FServices.SetLastError(errors::vxbErrLevelFeature, {fs::FormatArg(name), fs::FormatArg(kNeedsRecordId)});
  level = NewTableLevel(level);
  if (level != kBPlusLevel)
    return FServices.SetLastError(errors::vxbErrLevelFeature,
                                  {fs::FormatArg(name), fs::FormatArg(u"B+ tree table file")});
  definition.ColumnDefs.SetTableLevel(level);
  if (const int16_t result = CheckNewTable(FServices, name, level, cryptor, definition); result < 0) return result;
  if (!StartsWithRecordId(definition.ColumnDefs))
    return FServices.SetLastError(errors::vxbErrLevelFeature, {fs::FormatArg(name), fs::FormatArg(kNeedsRecordId)});
  const int32_t recordSize = definition.ColumnDefs.GetRecordSize();
  if (recordSize > MaxRecordSize())
    return FServices.SetLastError(errors::vxbErrLevelFeature,
                                  {fs::FormatArg(name), fs::FormatArg(u"Record size of a B+ tree table file")});
  if (FStorage->IsOpen()) Close();
  if (FileSystem().FileExists(name)) return Fail(errors::vxbErrAlreadyExists);

  const auto* recordId = static_cast<const TVxbRecordIdColumnDef*>(first);
  TVxbTableHeader header;
  header.Level = level;
  header.EncryptionMethod = cryptor.Method();
  header.NextRecordId = recordId->StartValue();
  header.RecordSize = static_cast<uint16_t>(recordSize);
  header.NextRecordIdOffset = kNextRecordIdField;
  header.RecordIdPosition = 0;
  header.Definition.CollationName = definition.CollationName;

  // Fixed fields, then everything from the index-name area on.
  TVxbHeaderWriter fixed;
  fixed.WriteInt32(kBPlusMagic);
  fixed.WriteInt16(level);
  fixed.WriteInt32(header.NextRecordId);
  fixed.WriteUInt8(header.EncryptionMethod);
  TVxbDefinitionBlockFields fields;
  fields.PasswordField = EncodePasswordField(level, cryptor.Password(), HeaderCollation(definition.CollationName));
  fields.RecordSize = header.RecordSize;
  std::vector<uint8_t> block = WriteDefinitionBlock(level, definition, fields);
  const int64_t blockLength = PaddedBlockLength(kBlockOffset, static_cast<int64_t>(block.size()));
  block.resize(static_cast<size_t>(blockLength), 0);
  cryptor.EncryptBlock(block.data(), block.size());
  TVxbHeaderWriter rest;
  rest.WriteBytes(EncodeIndexNameArea({}, level, types::TVxbCollation::Engine()));
  rest.WriteInt32(static_cast<int32_t>(blockLength));
  rest.WriteBytes(block);

  int16_t result = 0;
  try {
    FStorage->SetPageSize(kTablePageSize);
    FStorage->NewStorage();
    FPage = FStorage->CreatePageSite();
    FTree = std::make_unique<index::TVxbBPlusTree>(*FStorage, kTreeHeaderOffset, FirstTreePage(blockLength));
    FTree->New(kTablePageSize, recordSize, CompareIds);
    TakeHeader(header, cryptor);
    FFirstColumnName = first->Name();
    FItem = std::make_unique<types::TVxbLongIndexInfo>();
    result = WriteBytes(0, fixed.Bytes().data(), static_cast<int32_t>(fixed.Size()));
    if (result == 0) result = WriteBytes(kIndexNamesOffset, rest.Bytes().data(), static_cast<int32_t>(rest.Size()));
  } catch (const index::EVxbPageManager&) {
    result = Fail(errors::vxbErrWriteFile);
  } catch (const index::EVxbTree&) {
    result = Fail(errors::vxbErrWriteFile);
  } catch (const errors::EVxbEngine& e) {
    result = FServices.SetLastError(e);
  }
  if (result < 0) {
    try {
      if (FTree) FTree->Undo();
      else if (FStorage->IsOpen()) FStorage->Undo();
    } catch (const index::EVxbPageManager&) {
    }
    Close();
    FileSystem().DeleteFile(name);
  }
  return result;
}

int16_t TVxbBPlusDataFile::Close() {
  if (FTree) FTree->Close();
  FTree.reset();
  FItem.reset();
  FLevel = -1;
  FRecordSize = 0;
  FFirstColumnName.clear();
  return TVxbDataFile::Close();
}

// --- the file as a whole ---

int16_t TVxbBPlusDataFile::Clear() {
  return static_cast<int16_t>(Guarded(true, [&] {
    FTree->Clear();
    return 0;
  }));
}

int16_t TVxbBPlusDataFile::Flush() {
  if (!IsOpen()) return TVxbDataFile::Flush();
  return static_cast<int16_t>(Guarded(true, [&] {
    FTree->Flush();
    return 0;
  }));
}

int16_t TVxbBPlusDataFile::Undo() {
  if (!IsOpen()) return TVxbDataFile::Undo();
  return static_cast<int16_t>(Guarded(false, [&] {
    FTree->Undo();
    return 0;
  }));
}

int16_t TVxbBPlusDataFile::Invalidate() {
  if (!IsOpen()) return TVxbDataFile::Invalidate();
  return static_cast<int16_t>(Guarded(false, [&] {
    FTree->Update();
    return 0;
  }));
}

int16_t TVxbBPlusDataFile::UpdateDir() {
  if (!IsOpen()) return TVxbDataFile::UpdateDir();
  return static_cast<int16_t>(Guarded(false, [&] {
    FTree->UpdateDir();
    return 0;
  }));
}

// --- records ---

int32_t TVxbBPlusDataFile::GetFirstRecordNo() {
  return Guarded(false, [&] { return FoundId(FTree->FindFirst(*FItem, FRecordSize)); });
}

int32_t TVxbBPlusDataFile::GetLastRecordNo() {
  return Guarded(false, [&] { return FoundId(FTree->FindLast(*FItem, FRecordSize)); });
}

// The tree answers for any id, stored or not: the next is the first item
// not below recNo + 1, the previous the one before the first not below
// recNo. (The search item and the item found share the work buffer: only
// the search's id is read, before the item found is copied.)
// An answer on the wrong side of recNo comes from a tree whose items are out
// of order; it is damage, not a record, so that no walk can go in circles.
int32_t TVxbBPlusDataFile::GetNextRecordNo(int32_t recNo) {
  if (recNo == std::numeric_limits<int32_t>::max()) return kNoRecord;
  return Guarded(false, [&] {
    FItem->DateiVerweis = recNo + 1;
    const int32_t id = FoundId(FTree->Find(*FItem, *FItem, FRecordSize));
    if (id != kNoRecord && id <= recNo) throw index::EVxbTree("B+ tree items are out of order");
    return id;
  });
}

int32_t TVxbBPlusDataFile::GetPrevRecordNo(int32_t recNo) {
  return Guarded(false, [&] {
    FItem->DateiVerweis = recNo;
    int32_t id = kNoRecord;
    if (FTree->Find(*FItem, *FItem, FRecordSize) != 0) id = FoundId(FTree->FindLast(*FItem, FRecordSize));
    else id = FoundId(FTree->FindPrev(*FItem, *FItem, FRecordSize));
    if (id != kNoRecord && id >= recNo) throw index::EVxbTree("B+ tree items are out of order");
    return id;
  });
}

bool TVxbBPlusDataFile::Locate(int32_t recNo) {
  FItem->DateiVerweis = recNo;
  return FTree->Find(*FItem, *FItem, FRecordSize) == 0 && FItem->DateiVerweis == recNo;
}

int16_t TVxbBPlusDataFile::ReadRecord(int32_t recNo, uint8_t* buffer) {
  return static_cast<int16_t>(Guarded(false, [&]() -> int32_t {
    if (!Locate(recNo)) return FServices.SetLastError(errors::vxbErrRecordNotFound, fs::FormatArgs{});
    TvwMemory::WriteInt32(buffer, 0, FItem->DateiVerweis);
    std::memcpy(buffer + 4, FItem->Key, FRecordSize - 4u);
    if (FCryptor) FCryptor->DecryptBlock(buffer + 4, FRecordSize - 4u);
    return 0;
  }));
}

bool TVxbBPlusDataFile::InsertItem(const uint8_t* record) {
  FItem->DateiVerweis = TvwMemory::ReadInt32(record, 0);
  std::memcpy(FItem->Key, record + 4, FRecordSize - 4u);
  if (FCryptor) FCryptor->EncryptBlock(FItem->Key, FRecordSize - 4u);
  return FTree->Insert(*FItem, FRecordSize);
}

int16_t TVxbBPlusDataFile::DuplicateId() {
  return FServices.SetLastError(errors::vxbErrNotUnique, {fs::FormatArg(FFirstColumnName)});
}

int16_t TVxbBPlusDataFile::WriteRecord(int32_t recNo, uint8_t* buffer) {
  return static_cast<int16_t>(Guarded(true, [&]() -> int32_t {
    const int32_t newId = TvwMemory::ReadInt32(buffer, 0);
    if (newId < 1) return FServices.SetLastError(errors::vxbErrInvalidParameter, fs::FormatArgs{});
    if (newId != recNo && Locate(newId)) return DuplicateId();
    FItem->DateiVerweis = recNo;
    if (!FTree->Delete(*FItem)) return FServices.SetLastError(errors::vxbErrRecordNotFound, fs::FormatArgs{});
    if (!InsertItem(buffer)) return DuplicateId();
    return 0;
  }));
}

int32_t TVxbBPlusDataFile::InsertRecord(uint8_t* recBuffer) {
  return Guarded(true, [&]() -> int32_t {
    const int32_t id = TvwMemory::ReadInt32(recBuffer, 0);
    if (id < 1) return FServices.SetLastError(errors::vxbErrInvalidParameter, fs::FormatArgs{});
    if (!InsertItem(recBuffer)) return DuplicateId();
    return id;
  });
}

int16_t TVxbBPlusDataFile::DeleteRecord(int32_t recNo) {
  return static_cast<int16_t>(Guarded(true, [&]() -> int32_t {
    FItem->DateiVerweis = recNo;
    if (!FTree->Delete(*FItem)) return FServices.SetLastError(errors::vxbErrRecordNotFound, fs::FormatArgs{});
    return 0;
  }));
}

}  // namespace vexilo::storage
