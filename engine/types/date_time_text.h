// The text forms of dates, times and time stamps, as the engine writes them
// and as it reads them from literals and text fields.
//
// Written forms:  date "31.12.2013";  time "23:59:59.999", shortened to the
// column's precision (1 hours, 2 minutes, 3 seconds, 4 milliseconds); time
// stamp "31.12.2013_23:59:59.999".
//
// Read forms:
//   date   d.m.y, m/d/y or y-m-d (the first separator decides), each part a
//          run of digits; a one- or two-digit year y means 2000 + y below 30
//          and 1900 + y otherwise;
//   time   h[:m[:s[.ms]]] with h <= 23, m <= 59, s <= 59, ms < 1000, or
//          exactly 24:00:00.000; or the same followed by " AM" or " PM" with
//          h from 1 to 12 (12 AM is midnight, 12 PM noon); ".ms" is a count of
//          milliseconds;
//   stamp  date and time separated by the first "_", or if there is none the
//          first blank; a text without separator is a date (then midnight)
//          when it has no ":", else a time on 0001-01-01.
// The parsers return nothing for an invalid text; callers raise the error
// that fits their context. None of them accepts an empty text (the callers
// turn that into null).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/types/date_time.h"

namespace vexilo::types {

std::u16string DateToText(int32_t packedDate);
std::optional<int32_t> DateFromText(std::u16string_view text);

// `ticks` since midnight, written as far as `precision` (1-4) reaches.
std::u16string TimeToText(int64_t ticks, int precision);
// Ticks since midnight; 24:00:00.000 gives a whole day of ticks.
std::optional<int64_t> TimeFromText(std::u16string_view text);

std::u16string TimeStampToText(const TVxbTimeStamp& stamp);
// A time of 24:00 in a time stamp is midnight of the following day.
std::optional<TVxbTimeStamp> TimeStampFromText(std::u16string_view text);

}  // namespace vexilo::types
