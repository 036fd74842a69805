// The blob cache of a record buffer: for each memo, wide-memo and blob field
// of the dataset that was read or written while the buffer held its record,
// the content bytes, whether they were read from the table and whether they
// were changed since. Changed contents are what a post sends to the engine;
// an entry lives until its buffer is re-read, cleared or freed.
//
// Content layout: a memo's bytes in its table's code page, a wide memo's
// UTF-16 bytes (an even count), a blob's 16-bit little-endian header (twice
// the format number for stored content, one less for a linked file) and then
// the bytes (for a linked blob: a 16-bit name length, the file's name and the
// file's content).
#pragma once

#include <cstddef>
#include <map>
#include <vector>

namespace vexilo::dataset {

struct TVxbBlobCacheEntry {
  std::vector<std::byte> Content;
  // The content was read from the stored record.
  bool Loaded = false;
  // The content was written and not yet posted.
  bool Modified = false;
};

// The entries of one record buffer by field number.
using TVxbBlobCache = std::map<int, TVxbBlobCacheEntry>;

}  // namespace vexilo::dataset
