#include "dataset/blob_stream.h"

#include <algorithm>
#include <cstring>

#include "dataset/blob_cache.h"
#include "dataset/dataset.h"
#include "framework/core/application_exception.h"
#include "framework/core/blob_fields.h"
#include "framework/core/database_error.h"
#include "framework/core/db_consts.h"

namespace vexilo::dataset {
namespace {

using framework::TDataSetState;

constexpr uint16_t kNoHeader = 0xffff;
// Twice the highest format (tbfPNG).
constexpr uint16_t kHighestHeader = 2 * static_cast<uint16_t>(TVxbBlobFormat::tbfPNG);

bool IsEditing(TDataSetState state) { return state == TDataSetState::dsEdit || state == TDataSetState::dsInsert; }

uint16_t HeaderWord(const std::vector<std::byte>& content, size_t at) {
  return static_cast<uint16_t>(std::to_integer<unsigned>(content[at]) | (std::to_integer<unsigned>(content[at + 1]) << 8));
}

}  // namespace

TVxbBlobStream::TVxbBlobStream(TVxbDataSet& dataSet, framework::TField& field, framework::TBlobStreamMode mode)
    : FDataSet(dataSet),
      FField(field),
      FBuffer(dataSet.GetActiveRecordBuffer()),
      FIsBlob(false),
      FReadOnly(mode == framework::TBlobStreamMode::bmRead) {
  if (!FReadOnly) {
    if (!IsEditing(dataSet.State())) throw framework::EDatabaseError(framework::dbconsts::SNotEditing);
    if (field.ReadOnly()) {
      throw framework::EDatabaseError::CreateFmt(framework::dbconsts::SFieldReadOnly, {field.DisplayName()});
    }
  }
  // A stream over no record or over a calculated field holds nothing.
  if (FBuffer == nullptr || field.FieldNo() < 1) return;
  const TVxbFieldDef& def = dataSet.FieldDefOf(field);
  FIsBlob = def.DataType == TVxbDataType::dtBlob;
  FOpened = true;
  if (!FReadOnly) {
    // Writing replaces the whole content with a stored one of format 0.
    TVxbBlobCacheEntry& entry = dataSet.BlobEntry(FBuffer, def, false);
    entry.Content.clear();
    entry.Modified = true;
    FModified = true;
    FEmbedded = true;
    FFormat = TVxbBlobFormat::tbfUnknown;
    return;
  }
  const TVxbBlobCacheEntry& entry = dataSet.BlobEntry(FBuffer, def, true);
  const uint16_t header = FIsBlob && entry.Content.size() >= 2 ? HeaderWord(entry.Content, 0) : kNoHeader;
  // Content another program stored without a header of ours is read whole.
  if (header <= kHighestHeader) {
    FEmbedded = header % 2 == 0;
    FFormat = static_cast<TVxbBlobFormat>((header + 1) / 2);
    FStartPos = 2;
    if (!FEmbedded && entry.Content.size() >= 4) FStartPos = 4 + HeaderWord(entry.Content, 2);
    FStartPos = std::min<int64_t>(FStartPos, static_cast<int64_t>(entry.Content.size()));
  }
  FPosition = FStartPos;
}

TVxbBlobStream::~TVxbBlobStream() {
  if (!FModified) return;
  try {
    if (auto* blobField = dynamic_cast<framework::TBlobField*>(&FField)) blobField->SetModified(true);
    FDataSet.DataEvent(framework::TDataEvent::deFieldChange, framework::TDataEventInfo{.Field = &FField});
  } catch (...) {
    framework::HandleApplicationException(std::current_exception());
  }
  if (FOpened) Entry().Modified = true;
}

TVxbBlobCacheEntry& TVxbBlobStream::Entry() { return FDataSet.BlobEntry(FBuffer, FDataSet.FieldDefOf(FField), false); }

int64_t TVxbBlobStream::Read(void* buffer, int64_t count) {
  if (!FOpened || count <= 0) return 0;
  const std::vector<std::byte>& content = Entry().Content;
  const int64_t size = static_cast<int64_t>(content.size());
  if (FPosition >= size) return 0;
  const int64_t moved = std::min(count, size - FPosition);
  std::memcpy(buffer, content.data() + FPosition, static_cast<size_t>(moved));
  FPosition += moved;
  return moved;
}

int64_t TVxbBlobStream::Write(const void* buffer, int64_t count) {
  if (!FOpened || count < 0) return 0;
  if (FReadOnly) throw framework::EDatabaseError::CreateFmt(framework::dbconsts::SFieldReadOnly, {FField.DisplayName()});
  TVxbBlobCacheEntry& entry = Entry();
  std::vector<std::byte>& content = entry.Content;
  if (FIsBlob && FPosition == 0) {
    // The header: twice the format for stored content, one less for a link.
    const uint16_t header = static_cast<uint16_t>(2 * static_cast<int>(FFormat) - 1 + (FEmbedded ? 1 : 0));
    if (content.size() < 2) content.resize(2);
    content[0] = static_cast<std::byte>(header & 0xff);
    content[1] = static_cast<std::byte>(header >> 8);
    FPosition = 2;
    FStartPos = 2;
  }
  const size_t end = static_cast<size_t>(FPosition + count);
  if (content.size() < end) content.resize(end);
  if (count > 0) std::memcpy(content.data() + FPosition, buffer, static_cast<size_t>(count));
  FPosition += count;
  FModified = true;
  entry.Modified = true;
  if (auto* blobField = dynamic_cast<framework::TBlobField*>(&FField)) blobField->SetModified(true);
  return count;
}

int64_t TVxbBlobStream::Seek(int64_t offset, framework::TSeekOrigin origin) {
  const int64_t size = FOpened ? static_cast<int64_t>(Entry().Content.size()) : 0;
  switch (origin) {
    case framework::TSeekOrigin::soBeginning:
      FPosition = FStartPos + offset;
      break;
    case framework::TSeekOrigin::soCurrent:
      FPosition += offset;
      break;
    case framework::TSeekOrigin::soEnd:
      FPosition = size + offset;
      break;
  }
  FPosition = std::max<int64_t>(FPosition, 0);
  return FPosition - FStartPos;
}

std::u16string TVxbBlobStream::ReadWideString(int64_t count) {
  std::vector<std::byte> bytes(static_cast<size_t>(std::max<int64_t>(count, 0)));
  const int64_t read = Read(bytes.data(), count);
  std::u16string text(static_cast<size_t>((read + 1) / 2), u'\0');
  if (read > 0) std::memcpy(text.data(), bytes.data(), static_cast<size_t>(read));
  return text;
}

}  // namespace vexilo::dataset
