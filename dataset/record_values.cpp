#include "dataset/record_values.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/types/date_time.h"

namespace vexilo::dataset {
namespace {

using types::TVxbFieldCodec;

template <class T>
bool Put(std::span<std::byte> native, T value) {
  if (native.size() >= sizeof(T)) std::memcpy(native.data(), &value, sizeof(T));
  return true;
}

template <class T>
T Get(std::span<const std::byte> native) {
  T value{};
  std::memcpy(&value, native.data(), std::min(native.size(), sizeof(T)));
  return value;
}

// UTF-16 text into a native wide-string value of `native.size()` bytes.
void PutWide(std::span<std::byte> native, std::u16string_view text) {
  if (native.size() < 2) return;
  const size_t units = std::min(text.size(), native.size() / 2 - 1);
  std::fill(native.begin(), native.end(), std::byte{0});
  std::memcpy(native.data(), text.data(), units * 2);
}

std::u16string GetWide(std::span<const std::byte> native) {
  std::u16string text(native.size() / 2, u'\0');
  std::memcpy(text.data(), native.data(), text.size() * 2);
  text.resize(std::min(text.find(u'\0'), text.size()));
  return text;
}

void PutAnsi(std::span<std::byte> native, std::string_view bytes) {
  if (native.empty()) return;
  const size_t count = std::min(bytes.size(), native.size() - 1);
  std::fill(native.begin(), native.end(), std::byte{0});
  std::memcpy(native.data(), bytes.data(), count);
}

std::string GetAnsi(std::span<const std::byte> native) {
  std::string bytes(reinterpret_cast<const char*>(native.data()), native.size());
  bytes.resize(std::min(bytes.find('\0'), bytes.size()));
  return bytes;
}

// The `number`-th (from 1) name of a comma-separated list; empty when none.
std::u16string ListItem(std::u16string_view list, int number) {
  int index = 1;
  size_t start = 0;
  while (start <= list.size()) {
    const size_t comma = std::min(list.find(u',', start), list.size());
    if (index == number) return std::u16string(list.substr(start, comma - start));
    ++index;
    start = comma + 1;
  }
  return {};
}

// The number (from 1) of `name` in a comma-separated list, 0 when absent.
int ListNumber(std::u16string_view list, std::u16string_view name) {
  int index = 1;
  size_t start = 0;
  while (start <= list.size()) {
    const size_t comma = std::min(list.find(u',', start), list.size());
    if (list.substr(start, comma - start) == name) return index;
    ++index;
    start = comma + 1;
  }
  return 0;
}

constexpr int64_t kMsPerDay = types::kMillisecondsPerDay;

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

std::u16string GuidText(const types::TGuid& guid) {
  uint8_t bytes[16];
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(guid.Data1 >> (24 - 8 * i));
  bytes[4] = static_cast<uint8_t>(guid.Data2 >> 8);
  bytes[5] = static_cast<uint8_t>(guid.Data2);
  bytes[6] = static_cast<uint8_t>(guid.Data3 >> 8);
  bytes[7] = static_cast<uint8_t>(guid.Data3);
  std::copy_n(guid.Data4, 8, bytes + 8);
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string text = u"{";
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += u'-';
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
  }
  return text + u"}";
}

bool ParseGuidText(std::u16string_view text, types::TGuid& guid) {
  if (text.size() != 38 || text.front() != u'{' || text.back() != u'}') return false;
  uint8_t bytes[16];
  size_t at = 1;
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) {
      if (text[at++] != u'-') return false;
    }
    const int high = HexDigit(text[at]);
    const int low = HexDigit(text[at + 1]);
    if (high < 0 || low < 0) return false;
    bytes[i] = static_cast<uint8_t>(high * 16 + low);
    at += 2;
  }
  guid.Data1 = (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
  guid.Data2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
  guid.Data3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
  std::copy_n(bytes + 8, 8, guid.Data4);
  return true;
}

bool ReadFieldValue(const TVxbFieldDef& def, const uint8_t* record, std::span<std::byte> native,
                    const std::function<std::u16string(int32_t recordId)>& linkText) {
  const types::TVxbFieldLayout& f = def.Layout;
  switch (def.DataType) {
    case TVxbDataType::dtString: {
      std::string value;
      if (def.ColumnType == 0) {
        uint8_t c = 0;
        if (!TVxbFieldCodec::ReadChar(record, f, c)) return false;
        value.assign(1, static_cast<char>(c));
      } else if (!TVxbFieldCodec::ReadString(record, f, value)) {
        return false;
      }
      PutAnsi(native, value);
      return true;
    }
    case TVxbDataType::dtWideString: {
      std::u16string value;
      if (!TVxbFieldCodec::ReadWideString(record, f, value)) return false;
      PutWide(native, value);
      return true;
    }
    case TVxbDataType::dtSmallInt: {
      int16_t value = 0;
      return TVxbFieldCodec::ReadSmallInt(record, f, value) && Put(native, value);
    }
    case TVxbDataType::dtByte: {
      uint8_t value = 0;
      return TVxbFieldCodec::ReadByte(record, f, value) && Put(native, static_cast<int16_t>(value));
    }
    case TVxbDataType::dtInteger:
    case TVxbDataType::dtAutoInc: {
      int32_t value = 0;
      return TVxbFieldCodec::ReadInteger(record, f, value) && Put(native, value);
    }
    case TVxbDataType::dtLargeInt: {
      int64_t value = 0;
      return TVxbFieldCodec::ReadBigInt(record, f, value) && Put(native, value);
    }
    case TVxbDataType::dtFloat: {
      double value = 0;
      return TVxbFieldCodec::ReadFloat(record, f, value) && Put(native, value);
    }
    case TVxbDataType::dtBoolean: {
      bool value = false;
      return TVxbFieldCodec::ReadBoolean(record, f, value) && Put(native, static_cast<int16_t>(value ? 1 : 0));
    }
    case TVxbDataType::dtDate: {
      int32_t packed = 0;
      if (!TVxbFieldCodec::ReadDate(record, f, packed) || packed <= 0) return false;
      return Put(native, static_cast<int32_t>(types::DayNumber(packed)));
    }
    case TVxbDataType::dtTime: {
      int64_t ticks = 0;
      if (!TVxbFieldCodec::ReadTime(record, f, ticks)) return false;
      return Put(native, static_cast<int32_t>(ticks / types::kTicksPerMillisecond));
    }
    case TVxbDataType::dtDateTime: {
      types::TVxbTimeStamp stamp;
      if (!TVxbFieldCodec::ReadTimeStamp(record, f, stamp)) return false;
      const double msecs = static_cast<double>(types::DayNumber(stamp.Date)) * static_cast<double>(kMsPerDay) +
                           static_cast<double>(stamp.Time);
      if (msecs < 0) return false;
      return Put(native, msecs);
    }
    case TVxbDataType::dtEnum: {
      uint8_t value = 0;
      if (!TVxbFieldCodec::ReadEnum(record, f, value)) return false;
      PutWide(native, ListItem(def.Specification, value));
      return true;
    }
    case TVxbDataType::dtLink: {
      int32_t id = 0;
      if (!TVxbFieldCodec::ReadLink(record, f, id) || id <= 0) return false;
      if (!native.empty()) {
        std::u16string text = linkText ? linkText(id) : std::u16string();
        if (text.empty()) {
          const std::string number = std::to_string(id);
          text = u"(" + std::u16string(number.begin(), number.end()) + u")";
        }
        PutWide(native, text);
      }
      return true;
    }
    case TVxbDataType::dtRelation:
      // The related records' list is kept by the engine, not in the record.
      return false;
    case TVxbDataType::dtGuid: {
      types::TGuid guid;
      if (!TVxbFieldCodec::ReadGuid(record, f, guid)) return false;
      const std::u16string text = GuidText(guid);
      PutAnsi(native, std::string(text.begin(), text.end()));
      return true;
    }
    case TVxbDataType::dtMemo:
    case TVxbDataType::dtBlob:
    case TVxbDataType::dtWideMemo: {
      int32_t block = 0;
      return TVxbFieldCodec::ReadBlockRef(record, f, block) && block != 0;
    }
  }
  return false;
}

bool WriteFieldValue(const TVxbFieldDef& def, uint8_t* record, std::span<const std::byte> native) {
  const types::TVxbFieldLayout& f = def.Layout;
  const bool present = !native.empty();
  switch (def.DataType) {
    case TVxbDataType::dtString:
      if (def.ColumnType == 0) {
        const std::string value = present ? GetAnsi(native) : std::string();
        return TVxbFieldCodec::WriteChar(record, f, present, value.empty() ? 0 : static_cast<uint8_t>(value[0]));
      }
      return TVxbFieldCodec::WriteString(record, f, present, present ? GetAnsi(native) : std::string());
    case TVxbDataType::dtWideString:
      return TVxbFieldCodec::WriteWideString(record, f, present, present ? GetWide(native) : std::u16string());
    case TVxbDataType::dtSmallInt:
      return TVxbFieldCodec::WriteSmallInt(record, f, present, present ? Get<int16_t>(native) : 0);
    case TVxbDataType::dtByte:
      return TVxbFieldCodec::WriteByte(record, f, present, present ? Get<int16_t>(native) : 0);
    case TVxbDataType::dtInteger:
    case TVxbDataType::dtAutoInc:
      return TVxbFieldCodec::WriteInteger(record, f, present, present ? Get<int32_t>(native) : 0);
    case TVxbDataType::dtLargeInt:
      return TVxbFieldCodec::WriteBigInt(record, f, present, present ? Get<int64_t>(native) : 0);
    case TVxbDataType::dtFloat:
      return TVxbFieldCodec::WriteFloat(record, f, present, present ? Get<double>(native) : 0.0);
    case TVxbDataType::dtBoolean:
      return TVxbFieldCodec::WriteBoolean(record, f, present, present && Get<int16_t>(native) != 0 ? 1 : 0);
    case TVxbDataType::dtDate: {
      if (!present) return TVxbFieldCodec::WriteDate(record, f, false, 0);
      const int32_t packed = types::DateOfDayNumber(Get<int32_t>(native));
      return packed != 0 && TVxbFieldCodec::WriteDate(record, f, true, packed);
    }
    case TVxbDataType::dtTime:
      return TVxbFieldCodec::WriteTime(record, f, present,
                                       present ? int64_t{Get<int32_t>(native)} * types::kTicksPerMillisecond : 0);
    case TVxbDataType::dtDateTime: {
      if (!present) return TVxbFieldCodec::WriteTimeStamp(record, f, false, {});
      const double msecs = Get<double>(native);
      if (!std::isfinite(msecs) || msecs < 0) return false;
      const auto whole = static_cast<int64_t>(std::floor(msecs));
      const int32_t date = types::DateOfDayNumber(whole / kMsPerDay);
      if (date == 0) return false;
      return TVxbFieldCodec::WriteTimeStamp(record, f, true,
                                            types::TVxbTimeStamp{date, static_cast<int32_t>(whole % kMsPerDay)});
    }
    case TVxbDataType::dtEnum: {
      if (!present) return TVxbFieldCodec::WriteEnum(record, f, false, 0);
      const int number = ListNumber(def.Specification, GetWide(native));
      return number != 0 && TVxbFieldCodec::WriteEnum(record, f, true, number);
    }
    case TVxbDataType::dtGuid: {
      if (!present) return TVxbFieldCodec::WriteGuid(record, f, false, {});
      const std::string text = GetAnsi(native);
      types::TGuid guid;
      return ParseGuidText(std::u16string(text.begin(), text.end()), guid) &&
             TVxbFieldCodec::WriteGuid(record, f, true, guid);
    }
    case TVxbDataType::dtLink:
    case TVxbDataType::dtRelation:
    case TVxbDataType::dtMemo:
    case TVxbDataType::dtBlob:
    case TVxbDataType::dtWideMemo:
      return false;
  }
  return false;
}

}  // namespace vexilo::dataset
