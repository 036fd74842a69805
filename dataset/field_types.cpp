#include "dataset/field_types.h"

namespace vexilo::dataset {
namespace {

using framework::TFieldType;

constexpr uint8_t kOptionNullByte = 0x08;
constexpr uint8_t kOptionNullable = 0x20;
constexpr uint8_t kOptionAutoIncRequired = 0x40;

// Sizes of the text forms of columns without a size of their own.
constexpr int32_t kEnumTextSize = 40;
constexpr int32_t kLinkTextSize = 255;
constexpr int32_t kRelationTextSize = 8192;
constexpr int32_t kGuidTextSize = 38;

}  // namespace

TVxbDataType DataTypeOfColumnType(int16_t typeCode) {
  switch (typeCode) {
    case 0:  // Char: one character
    case 1:
      return TVxbDataType::dtString;
    case 2:
      return TVxbDataType::dtSmallInt;
    case 3:
      return TVxbDataType::dtFloat;
    case 4:
      return TVxbDataType::dtByte;
    case 5:
      return TVxbDataType::dtBoolean;
    case 7:
      return TVxbDataType::dtMemo;
    case 8:
      return TVxbDataType::dtEnum;
    case 9:
      return TVxbDataType::dtAutoInc;
    case 10:
      return TVxbDataType::dtLink;
    case 11:
      return TVxbDataType::dtBlob;
    case 12:
      return TVxbDataType::dtRelation;
    case 13:
      return TVxbDataType::dtTime;
    case 16:
      return TVxbDataType::dtInteger;
    case 17:
      return TVxbDataType::dtDateTime;
    case 18:
      return TVxbDataType::dtWideString;
    case 19:
      return TVxbDataType::dtWideMemo;
    case 20:
      return TVxbDataType::dtLargeInt;
    case 21:
      return TVxbDataType::dtGuid;
    default:
      return TVxbDataType::dtDate;
  }
}

TFieldType FieldTypeOf(TVxbDataType dataType) {
  switch (dataType) {
    case TVxbDataType::dtString:
      return TFieldType::ftString;
    case TVxbDataType::dtSmallInt:
    case TVxbDataType::dtByte:
      return TFieldType::ftSmallint;
    case TVxbDataType::dtFloat:
      return TFieldType::ftFloat;
    case TVxbDataType::dtBoolean:
      return TFieldType::ftBoolean;
    case TVxbDataType::dtDate:
      return TFieldType::ftDate;
    case TVxbDataType::dtMemo:
      return TFieldType::ftMemo;
    case TVxbDataType::dtEnum:
    case TVxbDataType::dtLink:
    case TVxbDataType::dtRelation:
    case TVxbDataType::dtWideString:
      return TFieldType::ftWideString;
    case TVxbDataType::dtAutoInc:
      return TFieldType::ftAutoInc;
    case TVxbDataType::dtBlob:
      return TFieldType::ftBlob;
    case TVxbDataType::dtTime:
      return TFieldType::ftTime;
    case TVxbDataType::dtInteger:
      return TFieldType::ftInteger;
    case TVxbDataType::dtDateTime:
      return TFieldType::ftDateTime;
    case TVxbDataType::dtWideMemo:
      return TFieldType::ftWideMemo;
    case TVxbDataType::dtLargeInt:
      return TFieldType::ftLargeint;
    case TVxbDataType::dtGuid:
      return TFieldType::ftGuid;
  }
  return TFieldType::ftUnknown;
}

bool TVxbFieldDef::Nullable() const {
  if (DataType == TVxbDataType::dtAutoInc) return (Options & kOptionAutoIncRequired) == 0;
  return (Options & kOptionNullable) != 0;
}

TVxbFieldDef MakeFieldDef(const api::TVxbFieldSpec& spec, int16_t tableLevel) {
  TVxbFieldDef def;
  def.FieldNo = spec.No;
  def.Name = spec.Name;
  def.ColumnType = spec.FldType;
  def.DataType = DataTypeOfColumnType(spec.FldType);
  def.Param = spec.Param;
  def.Options = spec.Options;
  def.Expression = spec.RangeOrFormula;
  def.Specification = spec.SelectOrLink;
  def.Layout = types::TVxbFieldLayout{static_cast<size_t>(spec.InternalPosition),
                                      static_cast<size_t>(spec.InternalSize), tableLevel,
                                      (spec.Options & kOptionNullByte) != 0};
  return def;
}

void AddFrameworkFieldDef(const TVxbFieldDef& def, framework::TFieldDefs& fieldDefs) {
  int32_t size = 0;
  switch (def.DataType) {
    case TVxbDataType::dtString:
      size = def.ColumnType == 0 ? 1 : def.Param;
      break;
    case TVxbDataType::dtWideString:
      size = def.Param;
      break;
    case TVxbDataType::dtEnum:
      size = kEnumTextSize;
      break;
    case TVxbDataType::dtLink:
      size = kLinkTextSize;
      break;
    case TVxbDataType::dtRelation:
      size = kRelationTextSize;
      break;
    case TVxbDataType::dtGuid:
      size = kGuidTextSize;
      break;
    default:
      break;
  }
  framework::TFieldDef& added = fieldDefs.Add(def.Name, FieldTypeOf(def.DataType), size, !def.Nullable());
  // A Float column's parameter is its number of decimals, not the number of
  // significant digits the framework's precision means: handed over, a scale
  // of 2 would show 3.25 as "3.2". Float fields keep the framework's 15 digits.
  if (def.DataType == TVxbDataType::dtTime) added.SetPrecision(def.Param);
  added.SetSpecification(def.Specification);
  framework::TFieldAttributes attributes = added.Attributes();
  attributes.Required = !def.Nullable();
  attributes.ReadOnly = def.Calculated() || def.DataType == TVxbDataType::dtAutoInc;
  added.SetAttributes(attributes);
}

}  // namespace vexilo::dataset
