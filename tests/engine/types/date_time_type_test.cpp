// Date, Time and TimeStamp types: ranges, comparison across the three,
// conversion and day arithmetic.

#include <gtest/gtest.h>

#include "engine/types/data_type.h"
#include "engine/types/date_time_type.h"
#include "type_test_support.h"

namespace vexilo::types {
namespace {

using T = TVxbDataType;
using testing_support::ExpectEngineError;
using testing_support::ExpectTypeException;

const TVxbDataType* Date() { return T::GetDataType(vxbDate, true, 6); }
const TVxbDataType* Stamp() { return T::GetDataType(vxbTimeStamp, true, 6); }
const TVxbDataType* Time(int16_t precision = 4) { return T::GetDateTimeType(vxbTime, true, precision, 6); }

TEST(DateTimeType, DateAgainstTimeStampComparesAsTheFirstOperandSays) {
  TVxbDataValue date, stamp;
  Date()->SetDate(date, PackDate(2020, 5, 1));
  Stamp()->SetTimeStamp(stamp, {PackDate(2020, 5, 1), 1000});
  // A Date first: the dates alone.
  EXPECT_EQ(T::Compare(date, stamp, *Date(), *Stamp(), 0), kCompareEqual);
  // A TimeStamp first: against midnight of the date.
  EXPECT_EQ(T::Compare(stamp, date, *Stamp(), *Date(), 0), kCompareGreater);
  Stamp()->SetTimeStamp(stamp, {PackDate(2020, 4, 30), 86'399'999});
  EXPECT_EQ(T::Compare(date, stamp, *Date(), *Stamp(), 0), kCompareGreater);
  EXPECT_FALSE(T::CanCompare(*Date(), *Time()));
}

TEST(DateTimeType, DatesCompareByDayNumber) {
  TVxbDataValue a, b;
  Date()->SetDate(a, PackDate(1999, 12, 31));
  Date()->SetDate(b, PackDate(2000, 1, 1));
  EXPECT_EQ(Date()->CompareTo(a, b, *Date(), 0), kCompareLess);
  EXPECT_EQ(DayNumber(PackDate(1, 1, 1)), 1);
  EXPECT_EQ(DayNumber(PackDate(2000, 3, 1)) - DayNumber(PackDate(2000, 2, 28)), 2);
  EXPECT_EQ(DateOfDayNumber(DayNumber(PackDate(2024, 12, 31))), PackDate(2024, 12, 31));
}

TEST(DateTimeType, DamagedTimeInAStampRaisesOnComparison) {
  std::vector<uint8_t> field(8, 0);
  TvwMemory::WriteInt32(field.data(), 0, PackDate(2000, 1, 1));
  TvwMemory::WriteInt32(field.data(), 4, 90'000'000);
  TVxbDataValue damaged, good;
  Stamp()->SetReference(damaged, field.data());
  Stamp()->SetTimeStamp(good, {PackDate(2000, 1, 1), 0});
  ExpectTypeException<EVxbTypeError>([&] { Stamp()->CompareTo(damaged, good, *Stamp(), 0); },
                                     u"Invalid time stamp in CompareTimeStamps");
}

TEST(DateTimeType, InvalidValuesAreRefused) {
  TVxbDataValue v;
  ExpectEngineError([&] { Date()->SetDate(v, PackDate(1900, 2, 29)); }, 137, u"\"29.02.1900\" is not a valid date");
  EXPECT_THROW(Time()->SetTime(v, -1), errors::EVxbEngine);
  EXPECT_THROW(Stamp()->SetTimeStamp(v, {PackDate(2000, 1, 1), 86'400'000}), errors::EVxbEngine);
  Time()->SetTime(v, kTicksPerDay);  // 24:00 is a time
  EXPECT_EQ(Time()->ConvertToString(v), u"24:00:00.000");
}

TEST(DateTimeType, TimesAreCutToTheirPrecision) {
  const int64_t t = 10 * kTicksPerHour + 20 * kTicksPerMinute + 30 * kTicksPerSecond + 400 * kTicksPerMillisecond + 5;
  struct Case {
    int16_t precision;
    int64_t kept;
    int32_t size;
  };
  for (const Case& c : {Case{1, 10 * kTicksPerHour, 3}, Case{2, 10 * kTicksPerHour + 20 * kTicksPerMinute, 3},
                        Case{3, t - 400 * kTicksPerMillisecond - 5, 5}, Case{4, t - 5, 5}}) {
    SCOPED_TRACE(c.precision);
    TVxbDataValue v;
    Time(c.precision)->SetTime(v, t);
    EXPECT_EQ(Time(c.precision)->GetTime(v), c.kept);
    EXPECT_EQ(Time(c.precision)->GetDataSize(), c.size);
  }
}

TEST(DateTimeType, DefaultsMinimaAndMaxima) {
  TVxbDataValue v;
  const TVxbDataType* date = T::GetDataType(vxbDate, false, 6);
  date->GetDefault(v);
  EXPECT_EQ(date->GetDate(v), kMinDate);
  date->GetMaximum(v);
  EXPECT_EQ(date->GetDate(v), kMaxDate);
  Date()->GetMinimum(v);
  EXPECT_TRUE(Date()->IsNull(v));
  T::GetDataType(vxbTimeStamp, false, 6)->GetMaximum(v);
  EXPECT_EQ(Stamp()->GetTimeStamp(v), (TVxbTimeStamp{kMaxDate, 86'399'999}));
  T::GetDataType(vxbTimeStamp, false, 6)->GetDefault(v);
  EXPECT_EQ(Stamp()->GetTimeStamp(v), (TVxbTimeStamp{kMinDate, 0}));
  const TVxbDataType* time = T::GetDateTimeType(vxbTime, false, 4, 3);
  time->GetMaximum(v);
  EXPECT_EQ(time->ConvertToString(v), u"23:59:59.999");
}

TEST(DateTimeType, ConversionsBetweenTheThreeAndMismatches) {
  TVxbDataValue stamp, out;
  Stamp()->SetTimeStamp(stamp, {PackDate(2021, 7, 4), 45'296'789});
  T::Convert(stamp, out, *Stamp(), *Date(), false);
  EXPECT_EQ(Date()->GetDate(out), PackDate(2021, 7, 4));
  T::Convert(stamp, out, *Stamp(), *Time(3), false);
  EXPECT_EQ(Time(3)->ConvertToString(out), u"12:34:56");
  ExpectEngineError([&] { T::Convert(out, stamp, *Time(3), *Stamp(), true); }, 44,
                    u"Type mismatch: Time->DateTime");

  TVxbDataValue integer;
  T::GetDataType(vxbInteger, true, 6)->SetInteger(integer, 5);
  for (bool explicitly : {false, true}) {
    ExpectEngineError([&] { T::Convert(integer, out, *T::GetDataType(vxbInteger, true, 6), *Date(), explicitly); },
                      44, u"Type mismatch: Integer->Date");
  }
  ExpectEngineError([&] { T::Convert(out, integer, *Time(3), *Date(), false); }, 44, u"Type mismatch: Time->Date");
  ExpectEngineError([&] { Time()->GetTimeStamp(out); }, 44, u"Type mismatch: Time->DateTime");
}

TEST(DateTimeType, DaysAreAddedAndSubtracted) {
  TVxbDataValue date, days, result;
  const TVxbDataType* integer = T::GetDataType(vxbInteger, true, 6);
  Date()->SetDate(date, PackDate(2000, 2, 28));
  integer->SetInteger(days, 2);
  const TVxbDataType* rt = T::Calculate(dboPlus, date, days, *Date(), *integer, result);
  EXPECT_EQ(rt->ColumnType(), vxbDate);
  EXPECT_EQ(rt->GetDate(result), PackDate(2000, 3, 1));
  rt = T::Calculate(dboPlus, days, date, *integer, *Date(), result);
  EXPECT_EQ(rt->GetDate(result), PackDate(2000, 3, 1));
  rt = T::Calculate(dboMinus, date, days, *Date(), *integer, result);
  EXPECT_EQ(rt->GetDate(result), PackDate(2000, 2, 26));

  TVxbDataValue later;
  Date()->SetDate(later, PackDate(2001, 2, 28));
  rt = T::Calculate(dboMinus, later, date, *Date(), *Date(), result);
  EXPECT_EQ(rt->ColumnType(), vxbInteger);
  EXPECT_EQ(rt->GetInteger(result), 366);

  TVxbDataValue stamp;
  Stamp()->SetTimeStamp(stamp, {PackDate(1999, 12, 31), 5});
  T::Calculate(duoInc, stamp, *Stamp());
  EXPECT_EQ(Stamp()->GetTimeStamp(stamp), (TVxbTimeStamp{PackDate(2000, 1, 1), 5}));

  Date()->SetDate(date, kMaxDate);
  integer->SetInteger(days, 1);
  EXPECT_THROW(T::Calculate(dboPlus, date, days, *Date(), *integer, result), errors::EVxbEngine);
  integer->SetInteger(days, 2'000'000'000);
  EXPECT_THROW(T::Calculate(dboMinus, date, days, *Date(), *integer, result), errors::EVxbEngine);
}

}  // namespace
}  // namespace vexilo::types
