#include "engine/types/index_key.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/types/memory.h"

namespace vexilo::types {

namespace {

// Column type codes this unit looks at.
enum : int16_t {
  kChar = 0, kString = 1, kSmallInt = 2, kFloat = 3, kByte = 4, kBoolean = 5, kDate = 6,
  kEnum = 8, kRecordId = 9, kLink = 10, kTime = 13, kInteger = 16, kTimeStamp = 17,
  kWideString = 18, kBigInt = 20, kGuid = 21,
};

// Where an item keeps its null byte.
struct NullBytePlace {
  bool atStart;  // level 6 (not Char): first byte of the item
  bool atEnd;    // levels <= 5, and Char on every level: last byte of the item
};

NullBytePlace NullPlace(const TVxbKeyLayout& layout, const TVxbKeyItemLayout& item) {
  if (!item.HasNullByte) return {false, false};
  if (layout.Level >= 6 && item.ColumnType != kChar) return {true, false};
  return {false, true};
}

template <typename T>
int Order(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

size_t ReadPrefix(const uint8_t* p, int width) {
  return width == 1 ? TvwMemory::ReadUInt8(p, 0) : TvwMemory::ReadUInt16(p, 0);
}

void WritePrefix(uint8_t* p, int width, size_t value) {
  if (width == 1) TvwMemory::WriteUInt8(p, 0, static_cast<uint8_t>(value));
  else TvwMemory::WriteUInt16(p, 0, static_cast<uint16_t>(value));
}

const TVxbCollation& CollationOf(const TVxbKeyItemLayout& item) {
  return item.Collation ? *item.Collation : TVxbCollation::Engine();
}

// Compares two string values of an item: `a` and `b` point at the length
// prefixes (after a leading null byte), `na` and `nb` are the bytes the
// values have, at least the prefix width each.
int CompareStrings(const TVxbKeyItemLayout& item, int width, const uint8_t* a, size_t na, const uint8_t* b,
                   size_t nb, TStrCmpOptions extra) {
  const size_t unit = item.ColumnType == kWideString ? 2 : 1;
  const size_t lenA = std::min(ReadPrefix(a, width), (na - width) / unit);
  const size_t lenB = std::min(ReadPrefix(b, width), (nb - width) / unit);
  const TStrCmpOptions options = item.CmpOptions | extra;
  const TVxbCollation& collation = CollationOf(item);
  if (unit == 1) {
    return collation.CompareAnsi(reinterpret_cast<const char*>(a + width), lenA,
                                 reinterpret_cast<const char*>(b + width), lenB, options);
  }
  return collation.CompareWideBytes(a + width, lenA, b + width, lenB, options);
}

// Compares two values of one item; `a` and `b` point at the values (after a
// leading null byte), `na` and `nb` are their lengths without null bytes.
int CompareValues(const TVxbKeyLayout& layout, const TVxbKeyItemLayout& item, const uint8_t* a, size_t na,
                  const uint8_t* b, size_t nb, TStrCmpOptions extra) {
  const size_t n = std::min(na, nb);
  switch (item.ColumnType) {
    case kChar:
    case kByte:
    case kBoolean:
    case kEnum:
      if (n < 1) break;
      return Order(a[0], b[0]);
    case kSmallInt:
      if (n < 2) break;
      return Order(TvwMemory::ReadInt16(a, 0), TvwMemory::ReadInt16(b, 0));
    case kFloat:
      if (layout.Level <= 1 && n >= 6 && n < 8) return Order(TvwMemory::ReadReal48(a, 0), TvwMemory::ReadReal48(b, 0));
      if (n < 8) break;
      return Order(TvwMemory::ReadDouble(a, 0), TvwMemory::ReadDouble(b, 0));
    case kDate:
    case kRecordId:
    case kLink:
    case kInteger:
    case kLinkedRecordIdItem:
      if (n < 4) break;
      return Order(TvwMemory::ReadInt32(a, 0), TvwMemory::ReadInt32(b, 0));
    case kTime:
      if (n >= 8) return Order(TvwMemory::ReadInt64(a, 0), TvwMemory::ReadInt64(b, 0));
      if (n >= 4) return Order(TvwMemory::ReadInt32(a, 0), TvwMemory::ReadInt32(b, 0));
      if (n < 2) break;
      return Order(TvwMemory::ReadInt16(a, 0), TvwMemory::ReadInt16(b, 0));
    case kTimeStamp: {
      if (n < 8) break;
      if (int r = Order(TvwMemory::ReadInt32(a, 0), TvwMemory::ReadInt32(b, 0))) return r;
      return Order(TvwMemory::ReadInt32(a, 4), TvwMemory::ReadInt32(b, 4));
    }
    case kBigInt:
      if (n < 8) break;
      return Order(TvwMemory::ReadInt64(a, 0), TvwMemory::ReadInt64(b, 0));
    case kGuid: {
      if (n < 16) break;
      if (int r = Order(TvwMemory::ReadUInt32(a, 0), TvwMemory::ReadUInt32(b, 0))) return r;
      if (int r = Order(TvwMemory::ReadUInt16(a, 4), TvwMemory::ReadUInt16(b, 4))) return r;
      if (int r = Order(TvwMemory::ReadUInt16(a, 6), TvwMemory::ReadUInt16(b, 6))) return r;
      if (int r = Order(TvwMemory::ReadUInt16(a, 8), TvwMemory::ReadUInt16(b, 8))) return r;
      for (int i = 15; i >= 10; --i) {
        if (int r = Order(a[i], b[i])) return r;
      }
      return 0;
    }
    case kString:
    case kWideString: {
      const int width = item.PrefixWidth();
      if (na < static_cast<size_t>(width) || nb < static_cast<size_t>(width)) break;
      return CompareStrings(item, width, a, na, b, nb, extra);
    }
    default:
      break;
  }
  // Types that never make up a key, or items too short for their type:
  // plain byte order, so damaged keys still compare consistently.
  if (int r = n ? std::memcmp(a, b, n) : 0) return Sign(r);
  return Order(na, nb);
}

}  // namespace

int TVxbKeyItemLayout::PrefixWidth() const {
  if (ColumnType == kWideString) return 2;
  const int32_t withoutNull = FieldSize - (HasNullByte ? 1 : 0);
  return withoutNull <= 256 ? 1 : 2;
}

size_t TVxbKeyLayout::MaxKeySize() const {
  size_t total = 0;
  for (const auto& item : Items) total += static_cast<size_t>(item.ItemSize);
  return total;
}

size_t BuildIndexKey(const TVxbKeyLayout& layout, const uint8_t* record, int32_t recordNumber,
                     TVxbLongIndexInfo& entry, LinkedRecordIdFn linkedRecordId, void* context) {
  entry.DateiVerweis = recordNumber;
  const size_t keyArea = std::min(layout.MaxKeySize(), TVxbLongIndexInfo::kMaxKeySize);
  std::memset(entry.Key, 0, keyArea);
  size_t ofs = 0;
  for (const auto& item : layout.Items) {
    const size_t itemSize = static_cast<size_t>(item.ItemSize);
    if (ofs + itemSize > keyArea) break;
    uint8_t* const out = entry.Key + ofs;
    if (item.ColumnType == kLinkedRecordIdItem) {
      const int32_t id = linkedRecordId ? linkedRecordId(item, record, context) : 0;
      if (itemSize >= 4) TvwMemory::WriteInt32(out, 0, id);
      ofs += itemSize;
      continue;
    }
    const uint8_t* const field = record + item.FieldPosition;
    std::memcpy(out, field, std::min<size_t>(itemSize, static_cast<size_t>(item.FieldSize)));

    const NullBytePlace place = NullPlace(layout, item);
    const uint8_t recordNull = item.HasNullByte ? (place.atStart ? field[0] : field[item.FieldSize - 1]) : 1;
    const bool shortened = item.ItemSize < item.FieldSize;
    size_t used = itemSize;

    if (item.IsString() || item.IsWideString()) {
      const int width = item.PrefixWidth();
      const size_t unit = item.IsWideString() ? 2 : 1;
      const size_t valueStart = place.atStart ? 1 : 0;
      const size_t overhead = static_cast<size_t>(width) + (item.HasNullByte ? 1 : 0);
      const size_t capacity = itemSize > overhead ? (itemSize - overhead) / unit : 0;
      size_t length = 0;
      if (itemSize >= valueStart + width) {
        length = ReadPrefix(out + valueStart, width);
        if (length > capacity) {
          // A prefix item, or a damaged record: never claim more characters
          // than the item holds.
          length = capacity;
          WritePrefix(out + valueStart, width, length);
        }
      }
      if (layout.IsVarSize) {
        if (place.atStart && recordNull == 0) {
          used = 1;  // a null string on level 6 is its null byte alone
        } else {
          used = std::min(itemSize, overhead + length * unit);
        }
      }
    }
    if (place.atEnd && (shortened || used != itemSize)) out[used - 1] = recordNull;
    if (layout.Level <= 3 && item.HasNullByte) {
      out[place.atStart ? 0 : used - 1] = 0;
    }
    ofs += used;
  }
  return ofs;
}

size_t KeyItemLength(const TVxbKeyLayout& layout, const TVxbKeyItemLayout& item, const uint8_t* key,
                     size_t avail) {
  const size_t itemSize = static_cast<size_t>(item.ItemSize);
  if (!layout.IsVarSize || !(item.IsString() || item.IsWideString())) return std::min(itemSize, avail);
  const NullBytePlace place = NullPlace(layout, item);
  if (place.atStart) {
    if (avail < 1) return 0;
    if (key[0] == 0) return 1;
  }
  const int width = item.PrefixWidth();
  const size_t valueStart = place.atStart ? 1 : 0;
  if (avail < valueStart + width) return avail;
  const size_t unit = item.IsWideString() ? 2 : 1;
  const size_t used = static_cast<size_t>(width) + (item.HasNullByte ? 1 : 0) +
                      ReadPrefix(key + valueStart, width) * unit;
  return std::min({used, itemSize, avail});
}

namespace {

// A variable-size String or WideString item of level 6 or above, the items
// of every string index there: [null byte] prefix characters, or the null
// byte alone for null. The same rules as the general path below, with the
// item's shape worked out once; `ofs1` and `ofs2` advance past the items.
int CompareVarStringItems(const TVxbKeyItemLayout& item, const uint8_t* a, size_t availA, const uint8_t* b,
                          size_t availB, TStrCmpOptions extra, size_t& ofs1, size_t& ofs2) {
  const bool hasNull = item.HasNullByte;
  const int width = item.PrefixWidth();
  const size_t unit = item.ColumnType == kWideString ? 2 : 1;
  const size_t itemSize = static_cast<size_t>(item.ItemSize);
  const size_t valueStart = hasNull ? 1 : 0;
  const auto lengthOf = [&](const uint8_t* key, size_t avail) -> size_t {
    if (hasNull && key[0] == 0) return 1;
    if (avail < valueStart + width) return avail;
    const size_t used = static_cast<size_t>(width) + valueStart + ReadPrefix(key + valueStart, width) * unit;
    return std::min(std::min(used, itemSize), avail);
  };
  size_t na = lengthOf(a, availA);
  size_t nb = lengthOf(b, availB);
  ofs1 += na;
  ofs2 += nb;
  if (hasNull) {
    // Null sorts before every value, and two nulls are equal.
    const uint8_t nullA = a[0];
    const uint8_t nullB = b[0];
    if (nullA == 0 || nullB == 0) return Order(nullA, nullB);
    ++a, ++b;
    --na, --nb;
  }
  if (na < static_cast<size_t>(width) || nb < static_cast<size_t>(width)) {
    const size_t n = std::min(na, nb);
    if (int r = n ? std::memcmp(a, b, n) : 0) return Sign(r);
    return Order(na, nb);
  }
  return CompareStrings(item, width, a, na, b, nb, extra);
}

}  // namespace

int CompareIndexKeys(const TVxbKeyLayout& layout, const uint8_t* key1, size_t len1, const uint8_t* key2,
                     size_t len2, TStrCmpOptions extraOptions) {
  size_t ofs1 = 0;
  size_t ofs2 = 0;
  const bool varStrings = layout.IsVarSize && layout.Level >= 6;
  for (const auto& item : layout.Items) {
    if (ofs1 >= len1 || ofs2 >= len2) break;
    const uint8_t* a = key1 + ofs1;
    const uint8_t* b = key2 + ofs2;
    if (varStrings && (item.IsString() || item.IsWideString())) {
      const int result = CompareVarStringItems(item, a, len1 - ofs1, b, len2 - ofs2, extraOptions, ofs1, ofs2);
      if (result != 0) return item.Descending ? -result : result;
      continue;
    }
    size_t na = KeyItemLength(layout, item, a, len1 - ofs1);
    size_t nb = KeyItemLength(layout, item, b, len2 - ofs2);
    ofs1 += na;
    ofs2 += nb;

    const NullBytePlace place = NullPlace(layout, item);
    int result = 0;
    bool decided = false;
    uint8_t nullA = 1;
    uint8_t nullB = 1;
    if (place.atStart || place.atEnd) {
      if (na == 0 || nb == 0) {
        result = Order(na, nb);
        decided = true;
      } else {
        nullA = place.atStart ? a[0] : a[na - 1];
        nullB = place.atStart ? b[0] : b[nb - 1];
        if (place.atStart) ++a, ++b;
        --na, --nb;
        // From level 4 on, null sorts before every value and two nulls are equal.
        if (layout.Level >= 4 && (nullA == 0 || nullB == 0)) {
          result = Order(nullA, nullB);
          decided = true;
        }
      }
    }
    if (!decided) {
      result = CompareValues(layout, item, a, na, b, nb, extraOptions);
      if (result == 0 && layout.Level <= 3 && item.HasNullByte) result = Order(nullA, nullB);
    }
    if (result != 0) return item.Descending ? -result : result;
  }
  return 0;
}

uint64_t KeyOrderPrefix(const TVxbKeyLayout& layout, const uint8_t* key, size_t len) {
  if (layout.Items.empty() || !layout.IsVarSize || layout.Level < 6) return 0;
  const TVxbKeyItemLayout& item = layout.Items.front();
  if (!item.IsString() && !item.IsWideString()) return 0;
  // Nulls first (0), then values (1 in the top byte, the sort key's first
  // seven bytes below it); a descending item turns the order round.
  const auto oriented = [&item](uint64_t prefix) { return item.Descending ? ~prefix : prefix; };
  size_t pos = 0;
  if (item.HasNullByte) {
    if (len < 1) return 0;
    if (key[0] == 0) return oriented(0);
    pos = 1;
  }
  const int width = item.PrefixWidth();
  if (len < pos + static_cast<size_t>(width)) return 0;
  const size_t unit = item.IsWideString() ? 2 : 1;
  const size_t itemEnd = std::min(len, static_cast<size_t>(item.ItemSize));
  const size_t valueStart = pos + static_cast<size_t>(width);
  const size_t units =
      std::min(ReadPrefix(key + pos, width), itemEnd > valueStart ? (itemEnd - valueStart) / unit : 0);
  const TVxbCollation& collation = CollationOf(item);
  uint8_t sortKey[7] = {};
  if (unit == 1) {
    const std::u16string text =
        collation.AnsiToWide(std::string_view(reinterpret_cast<const char*>(key + valueStart), units));
    collation.SortKeyPrefixWide(text.data(), text.size(), item.CmpOptions, sortKey, sizeof sortKey);
  } else {
    std::u16string text(units, u'\0');
    for (size_t i = 0; i < units; ++i) text[i] = static_cast<char16_t>(TvwMemory::ReadUInt16(key, valueStart + 2 * i));
    collation.SortKeyPrefixWide(text.data(), units, item.CmpOptions, sortKey, sizeof sortKey);
  }
  uint64_t prefix = 1;
  for (const uint8_t byte : sortKey) prefix = (prefix << 8) | byte;
  return oriented(prefix);
}

int CompareIndexEntries(const TVxbKeyLayout& layout, int32_t record1, const uint8_t* key1, size_t len1,
                        int32_t record2, const uint8_t* key2, size_t len2, TStrCmpOptions extraOptions,
                        bool* keysEqual) {
  const int result = CompareIndexKeys(layout, key1, len1, key2, len2, extraOptions);
  if (keysEqual) *keysEqual = result == 0;
  if (result != 0) return result;
  return Order(record1, record2);
}

}  // namespace vexilo::types
