#include "engine/cursor/condition/condition_functions.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "engine/cursor/condition/sql_functions.h"
#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/types/date_time.h"
#include "engine/types/string_type.h"

namespace vexilo::cursor {

using types::TVxbDataType;
using types::TVxbDataValue;

namespace {

constexpr int16_t kLevel = 6;

enum TFunction : uint8_t {
  fnAbs, fnCeiling, fnFloor, fnFrac, fnInt, fnExp, fnLog, fnSqrt, fnRound, fnRandom, fnChr, fnLength, fnUpper,
  fnLower, fnSubstring, fnExtract, fnCurrentDate, fnCurrentTime, fnCurrentTimeStamp, fnFillStr, fnNTimes,
  fnExchange, fnTrim, fnLTrim, fnRTrim, fnSin, fnCos, fnArcTan, fnAscii, fnPos, fnScan, fnLeftStr, fnRightStr,
  fnHexStr, fnYear, fnMonth, fnDay, fnWeek, fnWeekDayNo, fnHour, fnMinute, fnSecond, fnMillisecond, fnUnknown,
};

struct TFunctionName {
  std::u16string_view Name;
  TFunction Function;
};

constexpr TFunctionName kComputed[] = {
    {u"ABS", fnAbs}, {u"CEILING", fnCeiling}, {u"FLOOR", fnFloor}, {u"FRAC", fnFrac}, {u"INT", fnInt},
    {u"EXP", fnExp}, {u"LOG", fnLog}, {u"SQRT", fnSqrt}, {u"ROUND", fnRound}, {u"RANDOM", fnRandom},
    {u"CHR", fnChr}, {u"CHAR_LENGTH", fnLength}, {u"LEN", fnLength}, {u"LENGTH", fnLength}, {u"UPPER", fnUpper},
    {u"LOWER", fnLower}, {u"SUBSTRING", fnSubstring}, {u"EXTRACT", fnExtract}, {u"CURRENT_DATE", fnCurrentDate},
    {u"TODAY", fnCurrentDate}, {u"NOW", fnCurrentTime}, {u"CURRENT_TIME", fnCurrentTime},
    {u"CURRENT_TIMESTAMP", fnCurrentTimeStamp}, {u"FILLSTR", fnFillStr}, {u"NTIMES", fnNTimes},
    {u"EXCHANGE", fnExchange}, {u"TRIM", fnTrim}, {u"LTRIM", fnLTrim}, {u"RTRIM", fnRTrim}, {u"SIN", fnSin},
    {u"COS", fnCos}, {u"ARCTAN", fnArcTan}, {u"ASCII", fnAscii}, {u"POS", fnPos}, {u"SCAN", fnScan},
    {u"LEFTSTR", fnLeftStr}, {u"RIGHTSTR", fnRightStr}, {u"HEXSTR", fnHexStr}, {u"YEAR", fnYear},
    {u"MONTH", fnMonth}, {u"DAY", fnDay}, {u"WEEK", fnWeek}, {u"WEEKDAYNO", fnWeekDayNo}, {u"HOUR", fnHour},
    {u"MINUTE", fnMinute}, {u"SECOND", fnSecond}, {u"MILLISECOND", fnMillisecond},
};

std::u16string Upper(std::u16string_view text) {
  std::u16string upper(text);
  for (char16_t& c : upper) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return upper;
}

TFunction FunctionOf(const TVxbSqlFunctionCall& call) {
  const std::u16string name = Upper(call.Name);
  for (const TFunctionName& entry : kComputed) {
    if (entry.Name == name) return entry.Function;
  }
  return fnUnknown;
}

const TVxbDataType* Type(int16_t code) { return TVxbDataType::GetDataType(code, true, kLevel); }

const TVxbDataType* WideText(const TVxbDataType* like) {
  const auto* text = dynamic_cast<const types::TVxbStringType*>(like);
  return TVxbDataType::GetStringType(types::vxbWideString, true, 0, text ? text->CollationName() : u"", kLevel);
}

bool IsText(const TVxbDataType& type) { return dynamic_cast<const types::TVxbStringType*>(&type) != nullptr; }

bool IsNumber(const TVxbDataType& type) {
  const int16_t code = type.ColumnType();
  return types::IsIntegerColumnType(code) || code == types::vxbFloat;
}

bool IsDateLike(const TVxbDataType& type) {
  return type.ColumnType() == types::vxbDate || type.ColumnType() == types::vxbTimeStamp;
}

bool IsTimeLike(const TVxbDataType& type) {
  return type.ColumnType() == types::vxbTime || type.ColumnType() == types::vxbTimeStamp;
}

[[noreturn]] void WrongArgument(const TVxbSqlFunctionCall& call, const TVxbDataType& type) {
  throw errors::EVxbEngine(errors::vxbErrTypeMismatch, type.GetSqlName() + u" in " + Upper(call.Name));
}

void Require(const TVxbSqlFunctionCall& call, size_t index, bool (*accepts)(const TVxbDataType&)) {
  if (index >= call.Arguments.size()) return;
  const TVxbDataType& type = *call.Arguments[index]->ResultType;
  if (type.ColumnType() == types::vxbNullType) return;
  if (!accepts(type)) WrongArgument(call, type);
}

// ISO 8601 week of a date, from day numbers counted so that 0001-01-01 is a
// Monday numbered 367.
int64_t IsoWeek(int32_t packed) {
  const int64_t n = types::DayNumber(packed) + 366;
  const int64_t thursday = n - (n + 4) % 7 + 3;
  const int32_t year = types::UnpackDate(types::DateOfDayNumber(thursday - 366)).Year;
  const int64_t january4 = types::DayNumber(types::PackDate(year, 1, 4)) + 366;
  const int64_t firstThursday = january4 - (january4 + 4) % 7 + 3;
  return (thursday - firstThursday) / 7 + 1;
}

int64_t WeekDay(int32_t packed) { return (types::DayNumber(packed) + 366 + 4) % 7 + 1; }

std::u16string Repeat(const std::u16string& text, int64_t times) {
  std::u16string result;
  for (int64_t i = 0; i < times && result.size() < (1u << 20); ++i) result += text;
  return result;
}

std::u16string Fill(const std::u16string& text, const std::u16string& filler, int64_t length) {
  if (filler.empty() || static_cast<int64_t>(text.size()) >= length) return text;
  std::u16string result = text;
  const int64_t target = std::min<int64_t>(length, 1 << 20);
  for (size_t i = 0; static_cast<int64_t>(result.size()) < target; i = (i + 1) % filler.size()) {
    result.push_back(filler[i]);
  }
  return result;
}

std::u16string Exchange(const std::u16string& text, const std::u16string& old, const std::u16string& replacement) {
  if (old.empty()) return text;
  std::u16string result;
  size_t from = 0;
  for (size_t at = text.find(old); at != std::u16string::npos; at = text.find(old, from)) {
    result.append(text, from, at - from);
    result += replacement;
    from = at + old.size();
  }
  result.append(text, from, std::u16string::npos);
  return result;
}

std::u16string Trimmed(const std::u16string& text, char16_t c, bool leading, bool trailing) {
  size_t begin = 0;
  size_t end = text.size();
  while (leading && begin < end && text[begin] == c) ++begin;
  while (trailing && end > begin && text[end - 1] == c) --end;
  return text.substr(begin, end - begin);
}

}  // namespace

const TVxbDataType* PrepareFunction(TVxbSimpleFactor& factor) {
  const TVxbSqlFunctionCall& call = *factor.FSqlFunction;
  const TFunction function = FunctionOf(call);
  const auto argumentType = [&](size_t i) {
    return i < call.Arguments.size() ? call.Arguments[i]->ResultType : TVxbDataType::GetNullType(kLevel);
  };
  switch (function) {
    case fnUnknown:
      throw errors::EVxbEngine(errors::vxbErrNotSupported, u"the function " + Upper(call.Name));
    case fnAbs: case fnCeiling: case fnFloor: case fnFrac: case fnExp: case fnLog: case fnSqrt: case fnSin:
    case fnCos: case fnArcTan:
      Require(call, 0, IsNumber);
      return Type(types::vxbFloat);
    case fnRound:
      Require(call, 0, IsNumber);
      Require(call, 1, IsNumber);
      return Type(types::vxbFloat);
    case fnInt: case fnRandom:
      Require(call, 0, IsNumber);
      return Type(types::vxbBigInt);
    case fnChr:
      Require(call, 0, IsNumber);
      return WideText(nullptr);
    case fnLength: case fnAscii:
      Require(call, 0, IsText);
      return Type(types::vxbInteger);
    case fnPos: case fnScan:
      Require(call, 0, IsText);
      Require(call, 1, IsText);
      return Type(types::vxbInteger);
    case fnUpper: case fnLower: case fnSubstring: case fnTrim: case fnLTrim: case fnRTrim: case fnLeftStr:
    case fnRightStr: case fnFillStr: case fnNTimes: case fnExchange:
      Require(call, 0, IsText);
      if (function == fnSubstring) {
        Require(call, 1, IsNumber);
        Require(call, 2, IsNumber);
      }
      if (function == fnLeftStr || function == fnRightStr || function == fnNTimes) Require(call, 1, IsNumber);
      if (function == fnFillStr) {
        Require(call, 1, IsText);
        Require(call, 2, IsNumber);
      }
      if (function == fnExchange) {
        Require(call, 1, IsText);
        Require(call, 2, IsText);
      }
      return WideText(argumentType(0));
    case fnHexStr:
      Require(call, 0, IsNumber);
      return TVxbDataType::GetStringType(types::vxbWideString, true, 16, u"", kLevel);
    case fnExtract: {
      const std::u16string& field = call.Word;
      if (field == u"WEEKDAYNAME") throw errors::EVxbEngine(errors::vxbErrNotSupported, u"EXTRACT(WEEKDAYNAME)");
      const bool dateField = field == u"YEAR" || field == u"MONTH" || field == u"DAY" || field == u"WEEKDAY" ||
                             field == u"WEEK";
      Require(call, 0, dateField ? IsDateLike : IsTimeLike);
      return Type(types::vxbInteger);
    }
    case fnYear: case fnMonth: case fnDay: case fnWeek: case fnWeekDayNo:
      Require(call, 0, IsDateLike);
      return Type(function == fnYear ? types::vxbSmallInt : types::vxbByte);
    case fnHour: case fnMinute: case fnSecond: case fnMillisecond:
      Require(call, 0, IsTimeLike);
      return Type(function == fnMillisecond ? types::vxbSmallInt : types::vxbByte);
    case fnCurrentDate: return Type(types::vxbDate);
    case fnCurrentTime: return Type(types::vxbTime);
    case fnCurrentTimeStamp: return Type(types::vxbTimeStamp);
  }
  return nullptr;
}

TVxbOperand EvaluateFunction(TVxbSimpleFactor& factor) {
  TVxbSqlFunctionCall& call = *factor.FSqlFunction;
  const TFunction function = FunctionOf(call);
  const TVxbDataType& result = *factor.FDataType;
  TVxbDataValue& value = factor.FValue;
  std::vector<TVxbOperand> arguments;
  arguments.reserve(call.Arguments.size());
  for (auto& argument : call.Arguments) arguments.push_back(EvaluateExpression(*argument));
  const auto isNull = [&](size_t i) { return i >= arguments.size() || IsNull(arguments[i]); };
  const auto number = [&](size_t i) { return arguments[i].Type->GetDouble(*arguments[i].Value); };
  // An integer argument as a whole number; a floating-point one rounded,
  // within the 64-bit range (81 beyond).
  const auto integer = [&](size_t i) -> int64_t {
    const TVxbDataType& type = *arguments[i].Type;
    if (types::IsIntegerColumnType(type.ColumnType())) return type.GetInteger(*arguments[i].Value);
    const double d = std::nearbyint(type.GetDouble(*arguments[i].Value));
    if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0)) {
      throw errors::EVxbEngine(errors::vxbErrValueRange,
                               {type.ConvertToString(*arguments[i].Value), type.GetSqlName(),
                                std::u16string(u"-9223372036854775808"), std::u16string(u"9223372036854775807")});
    }
    return static_cast<int64_t>(d);
  };
  const auto text = [&](size_t i) {
    return isNull(i) ? std::u16string() : arguments[i].Type->GetWideString(*arguments[i].Value);
  };
  const auto setText = [&](const std::u16string& s) { result.SetWideString(value, s.data(), s.size()); };
  const auto done = [&]() { return TVxbOperand{&value, &result}; };

  // Functions of no argument.
  switch (function) {
    case fnCurrentDate:
    case fnCurrentTime:
    case fnCurrentTimeStamp: {
      const auto now = std::chrono::system_clock::now();
      const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
      std::tm local{};
      localtime_r(&seconds, &local);
      const int32_t date = types::PackDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
      const int64_t milliseconds =
          (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) * 1000LL +
          std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
      if (function == fnCurrentDate) result.SetDate(value, date);
      if (function == fnCurrentTime) result.SetTime(value, milliseconds * types::kTicksPerMillisecond);
      if (function == fnCurrentTimeStamp) {
        result.SetTimeStamp(value, types::TVxbTimeStamp{date, static_cast<int32_t>(milliseconds)});
      }
      return done();
    }
    default:
      break;
  }
  // A null first argument gives null; Pos and RightStr also for a null second.
  const bool nullSecondIsNull = function == fnPos || function == fnRightStr || function == fnSubstring ||
                                function == fnRound || function == fnFillStr || function == fnNTimes;
  if (isNull(0) || (nullSecondIsNull && arguments.size() > 1 && isNull(1))) {
    result.SetNull(value);
    return done();
  }
  switch (function) {
    case fnAbs: result.SetDouble(value, std::fabs(number(0))); break;
    case fnCeiling:
    case fnFloor: {
      const double x = function == fnCeiling ? std::ceil(number(0)) : std::floor(number(0));
      if (x < -2147483648.0 || x > 2147483647.0) result.SetNull(value);
      else result.SetDouble(value, x);
      break;
    }
    case fnFrac: result.SetDouble(value, number(0) - std::trunc(number(0))); break;
    case fnInt: {
      const double x = std::trunc(number(0));
      if (!(x >= -9223372036854775808.0 && x < 9223372036854775808.0)) {
        throw errors::EVxbEngine(errors::vxbErrValueRange,
                                 {std::u16string(u"INT"), result.GetSqlName(), std::u16string(u"function Int"),
                                  std::u16string(u"")});
      }
      result.SetInteger(value, static_cast<int64_t>(x));
      break;
    }
    case fnExp: result.SetDouble(value, std::exp(number(0))); break;
    case fnLog:
      if (number(0) <= 0) result.SetNull(value);
      else result.SetDouble(value, std::log(number(0)));
      break;
    case fnSqrt:
      if (number(0) < 0) result.SetNull(value);
      else result.SetDouble(value, std::sqrt(number(0)));
      break;
    case fnRound: {
      const int64_t places = integer(1);
      if (places < -20 || places > 20) {
        throw errors::EVxbEngine(errors::vxbErrInvalidParameter, std::u16string_view(u"ROUND"));
      }
      const double scale = std::pow(10.0, static_cast<double>(places));
      result.SetDouble(value, std::nearbyint(number(0) * scale) / scale);
      break;
    }
    case fnRandom: {
      static thread_local std::mt19937_64 generator{std::random_device{}()};
      const int64_t n = integer(0);
      result.SetInteger(value, n <= 0 ? 0 : static_cast<int64_t>(generator() % static_cast<uint64_t>(n)));
      break;
    }
    case fnChr: setText(std::u16string(1, static_cast<char16_t>(integer(0) & 0xFFFF))); break;
    case fnLength: result.SetInteger(value, static_cast<int64_t>(text(0).size())); break;
    case fnUpper:
    case fnLower: {
      result.Assign(value, *arguments[0].Value, *arguments[0].Type);
      TVxbDataType::Calculate(function == fnUpper ? types::duoStringUpper : types::duoStringLower, value, result);
      break;
    }
    case fnSubstring: {
      const std::u16string s = text(0);
      const int64_t length = static_cast<int64_t>(s.size());
      const int64_t from = integer(1);
      int64_t count = arguments.size() > 2 && !isNull(2) ? integer(2) : length;
      if (count < 0) count = length;
      if (from < 1 || from > length) setText(u"");
      else setText(s.substr(static_cast<size_t>(from - 1), static_cast<size_t>(std::min(count, length - from + 1))));
      break;
    }
    case fnExtract:
    case fnYear: case fnMonth: case fnDay: case fnWeek: case fnWeekDayNo:
    case fnHour: case fnMinute: case fnSecond: case fnMillisecond: {
      const TVxbDataType& type = *arguments[0].Type;
      std::u16string field = call.Word;
      if (function != fnExtract) {
        field = Upper(call.Name);
        if (field == u"WEEKDAYNO") field = u"WEEKDAY";
      }
      int32_t date = 0;
      int64_t milliseconds = 0;
      if (type.ColumnType() == types::vxbTimeStamp) {
        const types::TVxbTimeStamp stamp = type.GetTimeStamp(*arguments[0].Value);
        date = stamp.Date;
        milliseconds = stamp.Time;
      } else if (type.ColumnType() == types::vxbDate) {
        date = type.GetDate(*arguments[0].Value);
      } else {
        milliseconds = type.GetTime(*arguments[0].Value) / types::kTicksPerMillisecond;
      }
      const types::TVxbDateParts parts = types::UnpackDate(date);
      int64_t part = 0;
      if (field == u"YEAR") part = parts.Year;
      else if (field == u"MONTH") part = parts.Month;
      else if (field == u"DAY") part = parts.Day;
      else if (field == u"WEEKDAY") part = WeekDay(date);
      else if (field == u"WEEK") part = IsoWeek(date);
      else if (field == u"HOUR") part = milliseconds / 3'600'000;
      else if (field == u"MINUTE") part = milliseconds / 60'000 % 60;
      else if (field == u"SECOND") part = milliseconds / 1000 % 60;
      else if (field == u"MILLISECOND") part = milliseconds % 1000;
      result.SetInteger(value, part);
      break;
    }
    case fnFillStr: setText(Fill(text(0), text(1), integer(2))); break;
    case fnNTimes: setText(Repeat(text(0), integer(1))); break;
    case fnExchange:
      if (isNull(1) || isNull(2)) result.Assign(value, *arguments[0].Value, *arguments[0].Type);
      else setText(Exchange(text(0), text(1), text(2)));
      break;
    case fnTrim: {
      const char16_t c = call.TrimCharacter.empty() ? u' ' : call.TrimCharacter[0];
      setText(Trimmed(text(0), c, call.Word != u"TRAILING", call.Word != u"LEADING"));
      break;
    }
    case fnLTrim: setText(Trimmed(text(0), arguments.size() > 1 && !text(1).empty() ? text(1)[0] : u' ', true, false)); break;
    case fnRTrim: setText(Trimmed(text(0), u' ', false, true)); break;
    case fnSin: result.SetDouble(value, std::sin(number(0))); break;
    case fnCos: result.SetDouble(value, std::cos(number(0))); break;
    case fnArcTan: result.SetDouble(value, std::atan(number(0))); break;
    case fnAscii: {
      const std::u16string s = text(0);
      if (s.empty()) result.SetNull(value);
      else result.SetInteger(value, s[0]);
      break;
    }
    case fnPos: {
      const size_t at = text(1).find(text(0));
      result.SetInteger(value, at == std::u16string::npos ? 0 : static_cast<int64_t>(at) + 1);
      break;
    }
    case fnScan: {
      const std::u16string part = text(0);
      const std::u16string s = text(1);
      int64_t count = 0;
      if (!part.empty()) {
        for (size_t at = s.find(part); at != std::u16string::npos; at = s.find(part, at + 1)) ++count;
      }
      result.SetInteger(value, count);
      break;
    }
    case fnLeftStr:
    case fnRightStr: {
      const std::u16string s = text(0);
      const int64_t n = isNull(1) ? 0 : integer(1);
      const size_t take = n <= 0 ? 0 : static_cast<size_t>(std::min<int64_t>(n, static_cast<int64_t>(s.size())));
      setText(function == fnLeftStr ? s.substr(0, take) : s.substr(s.size() - take));
      break;
    }
    case fnHexStr: {
      const int64_t digits = arguments.size() > 1 && !isNull(1) ? std::clamp<int64_t>(integer(1), 1, 16) : 1;
      char buffer[32];
      std::snprintf(buffer, sizeof buffer, "%0*llX", static_cast<int>(digits),
                    static_cast<unsigned long long>(integer(0)));
      std::u16string hex;
      for (const char* c = buffer; *c; ++c) hex.push_back(static_cast<char16_t>(*c));
      if (hex.size() > 16) hex = hex.substr(hex.size() - 16);
      setText(hex);
      break;
    }
    default:
      result.SetNull(value);
      break;
  }
  return done();
}

}  // namespace vexilo::cursor
