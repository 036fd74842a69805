// The engine's view of a table's columns as the dataset layer keeps it
// (TVxbFieldDefs), the dataset layer's column data types (TVxbDataType) and
// how an engine column type becomes a framework field definition: type,
// size, precision, required and read-only attributes, specification text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/api/calls/call_types.h"
#include "engine/types/field_codec.h"
#include "framework/core/field_defs.h"
#include "framework/core/field_type.h"

namespace vexilo::dataset {

// The value families the dataset layer decodes from engine records.
enum class TVxbDataType {
  dtString,
  dtSmallInt,
  dtFloat,
  dtByte,
  dtBoolean,
  dtDate,
  dtMemo,
  dtEnum,
  dtAutoInc,
  dtLink,
  dtBlob,
  dtRelation,
  dtTime,
  dtInteger,
  dtDateTime,
  dtWideString,
  dtWideMemo,
  dtLargeInt,
  dtGuid,
};

// The dataset type of engine column type `typeCode`. A Char column is a
// one-character string; codes the engine does not have read as dates.
TVxbDataType DataTypeOfColumnType(int16_t typeCode);

// One column as the engine describes it, with where its value lies in a
// record of the table.
struct TVxbFieldDef {
  int16_t FieldNo = 0;
  std::u16string Name;
  int16_t ColumnType = 0;
  TVxbDataType DataType = TVxbDataType::dtDate;
  // Size or precision of the column's type.
  int32_t Param = 0;
  uint8_t Options = 0;
  std::u16string Expression;
  std::u16string Specification;
  types::TVxbFieldLayout Layout;

  // Whether the column may be left null (the field is required otherwise).
  bool Nullable() const;
  // Whether the engine calculates the column (the field is read-only).
  bool Calculated() const { return (Options & 0x01) != 0; }
};

using TVxbFieldDefs = std::vector<TVxbFieldDef>;

// The column `spec` of a table at `tableLevel`.
TVxbFieldDef MakeFieldDef(const api::TVxbFieldSpec& spec, int16_t tableLevel);

// Adds the framework's definition of `def` to `fieldDefs`.
void AddFrameworkFieldDef(const TVxbFieldDef& def, framework::TFieldDefs& fieldDefs);

// The framework field type of a dataset type.
framework::TFieldType FieldTypeOf(TVxbDataType dataType);

}  // namespace vexilo::dataset
