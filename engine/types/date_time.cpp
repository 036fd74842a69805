#include "engine/types/date_time.h"

namespace vexilo::types {

namespace {

// Days before the first day of `year` since 0001-01-01.
int64_t DaysBeforeYear(int64_t year) {
  const int64_t y = year - 1;
  return y * 365 + y / 4 - y / 100 + y / 400;
}

constexpr int32_t kDaysBeforeMonth[13] = {0, 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

}  // namespace

bool IsLeapYear(int32_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int32_t DaysInMonth(int32_t year, int32_t month) {
  switch (month) {
    case 4: case 6: case 9: case 11: return 30;
    case 2: return IsLeapYear(year) ? 29 : 28;
    default: return month >= 1 && month <= 12 ? 31 : 0;
  }
}

bool IsValidDate(int32_t year, int32_t month, int32_t day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

bool IsValidDate(int32_t packed) {
  if (packed < kMinDate || packed > kMaxDate) return false;
  const TVxbDateParts p = UnpackDate(packed);
  return IsValidDate(p.Year, p.Month, p.Day);
}

int64_t DayNumber(int32_t packed) {
  const TVxbDateParts p = UnpackDate(packed);
  const int32_t month = p.Month >= 1 && p.Month <= 12 ? p.Month : 1;
  int64_t days = DaysBeforeYear(p.Year) + kDaysBeforeMonth[month] + p.Day;
  if (month > 2 && IsLeapYear(p.Year)) ++days;
  return days;
}

int32_t DateOfDayNumber(int64_t dayNumber) {
  if (dayNumber < 1 || dayNumber > DayNumber(kMaxDate)) return 0;
  // Estimate the year, then correct it by at most one step either way.
  int64_t year = (dayNumber - 1) * 400 / 146097 + 1;
  while (year > 1 && DaysBeforeYear(year) >= dayNumber) --year;
  while (DaysBeforeYear(year + 1) < dayNumber) ++year;
  int32_t dayOfYear = static_cast<int32_t>(dayNumber - DaysBeforeYear(year));
  const int32_t y = static_cast<int32_t>(year);
  int32_t month = 1;
  while (dayOfYear > DaysInMonth(y, month)) {
    dayOfYear -= DaysInMonth(y, month);
    ++month;
  }
  return PackDate(y, month, dayOfYear);
}

}  // namespace vexilo::types
