#include "framework/core/field_type.h"

#include <array>

namespace vexilo::framework {
namespace {

constexpr std::array<std::u16string_view, 40> kNames = {
    u"Unknown",    u"String",      u"Smallint",  u"Integer",     u"Word",       u"Boolean",
    u"Float",      u"Currency",    u"BCD",       u"Date",        u"Time",       u"DateTime",
    u"Bytes",      u"VarBytes",    u"AutoInc",   u"Blob",        u"Memo",       u"Graphic",
    u"FmtMemo",    u"ParadoxOle",  u"DBaseOle",  u"TypedBinary", u"Cursor",     u"FixedChar",
    u"WideString", u"Largeint",    u"ADT",       u"Array",       u"Reference",  u"DataSet",
    u"OraBlob",    u"OraClob",     u"Variant",   u"Interface",   u"IDispatch",  u"Guid",
    u"TimeStamp",  u"FMTBcd",      u"FixedWideChar", u"WideMemo",
};

}  // namespace

std::u16string_view FieldTypeName(TFieldType type) {
  const auto index = static_cast<size_t>(type);
  return index < kNames.size() ? kNames[index] : kNames[0];
}

bool IsBlobType(TFieldType type) {
  switch (type) {
    case TFieldType::ftBlob:
    case TFieldType::ftMemo:
    case TFieldType::ftGraphic:
    case TFieldType::ftFmtMemo:
    case TFieldType::ftParadoxOle:
    case TFieldType::ftDBaseOle:
    case TFieldType::ftTypedBinary:
    case TFieldType::ftOraBlob:
    case TFieldType::ftOraClob:
    case TFieldType::ftWideMemo:
      return true;
    default:
      return false;
  }
}

}  // namespace vexilo::framework
