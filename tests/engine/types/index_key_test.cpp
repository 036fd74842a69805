#include "engine/types/index_key.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/types/memory.h"

namespace vexilo::types {
namespace {

using Bytes = std::vector<uint8_t>;

// A key built into a heap entry (entries are 32 KB, too large for the stack
// of a table of cases).
struct Key {
  std::unique_ptr<TVxbLongIndexInfo> entry = std::make_unique<TVxbLongIndexInfo>();
  size_t length = 0;
  Bytes KeyBytes() const { return Bytes(entry->Key, entry->Key + length); }
};

Key Build(const TVxbKeyLayout& layout, const Bytes& record, int32_t recno = 1) {
  Key k;
  k.length = BuildIndexKey(layout, record.data(), recno, *k.entry);
  return k;
}

int Compare(const TVxbKeyLayout& layout, const Key& a, const Key& b) {
  return CompareIndexKeys(layout, a.entry->Key, a.length, b.entry->Key, b.length);
}

TVxbKeyItemLayout Item(int16_t type, int32_t pos, int32_t fieldSize, bool nullByte,
                       int32_t itemSize = -1) {
  TVxbKeyItemLayout item;
  item.ColumnType = type;
  item.FieldPosition = pos;
  item.FieldSize = fieldSize;
  item.ItemSize = itemSize < 0 ? fieldSize : itemSize;
  item.HasNullByte = nullByte;
  if (type == 1 || type == 18) {
    item.Collation = &TVxbCollation::Engine();
    item.CmpOptions = scoLigatureSensitive | scoAccentSensitive;
  }
  return item;
}

TVxbKeyLayout Layout(int16_t level, std::vector<TVxbKeyItemLayout> items, bool varSize = false) {
  TVxbKeyLayout layout;
  layout.Level = level;
  layout.IsVarSize = varSize;
  layout.Items = std::move(items);
  return layout;
}

// A record holding one nullable Integer field at position 0.
Bytes IntegerRecord(int16_t level, bool present, int32_t value) {
  Bytes rec(5, 0);
  const size_t valueAt = level >= 6 ? 1 : 0;
  const size_t nullAt = level >= 6 ? 0 : 4;
  TvwMemory::WriteInt32(rec.data(), valueAt, value);
  rec[nullAt] = present ? 1 : 0;
  return rec;
}

TEST(IndexKeyNulls, NullSortsFirstAndNullsAreEqualFromLevelFourOn) {
  for (int16_t level : {4, 5, 6}) {
    const auto layout = Layout(level, {Item(16, 0, 5, true)});
    const Key null1 = Build(layout, IntegerRecord(level, false, 7));
    const Key null2 = Build(layout, IntegerRecord(level, false, -3));
    const Key minus = Build(layout, IntegerRecord(level, true, -100));
    const Key plus = Build(layout, IntegerRecord(level, true, 100));
    EXPECT_EQ(Compare(layout, null1, null2), 0) << "level " << level;
    EXPECT_EQ(Compare(layout, null1, minus), -1) << "level " << level;
    EXPECT_EQ(Compare(layout, plus, null2), 1) << "level " << level;
    EXPECT_EQ(Compare(layout, minus, plus), -1) << "level " << level;
    EXPECT_EQ(null1.length, 5u);
  }
}

TEST(IndexKeyNulls, KeysKeepTheRecordLayoutOfTheirLevel) {
  // Level 6: null byte first; level 5: value first, null byte last.
  EXPECT_EQ(Build(Layout(6, {Item(16, 0, 5, true)}), IntegerRecord(6, true, 0x01020304)).KeyBytes(),
            (Bytes{1, 4, 3, 2, 1}));
  EXPECT_EQ(Build(Layout(5, {Item(16, 0, 5, true)}), IntegerRecord(5, true, 0x01020304)).KeyBytes(),
            (Bytes{4, 3, 2, 1, 1}));
  // Levels 3 and below always put 0 in an item's null byte.
  EXPECT_EQ(Build(Layout(3, {Item(16, 0, 5, true)}), IntegerRecord(3, true, 0x01020304)).KeyBytes(),
            (Bytes{4, 3, 2, 1, 0}));
}

// Record with one nullable level-6 String field of MaxLength 10 at position 2.
Bytes StringRecord(const std::string& text, bool present = true) {
  Bytes rec(2 + 12, 0xEE);
  rec[2] = present ? 1 : 0;
  rec[3] = static_cast<uint8_t>(text.size());
  for (size_t i = 0; i < text.size(); ++i) rec[4 + i] = static_cast<uint8_t>(text[i]);
  return rec;
}

TEST(IndexKeyStrings, VariableSizeItemsKeepOnlyTheirUsedBytes) {
  const auto layout = Layout(6, {Item(1, 2, 12, true), Item(4, 0, 1, false)}, /*var_size=*/true);
  Bytes rec = StringRecord("abc");
  rec[0] = 42;  // the Byte column of the second item
  EXPECT_EQ(Build(layout, rec).KeyBytes(), (Bytes{1, 3, 'a', 'b', 'c', 42}));

  Bytes nullRec = StringRecord("abc", /*present=*/false);
  nullRec[0] = 42;
  // A null string on level 6 is its null byte alone.
  EXPECT_EQ(Build(layout, nullRec).KeyBytes(), (Bytes{0, 42}));
}

TEST(IndexKeyStrings, VariableSizeItemsBelowLevelSixEndInTheRecordsNullByte) {
  // Level 5 nullable String of MaxLength 10: [prefix][10 chars][null byte].
  Bytes rec(12, 0xEE);
  rec[0] = 2;
  rec[1] = 'h';
  rec[2] = 'i';
  rec[11] = 1;
  const auto layout = Layout(5, {Item(1, 0, 12, true)}, /*var_size=*/true);
  EXPECT_EQ(Build(layout, rec).KeyBytes(), (Bytes{2, 'h', 'i', 1}));
}

TEST(IndexKeyStrings, ShortenedItemsNeverClaimMoreCharactersThanTheyHold) {
  // Item of 6 bytes over the 12-byte field: null byte, prefix, 4 characters.
  const auto layout = Layout(6, {Item(1, 2, 12, true, 6)});
  const Key key = Build(layout, StringRecord("abcdefgh"));
  EXPECT_EQ(key.KeyBytes(), (Bytes{1, 4, 'a', 'b', 'c', 'd'}));
  // And such keys compare by their kept characters only.
  EXPECT_EQ(Compare(layout, key, Build(layout, StringRecord("abcdxyz"))), 0);
}

TEST(IndexKeyStrings, LongStringColumnsKeepTheirTwoBytePrefixInShortItems) {
  // A String of MaxLength 300 (field 302, prefix 2) indexed over 100 bytes.
  Bytes rec(302, 'x');
  TvwMemory::WriteUInt16(rec.data(), 0, 300);
  const auto layout = Layout(6, {Item(1, 0, 302, false, 100)});
  const Key key = Build(layout, rec);
  ASSERT_EQ(key.length, 100u);
  EXPECT_EQ(TvwMemory::ReadUInt16(key.entry->Key, 0), 98);
}

TEST(IndexKeyStrings, StringsCompareByTheirColumnsCollation) {
  const auto layout = Layout(6, {Item(1, 2, 12, true)}, /*var_size=*/true);
  const auto cmp = [&](const char* a, const char* b) {
    return Compare(layout, Build(layout, StringRecord(a)), Build(layout, StringRecord(b)));
  };
  EXPECT_EQ(cmp("apple", "APPLE"), 0);
  EXPECT_EQ(cmp("apple", "apples"), -1);
  EXPECT_EQ(cmp("b", "apple"), 1);
  EXPECT_EQ(cmp("Kovacs", "Kov\xE1" "cs"), -1);  // 1252 a-acute: accented is greater
}

// Level-6 nullable WideString of MaxLength 8 at position 0 (field 19 bytes).
Bytes WideRecord(const std::u16string& text) {
  Bytes rec(19, 0);
  rec[0] = 1;
  TvwMemory::WriteUInt16(rec.data(), 1, static_cast<uint16_t>(text.size()));
  for (size_t i = 0; i < text.size(); ++i) TvwMemory::WriteUInt16(rec.data(), 3 + 2 * i, text[i]);
  return rec;
}

TEST(IndexKeyStrings, WideStringsAtOddKeyOffsetsCompareByCollation) {
  const auto layout = Layout(6, {Item(18, 0, 19, true)}, /*var_size=*/true);
  const auto cmp = [&](const std::u16string& a, const std::u16string& b) {
    return Compare(layout, Build(layout, WideRecord(a)), Build(layout, WideRecord(b)));
  };
  EXPECT_EQ(Build(layout, WideRecord(u"ab")).length, 1u + 2u + 4u);
  EXPECT_EQ(cmp(u"alma", u"ALMA"), 0);
  EXPECT_EQ(cmp(u"Kovacs", u"Kov\u00E1cs"), -1);
  EXPECT_EQ(cmp(u"oz", u"\u0151"), -1);  // o-double-acute compares by its code unit
}

// The first glance at a key never contradicts the full comparison: a
// smaller prefix number always belongs to the key that sorts first. Words
// that share beginnings, differ in case and accents, Hungarian letters and
// double letters, empty values and nulls; wide and ANSI items, ascending
// and descending, under "Hungarian" and the engine collation.
TEST(IndexKeyOrderPrefix, ASmallerPrefixAlwaysMeansTheKeySortsFirst) {
  const std::vector<std::u16string> words = {
      u"",        u"a",          u"A",         u"á",           u"alma",      u"almafa",   u"Alma",
      u"álom",    u"b",          u"cukor",     u"csak",        u"cz",        u"d",        u"dzsungel",
      u"o",       u"ö",          u"ő",         u"oz",          u"öz",        u"őz",       u"p",
      u"szabad",  u"sz",         u"szz",       u"u",           u"ü",         u"ű",        u"uz",
      u"z",       u"zs",         u"zsák",      u"kocsi",       u"kocsis",    u"kocka",    u"Kovács",
      u"Kovacs",  u"anyag",      u"annyi",     u"ennyi",       u"tyúk",      u"ty",       u"long words "
      u"ending", u"long words beginning alike", u"long words beginning", u"-dash", u"1984"};
  struct Case {
    const char* name;
    int16_t type;
    const char16_t* collation;
    bool descending;
  };
  const Case cases[] = {{"wide Hungarian", 18, u"Hungarian", false},
                        {"wide Hungarian descending", 18, u"Hungarian", true},
                        {"ANSI Hungarian", 1, u"Hungarian", false},
                        {"wide engine collation", 18, u"", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TVxbResolvedCollation resolved = TVxbCollation::Resolve(c.collation);
    ASSERT_NE(resolved.collation, nullptr);
    const int32_t size = c.type == 18 ? 1 + 2 + 2 * 40 : 1 + 1 + 40;
    TVxbKeyItemLayout item = Item(c.type, 0, size, true);
    item.Collation = resolved.collation;
    item.CmpOptions = resolved.options;
    item.Descending = c.descending;
    const auto layout = Layout(6, {item}, /*var_size=*/true);
    std::vector<Key> keys;
    for (size_t i = 0; i <= words.size(); ++i) {
      Bytes rec(static_cast<size_t>(size), 0);
      if (i < words.size()) {  // the last one stays null
        const std::u16string& word = words[i];
        rec[0] = 1;
        if (c.type == 18) {
          TvwMemory::WriteUInt16(rec.data(), 1, static_cast<uint16_t>(word.size()));
          for (size_t k = 0; k < word.size(); ++k) TvwMemory::WriteUInt16(rec.data(), 3 + 2 * k, word[k]);
        } else {
          const std::string ansi = resolved.collation->WideToAnsi(word);
          rec[1] = static_cast<uint8_t>(ansi.size());
          std::copy(ansi.begin(), ansi.end(), rec.begin() + 2);
        }
      }
      keys.push_back(Build(layout, rec));
    }
    int decided = 0;
    for (size_t i = 0; i < keys.size(); ++i) {
      for (size_t j = 0; j < keys.size(); ++j) {
        const uint64_t pi = KeyOrderPrefix(layout, keys[i].entry->Key, keys[i].length);
        const uint64_t pj = KeyOrderPrefix(layout, keys[j].entry->Key, keys[j].length);
        if (pi < pj) {
          ++decided;
          EXPECT_LT(Compare(layout, keys[i], keys[j]), 0)
              << "key " << i << " before key " << j << " by the prefix only";
        }
      }
    }
    // The named collation's sort keys decide most pairs; the engine
    // collation has none, and only nulls stand apart.
    if (c.collation[0] != 0) {
      EXPECT_GT(decided, static_cast<int>(keys.size() * keys.size() / 3));
    }
  }
}

// Layouts the first glance does not cover give every key the same number.
TEST(IndexKeyOrderPrefix, OtherLayoutsGiveEveryKeyTheSameNumber) {
  const auto integers = Layout(6, {Item(16, 0, 5, true)});
  const auto fixed = Layout(5, {Item(1, 2, 12, true)});
  for (const auto* layout : {&integers, &fixed}) {
    const Key a = Build(*layout, layout == &integers ? IntegerRecord(6, true, 1) : StringRecord("a"));
    const Key b = Build(*layout, layout == &integers ? IntegerRecord(6, true, 2) : StringRecord("b"));
    EXPECT_EQ(KeyOrderPrefix(*layout, a.entry->Key, a.length), KeyOrderPrefix(*layout, b.entry->Key, b.length));
  }
}

struct ValueCase {
  const char* name;
  int16_t level;
  int16_t type;
  Bytes a;
  Bytes b;
  int expected;
};

Bytes Double(double d) {
  Bytes out(8);
  TvwMemory::WriteDouble(out.data(), 0, d);
  return out;
}

Bytes Real48(double d) {
  Bytes out(6);
  TvwMemory::WriteReal48(out.data(), 0, d);
  return out;
}

TEST(IndexKeyValues, EachTypeComparesByItsOwnOrder) {
  const std::vector<ValueCase> cases = {
      {"Byte unsigned", 6, 4, {0x80}, {0x7F}, 1},
      {"SmallInt signed", 6, 2, {0xFF, 0xFF}, {0x01, 0x00}, -1},
      {"Integer signed", 6, 16, {0, 0, 0, 0x80}, {0, 0, 0, 0x7F}, -1},
      {"BigInt signed", 6, 20, {0, 0, 0, 0, 0, 0, 0, 0x80}, {1, 0, 0, 0, 0, 0, 0, 0}, -1},
      {"Float without tolerance", 6, 3, Double(1.0), Double(std::nextafter(1.0, 2.0)), -1},
      {"Float negative", 6, 3, Double(-2.0), Double(1.0), -1},
      {"level-1 Float is a 6-byte real", 1, 3, Real48(-2.5), Real48(0.125), -1},
      {"level-1 Float equal", 1, 3, Real48(3.75), Real48(3.75), 0},
      {"Time of two bytes", 6, 13, {0xFF, 0x7F}, {0x00, 0x80}, 1},
      {"Time of four bytes", 6, 13, {0, 0, 0x01, 0}, {0xFF, 0xFF, 0, 0}, 1},
      {"TimeStamp by date first", 6, 17, {2, 0, 0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0xFF, 0xFF, 0, 0}, 1},
      {"TimeStamp then time", 6, 17, {1, 0, 0, 0, 1, 0, 0, 0}, {1, 0, 0, 0, 2, 0, 0, 0}, -1},
      {"Guid Data1 unsigned", 6, 21, Bytes{0, 0, 0, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       Bytes{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1},
      {"Guid bytes 8-9 little-endian", 6, 21, Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0x00, 0, 0, 0, 0, 0, 0},
       Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x01, 0, 0, 0, 0, 0, 0}, -1},
      {"Guid byte 15 before byte 10", 6, 21, Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0, 0, 1},
       Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2}, -1},
  };
  for (const auto& c : cases) {
    const auto size = static_cast<int32_t>(c.a.size());
    const auto layout = Layout(c.level, {Item(c.type, 0, size, false)});
    EXPECT_EQ(Compare(layout, Build(layout, c.a), Build(layout, c.b)), c.expected) << c.name;
    EXPECT_EQ(Compare(layout, Build(layout, c.b), Build(layout, c.a)), -c.expected) << c.name;
  }
}

TEST(IndexKeyEntries, EqualKeysOrderByRecordNumberAndSayTheyWereEqual) {
  const auto layout = Layout(6, {Item(16, 0, 4, false)});
  const Bytes rec{5, 0, 0, 0};
  const Key a = Build(layout, rec, 10);
  const Key b = Build(layout, rec, 3);
  bool equal = false;
  EXPECT_EQ(CompareIndexEntries(layout, 10, a.entry->Key, a.length, 3, b.entry->Key, b.length, 0, &equal), 1);
  EXPECT_TRUE(equal);
  // Search bounds: record number 1 is the lowest, 2147483647 the highest entry of a key.
  EXPECT_EQ(CompareIndexEntries(layout, kLowestRecordNumber, a.entry->Key, a.length, 3, b.entry->Key, b.length), -1);
  EXPECT_EQ(CompareIndexEntries(layout, kHighestRecordNumber, a.entry->Key, a.length, 3, b.entry->Key, b.length), 1);

  const Key c = Build(layout, Bytes{6, 0, 0, 0}, 1);
  EXPECT_EQ(CompareIndexEntries(layout, 10, a.entry->Key, a.length, 1, c.entry->Key, c.length, 0, &equal), -1);
  EXPECT_FALSE(equal);
}

TEST(IndexKeyEntries, FirstDifferingItemDecidesAndDescendingItemsAreReversed) {
  auto first = Item(4, 0, 1, false);
  auto second = Item(4, 1, 1, false);
  second.Descending = true;
  const auto layout = Layout(6, {first, second});
  EXPECT_EQ(Compare(layout, Build(layout, {1, 9}), Build(layout, {2, 0})), -1);
  EXPECT_EQ(Compare(layout, Build(layout, {1, 9}), Build(layout, {1, 0})), -1);
  EXPECT_EQ(Compare(layout, Build(layout, {1, 0}), Build(layout, {1, 9})), 1);
}

TEST(IndexKeyDamage, LengthPrefixesBeyondTheKeyAreCutToIt) {
  // Hand-made keys whose prefixes claim far more than they hold.
  const auto layout = Layout(6, {Item(18, 0, 19, true)}, /*var_size=*/true);
  const Bytes a{1, 0xFF, 0xFF, 'a', 0};
  const Bytes b{1, 0xFF, 0x7F, 'a', 0, 'b'};
  EXPECT_EQ(CompareIndexKeys(layout, a.data(), a.size(), b.data(), b.size()), 0);
  const auto ansi = Layout(6, {Item(1, 0, 12, true)}, /*var_size=*/true);
  const Bytes c{1, 200, 'x'};
  const Bytes d{1, 1};
  EXPECT_EQ(CompareIndexKeys(ansi, c.data(), c.size(), d.data(), d.size()), 1);
}

}  // namespace
}  // namespace vexilo::types
