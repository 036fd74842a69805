// The JSON value of one field of a raw record, as vxbtool's record lines
// write it: null for null; texts as strings; numbers as numbers; dates and
// times as ISO strings; Memo and WideMemo contents as text and Blob contents
// in base64. What the record alone does not tell — the code page of ANSI
// texts, the names of enumeration values, the contents behind a memo or blob
// reference — comes from the caller's context.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/types/field_codec.h"

namespace vexilo::tools {

struct TFieldJsonContext {
  // ANSI bytes of a Char, String or Memo column as text.
  std::function<std::u16string(std::string_view bytes)> AnsiToWide;
  // The name of an Enum value, none for an unnamed one.
  std::function<std::optional<std::u16string>(uint8_t value)> EnumName;
  // The JSON value of the content a Memo, WideMemo or Blob reference (block
  // above 0) points to.
  std::function<std::string(int32_t block)> Content;
};

// The JSON value of the field of type `typeCode` at `layout` in `record`.
std::string FieldValueJson(const uint8_t* record, const types::TVxbFieldLayout& layout, int16_t typeCode,
                           const TFieldJsonContext& context);

}  // namespace vexilo::tools
