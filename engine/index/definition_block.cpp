#include "engine/index/definition_block.h"

#include "engine/types/memory.h"

namespace vexilo::index {

using types::TvwMemory;

namespace {

constexpr size_t kNewFixedSize = 9;      // count, reserved, flags, item count
constexpr size_t kNewItemSize = 5;
constexpr size_t kNewCalculatedSize = 5; // result type, key size, source length
constexpr size_t kOldBlockSize = TVxbSortDef::kVectorSize + 7;
constexpr uint16_t kDescendingBit = 0x8000;
constexpr int kMaxItems = 256;

}  // namespace

size_t DefinitionBlockSize(const TVxbSortDef& def, bool newFormat) {
  if (!newFormat) return kOldBlockSize;
  const size_t body = def.IsCalculated ? kNewCalculatedSize + 2 * def.Source.size() : kNewItemSize * def.Items.size();
  return kNewFixedSize + body + 2;
}

std::optional<TVxbDefinitionBlockPlace> WriteDefinitionBlock(uint8_t* page, size_t pageSize, size_t h,
                                                             bool newFormat, const TVxbSortDef& def,
                                                             int32_t itemCount) {
  const size_t size = DefinitionBlockSize(def, newFormat);
  if (h + size > pageSize || def.EntrySize() > 32767) return std::nullopt;
  TVxbDefinitionBlockPlace place;
  place.End = h + size;
  if (!newFormat) {
    def.GetVectorData(page + h);
    place.UniqueOffset = h + 50;
    place.ItemCountOffset = h + 51;
    TvwMemory::WriteUInt8(page, place.UniqueOffset, def.IsUnique ? 1 : 0);
    TvwMemory::WriteInt32(page, place.ItemCountOffset, itemCount);
    TvwMemory::WriteInt16(page, h + 55, static_cast<int16_t>(def.EntrySize()));
    return place;
  }
  if (def.Source.size() > 32767 || def.Items.size() > kMaxItems) return std::nullopt;
  place.ItemCountOffset = h;
  place.UniqueOffset = h + 6;
  TvwMemory::WriteInt32(page, h, itemCount);
  TvwMemory::WriteUInt8(page, h + 4, 0);
  TvwMemory::WriteUInt8(page, h + 5, def.IsCalculated ? 1 : 0);
  TvwMemory::WriteUInt8(page, h + 6, def.IsUnique ? 1 : 0);
  TvwMemory::WriteInt16(page, h + 7, static_cast<int16_t>(def.LevelCount()));
  size_t ofs = h + kNewFixedSize;
  if (def.IsCalculated) {
    TvwMemory::WriteUInt8(page, ofs, static_cast<uint8_t>(def.ResultType));
    TvwMemory::WriteInt16(page, ofs + 1, static_cast<int16_t>(def.ResultSize));
    TvwMemory::WriteInt16(page, ofs + 3, static_cast<int16_t>(def.Source.size()));
    ofs += kNewCalculatedSize;
    for (char16_t c : def.Source) {
      TvwMemory::WriteUInt16(page, ofs, c);
      ofs += 2;
    }
  } else {
    for (const TVxbSortItem& item : def.Items) {
      uint16_t column = static_cast<uint16_t>(item.ColumnNo) & ~kDescendingBit;
      if (item.Descending) column |= kDescendingBit;
      TvwMemory::WriteUInt16(page, ofs, column);
      TvwMemory::WriteInt16(page, ofs + 2, static_cast<int16_t>(item.Size));
      TvwMemory::WriteUInt8(page, ofs + 4, static_cast<uint8_t>(item.TypeCode));
      ofs += kNewItemSize;
    }
  }
  TvwMemory::WriteInt16(page, ofs, static_cast<int16_t>(def.EntrySize()));
  return place;
}

std::optional<TVxbDefinitionBlockPlace> ReadDefinitionBlock(const uint8_t* page, size_t pageSize, size_t h,
                                                            bool newFormat, TVxbSortDef& def) {
  TVxbSortDef result;
  result.Name = def.Name;
  TVxbDefinitionBlockPlace place;
  if (!newFormat) {
    if (h + kOldBlockSize > pageSize) return std::nullopt;
    if (!result.SetVectorData(page + h)) return std::nullopt;
    place.UniqueOffset = h + 50;
    place.ItemCountOffset = h + 51;
    place.End = h + kOldBlockSize;
    result.IsUnique = TvwMemory::ReadUInt8(page, place.UniqueOffset) != 0;
    if (TvwMemory::ReadInt16(page, h + 55) != result.EntrySize()) return std::nullopt;
    def = std::move(result);
    return place;
  }
  if (h + kNewFixedSize > pageSize) return std::nullopt;
  place.ItemCountOffset = h;
  place.UniqueOffset = h + 6;
  result.IsCalculated = TvwMemory::ReadUInt8(page, h + 5) != 0;
  result.IsUnique = TvwMemory::ReadUInt8(page, h + 6) != 0;
  const int count = TvwMemory::ReadInt16(page, h + 7);
  size_t ofs = h + kNewFixedSize;
  if (result.IsCalculated) {
    if (count != 1 || ofs + kNewCalculatedSize > pageSize) return std::nullopt;
    result.ResultType = TvwMemory::ReadUInt8(page, ofs);
    result.ResultSize = TvwMemory::ReadInt16(page, ofs + 1);
    const int length = TvwMemory::ReadInt16(page, ofs + 3);
    ofs += kNewCalculatedSize;
    if (result.ResultSize <= 0 || length < 0 || ofs + 2 * static_cast<size_t>(length) > pageSize) {
      return std::nullopt;
    }
    result.Source.resize(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i, ofs += 2) {
      result.Source[i] = static_cast<char16_t>(TvwMemory::ReadUInt16(page, ofs));
    }
  } else {
    if (count < 1 || count > kMaxItems || ofs + kNewItemSize * count > pageSize) return std::nullopt;
    for (int i = 0; i < count; ++i, ofs += kNewItemSize) {
      const uint16_t column = TvwMemory::ReadUInt16(page, ofs);
      TVxbSortItem item;
      item.ColumnNo = static_cast<int16_t>(column & ~kDescendingBit);
      item.Descending = (column & kDescendingBit) != 0;
      item.Size = TvwMemory::ReadInt16(page, ofs + 2);
      item.TypeCode = TvwMemory::ReadUInt8(page, ofs + 4);
      if (item.ColumnNo <= 0 || item.Size <= 0) return std::nullopt;
      result.Items.push_back(item);
    }
  }
  if (ofs + 2 > pageSize) return std::nullopt;
  if (TvwMemory::ReadInt16(page, ofs) != result.EntrySize() || result.EntrySize() > 32767) return std::nullopt;
  place.End = ofs + 2;
  def = std::move(result);
  return place;
}

}  // namespace vexilo::index
