// Calendar arithmetic of the Date, Time and TimeStamp column types.
//
// A date is kept packed in an int32: year * 512 + month * 32 + day (year in
// bits 9 and up, month in bits 5-8, day in bits 0-4); 0 stands for null. The
// valid dates run from 0001-01-01 (545) to 9999-12-31 (5119903) in the
// proleptic Gregorian calendar. A time of day is kept either in ticks of
// 100 ns since midnight (the typed accessors) or in milliseconds since
// midnight (Time fields of precision 3 and 4, the time of a time stamp).
//
// Everything here is pure computation on plain numbers and safe on any
// input: a malformed packed date never makes a function misbehave, it only
// counts as invalid.
#pragma once

#include <cstdint>

namespace vexilo::types {

// A packed date and a time of day in milliseconds. Date 0 and time 0
// together are the null time stamp.
struct TVxbTimeStamp {
  int32_t Date = 0;
  int32_t Time = 0;
  friend bool operator==(const TVxbTimeStamp&, const TVxbTimeStamp&) = default;
};

inline constexpr int32_t kMinDate = 545;        // 0001-01-01
inline constexpr int32_t kMaxDate = 5119903;    // 9999-12-31
inline constexpr int32_t kDefaultDate = kMinDate;

inline constexpr int64_t kTicksPerMillisecond = 10'000;
inline constexpr int64_t kTicksPerSecond = 10'000'000;
inline constexpr int64_t kTicksPerMinute = 600'000'000;
inline constexpr int64_t kTicksPerHour = 36'000'000'000;
inline constexpr int64_t kTicksPerDay = 864'000'000'000;
inline constexpr int32_t kMillisecondsPerDay = 86'400'000;
// 23:59:59.9999999, the largest value of a Time.
inline constexpr int64_t kMaxTimeTicks = kTicksPerDay - 1;

// Year, month and day of a date.
struct TVxbDateParts {
  int32_t Year = 0;
  int32_t Month = 0;
  int32_t Day = 0;
};

// Divisible by 4 and not by 100, or divisible by 400.
bool IsLeapYear(int32_t year);
// Days in `month` (1-12) of `year`; 0 for a month outside 1-12.
int32_t DaysInMonth(int32_t year, int32_t month);
// Whether the parts name a real day from 0001-01-01 to 9999-12-31.
bool IsValidDate(int32_t year, int32_t month, int32_t day);
bool IsValidDate(int32_t packed);

// Packing without validation; the caller checks the parts first.
constexpr int32_t PackDate(int32_t year, int32_t month, int32_t day) { return year * 512 + month * 32 + day; }
constexpr TVxbDateParts UnpackDate(int32_t packed) {
  return {packed >> 9, (packed >> 5) & 15, packed & 31};
}

// Days counted from the start of year 1 (0001-01-01 is day 1). Defined for
// every packed value whose parts are in range; other values give a number
// that keeps their packed order among themselves but is otherwise
// meaningless.
int64_t DayNumber(int32_t packed);
// The packed date of a day number; 0 when the day lies outside
// 0001-01-01 to 9999-12-31.
int32_t DateOfDayNumber(int64_t dayNumber);

// Whether a time of day is within 0 to 23:59:59.999 (milliseconds).
constexpr bool IsValidTimeOfDay(int64_t milliseconds) {
  return milliseconds >= 0 && milliseconds < kMillisecondsPerDay;
}

}  // namespace vexilo::types
