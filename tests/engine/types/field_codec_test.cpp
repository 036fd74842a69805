// Record field encodings: where values and null bytes lie on each level,
// range refusals, and reads of damaged fields.

#include "engine/types/field_codec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/types/oem_charset.h"
#include "engine/types/string_size.h"

namespace vexilo::types {
namespace {

using C = TVxbFieldCodec;

// A record of `size` bytes filled with a marker, so that tests see which
// bytes a write touched.
std::vector<uint8_t> Record(size_t size, uint8_t fill = 0xAA) { return std::vector<uint8_t>(size, fill); }

TEST(FieldCodec, NullableIntegerKeepsNullByteFirstOnLevel6AndLastBelow) {
  struct Case {
    int16_t level;
    size_t valueAt;
    size_t nullAt;
  };
  for (const Case& c : {Case{6, 1, 0}, Case{5, 0, 4}, Case{4, 0, 4}}) {
    SCOPED_TRACE(c.level);
    auto rec = Record(7);
    const TVxbFieldLayout f{1, 5, c.level, true};
    ASSERT_TRUE(C::WriteInteger(rec.data(), f, true, 0x01020304));
    EXPECT_EQ(rec[1 + c.nullAt], 1);
    EXPECT_EQ(rec[1 + c.valueAt], 0x04);
    EXPECT_EQ(rec[1 + c.valueAt + 3], 0x01);
    EXPECT_EQ(rec[0], 0xAA);
    EXPECT_EQ(rec[6], 0xAA);
    int32_t v = 0;
    EXPECT_TRUE(C::ReadInteger(rec.data(), f, v));
    EXPECT_EQ(v, 0x01020304);

    // Writing null touches only the null byte.
    ASSERT_TRUE(C::WriteInteger(rec.data(), f, false, 0));
    EXPECT_EQ(rec[1 + c.nullAt], 0);
    EXPECT_EQ(rec[1 + c.valueAt], 0x04);
    EXPECT_FALSE(C::ReadInteger(rec.data(), f, v));
  }
}

TEST(FieldCodec, CharKeepsItsNullByteAfterTheCharacterOnEveryLevel) {
  for (int16_t level : {4, 5, 6}) {
    SCOPED_TRACE(level);
    auto rec = Record(2);
    const TVxbFieldLayout f{0, 2, level, true};
    ASSERT_TRUE(C::WriteChar(rec.data(), f, true, 'x'));
    EXPECT_EQ(rec[0], 'x');
    EXPECT_EQ(rec[1], 1);
    ASSERT_TRUE(C::WriteChar(rec.data(), f, false, 0));
    EXPECT_EQ(rec[0], 'x');
    EXPECT_EQ(rec[1], 0);
    uint8_t c;
    EXPECT_FALSE(C::ReadChar(rec.data(), f, c));
  }
}

TEST(FieldCodec, FixedWidthEncodingsRoundTripAtTheirSizes) {
  auto rec = Record(32);
  const TVxbFieldLayout small{0, 2, 6, false}, byte{0, 1, 6, false}, big{0, 8, 6, false};
  int16_t i16;
  uint8_t u8;
  int64_t i64;
  ASSERT_TRUE(C::WriteSmallInt(rec.data(), small, true, -2));
  EXPECT_EQ(rec[0], 0xFE);
  EXPECT_EQ(rec[1], 0xFF);
  EXPECT_EQ(rec[2], 0xAA);
  EXPECT_TRUE(C::ReadSmallInt(rec.data(), small, i16));
  EXPECT_EQ(i16, -2);
  ASSERT_TRUE(C::WriteByte(rec.data(), byte, true, 200));
  EXPECT_TRUE(C::ReadByte(rec.data(), byte, u8));
  EXPECT_EQ(u8, 200);
  ASSERT_TRUE(C::WriteBigInt(rec.data(), big, true, -5'000'000'000));
  EXPECT_TRUE(C::ReadBigInt(rec.data(), big, i64));
  EXPECT_EQ(i64, -5'000'000'000);
}

TEST(FieldCodec, OutOfRangeValuesAreRefusedAndNothingIsWritten) {
  struct Case {
    const char* name;
    size_t size;
    bool (*write)(uint8_t*, const TVxbFieldLayout&, bool, int64_t);
    int64_t value;
  };
  const Case cases[] = {
      {"SmallInt high", 3, C::WriteSmallInt, 32768},
      {"SmallInt low", 3, C::WriteSmallInt, -32769},
      {"Byte", 2, C::WriteByte, 256},
      {"Byte negative", 2, C::WriteByte, -1},
      {"Boolean", 2, C::WriteBoolean, 256},
      {"Enum", 1, C::WriteEnum, 300},
      {"Integer", 5, C::WriteInteger, 2147483648LL},
      {"Link", 4, C::WriteLink, -2147483649LL},
      {"memo reference", 4, C::WriteBlockRef, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto rec = Record(8);
    const TVxbFieldLayout f{0, c.size, 6, c.size == 3 || c.size == 2 || c.size == 5};
    EXPECT_FALSE(c.write(rec.data(), f, true, c.value));
    EXPECT_EQ(rec, Record(8));
  }
}

TEST(FieldCodec, BooleanStoresOneForAnyNonZeroValue) {
  auto rec = Record(1);
  const TVxbFieldLayout f{0, 1, 6, false};
  ASSERT_TRUE(C::WriteBoolean(rec.data(), f, true, 7));
  EXPECT_EQ(rec[0], 1);
}

TEST(FieldCodec, TypesWithoutNullByteWriteZerosForNull) {
  struct Case {
    const char* name;
    size_t size;
    bool (*writeNull)(uint8_t*, const TVxbFieldLayout&);
  };
  const Case cases[] = {
      {"Date", 4, [](uint8_t* r, const TVxbFieldLayout& f) { return C::WriteDate(r, f, false, 0); }},
      {"Link", 4, [](uint8_t* r, const TVxbFieldLayout& f) { return C::WriteLink(r, f, false, 0); }},
      {"Enum", 1, [](uint8_t* r, const TVxbFieldLayout& f) { return C::WriteEnum(r, f, false, 0); }},
      {"TimeStamp", 8, [](uint8_t* r, const TVxbFieldLayout& f) { return C::WriteTimeStamp(r, f, false, {}); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto rec = Record(c.size + 1);
    ASSERT_TRUE(c.writeNull(rec.data(), TVxbFieldLayout{0, c.size, 6, false}));
    for (size_t i = 0; i < c.size; ++i) EXPECT_EQ(rec[i], 0) << i;
    EXPECT_EQ(rec[c.size], 0xAA);
  }
  // Memo and blob references: nothing at all.
  auto rec = Record(4);
  ASSERT_TRUE(C::WriteBlockRef(rec.data(), TVxbFieldLayout{0, 4, 6, false}, false, 0));
  EXPECT_EQ(rec, Record(4));
}

TEST(FieldCodec, ZeroMeansNullForDateEnumLinkTimeStampAndBlockRef) {
  const auto zeros = std::vector<uint8_t>(8, 0);
  int32_t i32;
  uint8_t u8;
  TVxbTimeStamp ts;
  EXPECT_FALSE(C::ReadDate(zeros.data(), {0, 4, 6, false}, i32));
  EXPECT_FALSE(C::ReadEnum(zeros.data(), {0, 1, 6, false}, u8));
  EXPECT_FALSE(C::ReadLink(zeros.data(), {0, 4, 6, false}, i32));
  EXPECT_FALSE(C::ReadTimeStamp(zeros.data(), {0, 8, 6, false}, ts));
  EXPECT_FALSE(C::ReadBlockRef(zeros.data(), {0, 4, 6, false}, i32));
  // A plain Integer or RecordId of 0 is a value.
  EXPECT_TRUE(C::ReadInteger(zeros.data(), {0, 4, 6, false}, i32));
}

TEST(FieldCodec, StringPrefixIsOneByteUpToMaxLength255AndTwoAbove) {
  struct Case {
    int32_t maxLength;
    bool nullable;
    size_t fieldSize;
    size_t prefix;
  };
  for (const Case& c : {Case{255, false, 256, 1}, Case{255, true, 257, 1}, Case{256, false, 258, 2},
                        Case{256, true, 259, 2}}) {
    SCOPED_TRACE(testing::Message() << c.maxLength << (c.nullable ? " nullable" : ""));
    ASSERT_EQ(static_cast<size_t>(StringFieldSize(c.maxLength, c.nullable)), c.fieldSize);
    EXPECT_EQ(StringMaxLength(static_cast<int32_t>(c.fieldSize), c.nullable), c.maxLength);
    auto rec = Record(c.fieldSize);
    const TVxbFieldLayout f{0, c.fieldSize, 6, c.nullable};
    const std::string text(300, 'q');
    ASSERT_TRUE(C::WriteString(rec.data(), f, true, text));
    const size_t ofs = c.nullable ? 1 : 0;
    const size_t stored = c.prefix == 1 ? rec[ofs] : rec[ofs] | rec[ofs + 1] << 8;
    EXPECT_EQ(stored, static_cast<size_t>(c.maxLength));
    std::string back;
    ASSERT_TRUE(C::ReadString(rec.data(), f, back));
    EXPECT_EQ(back, std::string(c.maxLength, 'q'));
  }
}

TEST(FieldCodec, StringWriteClearsBytesAfterTheText) {
  auto rec = Record(11);
  const TVxbFieldLayout f{0, 11, 5, false};  // MaxLength 10
  ASSERT_TRUE(C::WriteString(rec.data(), f, true, "abc"));
  EXPECT_EQ(rec[0], 3);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&rec[1]), 3), "abc");
  for (size_t i = 4; i < 11; ++i) EXPECT_EQ(rec[i], 0);
}

TEST(FieldCodec, DamagedStringPrefixIsCutToTheField) {
  auto rec = Record(6, 'z');
  rec[0] = 200;  // claims 200 characters in a field of 6 bytes
  std::string s;
  ASSERT_TRUE(C::ReadString(rec.data(), {0, 6, 6, false}, s));
  EXPECT_EQ(s, "zzzzz");
  std::vector<uint8_t> wide = {0xFF, 0xFF, 'a', 0, 'b', 0};
  std::u16string w;
  ASSERT_TRUE(C::ReadWideString(wide.data(), {0, 6, 6, false}, w));
  EXPECT_EQ(w, u"ab");
}

TEST(FieldCodec, WideStringFieldHoldsLengthAndUtf16Units) {
  EXPECT_EQ(WideStringFieldSize(10, false), 22);
  EXPECT_EQ(WideStringFieldSize(10, true), 23);
  EXPECT_EQ(WideStringMaxLength(23, true), 10);
  auto rec = Record(23);
  const TVxbFieldLayout f{0, 23, 5, true};
  ASSERT_TRUE(C::WriteWideString(rec.data(), f, true, u"\u0151x"));
  EXPECT_EQ(rec[0], 2);
  EXPECT_EQ(rec[1], 0);
  EXPECT_EQ(rec[2], 0x51);
  EXPECT_EQ(rec[3], 0x01);
  EXPECT_EQ(rec[22], 1);  // null byte last on level 5
  std::u16string back;
  ASSERT_TRUE(C::ReadWideString(rec.data(), f, back));
  EXPECT_EQ(back, u"\u0151x");
}

TEST(FieldCodec, Level1FloatIsASixByteReal) {
  auto rec = Record(7);
  const TVxbFieldLayout f{0, 7, 1, true};
  ASSERT_TRUE(C::WriteFloat(rec.data(), f, true, 1.0));
  // 1.0: exponent 129, mantissa 0, sign clear; null byte after the value.
  const std::vector<uint8_t> expected = {129, 0, 0, 0, 0, 0, 1};
  EXPECT_EQ(rec, expected);
  double d;
  ASSERT_TRUE(C::ReadFloat(rec.data(), f, d));
  EXPECT_EQ(d, 1.0);
  ASSERT_TRUE(C::WriteFloat(rec.data(), f, true, -2.5));
  ASSERT_TRUE(C::ReadFloat(rec.data(), f, d));
  EXPECT_EQ(d, -2.5);

  auto rec6 = Record(9);
  ASSERT_TRUE(C::WriteFloat(rec6.data(), {0, 9, 6, true}, true, 1.0));
  EXPECT_EQ(rec6[0], 1);
  EXPECT_EQ(rec6[8], 0x3F);
}

TEST(FieldCodec, DateIsPackedYearMonthDay) {
  auto rec = Record(4);
  ASSERT_TRUE(C::WriteDate(rec.data(), {0, 4, 6, false}, true, PackDate(2013, 12, 31)));
  const int32_t packed = rec[0] | rec[1] << 8 | rec[2] << 16 | rec[3] << 24;
  EXPECT_EQ(packed, 2013 * 512 + 12 * 32 + 31);
  EXPECT_EQ(PackDate(1, 1, 1), kMinDate);
  EXPECT_EQ(PackDate(9999, 12, 31), kMaxDate);
}

TEST(FieldCodec, TimeFormFollowsTheFieldSize) {
  const int64_t ticks = 13 * kTicksPerHour + 45 * kTicksPerMinute + 30 * kTicksPerSecond + 250 * kTicksPerMillisecond;
  struct Case {
    size_t size;
    int64_t readBack;
  };
  // 2 value bytes: whole minutes; 4: milliseconds; 8: ticks.
  for (const Case& c : {Case{3, 13 * kTicksPerHour + 45 * kTicksPerMinute}, Case{5, ticks}, Case{9, ticks + 7}}) {
    SCOPED_TRACE(c.size);
    auto rec = Record(c.size);
    const TVxbFieldLayout f{0, c.size, 6, true};
    ASSERT_TRUE(C::WriteTime(rec.data(), f, true, c.size == 9 ? ticks + 7 : ticks));
    int64_t back;
    ASSERT_TRUE(C::ReadTime(rec.data(), f, back));
    EXPECT_EQ(back, c.readBack);
  }
  auto rec = Record(3);
  C::WriteTime(rec.data(), {0, 3, 6, true}, true, 90 * kTicksPerMinute);
  EXPECT_EQ(rec[1] | rec[2] << 8, 90);
  EXPECT_FALSE(C::WriteTime(rec.data(), {0, 3, 6, true}, true, -1));
}

TEST(FieldCodec, TimeStampIsDateThenMillisecondsAndBothZeroIsNull) {
  auto rec = Record(8);
  const TVxbFieldLayout f{0, 8, 6, false};
  ASSERT_TRUE(C::WriteTimeStamp(rec.data(), f, true, {PackDate(2000, 2, 29), 1234}));
  TVxbTimeStamp ts;
  ASSERT_TRUE(C::ReadTimeStamp(rec.data(), f, ts));
  EXPECT_EQ(ts, (TVxbTimeStamp{PackDate(2000, 2, 29), 1234}));
  EXPECT_EQ(rec[4], 0xD2);
  ASSERT_TRUE(C::WriteTimeStamp(rec.data(), f, false, {}));
  EXPECT_EQ(rec, std::vector<uint8_t>(8, 0));
  EXPECT_FALSE(C::ReadTimeStamp(rec.data(), f, ts));
}

TEST(FieldCodec, GuidUsesTheUsualMemoryLayout) {
  TGuid g;
  g.Data1 = 0x11223344;
  g.Data2 = 0x5566;
  g.Data3 = 0x7788;
  for (int i = 0; i < 8; ++i) g.Data4[i] = static_cast<uint8_t>(0x90 + i);
  auto rec = Record(17);
  const TVxbFieldLayout f{0, 17, 6, true};
  ASSERT_TRUE(C::WriteGuid(rec.data(), f, true, g));
  EXPECT_EQ(rec[0], 1);
  EXPECT_EQ(rec[1], 0x44);
  EXPECT_EQ(rec[5], 0x66);
  EXPECT_EQ(rec[9], 0x90);
  TGuid back;
  ASSERT_TRUE(C::ReadGuid(rec.data(), f, back));
  EXPECT_EQ(back, g);
}

TEST(FieldCodec, FieldTooSmallForItsEncodingReadsNullAndRefusesWrites) {
  auto rec = Record(4);
  int32_t v;
  EXPECT_FALSE(C::ReadInteger(rec.data(), {0, 3, 6, false}, v));
  EXPECT_FALSE(C::WriteInteger(rec.data(), {0, 3, 6, false}, true, 1));
  EXPECT_EQ(rec, Record(4));
}

TEST(FieldCodec, Level1CharsAndStringsAreStoredInTheOemSet) {
  auto rec = Record(6);
  const TVxbFieldLayout f{0, 6, 1, false};
  ASSERT_TRUE(C::WriteString(rec.data(), f, true, "\xFC\xE9"));  // "üé" in code page 1252
  EXPECT_EQ(rec[1], 0x81);  // "ü" in code page 850
  EXPECT_EQ(rec[2], 0x82);  // "é"
  std::string back;
  ASSERT_TRUE(C::ReadString(rec.data(), f, back));
  EXPECT_EQ(back, "\xFC\xE9");

  auto level6 = Record(6);
  ASSERT_TRUE(C::WriteString(level6.data(), {0, 6, 6, false}, true, "\xFC"));
  EXPECT_EQ(level6[1], 0xFC);
}

TEST(FieldCodec, OemTranslationIsAPermutationSoEveryByteRoundTrips) {
  bool seen[256] = {};
  for (int b = 0; b < 256; ++b) {
    const uint8_t oem = AnsiToOem(static_cast<uint8_t>(b));
    EXPECT_EQ(OemToAnsi(oem), b);
    EXPECT_FALSE(seen[oem]) << b;
    seen[oem] = true;
  }
  for (int b = 0; b < 128; ++b) EXPECT_EQ(AnsiToOem(static_cast<uint8_t>(b)), b);
}

}  // namespace
}  // namespace vexilo::types
