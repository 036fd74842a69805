// TFieldType: the dataset framework's data types of fields and field
// definitions, and their names. The engine's column types are a different
// family in another namespace; the dataset layer maps one to the other.
#pragma once

#include <string_view>

namespace vexilo::framework {

enum class TFieldType {
  ftUnknown,
  ftString,       // 8-bit text of at most Size characters
  ftSmallint,     // 16-bit signed integer
  ftInteger,      // 32-bit signed integer
  ftWord,         // 16-bit unsigned integer
  ftBoolean,
  ftFloat,        // 64-bit floating point
  ftCurrency,     // 64-bit floating point shown as money
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,      // 32-bit automatic number
  ftBlob,         // binary large object
  ftMemo,         // 8-bit text of any length
  ftGraphic,
  ftFmtMemo,
  ftParadoxOle,
  ftDBaseOle,
  ftTypedBinary,
  ftCursor,
  ftFixedChar,
  ftWideString,   // UTF-16 text of at most Size characters
  ftLargeint,     // 64-bit signed integer
  ftADT,
  ftArray,
  ftReference,
  ftDataSet,
  ftOraBlob,
  ftOraClob,
  ftVariant,
  ftInterface,
  ftIDispatch,
  ftGuid,         // a GUID as its 38-character text
  ftTimeStamp,
  ftFMTBcd,
  ftFixedWideChar,
  ftWideMemo,     // UTF-16 text of any length
};

// The type's name without the "ft" prefix ("String", "WideMemo").
std::u16string_view FieldTypeName(TFieldType type);

// Whether values of the type live outside the record (read through a blob
// stream).
bool IsBlobType(TFieldType type);

}  // namespace vexilo::framework
