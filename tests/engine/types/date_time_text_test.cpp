// Text forms of dates, times and time stamps.

#include "engine/types/date_time_text.h"

#include <gtest/gtest.h>

#include <optional>

#include "engine/types/data_type.h"
#include "engine/types/date_time_type.h"
#include "engine/types/type_errors.h"
#include "fs/text.h"

namespace vexilo::types {
namespace {

using fs::u16;

TEST(DateText, ReadsTheThreeOrdersAndChecksTheCalendar) {
  struct Case {
    const char* text;
    std::optional<int32_t> date;
  };
  const Case cases[] = {
      {"31.12.2013", PackDate(2013, 12, 31)},
      {"12/31/2013", PackDate(2013, 12, 31)},
      {"2013-12-31", PackDate(2013, 12, 31)},
      {"29.02.2000", PackDate(2000, 2, 29)},  // divisible by 400
      {"29.02.1900", std::nullopt},           // divisible by 100 only
      {"29.02.2004", PackDate(2004, 2, 29)},
      {"29.02.2003", std::nullopt},
      {"31.04.2013", std::nullopt},
      {"1.2.29", PackDate(2029, 2, 1)},
      {"1.2.30", PackDate(1930, 2, 1)},
      {"1.2.0", PackDate(2000, 2, 1)},
      {"1.2.099", PackDate(99, 2, 1)},  // three digits are the year itself
      {"1.1.1", PackDate(2001, 1, 1)},
      {"01.01.0001", kMinDate},
      {"31.12.9999", kMaxDate},
      {"1.1.10000", std::nullopt},
      {"1.1.0000", std::nullopt},
      {"0.1.2000", std::nullopt},
      {"1.13.2000", std::nullopt},
      {"1.2", std::nullopt},
      {"1.2.2000.", std::nullopt},
      {"1.2/2000", std::nullopt},
      {"a.b.c", std::nullopt},
      {" 1.2.2000", std::nullopt},
      {"1.2.99999999999", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(DateFromText(u16(c.text)), c.date);
  }
}

TEST(DateText, WritesDayMonthAndFourDigitYear) {
  EXPECT_EQ(DateToText(PackDate(2013, 12, 31)), u"31.12.2013");
  EXPECT_EQ(DateToText(PackDate(5, 1, 2)), u"02.01.0005");
}

TEST(TimeText, ReadsHoursMinutesSecondsMillisecondsAndAmPm) {
  struct Case {
    const char* text;
    std::optional<int64_t> ticks;
  };
  const Case cases[] = {
      {"13", 13 * kTicksPerHour},
      {"13:45", 13 * kTicksPerHour + 45 * kTicksPerMinute},
      {"13:45:30", 13 * kTicksPerHour + 45 * kTicksPerMinute + 30 * kTicksPerSecond},
      {"13:45:30.5", 13 * kTicksPerHour + 45 * kTicksPerMinute + 30 * kTicksPerSecond + 5 * kTicksPerMillisecond},
      {"23:59:59.999", kTicksPerDay - kTicksPerMillisecond},
      {"24:00", kTicksPerDay},
      {"24:00:00.000", kTicksPerDay},
      {"24:01", std::nullopt},
      {"24:00:00.001", std::nullopt},
      {"25", std::nullopt},
      {"12:60", std::nullopt},
      {"12:00:60", std::nullopt},
      {"12:00:00.1000", std::nullopt},
      {"12:00 AM", 0},
      {"12:00 PM", 12 * kTicksPerHour},
      {"1:30 pm", 13 * kTicksPerHour + 30 * kTicksPerMinute},
      {"11:59:59 PM", kTicksPerDay - kTicksPerSecond},
      {"0:00 AM", std::nullopt},
      {"13:00 PM", std::nullopt},
      {"12:00AM", std::nullopt},
      {"12:00 XM", std::nullopt},
      {"12:", std::nullopt},
      {":30", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(TimeFromText(u16(c.text)), c.ticks);
  }
}

TEST(TimeText, WritesAsFarAsThePrecisionReaches) {
  const int64_t t = 9 * kTicksPerHour + 5 * kTicksPerMinute + 7 * kTicksPerSecond + 42 * kTicksPerMillisecond;
  EXPECT_EQ(TimeToText(t, 1), u"09");
  EXPECT_EQ(TimeToText(t, 2), u"09:05");
  EXPECT_EQ(TimeToText(t, 3), u"09:05:07");
  EXPECT_EQ(TimeToText(t, 4), u"09:05:07.042");
}

TEST(TimeStampText, SplitsAtUnderscoreOrBlank) {
  struct Case {
    const char* text;
    std::optional<TVxbTimeStamp> stamp;
  };
  const int32_t d = PackDate(2013, 12, 31);
  const Case cases[] = {
      {"31.12.2013_10:30", TVxbTimeStamp{d, 37'800'000}},
      {"31.12.2013 10:30", TVxbTimeStamp{d, 37'800'000}},
      {"31.12.2013 10:30 PM", TVxbTimeStamp{d, 81'000'000}},
      {"31.12.2013", TVxbTimeStamp{d, 0}},
      {"31.12.2013_", TVxbTimeStamp{d, 0}},
      {"10:30", TVxbTimeStamp{kMinDate, 37'800'000}},
      {"_10:30", std::nullopt},
      {" 10:30", std::nullopt},
      {"31.12.2013_25:00", std::nullopt},
      {"32.12.2013_10:00", std::nullopt},
      {"31.12.2013_24:00", TVxbTimeStamp{PackDate(2014, 1, 1), 0}},
      {"31.12.9999_24:00", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(TimeStampFromText(u16(c.text)), c.stamp);
  }
  EXPECT_EQ(TimeStampToText({d, 37'800'001}), u"31.12.2013_10:30:00.001");
}

TEST(DateTimeTypeText, InvalidTextsRaiseConversionErrorsWithTheirTexts) {
  struct Case {
    int16_t code;
    const char* text;
    const char16_t* message;
  };
  const Case cases[] = {
      {vxbDate, "29.02.1900", u"\"29.02.1900\" is not a valid date"},
      {vxbTime, "24:01", u"\"24:01\" is not a valid time"},
      {vxbTimeStamp, "x_y", u"\"x_y\" is not a valid time stamp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const TVxbDataType* type = TVxbDataType::GetDataType(c.code, true, 6);
    TVxbDataValue value;
    try {
      type->ConvertFromString(value, u16(c.text));
      FAIL() << "no exception";
    } catch (const EVxbConvertError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

TEST(DateTimeTypeText, ValuesRoundTripThroughTheirTextForms) {
  TVxbDataValue value;
  const TVxbDataType* date = TVxbDataType::GetDataType(vxbDate, true, 6);
  date->ConvertFromString(value, u"1.2.29");
  EXPECT_EQ(date->GetDate(value), PackDate(2029, 2, 1));
  EXPECT_EQ(date->ConvertToString(value), u"01.02.2029");

  const TVxbDataType* stamp = TVxbDataType::GetDataType(vxbTimeStamp, true, 6);
  stamp->ConvertFromString(value, u"29.02.2000 12:00 AM");
  EXPECT_EQ(stamp->GetTimeStamp(value), (TVxbTimeStamp{PackDate(2000, 2, 29), 0}));
  EXPECT_EQ(stamp->ConvertToString(value), u"29.02.2000_00:00:00.000");

  const TVxbDataType* minutes = TVxbDataType::GetDateTimeType(vxbTime, true, 2, 6);
  minutes->ConvertFromString(value, u"12:34:56.789");
  EXPECT_EQ(minutes->ConvertToString(value), u"12:34");  // cut to the precision
  minutes->ConvertFromString(value, u"");
  EXPECT_TRUE(minutes->IsNull(value));
}

}  // namespace
}  // namespace vexilo::types
