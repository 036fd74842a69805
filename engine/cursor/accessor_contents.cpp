// The accessor's memo, blob and wide-memo contents: reading stored contents
// through transient entries, setting pending contents in chunks or whole,
// and their sizes and blob types.
//
// Byte positions of a transfer: a Memo's bytes from 0; a Blob's data from 0
// = the first byte after its 2-byte blob type; a WideMemo's UTF-16 text,
// byte b being in character b div 2. Chunks are kept inside the content: a
// chunk reaching past its end is cut there.
#include <algorithm>
#include <cstring>

#include "engine/cursor/accessor.h"
#include "engine/errors/error_codes.h"
#include "engine/types/column_type.h"

namespace vexilo::cursor {

namespace {

// A Blob content's 2-byte type; 0 when it is shorter.
int32_t BlobTypeOf(const std::string& content) {
  if (content.size() < 2) return 0;
  return static_cast<uint8_t>(content[0]) | (static_cast<uint8_t>(content[1]) << 8);
}

// The bytes of `entry` a transfer of a column of `type` sees, and how many.
uint8_t* ContentBytes(storage::TVxbBlobData& entry, int16_t type, size_t& length) {
  if (type == types::vxbWideMemo) {
    length = entry.WideData.size() * 2;
    return reinterpret_cast<uint8_t*>(entry.WideData.data());
  }
  if (type == types::vxbBlob) {
    length = entry.AnsiData.size() < 2 ? 0 : entry.AnsiData.size() - 2;
    return reinterpret_cast<uint8_t*>(entry.AnsiData.data()) + (entry.AnsiData.size() < 2 ? 0 : 2);
  }
  length = entry.AnsiData.size();
  return reinterpret_cast<uint8_t*>(entry.AnsiData.data());
}

// The part of [start, start + size) inside `length` bytes, with a WideMemo's
// start on its character; false when nothing of it is inside.
bool ClampChunk(int16_t type, int32_t& start, int32_t& size, size_t length) {
  if (start < 0 || size <= 0) return false;
  if (type == types::vxbWideMemo) start = start / 2 * 2;
  if (static_cast<size_t>(start) >= length) return false;
  size = static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(size), length - static_cast<size_t>(start)));
  return true;
}

}  // namespace

int32_t TVxbAccessor::ContentSize(const storage::TVxbBlobData& entry, int16_t type) {
  if (type == types::vxbWideMemo) return static_cast<int32_t>(entry.WideData.size() * 2);
  if (type == types::vxbBlob) return entry.AnsiData.size() < 2 ? 0 : static_cast<int32_t>(entry.AnsiData.size() - 2);
  return static_cast<int32_t>(entry.AnsiData.size());
}

bool TVxbAccessor::HasPendingBlob(int fieldNo) const {
  return FCurrentRecordNo >= 0 && FCurrentRecordNo == FWorkRecordNo && FPendingBlobs.Find(fieldNo) != nullptr;
}

int32_t TVxbAccessor::ReadStoredContent(int fieldNo) {
  const int16_t type = ColumnType(fieldNo);
  // A record being appended has nothing stored yet.
  if (FCurrentRecordNo == 0) return 0;
  const storage::TVxbTableLockGuard readLock = ReadLock();
  if (readLock.Result() < 0) return readLock.Result();
  if (!FCurrentRecBufUpdated) {
    if (const int16_t result = UpdateRecBuf(); result < 0) return result;
  }
  // The stored reference is the current buffer's, also during an edit.
  const int32_t block = FRelation.GetBlockIdx(FCurrentRecBuf.data(), fieldNo);
  storage::TVxbBlobData& entry = FPendingBlobs.Take(fieldNo, type == types::vxbWideMemo);
  int16_t result = 0;
  if (block > 0) {
    if (type == types::vxbMemo) result = FRelation.ReadMemoString(fieldNo, block, entry.AnsiData);
    else if (type == types::vxbBlob) result = FRelation.ReadBlobData(fieldNo, block, entry.AnsiData);
    else result = FRelation.ReadBlobDataWide(fieldNo, block, entry.WideData);
  }
  const int32_t size = result < 0 ? result : ContentSize(entry, type);
  if (size < 1) FPendingBlobs.Free(fieldNo);
  return size;
}

int32_t TVxbAccessor::InitGetBlob(int fieldNo, int32_t maxSize, int32_t& blobType) {
  (void)maxSize;
  blobType = 0;
  DoneGetBlob();
  if (!IsContentColumn(fieldNo)) return FRelation.Services().SetLastError(errors::vxbErrNotABlobField, {});
  const int16_t type = ColumnType(fieldNo);
  // Pending contents belong to the work record (or, outside the edit cycle,
  // to the record WriteTo writes); elsewhere the stored content counts.
  const bool pendingVisible = FCurrentEditState == esBrowse || HasPendingBlob(fieldNo);
  if (storage::TVxbBlobData* entry = pendingVisible ? FPendingBlobs.Find(fieldNo) : nullptr) {
    const int32_t size = ContentSize(*entry, type);
    if (type == types::vxbBlob) blobType = BlobTypeOf(entry->AnsiData);
    if (size > 0) {
      FBlobTransferFieldNo = static_cast<int16_t>(fieldNo);
      FBlobTransferWriting = false;
      FBlobTransferTransient = false;
    }
    return size;
  }
  if (FCurrentEditState != esBrowse && FPendingBlobs.Find(fieldNo)) {
    // The accessor moved off its work record: the pending entry stays for
    // the post, and the stored content is not read into it.
    return 0;
  }
  const int32_t size = ReadStoredContent(fieldNo);
  if (size <= 0) return size;
  if (type == types::vxbBlob) blobType = BlobTypeOf(FPendingBlobs.Find(fieldNo)->AnsiData);
  FBlobTransferFieldNo = static_cast<int16_t>(fieldNo);
  FBlobTransferWriting = false;
  FBlobTransferTransient = true;
  return size;
}

int16_t TVxbAccessor::GetBlobChunk(int32_t start, int32_t size, void* data) {
  storage::TVxbBlobData* entry = FPendingBlobs.Find(FBlobTransferFieldNo);
  if (!entry || FBlobTransferWriting) return 0;
  const int16_t type = ColumnType(FBlobTransferFieldNo);
  size_t length = 0;
  const uint8_t* bytes = ContentBytes(*entry, type, length);
  if (ClampChunk(type, start, size, length)) std::memcpy(data, bytes + start, static_cast<size_t>(size));
  return 0;
}

void TVxbAccessor::DoneGetBlob() {
  if (FBlobTransferFieldNo > 0 && !FBlobTransferWriting && FBlobTransferTransient) {
    FPendingBlobs.Free(FBlobTransferFieldNo);
  }
  if (!FBlobTransferWriting) FBlobTransferFieldNo = 0;
  FBlobTransferTransient = false;
}

int16_t TVxbAccessor::InitSetBlob(int fieldNo, int32_t size) {
  if (!IsContentColumn(fieldNo)) return FRelation.Services().SetLastError(errors::vxbErrNotABlobField, {});
  DoneGetBlob();
  const int16_t type = ColumnType(fieldNo);
  storage::TVxbBlobData& entry = FPendingBlobs.Take(fieldNo, type == types::vxbWideMemo);
  const size_t bytes = static_cast<size_t>(std::max(size, 0));
  if (type == types::vxbWideMemo) {
    entry.AnsiData.clear();
    entry.WideData.assign(bytes / 2, u'\0');
  } else {
    entry.WideData.clear();
    entry.AnsiData.assign(bytes, '\0');
  }
  FBlobTransferFieldNo = size > 0 ? static_cast<int16_t>(fieldNo) : 0;
  FBlobTransferWriting = size > 0;
  FBlobTransferTransient = false;
  return 0;
}

int16_t TVxbAccessor::SetBlobChunk(int32_t start, int32_t size, const void* data) {
  storage::TVxbBlobData* entry = FPendingBlobs.Find(FBlobTransferFieldNo);
  if (!entry || !FBlobTransferWriting) return 0;
  const int16_t type = ColumnType(FBlobTransferFieldNo);
  size_t length = entry->AnsiData.size();
  uint8_t* bytes = type == types::vxbWideMemo ? reinterpret_cast<uint8_t*>(entry->WideData.data())
                                              : reinterpret_cast<uint8_t*>(entry->AnsiData.data());
  if (type == types::vxbWideMemo) length = entry->WideData.size() * 2;
  if (ClampChunk(type, start, size, length)) std::memcpy(bytes + start, data, static_cast<size_t>(size));
  return 0;
}

void TVxbAccessor::DoneSetBlob() {
  if (FBlobTransferWriting) FBlobTransferFieldNo = 0;
  FBlobTransferWriting = false;
}

int32_t TVxbAccessor::GetMemo(int fieldNo, std::string& memo, int32_t maxLen) {
  memo.clear();
  int32_t blobType = 0;
  const int32_t size = InitGetBlob(fieldNo, maxLen, blobType);
  if (size <= 0) return size;
  const int32_t length = maxLen >= 0 ? std::min(size, maxLen) : size;
  memo.resize(static_cast<size_t>(length));
  GetBlobChunk(0, length, memo.data());
  DoneGetBlob();
  return 0;
}

int32_t TVxbAccessor::GetWideMemo(int fieldNo, std::u16string& memo, int32_t maxLen) {
  memo.clear();
  int32_t blobType = 0;
  const int32_t size = InitGetBlob(fieldNo, maxLen, blobType);
  if (size <= 0) return size;
  const int32_t characters = maxLen >= 0 ? std::min(size / 2, maxLen) : size / 2;
  memo.resize(static_cast<size_t>(characters));
  GetBlobChunk(0, characters * 2, memo.data());
  DoneGetBlob();
  return 0;
}

int32_t TVxbAccessor::GetBlob(int fieldNo, std::string& data, int32_t maxLen) {
  data.clear();
  int32_t blobType = 0;
  const int32_t size = InitGetBlob(fieldNo, maxLen, blobType);
  if (size <= 0) return size;
  data.resize(static_cast<size_t>(size) + 2);
  data[0] = static_cast<char>(blobType & 0xFF);
  data[1] = static_cast<char>((blobType >> 8) & 0xFF);
  GetBlobChunk(0, size, data.data() + 2);
  DoneGetBlob();
  if (maxLen >= 0 && static_cast<size_t>(maxLen) < data.size()) data.resize(static_cast<size_t>(maxLen));
  return 0;
}

int16_t TVxbAccessor::SetMemo(int fieldNo, std::string_view memo) {
  if (ColumnType(fieldNo) == types::vxbWideMemo) return SetAsStringA(fieldNo, memo, false);
  if (!IsContentColumn(fieldNo)) return FRelation.Services().SetLastError(errors::vxbErrNotABlobField, {});
  const int16_t result = InitSetBlob(fieldNo, static_cast<int32_t>(memo.size()));
  if (result < 0 || memo.empty()) return result;
  SetBlobChunk(0, static_cast<int32_t>(memo.size()), memo.data());
  DoneSetBlob();
  return 0;
}

int16_t TVxbAccessor::SetWideMemo(int fieldNo, std::u16string_view memo) {
  // A narrow Memo keeps its text in its code page; the entry's narrow
  // content is the one its post writes.
  if (ColumnType(fieldNo) != types::vxbWideMemo) {
    if (!IsContentColumn(fieldNo)) return FRelation.Services().SetLastError(errors::vxbErrNotABlobField, {});
    return SetAsStringW(fieldNo, memo, false);
  }
  DoneGetBlob();
  storage::TVxbBlobData& entry = FPendingBlobs.Take(fieldNo, true);
  entry.AnsiData.clear();
  entry.WideData.assign(memo);
  return 0;
}

int64_t TVxbAccessor::GetBlobSize(int fieldNo) {
  const int16_t type = ColumnType(fieldNo);
  if (HasPendingBlob(fieldNo)) {
    const storage::TVxbBlobData* entry = FPendingBlobs.Find(fieldNo);
    if (type == types::vxbMemo || type == types::vxbBlob) return static_cast<int64_t>(entry->AnsiData.size());
    if (type == types::vxbWideMemo) return static_cast<int64_t>(entry->WideData.size()) * 2;
    return -errors::vxbErrUnknownType;
  }
  if (!IsContentColumn(fieldNo)) return FRelation.Services().SetLastError(errors::vxbErrNotABlobField, {});
  if (FCurrentRecordNo == 0) return 0;
  const storage::TVxbTableLockGuard readLock = ReadLock();
  if (readLock.Result() < 0) return readLock.Result();
  if (!FCurrentRecBufUpdated) {
    if (const int16_t result = UpdateRecBuf(); result < 0) return result;
  }
  const int32_t block = FRelation.GetBlockIdx(FCurrentRecBuf.data(), fieldNo);
  if (block <= 0) return 0;
  return type == types::vxbMemo ? FRelation.GetMemoLength(fieldNo, block) : FRelation.GetBlobLength(fieldNo, block);
}

int32_t TVxbAccessor::GetBlobType(int fieldNo) {
  const int16_t type = ColumnType(fieldNo);
  if (HasPendingBlob(fieldNo)) return type == types::vxbBlob ? BlobTypeOf(FPendingBlobs.Find(fieldNo)->AnsiData) : 0;
  if (type != types::vxbBlob || FCurrentRecordNo == 0) return 0;
  const storage::TVxbTableLockGuard readLock = ReadLock();
  if (readLock.Result() < 0) return readLock.Result();
  if (!FCurrentRecBufUpdated) {
    if (const int16_t result = UpdateRecBuf(); result < 0) return result;
  }
  const int32_t block = FRelation.GetBlockIdx(FCurrentRecBuf.data(), fieldNo);
  return block > 0 ? FRelation.GetBlobType(fieldNo, block) : 0;
}

}  // namespace vexilo::cursor
