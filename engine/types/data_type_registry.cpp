// The registry of data-type objects: every instance ever made, owned here
// for the life of the process, found again by its parameters. A mutex guards
// the table; the instances themselves are immutable and need none.

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/types/ansi_string_type.h"
#include "engine/types/binary_type.h"
#include "engine/types/char_type.h"
#include "engine/types/data_type.h"
#include "engine/types/date_time_type.h"
#include "engine/types/enum_type.h"
#include "engine/types/float_type.h"
#include "engine/types/guid_type.h"
#include "engine/types/integer_type.h"
#include "engine/types/null_type.h"
#include "engine/types/relation_type.h"
#include "engine/types/string_size.h"
#include "engine/types/type_errors.h"
#include "engine/types/wide_string_type.h"

namespace vexilo::types {

namespace {

// Everything that makes two instances different: the code, level and
// nullability, two numbers and a text whose meaning depends on the kind
// (MaxLength and collation name; scale; precision and null-byte flag; flags
// and the item list; maximum size).
struct TTypeKey {
  TTypeKey(int16_t code, int16_t level, bool nullable, int64_t a = 0, int64_t b = 0, std::u16string text = {})
      : code(code), level(level), nullable(nullable), a(a), b(b), text(std::move(text)) {}

  int16_t code;
  int16_t level;
  bool nullable;
  int64_t a;
  int64_t b;
  std::u16string text;
  auto operator<=>(const TTypeKey&) const = default;
};

class TTypeRegistry {
 public:
  // The instance for `key`, made by `make` when there is none yet. `make`
  // may throw; nothing is registered then.
  template <typename T, typename Make>
  const T* Intern(const TTypeKey& key, Make make) {
    std::lock_guard<std::mutex> lock(FMutex);
    auto it = FTypes.find(key);
    if (it == FTypes.end()) it = FTypes.emplace(key, make()).first;
    return static_cast<const T*>(it->second.get());
  }

 private:
  std::mutex FMutex;
  std::map<TTypeKey, std::unique_ptr<TVxbDataType>> FTypes;
};

// Freed when the process ends, with every type in it.
TTypeRegistry& Registry() {
  static TTypeRegistry registry;
  return registry;
}

bool EffectiveNullable(int16_t code, bool nullable, int16_t level) {
  return nullable && CanBeNullable(code, level);
}

std::u16string EnumKeyText(const std::vector<TVxbEnumItem>& items) {
  std::u16string text;
  for (const auto& item : items) {
    text += item.Name;
    text += u'\x1';
    const uint32_t v = static_cast<uint32_t>(item.Value);
    text += static_cast<char16_t>(v & 0xFFFF);
    text += static_cast<char16_t>(v >> 16);
    text += u'\x2';
  }
  return text;
}

}  // namespace

const TVxbDataType* TVxbDataType::GetDataType(int16_t columnType, bool nullable, int16_t level) {
  const bool n = EffectiveNullable(columnType, nullable, level);
  switch (columnType) {
    case vxbNullType:
      return GetNullType(level);
    case vxbChar:
      return Registry().Intern<TVxbDataType>({columnType, level, n},
                                             [&] { return std::make_unique<TVxbCharType>(n, level); });
    case vxbSmallInt: case vxbByte: case vxbBoolean: case vxbRecordId: case vxbLink: case vxbInteger:
    case vxbBigInt:
      return Registry().Intern<TVxbDataType>(
          {columnType, level, n}, [&] { return std::make_unique<TVxbIntegerType>(columnType, n, level); });
    case vxbFloat:
      return GetFloatType(columnType, n, 2, level);
    case vxbDate: case vxbTime: case vxbTimeStamp:
      return GetDateTimeType(columnType, n, 4, level);
    case vxbMemo: case vxbWideMemo:
      return GetStringType(columnType, n, 0, u"", level);
    case vxbBlob: case vxbBinary:
      return GetBinaryType(columnType, n, 0, level);
    case vxbRelation:
      return Registry().Intern<TVxbDataType>({columnType, level, n},
                                             [&] { return std::make_unique<TVxbRelationType>(n, level); });
    case vxbGuid:
      return Registry().Intern<TVxbDataType>({columnType, level, n},
                                             [&] { return std::make_unique<TVxbGuidType>(n, level); });
    default:
      return nullptr;  // String, Enum, WideString need parameters; others are no type
  }
}

const TVxbDataType* TVxbDataType::GetDataType(int16_t columnType, bool nullable, int32_t size, int16_t level) {
  if (columnType == vxbString || columnType == vxbWideString)
    return GetStringType(columnType, nullable, TVxbStringType::CalcMaxLength(columnType, nullable, size, level),
                         u"", level);
  if (columnType == vxbTime) {
    const bool n = EffectiveNullable(columnType, nullable, level);
    const int32_t valueSize = size - (n ? 1 : 0);
    return GetDateTimeType(columnType, n, valueSize <= 2 ? 2 : 4, level);
  }
  return GetDataType(columnType, nullable, level);
}

const TVxbStringType* TVxbDataType::GetStringType(int16_t columnType, bool nullable, int32_t maxLength,
                                                  std::u16string_view collationName, int16_t level) {
  if (!IsTextColumnType(columnType) || columnType == vxbChar) return nullptr;
  const bool n = EffectiveNullable(columnType, nullable, level);
  const bool unbounded = columnType == vxbMemo || columnType == vxbWideMemo || maxLength == 0 ||
                         maxLength == kUnboundedLength;
  const int32_t length = unbounded ? kUnboundedLength : maxLength;
  if (!unbounded) CheckStringLength(columnType, length);
  const std::u16string name(collationName);
  const bool wide = columnType == vxbWideString || columnType == vxbWideMemo;
  return Registry().Intern<TVxbStringType>({columnType, level, n, length, 0, name},
                                           [&]() -> std::unique_ptr<TVxbDataType> {
                                             if (wide)
                                               return std::make_unique<TVxbWideStringType>(columnType, n, length,
                                                                                           name, level);
                                             return std::make_unique<TVxbAnsiStringType>(columnType, n, length,
                                                                                         name, level);
                                           });
}

const TVxbStringType* TVxbDataType::GetApproxStringType(int16_t columnType, bool nullable, int32_t maxLength,
                                                        std::u16string_view collationName, int16_t level) {
  int32_t length = maxLength;
  if (length != 0 && length != kUnboundedLength) {
    auto roundUp = [](int32_t v, int32_t step) { return (v + step - 1) / step * step; };
    if (length <= 10) length = 10;
    else if (length <= 100) length = roundUp(length, 10);
    else if (length <= 1000) length = roundUp(length, 100);
    else if (length <= 10000) length = roundUp(length, 1000);
    else length = MaxStringLengthOf(columnType);
    if (columnType == vxbWideString && length > kMaxWideStringLength) length = kMaxWideStringLength;
  }
  return GetStringType(columnType, nullable, length, collationName, level);
}

const TVxbDataType* TVxbDataType::GetVariableType(const TVxbDataType* dataType) {
  if (!dataType) return nullptr;
  const int16_t code = dataType->ColumnType();
  if (code != vxbMemo && code != vxbWideMemo) return dataType;
  const auto* memo = static_cast<const TVxbStringType*>(dataType);
  return GetStringType(code == vxbMemo ? vxbString : vxbWideString, memo->Nullable(), 0, memo->CollationName(),
                       memo->Level());
}

const TVxbFloatType* TVxbDataType::GetFloatType(int16_t columnType, bool nullable, int16_t scale, int16_t level) {
  if (columnType != vxbFloat) return nullptr;
  const bool n = EffectiveNullable(columnType, nullable, level);
  return Registry().Intern<TVxbFloatType>({columnType, level, n, scale},
                                          [&] { return std::make_unique<TVxbFloatType>(n, scale, level); });
}

const TVxbDateTimeType* TVxbDataType::GetDateTimeType(int16_t columnType, bool nullable, int16_t precision,
                                                      bool hasNullByte, int16_t level) {
  if (columnType != vxbDate && columnType != vxbTime && columnType != vxbTimeStamp) return nullptr;
  const bool n = EffectiveNullable(columnType, nullable, level);
  const int16_t p = columnType != vxbTime || precision < 1 || precision > 4 ? 4 : precision;
  const bool nullByte = hasNullByte && n;
  return Registry().Intern<TVxbDateTimeType>({columnType, level, n, p, nullByte}, [&] {
    return std::make_unique<TVxbDateTimeType>(columnType, n, p, nullByte, level);
  });
}

const TVxbDateTimeType* TVxbDataType::GetDateTimeType(int16_t columnType, bool nullable, int16_t precision,
                                                      int16_t level) {
  return GetDateTimeType(columnType, nullable, precision, nullable && columnType == vxbTime, level);
}

const TVxbEnumType* TVxbDataType::GetEnumType(bool nullable, bool flags, const std::vector<TVxbEnumItem>& items,
                                              int16_t level) {
  const bool n = EffectiveNullable(vxbEnum, nullable, level);
  return Registry().Intern<TVxbEnumType>({vxbEnum, level, n, flags, 0, EnumKeyText(items)},
                                         [&] { return std::make_unique<TVxbEnumType>(n, flags, items, level); });
}

const TVxbEnumType* TVxbDataType::GetEnumType(bool nullable, bool flags, std::u16string_view names,
                                              char16_t separator, char16_t quote, int16_t level) {
  std::vector<TVxbEnumItem> items;
  size_t pos = 0;
  while (pos <= names.size()) {
    std::u16string name;
    if (quote && pos < names.size() && names[pos] == quote) {
      // A quoted name runs to the next single quote character.
      ++pos;
      while (pos < names.size()) {
        if (names[pos] == quote) {
          if (pos + 1 < names.size() && names[pos + 1] == quote) {
            name += quote;
            pos += 2;
            continue;
          }
          ++pos;
          break;
        }
        name += names[pos++];
      }
      while (pos < names.size() && names[pos] != separator) ++pos;  // text after the closing quote
    } else {
      const size_t end = std::min(names.find(separator, pos), names.size());
      name.assign(names.substr(pos, end - pos));
      pos = end;
    }
    if (!name.empty()) items.push_back({name, static_cast<int32_t>(items.size() + 1)});
    ++pos;  // the separator
  }
  return GetEnumType(nullable, flags, items, level);
}

const TVxbBinaryType* TVxbDataType::GetBinaryType(int16_t columnType, bool nullable, int32_t maxSize,
                                                  int16_t level) {
  if (columnType != vxbBlob && columnType != vxbBinary) return nullptr;
  const bool n = EffectiveNullable(columnType, nullable, level);
  return Registry().Intern<TVxbBinaryType>({columnType, level, n, maxSize}, [&] {
    return std::make_unique<TVxbBinaryType>(columnType, n, maxSize, level);
  });
}

const TVxbDataType* TVxbDataType::GetNullType(int16_t level) {
  return Registry().Intern<TVxbDataType>({vxbNullType, level, true},
                                         [&] { return std::make_unique<TVxbNullType>(level); });
}

// ---- Operations across two types ----

bool TVxbDataType::CanConvert(const TVxbDataType& from, const TVxbDataType& to, bool explicitly) {
  return to.CanConvertFrom(from, explicitly) || from.CanConvertTo(to, explicitly);
}

void TVxbDataType::Convert(const TVxbDataValue& fromValue, TVxbDataValue& toValue, const TVxbDataType& from,
                           const TVxbDataType& to, bool explicitly) {
  if (to.CanConvertFrom(from, explicitly)) to.ConvertFrom(toValue, fromValue, from, explicitly);
  else if (from.CanConvertTo(to, explicitly)) from.ConvertTo(fromValue, toValue, to, explicitly);
  else from.RaiseMismatch(to.GetTplName());
}

void TVxbDataType::Convert(TVxbDataValue& value, const TVxbDataType& from, const TVxbDataType& to, bool explicitly) {
  if (&from == &to) return;
  TVxbDataValue source = std::move(value);
  value.Clear();
  // A reference holder keeps referring to its bytes; converting must not
  // write the new type's bytes over them.
  Convert(source, value, from, to, explicitly);
}

bool TVxbDataType::CanCompare(const TVxbDataType& type1, const TVxbDataType& type2) {
  return type1.CanCompareTo(type2) || type2.CanCompareTo(type1);
}

int TVxbDataType::Compare(const TVxbDataValue& value1, const TVxbDataValue& value2, const TVxbDataType& type1,
                          const TVxbDataType& type2, TStrCmpOptions options) {
  if (type1.CanCompareTo(type2)) return type1.CompareTo(value1, value2, type2, options);
  if (!type2.CanCompareTo(type1)) throw EVxbTypeError(u"Cannot compare these types");
  const int r = type2.CompareTo(value2, value1, type1, options);
  return r >= 1 ? 4 - r : r;
}

const TVxbDataType* TVxbDataType::GetSuperType(const TVxbDataType& type1, const TVxbDataType& type2) {
  if (const TVxbDataType* t = type1.GetSuperType(type2)) return t;
  return type2.GetSuperType(type1);
}

const TVxbDataType* TVxbDataType::GetResultDataType(TVxbBinaryOperator op, const TVxbDataType& type1,
                                                    const TVxbDataType& type2) {
  if (const TVxbDataType* t = type1.GetResultDataTypeWith(op, type1, type2)) return t;
  return type2.GetResultDataTypeWith(op, type1, type2);
}

const TVxbDataType* TVxbDataType::Calculate(TVxbBinaryOperator op, const TVxbDataValue& value1,
                                            const TVxbDataValue& value2, const TVxbDataType& type1,
                                            const TVxbDataType& type2, TVxbDataValue& result) {
  const TVxbDataType* owner = &type1;
  const TVxbDataType* resultType = type1.GetResultDataTypeWith(op, type1, type2);
  if (!resultType) {
    owner = &type2;
    resultType = type2.GetResultDataTypeWith(op, type1, type2);
  }
  if (!resultType) throw EVxbTypeError(u"Cannot perform this operation on these data types.");
  owner->CalculateWith(op, value1, value2, type1, type2, result, *resultType);
  return resultType;
}

const TVxbDataType* TVxbDataType::Calculate(TVxbUnaryOperator op, TVxbDataValue& value, const TVxbDataType& type) {
  const TVxbDataType* resultType = type.GetResultDataType(op);
  if (!resultType) throw EVxbTypeError(u"Cannot perform the operation on this data type.");
  type.CalculateWith(op, value, *resultType);
  return resultType;
}

}  // namespace vexilo::types
