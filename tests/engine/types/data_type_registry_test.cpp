// The registry of shared data-type objects and the parameters it derives.

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "engine/types/ansi_string_type.h"
#include "engine/types/data_type.h"
#include "engine/types/date_time_type.h"
#include "engine/types/enum_type.h"
#include "engine/types/float_type.h"
#include "engine/types/wide_string_type.h"
#include "type_test_support.h"

namespace vexilo::types {
namespace {

using T = TVxbDataType;
using testing_support::ExpectEngineError;

TEST(TypeRegistry, EqualParametersGiveTheSameInstanceAndOthersAnother) {
  EXPECT_EQ(T::GetDataType(vxbInteger, true, 6), T::GetDataType(vxbInteger, true, 6));
  EXPECT_NE(T::GetDataType(vxbInteger, true, 6), T::GetDataType(vxbInteger, false, 6));
  EXPECT_NE(T::GetDataType(vxbInteger, true, 6), T::GetDataType(vxbInteger, true, 5));
  EXPECT_NE(T::GetDataType(vxbInteger, true, 6), T::GetDataType(vxbSmallInt, true, 6));
  EXPECT_EQ(T::GetStringType(vxbString, true, 40, u"VexBase", 6), T::GetStringType(vxbString, true, 40, u"VexBase", 6));
  EXPECT_NE(T::GetStringType(vxbString, true, 40, u"", 6), T::GetStringType(vxbString, true, 41, u"", 6));
  EXPECT_NE(T::GetStringType(vxbString, true, 40, u"", 6), T::GetStringType(vxbString, true, 40, u"Hungarian", 6));
  EXPECT_EQ(T::GetFloatType(vxbFloat, true, 3, 6), T::GetFloatType(vxbFloat, true, 3, 6));
  EXPECT_NE(T::GetFloatType(vxbFloat, true, 3, 6), T::GetFloatType(vxbFloat, true, 2, 6));
  EXPECT_EQ(T::GetDateTimeType(vxbTime, true, 2, 6), T::GetDateTimeType(vxbTime, true, 2, true, 6));
  EXPECT_NE(T::GetDateTimeType(vxbTime, true, 2, 6), T::GetDateTimeType(vxbTime, true, 3, 6));
  EXPECT_NE(T::GetDateTimeType(vxbTime, true, 2, true, 6), T::GetDateTimeType(vxbTime, true, 2, false, 6));
  EXPECT_EQ(T::GetEnumType(true, false, u"red\ngreen", u'\n', u'"', 6),
            T::GetEnumType(true, false, std::vector<TVxbEnumItem>{{u"red", 1}, {u"green", 2}}, 6));
  EXPECT_NE(T::GetEnumType(true, false, u"red\ngreen", u'\n', u'"', 6),
            T::GetEnumType(true, false, u"red\nblue", u'\n', u'"', 6));
  EXPECT_EQ(T::GetNullType(6), T::GetDataType(vxbNullType, true, 6));
}

TEST(TypeRegistry, ConcurrentRequestsAgreeOnOneInstance) {
  std::vector<const TVxbDataType*> seen(8);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < seen.size(); ++i)
    threads.emplace_back([&seen, i] { seen[i] = T::GetStringType(vxbWideString, true, 77, u"", 4); });
  for (auto& t : threads) t.join();
  for (const auto* t : seen) EXPECT_EQ(t, seen[0]);
}

TEST(TypeRegistry, TypesThatNeedParametersAreNotMadeFromACodeAlone) {
  for (int16_t code : std::initializer_list<int16_t>{vxbString, vxbEnum, vxbWideString, 14, 15, vxbLinkKey}) {
    SCOPED_TRACE(code);
    EXPECT_EQ(T::GetDataType(code, true, 6), nullptr);
  }
}

TEST(TypeRegistry, CodesGetTheirClassesAndUsualParameters) {
  const auto* memo = dynamic_cast<const TVxbAnsiStringType*>(T::GetDataType(vxbMemo, true, 6));
  ASSERT_NE(memo, nullptr);
  EXPECT_TRUE(memo->IsUnbounded());
  EXPECT_EQ(memo->GetDataSize(), 4);
  EXPECT_EQ(memo->GetSqlName(), u"LONGVARCHAR");
  const auto* wideMemo = dynamic_cast<const TVxbWideStringType*>(T::GetDataType(vxbWideMemo, true, 6));
  ASSERT_NE(wideMemo, nullptr);
  EXPECT_EQ(wideMemo->GetSqlName(), u"LONGVARWCHAR");
  const auto* real = dynamic_cast<const TVxbFloatType*>(T::GetDataType(vxbFloat, true, 6));
  ASSERT_NE(real, nullptr);
  EXPECT_EQ(real->Scale(), 2);
  EXPECT_EQ(real->Precision(), 15);
  const auto* time = dynamic_cast<const TVxbDateTimeType*>(T::GetDataType(vxbTime, true, 6));
  ASSERT_NE(time, nullptr);
  EXPECT_EQ(time->Precision(), 4);
  EXPECT_TRUE(time->GetHasNullByte());
  EXPECT_FALSE(T::GetDataType(vxbTimeStamp, true, 6)->GetHasNullByte());
}

TEST(TypeRegistry, FieldSizesOfTheColumnTypes) {
  struct Case {
    int16_t code;
    bool nullable;
    int16_t level;
    int32_t size;
  };
  const Case cases[] = {
      {vxbChar, true, 6, 2},     {vxbChar, false, 6, 1},     {vxbChar, true, 3, 1},  // level 3: never nullable
      {vxbSmallInt, true, 6, 3}, {vxbFloat, true, 6, 9},     {vxbFloat, true, 1, 7},
      {vxbFloat, false, 1, 6},   {vxbByte, true, 5, 2},      {vxbBoolean, false, 5, 1},
      {vxbDate, true, 6, 4},     {vxbMemo, true, 6, 4},      {vxbRecordId, true, 6, 4},
      {vxbLink, true, 6, 4},     {vxbBlob, true, 6, 4},      {vxbRelation, true, 6, 0},
      {vxbTime, true, 6, 5},     {vxbInteger, true, 6, 5},   {vxbInteger, false, 6, 4},
      {vxbTimeStamp, true, 6, 8}, {vxbWideMemo, true, 6, 4}, {vxbBigInt, true, 6, 9},
      {vxbGuid, true, 6, 17},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.code << " level " << c.level);
    EXPECT_EQ(T::GetDataType(c.code, c.nullable, c.level)->GetDataSize(), c.size);
  }
  EXPECT_FALSE(T::GetDataType(vxbRecordId, true, 6)->Nullable());
}

TEST(TypeRegistry, StringLengthsFollowTheFieldSize) {
  struct Case {
    int16_t code;
    bool nullable;
    int32_t size;
    int32_t maxLength;
  };
  for (const Case& c : {Case{vxbString, false, 256, 255}, Case{vxbString, true, 257, 255},
                        Case{vxbString, false, 258, 256}, Case{vxbString, true, 259, 256},
                        Case{vxbWideString, true, 23, 10}, Case{vxbWideString, false, 22, 10}}) {
    SCOPED_TRACE(c.size);
    const auto* type = static_cast<const TVxbStringType*>(T::GetDataType(c.code, c.nullable, c.size, 6));
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(type->MaxLength(), c.maxLength);
    EXPECT_EQ(type->GetDataSize(), c.size);
    EXPECT_EQ(TVxbStringType::CalcMaxLength(c.code, c.nullable, c.size, 6), c.maxLength);
  }
  const auto* time = static_cast<const TVxbDateTimeType*>(T::GetDataType(vxbTime, true, 3, 6));
  EXPECT_EQ(time->GetDataSize(), 3);
}

TEST(TypeRegistry, StringLengthsBeyondTheLimitsAreRefused) {
  EXPECT_EQ(T::GetStringType(vxbString, true, 32764, u"", 6)->MaxLength(), 32764);
  EXPECT_EQ(T::GetStringType(vxbWideString, true, 16382, u"", 6)->MaxLength(), 16382);
  ExpectEngineError([] { T::GetStringType(vxbString, true, 32765, u"", 6); }, 189,
                    u"String type has a length of 32765, which is outside the allowed range of 1 to 32764");
  ExpectEngineError([] { T::GetStringType(vxbWideString, true, 16383, u"", 6); }, 189,
                    u"String type has a length of 16383, which is outside the allowed range of 1 to 16382");
  ExpectEngineError([] { T::GetStringType(vxbString, true, -1, u"", 6); }, 189,
                    u"String type has a length of -1, which is outside the allowed range of 1 to 32764");
}

TEST(TypeRegistry, UnknownCollationIsRefusedAndKnownOnesResolveOnce) {
  ExpectEngineError([] { T::GetStringType(vxbString, true, 10, u"Klingon", 6); }, 138,
                    u"Collation \"Klingon\" does not exist");
  EXPECT_FALSE(TVxbStringType::IsSupportedCollation(u"Klingon"));
  EXPECT_TRUE(TVxbStringType::IsSupportedCollation(u"Hungarian_CS_AI"));
  const auto* engine = T::GetStringType(vxbString, true, 10, u"", 6);
  EXPECT_EQ(engine->LocaleId(), kEngineLocaleId);
  EXPECT_EQ(engine->StrCmpOptions(), scoLigatureSensitive | scoAccentSensitive);
  const auto* hungarian = T::GetStringType(vxbString, true, 10, u"Hungarian_CS_AI", 6);
  EXPECT_EQ(hungarian->StrCmpOptions(), scoCaseSensitive);
  EXPECT_NE(hungarian->LocaleId(), kEngineLocaleId);
  EXPECT_EQ(hungarian->GetSqlName(), u"VARCHAR(10) COLLATE Hungarian_CS_AI");
  EXPECT_EQ(engine->GetSqlName(), u"VARCHAR(10)");
}

TEST(TypeRegistry, ApproximateLengthsRoundUp) {
  struct Case {
    int32_t in;
    int32_t out;
  };
  for (const Case& c : {Case{1, 10}, Case{10, 10}, Case{11, 20}, Case{100, 100}, Case{101, 200}, Case{1001, 2000},
                        Case{10000, 10000}, Case{10001, 32764}}) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(T::GetApproxStringType(vxbString, true, c.in, u"", 6)->MaxLength(), c.out);
  }
  EXPECT_EQ(T::GetApproxStringType(vxbWideString, true, 10001, u"", 6)->MaxLength(), 16382);
}

TEST(TypeRegistry, MemoTypesBecomeUnboundedStringsOfTheirCollation) {
  const auto* memo = T::GetStringType(vxbMemo, true, 0, u"Hungarian", 6);
  const auto* variable = static_cast<const TVxbStringType*>(T::GetVariableType(memo));
  EXPECT_EQ(variable->ColumnType(), vxbString);
  EXPECT_TRUE(variable->IsUnbounded());
  EXPECT_EQ(variable->CollationName(), u"Hungarian");
  EXPECT_EQ(T::GetVariableType(T::GetDataType(vxbWideMemo, true, 6))->ColumnType(), vxbWideString);
  const TVxbDataType* integer = T::GetDataType(vxbInteger, true, 6);
  EXPECT_EQ(T::GetVariableType(integer), integer);
}

TEST(TypeRegistry, DerivedInstancesDifferOnlyInNullabilityOrLevel) {
  const auto* type = T::GetStringType(vxbString, false, 30, u"Hungarian", 5);
  const auto* nullable = static_cast<const TVxbStringType*>(type->GetNullableType(true));
  EXPECT_TRUE(nullable->Nullable());
  EXPECT_EQ(nullable->MaxLength(), 30);
  EXPECT_EQ(nullable->CollationName(), u"Hungarian");
  EXPECT_EQ(nullable->GetNullableType(false), type);
  EXPECT_EQ(type->GetLevelType(6)->Level(), 6);
  EXPECT_EQ(type->GetLevelType(6)->GetLevelType(5), type);
  // A Time made nullable gets the null byte of a new nullable column.
  EXPECT_TRUE(T::GetDateTimeType(vxbTime, false, 3, 6)->GetNullableType(true)->GetHasNullByte());
  EXPECT_FALSE(T::GetDateTimeType(vxbTime, true, 3, false, 6)->GetNullableType(true)->GetHasNullByte());
}

TEST(TypeRegistry, EnumerationListsAreNumberedInOrder) {
  const auto* e = T::GetEnumType(true, false, u"small\n\"large, \"\"very\"\"\"\n\nhuge\n", u'\n', u'"', 6);
  ASSERT_EQ(e->Items().size(), 3u);
  EXPECT_EQ(e->Items()[0], (TVxbEnumItem{u"small", 1}));
  EXPECT_EQ(e->Items()[1], (TVxbEnumItem{u"large, \"very\"", 2}));
  EXPECT_EQ(e->Items()[2], (TVxbEnumItem{u"huge", 3}));
}

}  // namespace
}  // namespace vexilo::types
