// TVxbBlobStream: the stream through which a memo, wide-memo or blob field
// reads and writes its content in one record buffer of a TVxbDataSet. The
// content lives in the buffer's blob cache (blob_cache.h): a reading stream
// reads it from the table on first use, a writing stream empties it (writing
// replaces the whole content) and the post sends it to the engine. Nothing
// reaches the table before the record is posted.
//
// Positions count from the data start: 0 for memos, after the 2-byte header
// of a stored blob, after the header, the name length and the name of a
// linked one. A blob written through a stream is stored in the table with
// format 0 (unknown); the header goes in front of the first bytes written.
// A blob whose first two bytes name no format (stored by another program)
// has no header: its stream starts at its first byte.
//
// A stream is short-lived: it refers to its dataset, field and record buffer,
// which must outlive it, and is used on the dataset's thread.
#pragma once

#include <cstdint>
#include <string>

#include "framework/core/db_types.h"
#include "framework/core/stream.h"

namespace vexilo::framework {
class TField;
}

namespace vexilo::dataset {

class TVxbDataSet;
struct TVxbBlobCacheEntry;
struct TVxbFieldDef;

// The picture, sound and drawing formats a blob's header names.
enum class TVxbBlobFormat : int16_t {
  tbfUnknown,
  tbfBMP,
  tbfPCX,
  tbfWAV,
  tbfWMF,
  tbfGIF,
  tbfJPG,
  tbfPNG,
};

class TVxbBlobStream : public framework::TStream {
 public:
  // A stream over `field` in the dataset's current record buffer. Writing
  // (any mode but bmRead) requires the edit or insert state ("Dataset not in
  // edit or insert mode") and a field that may be changed ("Field '%s'
  // cannot be modified"); reading loads the content when the buffer holds
  // none yet.
  TVxbBlobStream(TVxbDataSet& dataSet, framework::TField& field, framework::TBlobStreamMode mode);
  // A stream that wrote marks its field and cache entry modified and tells
  // the dataset's controls that the field changed.
  ~TVxbBlobStream() override;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, framework::TSeekOrigin origin) override;
  // The content's size follows what is written; cutting it is not offered.
  void SetSize(int64_t) override {}

  // The text of count / 2 characters (rounded up) in the first `count`
  // bytes of the content (UTF-16, native order).
  std::u16string ReadWideString(int64_t count);

  TVxbBlobFormat Format() const { return FFormat; }
  // Whether a blob's content is stored in the table (not a linked file).
  bool Embedded() const { return FEmbedded; }
  bool Modified() const { return FModified; }

 private:
  TVxbBlobCacheEntry& Entry();

  TVxbDataSet& FDataSet;
  framework::TField& FField;
  framework::TRecordBuffer FBuffer;
  bool FIsBlob;
  bool FReadOnly;
  bool FOpened = false;
  int64_t FStartPos = 0;
  int64_t FPosition = 0;
  bool FModified = false;
  TVxbBlobFormat FFormat = TVxbBlobFormat::tbfUnknown;
  bool FEmbedded = true;
};

}  // namespace vexilo::dataset
