#include "engine/storage/columns/column_def.h"

#include <utility>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/types/column_type.h"
#include "engine/types/date_time_type.h"
#include "engine/types/enum_type.h"
#include "engine/types/float_type.h"
#include "engine/types/string_type.h"
#include "engine/types/type_errors.h"

namespace vexilo::storage {

using types::TVxbDataType;

namespace {

bool IsDateOrStamp(int16_t code) { return code == types::vxbDate || code == types::vxbTimeStamp; }

// Memo, Blob and WideMemo columns never carry a null byte.
bool IsReferenceColumn(int16_t code) {
  return code == types::vxbMemo || code == types::vxbBlob || code == types::vxbWideMemo;
}

}  // namespace

bool IsColumnTypeCode(int16_t typeCode) {
  return (typeCode >= 0 && typeCode <= 13) || (typeCode >= 16 && typeCode <= 21);
}

// ---- TVxbColumnDef ----

TVxbColumnDef::TVxbColumnDef(std::u16string name, const TVxbDataType* dataType, uint32_t options)
    : FTypeCode(dataType->ColumnType()),
      FName(std::move(name)),
      FDataType(dataType),
      FSize(static_cast<int16_t>(dataType->GetDataSize())),
      FOptions(options) {}

TVxbColumnDef::TVxbColumnDef(int16_t typeCode) : FTypeCode(typeCode) {}

std::unique_ptr<TVxbColumnDef> TVxbColumnDef::CreateForType(int16_t typeCode) {
  if (!IsColumnTypeCode(typeCode)) return nullptr;
  switch (typeCode) {
    case types::vxbChar: case types::vxbString: case types::vxbMemo: case types::vxbWideString:
    case types::vxbWideMemo:
      return std::unique_ptr<TVxbColumnDef>(new TVxbTextColumnDef(typeCode));
    case types::vxbFloat:
      return std::unique_ptr<TVxbColumnDef>(new TVxbNumberColumnDef(typeCode));
    case types::vxbTime:
      return std::unique_ptr<TVxbColumnDef>(new TVxbTimeColumnDef(typeCode));
    case types::vxbEnum:
      return std::unique_ptr<TVxbColumnDef>(new TVxbEnumColumnDef(typeCode));
    case types::vxbRecordId:
      return std::unique_ptr<TVxbColumnDef>(new TVxbRecordIdColumnDef(typeCode));
    case types::vxbLink: case types::vxbRelation:
      return std::unique_ptr<TVxbColumnDef>(new TVxbAdlColumnDef(typeCode));
    default:
      return std::unique_ptr<TVxbColumnDef>(new TVxbColumnDef(typeCode));
  }
}

std::unique_ptr<TVxbColumnDef> TVxbColumnDef::Create(std::u16string name, const TVxbDataType* dataType,
                                                     uint32_t options) {
  switch (dataType->ColumnType()) {
    case types::vxbChar: case types::vxbString: case types::vxbMemo: case types::vxbWideString:
    case types::vxbWideMemo:
      return std::make_unique<TVxbTextColumnDef>(std::move(name), dataType, options);
    case types::vxbFloat:
      return std::make_unique<TVxbNumberColumnDef>(std::move(name), dataType, options);
    case types::vxbTime:
      return std::make_unique<TVxbTimeColumnDef>(std::move(name), dataType, options);
    case types::vxbEnum:
      return std::make_unique<TVxbEnumColumnDef>(std::move(name), dataType, options);
    case types::vxbRecordId:
      return std::make_unique<TVxbRecordIdColumnDef>(std::move(name), dataType, options);
    case types::vxbLink: case types::vxbRelation:
      return std::make_unique<TVxbAdlColumnDef>(std::move(name), dataType, options, u"");
    default:
      return std::make_unique<TVxbColumnDef>(std::move(name), dataType, options);
  }
}

std::unique_ptr<TVxbColumnDef> TVxbColumnDef::Clone() const {
  return std::unique_ptr<TVxbColumnDef>(new TVxbColumnDef(*this));
}

TVxbCalculationPurposes TVxbColumnDef::CalculationPurposes() const {
  if (!FCalculation) return 0;
  if (!(FOptions & kColumnCalculated)) return clpInitialization;
  return (FOptions & kColumnCalcOnAppend) ? clpAppending : clpUpdating;
}

void TVxbColumnDef::SyncNullOptions() {
  FOptions &= ~(kColumnNullByte | kColumnNullable);
  if (!FDataType->Nullable()) return;
  FOptions |= kColumnNullable;
  if (!IsReferenceColumn(FTypeCode) && FDataType->GetHasNullByte()) FOptions |= kColumnNullByte;
}

void TVxbColumnDef::SetNullable(bool value, int16_t tableLevel) {
  FDataType = FDataType->Create(FTypeCode, value, tableLevel);
  SyncNullOptions();
  FSize = static_cast<int16_t>(FDataType->GetDataSize());
}

void TVxbColumnDef::SetTableLevel(int16_t level) {
  if (IsDateOrStamp(FTypeCode) && level >= 6) {
    FDataType = TVxbDataType::GetDateTimeType(FTypeCode, FDataType->Nullable(), 4, false, level);
  } else {
    FDataType = FDataType->GetLevelType(level);
  }
  SyncNullOptions();
  FSize = static_cast<int16_t>(FDataType->GetDataSize());
}

types::TVxbFieldLayout TVxbColumnDef::FieldLayout(int16_t level) const {
  return types::TVxbFieldLayout{static_cast<size_t>(FPosition), static_cast<size_t>(FSize), level, HasNullByte()};
}

void TVxbColumnDef::SaveToStream(TVxbHeaderWriter& s) const {
  s.WriteUInt8(static_cast<uint8_t>(FTypeCode));
  s.WriteCountedWide(FName);
  s.WriteUInt32(FOptions & ~kColumnLevel4Marker);
  s.WriteInt16(FSize);
  s.WriteCountedWide(FCalculation ? FCalculation->StoredForm() : std::u16string());
}

void TVxbColumnDef::LoadCommon(TVxbHeaderReader& s) {
  FName = s.ReadCountedWide();
  FOptions = s.ReadUInt32() & ~kColumnLevel4Marker;
  FSize = s.ReadInt16();
  if (FSize < 0) RaiseDamagedHeader();
  const std::u16string expression = s.ReadCountedWide();
  if (expression.empty()) FCalculation.reset();
  else FCalculation = TVxbExpressionSource::FromStoredForm(expression);
}

template <typename Make>
void TVxbColumnDef::SetLoadedType(Make make) {
  const TVxbDataType* type = nullptr;
  try {
    type = make();
  } catch (const errors::EVxbEngine& e) {
    if (e.Code() == errors::vxbErrNoSuchCollation) throw;
    RaiseDamagedHeader();
  } catch (const types::EVxbTypeException&) {
    RaiseDamagedHeader();
  }
  // A stored size may exceed what the type needs, never fall short of it.
  if (!type || FSize < type->GetDataSize()) RaiseDamagedHeader();
  FDataType = type;
  SyncNullOptions();
}

void TVxbColumnDef::LoadFromStream(TVxbHeaderReader& s, const TVxbColumnLoadContext& context) {
  LoadCommon(s);
  const bool nullable = (FOptions & kColumnNullable) != 0;
  const bool nullByte = (FOptions & kColumnNullByte) != 0;
  SetLoadedType([&]() -> const TVxbDataType* {
    if (IsDateOrStamp(FTypeCode))
      return TVxbDataType::GetDateTimeType(FTypeCode, nullable, 4, nullByte, context.Level);
    return TVxbDataType::GetDataType(FTypeCode, nullable, context.Level);
  });
}

// ---- TVxbTextColumnDef ----

TVxbTextColumnDef::TVxbTextColumnDef(std::u16string name, const TVxbDataType* dataType, uint32_t options,
                                     std::u16string collationName)
    : TVxbColumnDef(std::move(name), dataType, options), FCollationName(std::move(collationName)) {}

std::unique_ptr<TVxbColumnDef> TVxbTextColumnDef::Clone() const {
  return std::unique_ptr<TVxbColumnDef>(new TVxbTextColumnDef(*this));
}

void TVxbTextColumnDef::SaveToStream(TVxbHeaderWriter& s) const {
  TVxbColumnDef::SaveToStream(s);
  if (FTypeCode == types::vxbString || FTypeCode == types::vxbWideString) {
    s.WriteCountedWide(FCollationName);
    const auto* type = static_cast<const types::TVxbStringType*>(FDataType);
    s.WriteUInt16(static_cast<uint16_t>(type->MaxLength()));
  } else if (FTypeCode == types::vxbMemo || FTypeCode == types::vxbWideMemo) {
    s.WriteCountedWide(FCollationName);
  }
}

void TVxbTextColumnDef::LoadFromStream(TVxbHeaderReader& s, const TVxbColumnLoadContext& context) {
  LoadCommon(s);
  if (FTypeCode == types::vxbString || FTypeCode == types::vxbWideString) {
    FCollationName = s.ReadCountedWide();
    s.ReadUInt16();  // the maximum length follows from the size
  } else if (FTypeCode == types::vxbMemo || FTypeCode == types::vxbWideMemo) {
    FCollationName = s.ReadCountedWide();
  }
  const bool nullable = (FOptions & kColumnNullable) != 0 && types::CanBeNullable(FTypeCode, context.Level);
  const std::u16string& collation = FCollationName.empty() ? context.TableCollation : FCollationName;
  SetLoadedType([&]() -> const TVxbDataType* {
    switch (FTypeCode) {
      case types::vxbChar:
        return TVxbDataType::GetDataType(FTypeCode, nullable, context.Level);
      case types::vxbString: case types::vxbWideString: {
        const int32_t maxLength = types::TVxbStringType::CalcMaxLength(FTypeCode, nullable, FSize, context.Level);
        if (maxLength < 1) return nullptr;
        return TVxbDataType::GetStringType(FTypeCode, nullable, maxLength, collation, context.Level);
      }
      default:
        return TVxbDataType::GetStringType(FTypeCode, nullable, 0, collation, context.Level);
    }
  });
}

// ---- TVxbNumberColumnDef ----

std::unique_ptr<TVxbColumnDef> TVxbNumberColumnDef::Clone() const {
  return std::unique_ptr<TVxbColumnDef>(new TVxbNumberColumnDef(*this));
}

int16_t TVxbNumberColumnDef::Scale() const {
  return FDataType ? static_cast<const types::TVxbFloatType*>(FDataType)->Scale() : 0;
}

void TVxbNumberColumnDef::SaveToStream(TVxbHeaderWriter& s) const {
  TVxbColumnDef::SaveToStream(s);
  s.WriteUInt8(static_cast<uint8_t>(Scale()));
}

void TVxbNumberColumnDef::LoadFromStream(TVxbHeaderReader& s, const TVxbColumnLoadContext& context) {
  LoadCommon(s);
  const uint8_t scale = s.ReadUInt8();
  if (scale > 15) RaiseDamagedHeader();
  const bool nullable = (FOptions & kColumnNullable) != 0;
  SetLoadedType([&] { return TVxbDataType::GetFloatType(FTypeCode, nullable, scale, context.Level); });
}

// ---- TVxbTimeColumnDef ----

std::unique_ptr<TVxbColumnDef> TVxbTimeColumnDef::Clone() const {
  return std::unique_ptr<TVxbColumnDef>(new TVxbTimeColumnDef(*this));
}

int16_t TVxbTimeColumnDef::Precision() const {
  return FDataType ? static_cast<const types::TVxbDateTimeType*>(FDataType)->Precision() : 0;
}

void TVxbTimeColumnDef::SaveToStream(TVxbHeaderWriter& s) const {
  TVxbColumnDef::SaveToStream(s);
  s.WriteUInt8(static_cast<uint8_t>(Precision()));
}

void TVxbTimeColumnDef::LoadFromStream(TVxbHeaderReader& s, const TVxbColumnLoadContext& context) {
  LoadCommon(s);
  const uint8_t precision = s.ReadUInt8();
  if (precision < 1 || precision > 4) RaiseDamagedHeader();
  const bool nullable = (FOptions & kColumnNullable) != 0;
  const bool nullByte = (FOptions & kColumnNullByte) != 0;
  SetLoadedType(
      [&] { return TVxbDataType::GetDateTimeType(FTypeCode, nullable, precision, nullByte, context.Level); });
}

// ---- TVxbEnumColumnDef ----

std::unique_ptr<TVxbColumnDef> TVxbEnumColumnDef::Clone() const {
  return std::unique_ptr<TVxbColumnDef>(new TVxbEnumColumnDef(*this));
}

std::vector<std::u16string> TVxbEnumColumnDef::ValueNames() const {
  std::vector<std::u16string> names;
  if (!FDataType) return names;
  for (const auto& item : static_cast<const types::TVxbEnumType*>(FDataType)->Items()) names.push_back(item.Name);
  return names;
}

void TVxbEnumColumnDef::SaveToStream(TVxbHeaderWriter& s) const {
  TVxbColumnDef::SaveToStream(s);
  std::u16string joined;
  for (const auto& name : ValueNames()) {
    if (!joined.empty()) joined += u'\n';
    joined += name;
  }
  s.WriteCountedWide(joined);
}

void TVxbEnumColumnDef::LoadFromStream(TVxbHeaderReader& s, const TVxbColumnLoadContext& context) {
  LoadCommon(s);
  const std::u16string joined = s.ReadCountedWide();
  std::vector<types::TVxbEnumItem> items;
  size_t start = 0;
  while (start <= joined.size()) {
    size_t end = joined.find(u'\n', start);
    if (end == std::u16string::npos) end = joined.size();
    if (end > start) {
      items.push_back({joined.substr(start, end - start), static_cast<int32_t>(items.size() + 1)});
    }
    start = end + 1;
  }
  const bool nullable = (FOptions & kColumnNullable) != 0;
  SetLoadedType([&] { return TVxbDataType::GetEnumType(nullable, false, items, context.Level); });
}

// ---- TVxbRecordIdColumnDef ----

TVxbRecordIdColumnDef::TVxbRecordIdColumnDef(std::u16string name, const TVxbDataType* dataType, uint32_t options,
                                             std::u16string indexSpec, int32_t startValue)
    : TVxbColumnDef(std::move(name), dataType, options), FIndexSpec(std::move(indexSpec)), FStartValue(startValue) {}

std::unique_ptr<TVxbColumnDef> TVxbRecordIdColumnDef::Clone() const {
  return std::unique_ptr<TVxbColumnDef>(new TVxbRecordIdColumnDef(*this));
}

void TVxbRecordIdColumnDef::SetUniqueIdInfo(bool unique) {
  if (unique) FOptions |= kColumnUnique;
  else FOptions &= ~kColumnUnique;
}

// ---- TVxbAdlColumnDef ----

TVxbAdlColumnDef::TVxbAdlColumnDef(std::u16string name, const TVxbDataType* dataType, uint32_t options,
                                   std::u16string linkedTable)
    : TVxbColumnDef(std::move(name), dataType, options), FLinkedTable(std::move(linkedTable)) {}

std::unique_ptr<TVxbColumnDef> TVxbAdlColumnDef::Clone() const {
  return std::unique_ptr<TVxbColumnDef>(new TVxbAdlColumnDef(*this));
}

void TVxbAdlColumnDef::SaveToStream(TVxbHeaderWriter& s) const {
  TVxbColumnDef::SaveToStream(s);
  s.WriteCountedWide(FLinkedTable);
}

void TVxbAdlColumnDef::LoadFromStream(TVxbHeaderReader& s, const TVxbColumnLoadContext& context) {
  TVxbColumnDef::LoadFromStream(s, context);
  FLinkedTable = s.ReadCountedWide();
}

}  // namespace vexilo::storage
