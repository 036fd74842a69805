#include "engine/storage/file/heap_data_file.h"

#include <limits>
#include <utility>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/index/pages/page_manager_errors.h"
#include "engine/storage/file/index_name_area.h"
#include "engine/storage/file/new_table_checks.h"
#include "engine/storage/file/table_file_layout.h"
#include "engine/types/column_type.h"

namespace vexilo::storage {

TVxbHeapDataFile::~TVxbHeapDataFile() = default;

int64_t TVxbHeapDataFile::IndexNamesOffset() const { return storage::IndexNamesOffset(FLevel); }

int32_t TVxbHeapDataFile::IndexNamesSize() const { return IndexNameAreaSize(FLevel); }

int64_t TVxbHeapDataFile::RecordCountOffset() const { return storage::RecordCountOffset(FLevel); }

bool TVxbHeapDataFile::FitsInFile(int64_t count) const {
  const int64_t end = FFileOffset + count * FRecordSize;
  return end / FStorage->GetPageSize() < std::numeric_limits<int32_t>::max();
}

int16_t TVxbHeapDataFile::Open(bool readOnly, bool exclusive, TVxbTableCryptor& cryptor,
                               TVxbTableDefinition& definition) {
  try {
    OpenStorage(readOnly, exclusive);
    TVxbTableHeader header;
    ReadTableHeader(*HeaderSource(), FStorage->GetName(), cryptor, header);
    FFileOffset = header.RecordAreaStart;
    FNextRecordIdOffset = header.NextRecordIdOffset;
    FRecordSize = header.RecordSize;
    if (!FitsInFile(header.RecordCount)) RaiseDamagedHeader();
    TakeHeader(header, cryptor);
    FFileSize = header.RecordCount;
    FBerList = header.Definition.RangeBounds;
    if (header.RecordCountRepaired && !readOnly) {
      if (WriteInt32At(RecordCountOffset(), FFileSize) < 0)
        throw errors::EVxbEngine(errors::vxbErrWriteFile, FStorage->GetName());
    }
    definition = std::move(header.Definition);
  } catch (...) {
    FLevel = -1;
    FIndexNames.clear();
    FCryptor = nullptr;
    CloseStorage();
    throw;
  }
  return 0;
}

int16_t TVxbHeapDataFile::NewFile(int16_t level, TVxbTableCryptor& cryptor, TVxbTableDefinition& definition) {
  level = NewTableLevel(level);
  definition.ColumnDefs.SetTableLevel(level);
  if (const int16_t result = CheckNewTable(FServices, FStorage->GetName(), level, cryptor, definition); result < 0)
    return result;
  if (FStorage->IsOpen()) Close();
  const std::u16string name = FStorage->GetName();
  if (FileSystem().FileExists(name)) return Fail(errors::vxbErrAlreadyExists);
  try {
    FStorage->SetPageSize(kTablePageSize);
    FStorage->NewStorage();
    FPage = FStorage->CreatePageSite();
  } catch (const index::EVxbPageManager&) {
    CloseStorage();
    return Fail(errors::vxbErrWriteFile);
  }

  int16_t result = 0;
  try {
    TVxbTableHeader header;
    header.Level = level;
    header.RecordCount = 0;
    const int recordIdNo = definition.ColumnDefs.FindFirst(types::vxbRecordId);
    header.NextRecordId =
        recordIdNo ? static_cast<const TVxbRecordIdColumnDef*>(definition.ColumnDefs.GetColumnDef(recordIdNo))
                         ->StartValue()
                   : 0;
    header.Definition.Capacity = definition.Capacity;
    header.Definition.CollationName = definition.CollationName;
    header.Definition.Types = definition.Types;
    header.Definition.ColumnDefs = definition.ColumnDefs.Clone();
    header.Definition.CheckDefs = definition.CheckDefs;
    header.Definition.KeyDefs = definition.KeyDefs;
    header.Definition.ForeignKeyDefs = definition.ForeignKeyDefs;
    header.Definition.RangeBounds = definition.RangeBounds;
    const std::vector<uint8_t> bytes = BuildTableHeader(header, cryptor);
    FFileOffset = header.RecordAreaStart;
    FNextRecordIdOffset = header.NextRecordIdOffset;
    TakeHeader(header, cryptor);
    FBerList = definition.RangeBounds;
    FFileSize = 0;
    result = WriteBytes(0, bytes.data(), static_cast<int32_t>(bytes.size()));
    if (result == 0) result = StoreRecordCount(0);
  } catch (const errors::EVxbEngine& e) {
    result = FServices.SetLastError(e);
  }
  if (result < 0) {
    try {
      FStorage->Undo();
    } catch (const index::EVxbPageManager&) {
    }
    Close();
    FLevel = -1;
    FileSystem().DeleteFile(name);
  }
  return result;
}

int16_t TVxbHeapDataFile::Close() {
  FBerList.clear();
  FLevel = -1;
  FFileSize = 0;
  return TVxbDataFile::Close();
}

int16_t TVxbHeapDataFile::StoreRecordCount(int32_t count) {
  if (const int16_t result = WriteInt32At(RecordCountOffset(), count); result < 0) return result;
  FFileSize = count;
  const int64_t pageSize = FStorage->GetPageSize();
  const int64_t end = FFileOffset + int64_t{count} * FRecordSize;
  try {
    FStorage->SetPageCount(static_cast<int32_t>((end - 1) / pageSize + 1));
  } catch (const index::EVxbPageManager&) {
    return Fail(errors::vxbErrWriteFile);
  }
  return 0;
}

int16_t TVxbHeapDataFile::ReloadRecordCount() {
  int32_t count = 0;
  if (const int16_t result = ReadInt32At(RecordCountOffset(), count); result < 0) return result;
  if (count < 0 || !FitsInFile(count)) return FServices.SetLastError(errors::vxbErrTableHeader, fs::FormatArgs{});
  FFileSize = count;
  return 0;
}

int16_t TVxbHeapDataFile::Clear() { return StoreRecordCount(0); }

int16_t TVxbHeapDataFile::Undo() {
  if (const int16_t result = TVxbDataFile::Undo(); result < 0) return result;
  return IsOpen() ? ReloadRecordCount() : 0;
}

int16_t TVxbHeapDataFile::Invalidate() {
  if (const int16_t result = TVxbDataFile::Invalidate(); result < 0) return result;
  return IsOpen() ? ReloadRecordCount() : 0;
}

int16_t TVxbHeapDataFile::ReadRecord(int32_t recNo, uint8_t* buffer) {
  if (recNo < 1 || recNo > FFileSize) return FServices.SetLastError(errors::vxbErrRecordNotFound, fs::FormatArgs{});
  return ReadEnciphered(SlotOffset(recNo), buffer, FRecordSize);
}

int16_t TVxbHeapDataFile::WriteRecord(int32_t recNo, uint8_t* buffer) {
  if (recNo < 1) return Fail(errors::vxbErrWriteFile);
  if (recNo > FFileSize) return FServices.SetLastError(errors::vxbErrRecordNotFound, fs::FormatArgs{});
  return WriteEnciphered(SlotOffset(recNo), buffer, FRecordSize);
}

int32_t TVxbHeapDataFile::InsertRecord(uint8_t* recBuffer) {
  if (FFileSize == std::numeric_limits<int32_t>::max() || !FitsInFile(int64_t{FFileSize} + 1))
    return Fail(errors::vxbErrCapacity);
  const int32_t recNo = FFileSize + 1;
  if (const int16_t result = WriteEnciphered(SlotOffset(recNo), recBuffer, FRecordSize); result < 0) return result;
  if (const int16_t result = StoreRecordCount(recNo); result < 0) return result;
  return recNo;
}

int16_t TVxbHeapDataFile::DeleteRecord(int32_t recNo) {
  (void)recNo;  // the caller has moved the last record into recNo's slot
  if (FFileSize == 0) return FServices.SetLastError(errors::vxbErrRecordNotFound, fs::FormatArgs{});
  return StoreRecordCount(FFileSize - 1);
}

}  // namespace vexilo::storage
