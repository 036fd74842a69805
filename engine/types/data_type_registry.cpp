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
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = types_.find(key);
    if (it == types_.end()) it = types_.emplace(key, make()).first;
    return static_cast<const T*>(it->second.get());
  }

 private:
  std::mutex mutex_;
  std::map<TTypeKey, std::unique_ptr<TVxbDataType>> types_;
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

const TVxbDataType* TVxbDataType::GetDataType(int16_t column_type, bool nullable, int16_t level) {
  const bool n = EffectiveNullable(column_type, nullable, level);
  switch (column_type) {
    case vxbNullType:
      return GetNullType(level);
    case vxbChar:
      return Registry().Intern<TVxbDataType>({column_type, level, n},
                                             [&] { return std::make_unique<TVxbCharType>(n, level); });
    case vxbSmallInt: case vxbByte: case vxbBoolean: case vxbRecordId: case vxbLink: case vxbInteger:
    case vxbBigInt:
      return Registry().Intern<TVxbDataType>(
          {column_type, level, n}, [&] { return std::make_unique<TVxbIntegerType>(column_type, n, level); });
    case vxbFloat:
      return GetFloatType(column_type, n, 2, level);
    case vxbDate: case vxbTime: case vxbTimeStamp:
      return GetDateTimeType(column_type, n, 4, level);
    case vxbMemo: case vxbWideMemo:
      return GetStringType(column_type, n, 0, u"", level);
    case vxbBlob: case vxbBinary:
      return GetBinaryType(column_type, n, 0, level);
    case vxbRelation:
      return Registry().Intern<TVxbDataType>({column_type, level, n},
                                             [&] { return std::make_unique<TVxbRelationType>(n, level); });
    case vxbGuid:
      return Registry().Intern<TVxbDataType>({column_type, level, n},
                                             [&] { return std::make_unique<TVxbGuidType>(n, level); });
    default:
      return nullptr;  // String, Enum, WideString need parameters; others are no type
  }
}

const TVxbDataType* TVxbDataType::GetDataType(int16_t column_type, bool nullable, int32_t size, int16_t level) {
  if (column_type == vxbString || column_type == vxbWideString)
    return GetStringType(column_type, nullable, TVxbStringType::CalcMaxLength(column_type, nullable, size, level),
                         u"", level);
  if (column_type == vxbTime) {
    const bool n = EffectiveNullable(column_type, nullable, level);
    const int32_t value_size = size - (n ? 1 : 0);
    return GetDateTimeType(column_type, n, value_size <= 2 ? 2 : 4, level);
  }
  return GetDataType(column_type, nullable, level);
}

const TVxbStringType* TVxbDataType::GetStringType(int16_t column_type, bool nullable, int32_t max_length,
                                                  std::u16string_view collation_name, int16_t level) {
  if (!IsTextColumnType(column_type) || column_type == vxbChar) return nullptr;
  const bool n = EffectiveNullable(column_type, nullable, level);
  const bool unbounded = column_type == vxbMemo || column_type == vxbWideMemo || max_length == 0 ||
                         max_length == kUnboundedLength;
  const int32_t length = unbounded ? kUnboundedLength : max_length;
  if (!unbounded) CheckStringLength(column_type, length);
  const std::u16string name(collation_name);
  const bool wide = column_type == vxbWideString || column_type == vxbWideMemo;
  return Registry().Intern<TVxbStringType>({column_type, level, n, length, 0, name},
                                           [&]() -> std::unique_ptr<TVxbDataType> {
                                             if (wide)
                                               return std::make_unique<TVxbWideStringType>(column_type, n, length,
                                                                                           name, level);
                                             return std::make_unique<TVxbAnsiStringType>(column_type, n, length,
                                                                                         name, level);
                                           });
}

const TVxbStringType* TVxbDataType::GetApproxStringType(int16_t column_type, bool nullable, int32_t max_length,
                                                        std::u16string_view collation_name, int16_t level) {
  int32_t length = max_length;
  if (length != 0 && length != kUnboundedLength) {
    auto round_up = [](int32_t v, int32_t step) { return (v + step - 1) / step * step; };
    if (length <= 10) length = 10;
    else if (length <= 100) length = round_up(length, 10);
    else if (length <= 1000) length = round_up(length, 100);
    else if (length <= 10000) length = round_up(length, 1000);
    else length = MaxStringLengthOf(column_type);
    if (column_type == vxbWideString && length > kMaxWideStringLength) length = kMaxWideStringLength;
  }
  return GetStringType(column_type, nullable, length, collation_name, level);
}

const TVxbDataType* TVxbDataType::GetVariableType(const TVxbDataType* data_type) {
  if (!data_type) return nullptr;
  const int16_t code = data_type->ColumnType();
  if (code != vxbMemo && code != vxbWideMemo) return data_type;
  const auto* memo = static_cast<const TVxbStringType*>(data_type);
  return GetStringType(code == vxbMemo ? vxbString : vxbWideString, memo->Nullable(), 0, memo->CollationName(),
                       memo->Level());
}

const TVxbFloatType* TVxbDataType::GetFloatType(int16_t column_type, bool nullable, int16_t scale, int16_t level) {
  if (column_type != vxbFloat) return nullptr;
  const bool n = EffectiveNullable(column_type, nullable, level);
  return Registry().Intern<TVxbFloatType>({column_type, level, n, scale},
                                          [&] { return std::make_unique<TVxbFloatType>(n, scale, level); });
}

const TVxbDateTimeType* TVxbDataType::GetDateTimeType(int16_t column_type, bool nullable, int16_t precision,
                                                      bool has_null_byte, int16_t level) {
  if (column_type != vxbDate && column_type != vxbTime && column_type != vxbTimeStamp) return nullptr;
  const bool n = EffectiveNullable(column_type, nullable, level);
  const int16_t p = column_type != vxbTime || precision < 1 || precision > 4 ? 4 : precision;
  const bool null_byte = has_null_byte && n;
  return Registry().Intern<TVxbDateTimeType>({column_type, level, n, p, null_byte}, [&] {
    return std::make_unique<TVxbDateTimeType>(column_type, n, p, null_byte, level);
  });
}

const TVxbDateTimeType* TVxbDataType::GetDateTimeType(int16_t column_type, bool nullable, int16_t precision,
                                                      int16_t level) {
  return GetDateTimeType(column_type, nullable, precision, nullable && column_type == vxbTime, level);
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

const TVxbBinaryType* TVxbDataType::GetBinaryType(int16_t column_type, bool nullable, int32_t max_size,
                                                  int16_t level) {
  if (column_type != vxbBlob && column_type != vxbBinary) return nullptr;
  const bool n = EffectiveNullable(column_type, nullable, level);
  return Registry().Intern<TVxbBinaryType>({column_type, level, n, max_size}, [&] {
    return std::make_unique<TVxbBinaryType>(column_type, n, max_size, level);
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

void TVxbDataType::Convert(const TVxbDataValue& from_value, TVxbDataValue& to_value, const TVxbDataType& from,
                           const TVxbDataType& to, bool explicitly) {
  if (to.CanConvertFrom(from, explicitly)) to.ConvertFrom(to_value, from_value, from, explicitly);
  else if (from.CanConvertTo(to, explicitly)) from.ConvertTo(from_value, to_value, to, explicitly);
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
  const TVxbDataType* result_type = type1.GetResultDataTypeWith(op, type1, type2);
  if (!result_type) {
    owner = &type2;
    result_type = type2.GetResultDataTypeWith(op, type1, type2);
  }
  if (!result_type) throw EVxbTypeError(u"Cannot perform this operation on these data types.");
  owner->CalculateWith(op, value1, value2, type1, type2, result, *result_type);
  return result_type;
}

const TVxbDataType* TVxbDataType::Calculate(TVxbUnaryOperator op, TVxbDataValue& value, const TVxbDataType& type) {
  const TVxbDataType* result_type = type.GetResultDataType(op);
  if (!result_type) throw EVxbTypeError(u"Cannot perform the operation on this data type.");
  type.CalculateWith(op, value, *result_type);
  return result_type;
}

}  // namespace vexilo::types
