// Dates and times of the dataset framework. TDateTime counts days since
// 30 December 1899, the fraction being the time of day. Fields keep dates as
// a day number (day 1 = 1 January of year 1), times as milliseconds of the
// day, and date-times as milliseconds since the start of day 1 minus one day
// (a TTimeStamp flattened: Date * 86400000 + Time).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexilo::framework {

using TDateTime = double;

struct TTimeStamp {
  int32_t Time = 0;  // milliseconds since midnight
  int32_t Date = 0;  // days since 1 January of year 1, plus one
};

constexpr int32_t MSecsPerDay = 86400000;
// The day number of 30 December 1899, TDateTime's day 0.
constexpr int32_t DateDelta = 693594;

TTimeStamp DateTimeToTimeStamp(TDateTime value);
TDateTime TimeStampToDateTime(const TTimeStamp& stamp);
double TimeStampToMSecs(const TTimeStamp& stamp);
TTimeStamp MSecsToTimeStamp(double msecs);

// The date of year/month/day; nothing when the date does not exist.
std::optional<TDateTime> TryEncodeDate(int year, int month, int day);
// The time of day; nothing when out of range.
std::optional<TDateTime> TryEncodeTime(int hour, int minute, int second, int msec);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);

// Texts of dates and times: "yyyy-mm-dd", "hh:nn:ss" (".zzz" added when the
// milliseconds are not 0) and "yyyy-mm-dd hh:nn:ss".
std::u16string DateToText(TDateTime value);
std::u16string TimeToText(TDateTime value);
std::u16string DateTimeToText(TDateTime value);
// Parses the texts above (a date-time may leave out its time); nothing when
// the text is not one of them.
std::optional<TDateTime> TextToDate(std::u16string_view text);
std::optional<TDateTime> TextToTime(std::u16string_view text);
std::optional<TDateTime> TextToDateTime(std::u16string_view text);

}  // namespace vexilo::framework
