// Field values between an engine record and the framework's native field
// layouts. Reading decodes the column's bytes (at its place in the record,
// with its null byte) into what the field class expects; writing encodes a
// native value back into the record exactly as the engine stores it.
//
//   dataset type        native value (see the framework's field classes)
//   dtString            the ANSI characters, 0-terminated (Size + 1 bytes)
//   dtWideString        UTF-16, cut to the field size, 0-terminated
//   dtSmallInt, dtByte  int16
//   dtInteger, dtAutoInc int32;  dtLargeInt int64;  dtFloat binary64
//   dtBoolean           int16 0 or 1
//   dtDate              int32 day number (day 1 = 0001-01-01); null for
//                       a stored date of 0 or below
//   dtTime              int32 milliseconds of the day
//   dtDateTime          binary64 milliseconds (day number * 86400000 +
//                       milliseconds of the day); null when negative
//   dtEnum              the value's name from the column's list, UTF-16
//   dtGuid              the 38-character braced text, 0-terminated
//   dtMemo, dtBlob,     nothing: only whether the record refers to content
//   dtWideMemo
// Link and Relation texts come from the engine, not from the record; the
// caller supplies them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "dataset/field_types.h"

namespace vexilo::dataset {

// Reads the value of `def` in `record` into `native` (its size is the
// field's DataSize; empty only asks whether there is a value). `linkText`
// gives the text of a Link column's record id.
bool ReadFieldValue(const TVxbFieldDef& def, const uint8_t* record, std::span<std::byte> native,
                    const std::function<std::u16string(int32_t recordId)>& linkText);

// Writes the native value `native` (empty: null) of `def` into `record`;
// false, writing nothing, when the value does not fit the column (out of its
// range, an enumeration name it lacks, a type the record cannot take from a
// field: Link, Relation and the memo and blob references).
bool WriteFieldValue(const TVxbFieldDef& def, uint8_t* record, std::span<const std::byte> native);

// The braced text of a GUID's 16 bytes and back (false for another text).
std::u16string GuidText(const types::TGuid& guid);
bool ParseGuidText(std::u16string_view text, types::TGuid& guid);

}  // namespace vexilo::dataset
