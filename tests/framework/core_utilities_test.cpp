// The small units under the framework: dates and times, name comparison,
// number texts, memory streams and the application's exception handling.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "framework/core/abort.h"
#include "framework/core/application_exception.h"
#include "framework/core/database_error.h"
#include "framework/core/date_time.h"
#include "framework/core/index_defs.h"
#include "framework/core/name_compare.h"
#include "framework/core/number_text.h"
#include "framework/core/stream.h"

namespace vexilo::framework {
namespace {

TEST(DateTime, DayNumbersMatchTheCalendar) {
  struct Case {
    int year, month, day;
    double dateTime;
    int32_t dayNumber;
  };
  const Case cases[] = {{1899, 12, 30, 0, DateDelta},   {1900, 1, 1, 2, DateDelta + 2},
                        {2000, 1, 1, 36526, 730120},    {1, 1, 1, -693593, 1},
                        {9999, 12, 31, 2958465, 3652059}, {1600, 2, 29, -109512, 584082}};
  for (const Case& c : cases) {
    const auto value = TryEncodeDate(c.year, c.month, c.day);
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(*value, c.dateTime);
    EXPECT_EQ(DateTimeToTimeStamp(*value).Date, c.dayNumber);
    int y = 0, m = 0, d = 0;
    DecodeDate(*value, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, c.year * 10000 + c.month * 100 + c.day);
  }
  EXPECT_FALSE(TryEncodeDate(1900, 2, 29));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0));
}

TEST(DateTime, TimesBeforeDayZeroKeepTheirTimeOfDay) {
  const TDateTime value = *TextToDateTime(u"1899-12-29 06:00:00");
  EXPECT_DOUBLE_EQ(value, -1.25);
  EXPECT_EQ(DateTimeToText(value), u"1899-12-29 06:00:00");
  const TTimeStamp stamp = DateTimeToTimeStamp(value);
  EXPECT_EQ(stamp.Time, 6 * 3600 * 1000);
  EXPECT_DOUBLE_EQ(TimeStampToDateTime(MSecsToTimeStamp(TimeStampToMSecs(stamp))), value);
}

TEST(DateTime, TextsParseOnlyTheirOwnForms) {
  EXPECT_EQ(TimeToText(*TextToTime(u"07:08")), u"07:08:00");
  EXPECT_EQ(TimeToText(*TextToTime(u"07:08:09.010")), u"07:08:09.010");
  for (const char16_t* bad : {u"2024-1-01", u"2024-01-01x", u"07:8", u"", u"2024-13-01"}) {
    EXPECT_FALSE(TextToDateTime(bad)) << std::string(bad, bad + std::char_traits<char16_t>::length(bad));
  }
}

TEST(NameCompare, IgnoresCaseOfLatinLettersIncludingHungarianOnes) {
  EXPECT_TRUE(SameText(u"Leir", u"LEIR"));
  EXPECT_TRUE(SameText(u"ŐRÜLT ÁRVÍZTŰRŐ", u"őrült árvíztűrő"));
  EXPECT_TRUE(SameText(u"ĽUBO", u"ľubo"));
  EXPECT_FALSE(SameText(u"ENG", u"HUN"));
  EXPECT_FALSE(SameText(u"ENG", u"ENGL"));
  EXPECT_FALSE(SameText(u"×", u"÷"));
  EXPECT_EQ(LowerCaseName(u"Eng_HUN"), u"eng_hun");
}

TEST(IndexDefs, AreFoundByNameOrByKeyFieldsRegardlessOfCase) {
  TIndexDefs defs;
  defs.Add(u"ENG", u"ENG");
  defs.Add(u"HUN", u"HUN", {.Unique = true});
  defs.Add(u"BOTH", u"ENG;HUN");
  auto& expression = defs.Add(u"EXPR", u"");
  expression.SetExpression(u"UPPER(ENG)");
  expression.SetOptions({.Expression = true});
  EXPECT_EQ(defs.IndexOf(u"hun"), 1);
  EXPECT_TRUE(defs.Find(u"Hun")->Options().Unique);
  EXPECT_EQ(defs.Find(u"none"), nullptr);
  EXPECT_EQ(defs.FindIndexForFields(u"eng;hun"), &defs[2]);
  EXPECT_EQ(defs.FindIndexForFields(u""), nullptr);
}

TEST(NumberText, ReadsDecimalTextsOnly) {
  EXPECT_EQ(TextToInteger(u" +42 "), 42);
  EXPECT_EQ(TextToInteger(u"-9223372036854775808"), INT64_MIN);
  EXPECT_FALSE(TextToInteger(u"9223372036854775808"));
  EXPECT_FALSE(TextToInteger(u"4 2"));
  EXPECT_FALSE(TextToInteger(u"٤٢"));
  EXPECT_EQ(TextToFloat(u"-1.5e2"), -150.0);
  EXPECT_FALSE(TextToFloat(u"inf"));
  EXPECT_EQ(FloatToText(0.1 + 0.2), u"0.3");
  EXPECT_EQ(FloatToText(1.0 / 3, 4), u"0.3333");
}

TEST(MemoryStream, ReadsWritesAndSeeksWithinItsBytes) {
  TMemoryStream stream;
  stream.WriteBuffer("abcdef", 6);
  EXPECT_EQ(stream.Size(), 6);
  EXPECT_EQ(stream.Seek(-2, TSeekOrigin::soEnd), 4);
  char tail[4] = {};
  EXPECT_EQ(stream.Read(tail, 4), 2);
  EXPECT_EQ(std::string(tail, 2), "ef");
  EXPECT_THROW(stream.ReadBuffer(tail, 1), EStreamError);
  stream.SetPosition(2);
  EXPECT_EQ(stream.ReadRemaining().size(), 4u);
  TMemoryStream copy;
  EXPECT_EQ(copy.CopyFrom(stream, 0), 6);
  EXPECT_EQ(copy.Bytes(), stream.Bytes());
  stream.SetSize(1);
  EXPECT_EQ(stream.Position(), 1);
}

TEST(ApplicationException, ReportsErrorsButNeverTheSilentAbort) {
  std::vector<std::string> reported;
  const TExceptionReporter previous =
      SetExceptionReporter([&](const std::exception& error) { reported.push_back(error.what()); });
  auto raise = [](auto&& thrower) {
    try {
      thrower();
    } catch (...) {
      HandleApplicationException(std::current_exception());
    }
  };
  raise([] { Abort(); });
  raise([] { throw EDatabaseError(u"Hiba történt !!!"); });
  raise([] { throw 42; });
  SetExceptionReporter([](const std::exception&) { throw std::runtime_error("reporter failed"); });
  raise([] { throw std::runtime_error("dropped quietly"); });
  SetExceptionReporter(previous);
  EXPECT_EQ(reported, (std::vector<std::string>{"Hiba történt !!!", "Unknown error"}));
}

}  // namespace
}  // namespace vexilo::framework
