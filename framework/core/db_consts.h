// The dataset framework's message texts (English; the windows report
// database errors in Hungarian themselves). Patterns take their arguments
// with FormatMessage placeholders.
#pragma once

namespace vexilo::framework::dbconsts {

inline constexpr char16_t SDataSetOpen[] = u"Cannot perform this operation on an open dataset";
inline constexpr char16_t SDataSetClosed[] = u"Cannot perform this operation on a closed dataset";
inline constexpr char16_t SDataSetEmpty[] = u"Cannot perform this operation on an empty dataset";
inline constexpr char16_t SDataSetReadOnly[] = u"Cannot modify a read-only dataset";
inline constexpr char16_t SNotEditing[] = u"Dataset not in edit or insert mode";
inline constexpr char16_t SRecordNotFound[] = u"Record not found";
inline constexpr char16_t SFieldNotFound[] = u"Field '%s' not found";
inline constexpr char16_t SFieldRequired[] = u"Field '%s' must have a value";
inline constexpr char16_t SFieldReadOnly[] = u"Field '%s' cannot be modified";
inline constexpr char16_t SFieldAccessError[] = u"Cannot access field '%s' as type %s";
inline constexpr char16_t SFieldIndexError[] = u"Field index out of range";
inline constexpr char16_t SDuplicateFieldName[] = u"Duplicate field name '%s'";
inline constexpr char16_t SFieldTypeMismatch[] =
    u"Type mismatch for field '%s', expecting: %s actual: %s";
inline constexpr char16_t SUnknownFieldType[] = u"Field '%s' is of an unknown type";
inline constexpr char16_t SDataSetMissing[] = u"Field '%s' has no dataset";
inline constexpr char16_t SInvalidIntegerValue[] = u"'%s' is not a valid integer value for field '%s'";
inline constexpr char16_t SInvalidFloatValue[] =
    u"'%s' is not a valid floating point value for field '%s'";
inline constexpr char16_t SInvalidBoolValue[] = u"'%s' is not a valid boolean value for field '%s'";
inline constexpr char16_t SInvalidDateTimeValue[] = u"'%s' is not a valid date and time for field '%s'";
inline constexpr char16_t SFieldRangeError[] =
    u"%s is not a valid value for field '%s'. The allowed range is %s to %s";
inline constexpr char16_t SInvalidGuid[] = u"'%s' is not a valid GUID for field '%s'";
inline constexpr char16_t SDataSourceChange[] = u"DataSource cannot be changed";
inline constexpr char16_t SCircularDataLink[] = u"Circular datalinks are not allowed";
inline constexpr char16_t SNotSupported[] = u"Operation not supported";
inline constexpr char16_t STextTrue[] = u"True";
inline constexpr char16_t STextFalse[] = u"False";

}  // namespace vexilo::framework::dbconsts
