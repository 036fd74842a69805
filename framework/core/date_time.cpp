#include "framework/core/date_time.h"

#include <cmath>
#include <cstdio>

#include "fs/text.h"

namespace vexilo::framework {
namespace {

// Days from 1 January 1970 to the given proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = yoe + era * 400;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2 ? 1 : 0));
}

const int64_t kDayOneFromEpoch = DaysFromCivil(1, 1, 1);

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::u16string Ascii(const char* text) { return fs::u16(text); }

// Reads exactly `digits` decimal digits at `pos`.
bool ReadNumber(std::u16string_view text, size_t& pos, size_t digits, int& value) {
  if (pos + digits > text.size()) return false;
  value = 0;
  for (size_t i = 0; i < digits; ++i) {
    const char16_t c = text[pos + i];
    if (c < u'0' || c > u'9') return false;
    value = value * 10 + (c - u'0');
  }
  pos += digits;
  return true;
}

bool Expect(std::u16string_view text, size_t& pos, char16_t c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

std::optional<TDateTime> ParseDate(std::u16string_view text, size_t& pos) {
  int year = 0, month = 0, day = 0;
  if (!ReadNumber(text, pos, 4, year) || !Expect(text, pos, u'-') || !ReadNumber(text, pos, 2, month) ||
      !Expect(text, pos, u'-') || !ReadNumber(text, pos, 2, day)) {
    return std::nullopt;
  }
  return TryEncodeDate(year, month, day);
}

std::optional<TDateTime> ParseTime(std::u16string_view text, size_t& pos) {
  int hour = 0, minute = 0, second = 0, msec = 0;
  if (!ReadNumber(text, pos, 2, hour) || !Expect(text, pos, u':') || !ReadNumber(text, pos, 2, minute)) {
    return std::nullopt;
  }
  if (pos < text.size() && text[pos] == u':') {
    ++pos;
    if (!ReadNumber(text, pos, 2, second)) return std::nullopt;
    if (pos < text.size() && text[pos] == u'.') {
      ++pos;
      if (!ReadNumber(text, pos, 3, msec)) return std::nullopt;
    }
  }
  return TryEncodeTime(hour, minute, second, msec);
}

}  // namespace

TTimeStamp DateTimeToTimeStamp(TDateTime value) {
  const auto msecs = static_cast<int64_t>(std::llround(value * MSecsPerDay));
  TTimeStamp stamp;
  stamp.Date = static_cast<int32_t>(DateDelta + msecs / MSecsPerDay);
  stamp.Time = static_cast<int32_t>((msecs < 0 ? -msecs : msecs) % MSecsPerDay);
  return stamp;
}

TDateTime TimeStampToDateTime(const TTimeStamp& stamp) {
  const double days = static_cast<double>(stamp.Date) - DateDelta;
  const double time = static_cast<double>(stamp.Time) / MSecsPerDay;
  return days < 0 ? days - time : days + time;
}

double TimeStampToMSecs(const TTimeStamp& stamp) {
  return static_cast<double>(stamp.Date) * MSecsPerDay + stamp.Time;
}

TTimeStamp MSecsToTimeStamp(double msecs) {
  TTimeStamp stamp;
  const double days = std::floor(msecs / MSecsPerDay);
  stamp.Date = static_cast<int32_t>(days);
  stamp.Time = static_cast<int32_t>(std::llround(msecs - days * MSecsPerDay));
  return stamp;
}

std::optional<TDateTime> TryEncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) {
    return std::nullopt;
  }
  const int64_t dayNumber = DaysFromCivil(year, month, day) - kDayOneFromEpoch + 1;
  return static_cast<double>(dayNumber - DateDelta);
}

std::optional<TDateTime> TryEncodeTime(int hour, int minute, int second, int msec) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 ||
      msec > 999) {
    return std::nullopt;
  }
  return (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + msec) / MSecsPerDay;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  const TTimeStamp stamp = DateTimeToTimeStamp(value);
  CivilFromDays(static_cast<int64_t>(stamp.Date) - 1 + kDayOneFromEpoch, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec) {
  int32_t t = DateTimeToTimeStamp(value).Time;
  msec = t % 1000;
  t /= 1000;
  second = t % 60;
  t /= 60;
  minute = t % 60;
  hour = t / 60;
}

std::u16string DateToText(TDateTime value) {
  int year = 0, month = 0, day = 0;
  DecodeDate(value, year, month, day);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
  return Ascii(text);
}

std::u16string TimeToText(TDateTime value) {
  int hour = 0, minute = 0, second = 0, msec = 0;
  DecodeTime(value, hour, minute, second, msec);
  char text[32];
  if (msec != 0) {
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", hour, minute, second, msec);
  } else {
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", hour, minute, second);
  }
  return Ascii(text);
}

std::u16string DateTimeToText(TDateTime value) { return DateToText(value) + u" " + TimeToText(value); }

std::optional<TDateTime> TextToDate(std::u16string_view text) {
  size_t pos = 0;
  auto date = ParseDate(text, pos);
  return date && pos == text.size() ? date : std::nullopt;
}

std::optional<TDateTime> TextToTime(std::u16string_view text) {
  size_t pos = 0;
  auto time = ParseTime(text, pos);
  return time && pos == text.size() ? time : std::nullopt;
}

std::optional<TDateTime> TextToDateTime(std::u16string_view text) {
  size_t pos = 0;
  const auto date = ParseDate(text, pos);
  if (!date) return std::nullopt;
  if (pos == text.size()) return date;
  if (!Expect(text, pos, u' ')) return std::nullopt;
  const auto time = ParseTime(text, pos);
  if (!time || pos != text.size()) return std::nullopt;
  return *date < 0 ? *date - *time : *date + *time;
}

}  // namespace vexilo::framework
