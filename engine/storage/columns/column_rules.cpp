#include "engine/storage/columns/column_rules.h"

#include <utility>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/storage/file/table_file_layout.h"
#include "engine/types/column_type.h"
#include "engine/types/date_time_type.h"
#include "engine/types/enum_type.h"
#include "engine/types/float_type.h"
#include "engine/types/string_size.h"
#include "engine/types/string_type.h"
#include "engine/types/type_errors.h"

namespace vexilo::storage {

using types::TVxbDataType;

namespace {

constexpr size_t kMaxNameLength = 40;

bool IsLetter(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == 0x00C4 || c == 0x00D6 || c == 0x00DC ||
         c == 0x00E4 || c == 0x00F6 || c == 0x00FC || c == 0x00DF;
}

bool IsIdentifierChar(char16_t c) {
  return IsLetter(c) || (c >= u'0' && c <= u'9') || c == u'-' || c == u'@' || c == u'_';
}

bool IsLatin1Text(std::u16string_view text) {
  for (char16_t c : text) {
    if (c < 0x20 || c > 0xFF) return false;
  }
  return true;
}

bool IsTextWithCollation(int16_t code) {
  return code == types::vxbString || code == types::vxbMemo || code == types::vxbWideString ||
         code == types::vxbWideMemo;
}

bool TakesNoExpression(int16_t code) {
  return code == types::vxbMemo || code == types::vxbBlob || code == types::vxbRelation ||
         code == types::vxbWideMemo;
}

// The precision a Time column gets for a requested one; 0 when invalid.
int16_t TimePrecision(int32_t requested, int16_t level) {
  if (requested < 0) return 0;
  if (requested == 0) return level >= 4 ? 3 : 2;
  if (requested <= 2) return 2;
  return requested == 3 ? 3 : 4;
}

class TRuleCheck {
 public:
  TRuleCheck(const TVxbColumnSpec& spec, errors::TVxbServices& services) : FSpec(spec), FServices(services) {}

  int16_t Fail(int16_t code) { return FServices.SetLastError(code, {fs::FormatArg(FSpec.Name)}); }
  int16_t Fail(int16_t code, std::u16string_view argument) {
    return FServices.SetLastError(code, {fs::FormatArg(argument)});
  }
  int16_t Plain(int16_t code) { return FServices.SetLastError(code, fs::FormatArgs{}); }
  int16_t Feature(const char16_t* word) {
    return FServices.SetLastError(errors::vxbErrLevelFeature, {fs::FormatArg(FSpec.Name), fs::FormatArg(word)});
  }

 private:
  const TVxbColumnSpec& FSpec;
  errors::TVxbServices& FServices;
};

}  // namespace

bool IsValidColumnName(std::u16string_view name, int16_t level) {
  if (name.empty() || name.size() > kMaxNameLength || !IsLatin1Text(name)) return false;
  if (level >= 4) return true;
  if (!IsLetter(name.front())) return false;
  for (char16_t c : name.substr(1)) {
    if (!IsIdentifierChar(c)) return false;
  }
  return true;
}

int16_t AddColumn(TVxbColumnDefs& columns, const TVxbColumnSpec& spec, int16_t level,
                  std::u16string_view tableCollation, errors::TVxbServices& services) {
  TRuleCheck check(spec, services);
  const int16_t code = spec.TypeCode;
  if (!IsColumnTypeCode(code)) return check.Fail(errors::vxbErrUnknownType);
  if (columns.Count() >= kMaxColumns) return check.Plain(errors::vxbErrTooManyColumns);
  if (!IsValidColumnName(spec.Name, level)) return check.Fail(errors::vxbErrInvalidIdentifier);
  if (columns.Find(spec.Name)) return check.Fail(errors::vxbErrDuplicateIdentifier);
  if (code >= 16 && level < 3) return check.Feature(u"Data type");
  if (spec.Nullable && !types::CanBeNullable(code, level)) return check.Feature(u"Nullable");

  const bool ownCollation = IsTextWithCollation(code) && !spec.CollationName.empty();
  if (ownCollation) {
    if (level < 6) return check.Feature(u"Collation");
    if (!types::TVxbStringType::IsSupportedCollation(spec.CollationName))
      return check.Fail(errors::vxbErrNoSuchCollation, spec.CollationName);
  }

  const uint32_t options = spec.Options & (kColumnCalculated | kColumnValueRange | kColumnCalcOnAppend | kColumnUnique);
  const bool hasExpression = spec.Expression && !spec.Expression->Text.empty();
  if (hasExpression) {
    if (level < 4 && !(options & kColumnCalculated)) return check.Feature(u"Default value");
    if (TakesNoExpression(code) && !(options & kColumnValueRange)) return check.Feature(u"Default value");
    const size_t limit = level < 4 ? 255 : 0xFFFF;
    if (spec.Expression->Text.size() > limit) return check.Plain(errors::vxbErrExpressionTooLong);
  }

  int16_t precision = 0;
  switch (code) {
    case types::vxbString:
      if (spec.Length == 0) return check.Fail(errors::vxbErrFieldSizeZero);
      if (spec.Length < 0 || spec.Length > types::kMaxStringLength || (level < 4 && spec.Length > 255))
        return check.Feature(u"String length");
      break;
    case types::vxbWideString:
      if (spec.Length == 0) return check.Fail(errors::vxbErrFieldSizeZero);
      if (spec.Length < 0 || spec.Length > types::kMaxWideStringLength) return check.Feature(u"String length");
      break;
    case types::vxbEnum: {
      const size_t maxCount = level >= 6 ? 255 : 15;
      const size_t maxLength = level >= 6 ? 40 : 20;
      if (spec.EnumNames.empty() || spec.EnumNames.size() > maxCount) return check.Feature(u"Enum value count");
      for (const auto& value : spec.EnumNames) {
        if (value.empty() || !IsLatin1Text(value)) return check.Fail(errors::vxbErrInvalidIdentifier, value);
        if (value.size() > maxLength) return check.Feature(u"Enum value length");
      }
      break;
    }
    case types::vxbTime:
      precision = TimePrecision(spec.Length, level);
      if (precision == 0 || (level < 4 && precision != 2)) return check.Feature(u"Time precision");
      break;
    case types::vxbFloat:
      if (spec.Length < 0 || spec.Length > 15) return check.Plain(errors::vxbErrTooManyDigits);
      break;
    case types::vxbRecordId:
      if (spec.StartValue < 1) return check.Feature(u"Start value");
      if (columns.FindFirst(types::vxbRecordId)) return check.Plain(errors::vxbErrTooManyAutoInc);
      break;
    case types::vxbLink: case types::vxbRelation:
      if (spec.LinkedTable.empty()) return check.Plain(errors::vxbErrLinkedTableMissing);
      if (code == types::vxbLink && !(options & kColumnUnique)) {
        int indexed = 0;
        for (const auto& column : columns)
          indexed += column->TypeCode() == types::vxbLink && !(column->Options() & kColumnUnique) ? 1 : 0;
        if (indexed >= 9) return check.Plain(errors::vxbErrTooManyLinkColumns);
      }
      break;
    default:
      break;
  }

  const std::u16string collation(ownCollation ? std::u16string_view(spec.CollationName) : tableCollation);
  const bool nullable = spec.Nullable;
  const TVxbDataType* type = nullptr;
  try {
    switch (code) {
      case types::vxbString: case types::vxbWideString:
        type = TVxbDataType::GetStringType(code, nullable, spec.Length, collation, level);
        break;
      case types::vxbMemo: case types::vxbWideMemo:
        type = TVxbDataType::GetStringType(code, nullable, 0, collation, level);
        break;
      case types::vxbFloat:
        type = TVxbDataType::GetFloatType(code, nullable, static_cast<int16_t>(spec.Length), level);
        break;
      case types::vxbTime:
        type = TVxbDataType::GetDateTimeType(code, nullable, precision, level);
        break;
      case types::vxbEnum: {
        std::vector<types::TVxbEnumItem> items;
        for (const auto& value : spec.EnumNames) items.push_back({value, static_cast<int32_t>(items.size() + 1)});
        type = TVxbDataType::GetEnumType(nullable, false, items, level);
        break;
      }
      default:
        type = TVxbDataType::GetDataType(code, nullable, level);
        break;
    }
  } catch (const errors::EVxbEngine& e) {
    return services.SetLastError(e);
  } catch (const types::EVxbTypeException&) {
    return check.Fail(errors::vxbErrUnknownType);
  }
  if (!type) return check.Fail(errors::vxbErrUnknownType);

  std::unique_ptr<TVxbColumnDef> def;
  switch (code) {
    case types::vxbChar: case types::vxbString: case types::vxbMemo: case types::vxbWideString:
    case types::vxbWideMemo:
      def = std::make_unique<TVxbTextColumnDef>(spec.Name, type, options,
                                                ownCollation ? spec.CollationName : std::u16string());
      break;
    case types::vxbRecordId:
      def = std::make_unique<TVxbRecordIdColumnDef>(spec.Name, type, options, spec.IndexSpec, spec.StartValue);
      break;
    case types::vxbLink: case types::vxbRelation:
      def = std::make_unique<TVxbAdlColumnDef>(spec.Name, type, options, spec.LinkedTable);
      break;
    default:
      def = TVxbColumnDef::Create(spec.Name, type, options);
      break;
  }
  def->SetNullable(nullable, level);
  if (hasExpression) def->SetCalculation(spec.Expression);
  if (columns.GetRecordSize() + def->Size() > kMaxRecordSize) return check.Plain(errors::vxbErrTooManyColumns);
  return static_cast<int16_t>(columns.Add(std::move(def)));
}

}  // namespace vexilo::storage
