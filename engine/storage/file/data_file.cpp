#include "engine/storage/file/data_file.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/index/pages/page_manager_errors.h"
#include "engine/storage/file/index_name_area.h"
#include "engine/storage/file/table_file_layout.h"
#include "engine/types/memory.h"
#include "fs/fs_errors.h"

namespace vexilo::storage {

using types::TvwMemory;

namespace {

// The table file as a header source, read through the data file's page site.
class TVxbStorageSource : public TVxbHeaderSource {
 public:
  TVxbStorageSource(index::TVxbClientStorage& storage, index::TVxbStoragePageSite& page, int64_t size)
      : FStorage(storage), FPage(page), FSize(size) {}

  int64_t Size() const override { return FSize; }
  void ReadAt(int64_t pos, uint8_t* dest, size_t count) override {
    try {
      const int64_t pageSize = FStorage.GetPageSize();
      size_t done = 0;
      while (done < count) {
        const int64_t at = pos + static_cast<int64_t>(done);
        const int32_t offset = static_cast<int32_t>(at % pageSize);
        const size_t chunk = std::min<size_t>(static_cast<size_t>(pageSize - offset), count - done);
        FPage.LoadPage(static_cast<int32_t>(at / pageSize));
        FPage.CopyTo(offset, dest, static_cast<int32_t>(done), static_cast<int32_t>(chunk));
        done += chunk;
      }
    } catch (const index::EVxbPageManager&) {
      throw errors::EVxbEngine(errors::vxbErrReadFile, FStorage.GetName());
    }
  }

 private:
  index::TVxbClientStorage& FStorage;
  index::TVxbStoragePageSite& FPage;
  int64_t FSize;
};

}  // namespace

TVxbDataFile::TVxbDataFile(errors::TVxbServices& services, std::unique_ptr<index::TVxbClientStorage> storage)
    : FServices(services), FStorage(std::move(storage)) {}

TVxbDataFile::~TVxbDataFile() { CloseStorage(); }

void OpenTableStorage(index::TVxbClientStorage& storage, bool readOnly, bool exclusive) {
  try {
    storage.SetPageSize(kTablePageSize);
    storage.Open(readOnly, exclusive);
  } catch (const index::EVxbPMStorageNotFound&) {
    throw errors::EVxbEngine(errors::vxbErrFileNotFound, storage.GetName());
  } catch (const index::EVxbPMStorageAccessDenied&) {
    throw errors::EVxbEngine(errors::vxbErrNoWriteAccess, storage.GetName());
  } catch (const index::EVxbPageManager&) {
    throw errors::EVxbEngine(errors::vxbErrReadFile, storage.GetName());
  }
}

void TVxbDataFile::OpenStorage(bool readOnly, bool exclusive) {
  if (!FStorage->IsOpen()) OpenTableStorage(*FStorage, readOnly, exclusive);
  if (!FPage) FPage = FStorage->CreatePageSite();
}

void TVxbDataFile::CloseStorage() noexcept {
  FPage.reset();
  try {
    FStorage->Close();
  } catch (...) {
    // Closing a storage whose file is gone still forgets it; nothing to add.
  }
}

int16_t TVxbDataFile::Close() {
  FIndexNames.clear();
  CloseStorage();
  FCryptor = nullptr;
  return 0;
}

int16_t TVxbDataFile::Fail(int16_t code) { return FServices.SetLastError(code, {fs::FormatArg(FStorage->GetName())}); }

int16_t TVxbDataFile::ReadBytes(int64_t pos, void* buffer, int32_t len) {
  if (!FPage || pos < 0 || len < 0) return Fail(errors::vxbErrReadFile);
  try {
    const int64_t pageSize = FStorage->GetPageSize();
    int32_t done = 0;
    while (done < len) {
      const int64_t at = pos + done;
      const int64_t pageNo = at / pageSize;
      if (pageNo > std::numeric_limits<int32_t>::max()) return Fail(errors::vxbErrReadFile);
      const int32_t offset = static_cast<int32_t>(at % pageSize);
      const int32_t chunk = static_cast<int32_t>(std::min<int64_t>(pageSize - offset, len - done));
      FPage->LoadPage(static_cast<int32_t>(pageNo));
      FPage->CopyTo(offset, buffer, done, chunk);
      done += chunk;
    }
  } catch (const index::EVxbPageManager&) {
    return Fail(errors::vxbErrReadFile);
  } catch (const fs::EvwFileSystemError&) {
    return Fail(errors::vxbErrReadFile);
  }
  return 0;
}

int16_t TVxbDataFile::WriteBytes(int64_t pos, const void* buffer, int32_t len) {
  if (!FPage || pos < 0 || len < 0) return Fail(errors::vxbErrWriteFile);
  try {
    const int64_t pageSize = FStorage->GetPageSize();
    int32_t done = 0;
    while (done < len) {
      const int64_t at = pos + done;
      const int64_t pageNo = at / pageSize;
      if (pageNo > std::numeric_limits<int32_t>::max()) return Fail(errors::vxbErrWriteFile);
      const int32_t offset = static_cast<int32_t>(at % pageSize);
      const int32_t chunk = static_cast<int32_t>(std::min<int64_t>(pageSize - offset, len - done));
      if (pageNo < FStorage->GetPageCount()) FPage->LoadPage(static_cast<int32_t>(pageNo));
      else FPage->InitPage(static_cast<int32_t>(pageNo));
      FPage->CopyFrom(static_cast<const uint8_t*>(buffer) + done, offset, chunk);
      done += chunk;
    }
  } catch (const index::EVxbPageManager&) {
    return Fail(errors::vxbErrWriteFile);
  } catch (const fs::EvwFileSystemError&) {
    return Fail(errors::vxbErrWriteFile);
  }
  return 0;
}

int16_t TVxbDataFile::ReadEnciphered(int64_t pos, uint8_t* buffer, int32_t len) {
  const int16_t result = ReadBytes(pos, buffer, len);
  if (result == 0 && FCryptor) FCryptor->DecryptBlock(buffer, static_cast<size_t>(len));
  return result;
}

int16_t TVxbDataFile::WriteEnciphered(int64_t pos, uint8_t* buffer, int32_t len) {
  if (FCryptor) FCryptor->EncryptBlock(buffer, static_cast<size_t>(len));
  const int16_t result = WriteBytes(pos, buffer, len);
  if (FCryptor) FCryptor->DecryptBlock(buffer, static_cast<size_t>(len));
  return result;
}

int16_t TVxbDataFile::ReadInt32At(int64_t pos, int32_t& value) {
  uint8_t bytes[4];
  const int16_t result = ReadBytes(pos, bytes, 4);
  if (result == 0) value = TvwMemory::ReadInt32(bytes, 0);
  return result;
}

int16_t TVxbDataFile::WriteInt32At(int64_t pos, int32_t value) {
  uint8_t bytes[4];
  TvwMemory::WriteInt32(bytes, 0, value);
  return WriteBytes(pos, bytes, 4);
}

int64_t TVxbDataFile::FileLength() {
  const int64_t cached = FStorage->GetSize();
  const int64_t tile = FileSystem().GetPageSize();
  if (cached <= 0 || tile <= 0 || cached % tile != 0) return cached;
  std::vector<uint8_t> last(static_cast<size_t>(tile));
  const int32_t read = FStorage->ReadDirect(cached - tile, last.data(), static_cast<int32_t>(tile));
  // A whole tile, or none (the cache has grown beyond the disk): the cache's
  // view. A part of one: a file cut short outside the cache.
  if (read <= 0 || read >= tile) return cached;
  return cached - tile + read;
}

std::unique_ptr<TVxbHeaderSource> TVxbDataFile::HeaderSource() {
  return std::make_unique<TVxbStorageSource>(*FStorage, *FPage, FileLength());
}

void TVxbDataFile::TakeHeader(const TVxbTableHeader& header, TVxbTableCryptor& cryptor) {
  FLevel = header.Level;
  FCryptor = &cryptor;
  FIndexNames = header.IndexNames;
  FCollationName = header.Definition.CollationName;
  FNextRecordId = header.NextRecordId;
  FRecordSize = header.RecordSize;
  FRecordIdPosition = header.RecordIdPosition;
}

template <typename Step>
int16_t TVxbDataFile::ReadingStorage(const Step& step) {
  try {
    step();
  } catch (const index::EVxbPageManager&) {
    return Fail(errors::vxbErrReadFile);
  }
  return 0;
}

int16_t TVxbDataFile::Flush() {
  try {
    FStorage->Flush();
  } catch (const index::EVxbPageManager&) {
    return Fail(errors::vxbErrWriteFile);
  } catch (const fs::EvwFileSystemError&) {
    return Fail(errors::vxbErrWriteFile);
  }
  return 0;
}

int16_t TVxbDataFile::Undo() {
  return ReadingStorage([this] { FStorage->Undo(); });
}

int16_t TVxbDataFile::Invalidate() {
  return ReadingStorage([this] { FStorage->Invalidate(); });
}

int16_t TVxbDataFile::UpdateDir() {
  return ReadingStorage([this] { FStorage->UpdateDir(); });
}

bool TVxbDataFile::CanAppend() const { return GetRecordCount() < std::numeric_limits<int32_t>::max(); }

int16_t TVxbDataFile::ReadIndexNames() {
  std::vector<uint8_t> area(static_cast<size_t>(IndexNamesSize()));
  if (const int16_t result = ReadBytes(IndexNamesOffset(), area.data(), IndexNamesSize()); result < 0) return result;
  try {
    FIndexNames = DecodeIndexNameArea(area, FLevel, HeaderCollation(FCollationName));
  } catch (const errors::EVxbEngine& e) {
    return FServices.SetLastError(e);
  }
  return 0;
}

int16_t TVxbDataFile::WriteIndexNames() {
  const types::TVxbCollation& collation = HeaderCollation(FCollationName);
  std::u16string badName;
  if (const int16_t code = CheckIndexNames(FIndexNames, FLevel, collation, badName); code != 0)
    return FServices.SetLastError(code, {fs::FormatArg(badName)});
  const std::vector<uint8_t> area = EncodeIndexNameArea(FIndexNames, FLevel, collation);
  return WriteBytes(IndexNamesOffset(), area.data(), static_cast<int32_t>(area.size()));
}

void TVxbDataFile::DeleteIndexName(int indexNo) {
  if (indexNo >= 1 && indexNo <= static_cast<int>(FIndexNames.size()))
    FIndexNames.erase(FIndexNames.begin() + (indexNo - 1));
}

int32_t TVxbDataFile::ReadNextRecordId() {
  if (NextRecordIdOffset() == 0) return FServices.SetLastError(errors::vxbErrNoRecordIdColumn, {fs::FormatArg(FileName())});
  int32_t value = 0;
  if (const int16_t result = ReadInt32At(NextRecordIdOffset(), value); result < 0) return result;
  FNextRecordId = value;
  return value;
}

int16_t TVxbDataFile::WriteNextRecordId(int32_t recordId) {
  if (NextRecordIdOffset() == 0) return FServices.SetLastError(errors::vxbErrNoRecordIdColumn, {fs::FormatArg(FileName())});
  if (const int16_t result = WriteInt32At(NextRecordIdOffset(), recordId); result < 0) return result;
  FNextRecordId = recordId;
  return 0;
}

int32_t TVxbDataFile::ObtainNewRecordId() {
  const int32_t value = ReadNextRecordId();
  if (value < 0) return value;
  if (value == std::numeric_limits<int32_t>::max()) return Fail(errors::vxbErrCapacity);
  if (const int16_t result = WriteNextRecordId(value + 1); result < 0) return result;
  return value;
}

int16_t TVxbDataFile::RevokeRecordId(int32_t recordId) {
  const int32_t value = ReadNextRecordId();
  if (value < 0) return static_cast<int16_t>(value);
  if (recordId < std::numeric_limits<int32_t>::max() && value == recordId + 1) return WriteNextRecordId(recordId);
  return 0;
}

}  // namespace vexilo::storage
