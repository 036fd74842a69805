#include "tools/record_json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "engine/types/column_type.h"
#include "engine/types/date_time.h"
#include "engine/types/field_codec.h"
#include "tools/json_text.h"

namespace vexilo::tools {

namespace {

using types::TVxbFieldCodec;

std::string Number(int64_t value) { return std::to_string(value); }

std::string Number(double value) {
  if (!std::isfinite(value)) return JsonString(std::isnan(value) ? u"NaN" : value > 0 ? u"Infinity" : u"-Infinity");
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// `text` between double quotes (a JSON string of text that needs no escapes).
std::string InQuotes(const std::string& text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted += '"';
  quoted += text;
  quoted += '"';
  return quoted;
}

std::string DateText(int32_t packed) {
  const types::TVxbDateParts parts = types::UnpackDate(packed);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", parts.Year, parts.Month, parts.Day);
  return buffer;
}

std::string TimeText(int64_t milliseconds) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%02lld:%02lld:%02lld.%03lld", static_cast<long long>(milliseconds / 3600000),
                static_cast<long long>(milliseconds / 60000 % 60), static_cast<long long>(milliseconds / 1000 % 60),
                static_cast<long long>(milliseconds % 1000));
  return buffer;
}

std::string GuidText(const types::TGuid& g) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return buffer;
}

}  // namespace

std::string FieldValueJson(const uint8_t* record, const types::TVxbFieldLayout& f, int16_t typeCode,
                           const TFieldJsonContext& context) {
  switch (typeCode) {
    case types::vxbChar: {
      uint8_t c = 0;
      if (!TVxbFieldCodec::ReadChar(record, f, c)) return "null";
      return JsonString(context.AnsiToWide(c ? std::string(1, static_cast<char>(c)) : std::string()));
    }
    case types::vxbString: {
      std::string s;
      return TVxbFieldCodec::ReadString(record, f, s) ? JsonString(context.AnsiToWide(s)) : "null";
    }
    case types::vxbWideString: {
      std::u16string s;
      return TVxbFieldCodec::ReadWideString(record, f, s) ? JsonString(s) : "null";
    }
    case types::vxbSmallInt: {
      int16_t v = 0;
      return TVxbFieldCodec::ReadSmallInt(record, f, v) ? Number(int64_t{v}) : "null";
    }
    case types::vxbByte: {
      uint8_t v = 0;
      return TVxbFieldCodec::ReadByte(record, f, v) ? Number(int64_t{v}) : "null";
    }
    case types::vxbBoolean: {
      bool v = false;
      return TVxbFieldCodec::ReadBoolean(record, f, v) ? (v ? "true" : "false") : "null";
    }
    case types::vxbEnum: {
      uint8_t v = 0;
      if (!TVxbFieldCodec::ReadEnum(record, f, v)) return "null";
      const std::optional<std::u16string> name = context.EnumName(v);
      return name ? JsonString(*name) : Number(int64_t{v});
    }
    case types::vxbInteger: case types::vxbRecordId: {
      int32_t v = 0;
      return TVxbFieldCodec::ReadInteger(record, f, v) ? Number(int64_t{v}) : "null";
    }
    case types::vxbLink: {
      int32_t v = 0;
      return TVxbFieldCodec::ReadLink(record, f, v) ? Number(int64_t{v}) : "null";
    }
    case types::vxbBigInt: {
      int64_t v = 0;
      return TVxbFieldCodec::ReadBigInt(record, f, v) ? Number(v) : "null";
    }
    case types::vxbFloat: {
      double v = 0;
      return TVxbFieldCodec::ReadFloat(record, f, v) ? Number(v) : "null";
    }
    case types::vxbDate: {
      int32_t v = 0;
      return TVxbFieldCodec::ReadDate(record, f, v) ? InQuotes(DateText(v)) : "null";
    }
    case types::vxbTime: {
      int64_t ticks = 0;
      return TVxbFieldCodec::ReadTime(record, f, ticks) ? InQuotes(TimeText(ticks / types::kTicksPerMillisecond))
                                                        : "null";
    }
    case types::vxbTimeStamp: {
      types::TVxbTimeStamp v;
      if (!TVxbFieldCodec::ReadTimeStamp(record, f, v)) return "null";
      return InQuotes(DateText(v.Date) + "T" + TimeText(v.Time));
    }
    case types::vxbGuid: {
      types::TGuid v;
      return TVxbFieldCodec::ReadGuid(record, f, v) ? InQuotes(GuidText(v)) : "null";
    }
    case types::vxbMemo: case types::vxbWideMemo: case types::vxbBlob: {
      int32_t block = 0;
      if (!TVxbFieldCodec::ReadBlockRef(record, f, block) || block == 0) return "null";
      return context.Content(block);
    }
    default:
      return "null";
  }
}


}  // namespace vexilo::tools
