#include "engine/types/date_time_text.h"

#include <cstdio>

namespace vexilo::types {

namespace {

// Reads a run of decimal digits at `pos`; at most 9 digits so that the value
// fits an int32 (longer runs are invalid for every field read here).
bool ReadNumber(std::u16string_view text, size_t& pos, int32_t& value, size_t& digits) {
  value = 0;
  digits = 0;
  while (pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9') {
    if (++digits > 9) return false;
    value = value * 10 + (text[pos] - u'0');
    ++pos;
  }
  return digits > 0;
}

std::u16string Ascii(const char* s) { return std::u16string(s, s + std::char_traits<char>::length(s)); }

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
    if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 32);
    if (x != y) return false;
  }
  return true;
}

}  // namespace

std::u16string DateToText(int32_t packedDate) {
  const TVxbDateParts p = UnpackDate(packedDate);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", p.Day, p.Month, p.Year);
  return Ascii(buf);
}

std::optional<int32_t> DateFromText(std::u16string_view text) {
  int32_t parts[3];
  size_t digits[3];
  size_t pos = 0;
  char16_t separator = 0;
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      if (pos >= text.size()) return std::nullopt;
      if (i == 1) separator = text[pos];
      if (text[pos] != separator) return std::nullopt;
      ++pos;
    }
    if (!ReadNumber(text, pos, parts[i], digits[i])) return std::nullopt;
  }
  if (pos != text.size()) return std::nullopt;
  int yearIndex, monthIndex, dayIndex;
  switch (separator) {
    case u'.': dayIndex = 0, monthIndex = 1, yearIndex = 2; break;
    case u'/': monthIndex = 0, dayIndex = 1, yearIndex = 2; break;
    case u'-': yearIndex = 0, monthIndex = 1, dayIndex = 2; break;
    default: return std::nullopt;
  }
  int32_t year = parts[yearIndex];
  if (digits[yearIndex] <= 2) year += year < 30 ? 2000 : 1900;
  const int32_t month = parts[monthIndex];
  const int32_t day = parts[dayIndex];
  if (!IsValidDate(year, month, day)) return std::nullopt;
  return PackDate(year, month, day);
}

std::u16string TimeToText(int64_t ticks, int precision) {
  const int64_t ms = ticks / kTicksPerMillisecond;
  const int hours = static_cast<int>(ms / 3'600'000);
  const int minutes = static_cast<int>(ms / 60'000 % 60);
  const int seconds = static_cast<int>(ms / 1000 % 60);
  const int millis = static_cast<int>(ms % 1000);
  char buf[48];
  if (precision <= 1) std::snprintf(buf, sizeof buf, "%02d", hours);
  else if (precision == 2) std::snprintf(buf, sizeof buf, "%02d:%02d", hours, minutes);
  else if (precision == 3) std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", hours, minutes, seconds);
  else std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", hours, minutes, seconds, millis);
  return Ascii(buf);
}

std::optional<int64_t> TimeFromText(std::u16string_view text) {
  int32_t hours = 0, minutes = 0, seconds = 0, millis = 0;
  size_t pos = 0, digits = 0;
  if (!ReadNumber(text, pos, hours, digits)) return std::nullopt;
  if (pos < text.size() && text[pos] == u':') {
    ++pos;
    if (!ReadNumber(text, pos, minutes, digits)) return std::nullopt;
    if (pos < text.size() && text[pos] == u':') {
      ++pos;
      if (!ReadNumber(text, pos, seconds, digits)) return std::nullopt;
      if (pos < text.size() && text[pos] == u'.') {
        ++pos;
        if (!ReadNumber(text, pos, millis, digits)) return std::nullopt;
      }
    }
  }
  if (minutes > 59 || seconds > 59 || millis > 999) return std::nullopt;
  if (pos == text.size()) {
    const bool endOfDay = hours == 24 && minutes == 0 && seconds == 0 && millis == 0;
    if (hours > 23 && !endOfDay) return std::nullopt;
  } else {
    const std::u16string_view rest = text.substr(pos);
    const bool am = EqualsIgnoringCase(rest, u" AM");
    const bool pm = EqualsIgnoringCase(rest, u" PM");
    if (!am && !pm) return std::nullopt;
    if (hours < 1 || hours > 12) return std::nullopt;
    if (hours == 12) hours = 0;
    if (pm) hours += 12;
  }
  return hours * kTicksPerHour + minutes * kTicksPerMinute + seconds * kTicksPerSecond +
         millis * kTicksPerMillisecond;
}

std::u16string TimeStampToText(const TVxbTimeStamp& stamp) {
  return DateToText(stamp.Date) + u'_' + TimeToText(stamp.Time * kTicksPerMillisecond, 4);
}

std::optional<TVxbTimeStamp> TimeStampFromText(std::u16string_view text) {
  size_t separator = text.find(u'_');
  if (separator == std::u16string_view::npos) separator = text.find(u' ');
  if (separator == 0) return std::nullopt;
  std::u16string_view dateText, timeText;
  if (separator != std::u16string_view::npos) {
    dateText = text.substr(0, separator);
    timeText = text.substr(separator + 1);
  } else if (text.find(u':') == std::u16string_view::npos) {
    dateText = text;
  } else {
    timeText = text;
  }
  TVxbTimeStamp stamp{kMinDate, 0};
  if (!dateText.empty()) {
    const auto date = DateFromText(dateText);
    if (!date) return std::nullopt;
    stamp.Date = *date;
  }
  if (!timeText.empty()) {
    const auto ticks = TimeFromText(timeText);
    if (!ticks) return std::nullopt;
    int64_t ms = *ticks / kTicksPerMillisecond;
    if (ms == kMillisecondsPerDay) {
      stamp.Date = DateOfDayNumber(DayNumber(stamp.Date) + 1);
      if (stamp.Date == 0) return std::nullopt;
      ms = 0;
    }
    stamp.Time = static_cast<int32_t>(ms);
  }
  return stamp;
}

}  // namespace vexilo::types
