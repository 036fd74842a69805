// The search-condition parser under arbitrary text: one input is a
// condition as a user might type it into the filter window. The first byte
// chooses the options (bit 0: local formats with a comma as the decimal
// separator); the rest is the text, read as UTF-8 when it is valid UTF-8
// and byte by byte (Latin-1) otherwise. Whatever the text, parsing must end
// without crashing, either with a condition tree, whose canonical text can
// then be made, or with a parser error that points into the text (row and
// column from 1, the column within its line). Any other outcome aborts,
// which the fuzzer reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/cursor/condition/condition_text.h"
#include "engine/cursor/condition/sql_parser.h"
#include "engine/errors/compiler_error.h"

namespace vexilo::fuzz {

namespace detail {

inline void Keep(bool kept) {
  if (!kept) std::abort();
}

// `bytes` as UTF-16: decoded as UTF-8 when valid, else one unit per byte.
inline std::u16string ConditionText(const uint8_t* bytes, size_t size) {
  std::u16string text;
  size_t i = 0;
  while (i < size) {
    const uint8_t lead = bytes[i];
    size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + length > size) break;
    uint32_t code = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
    bool valid = true;
    for (size_t k = 1; k < length; ++k) {
      valid = valid && (bytes[i + k] & 0xC0) == 0x80;
      code = (code << 6) | (bytes[i + k] & 0x3F);
    }
    if (!valid || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) break;
    if (code >= 0x10000) {
      code -= 0x10000;
      text.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      text.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      text.push_back(static_cast<char16_t>(code));
    }
    i += length;
  }
  if (i == size) return text;
  text.clear();
  for (size_t k = 0; k < size; ++k) text.push_back(bytes[k]);
  return text;
}

}  // namespace detail

inline int RunConditionParser(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  cursor::TSqlParserOptions options;
  options.AllowLocalFormats = (data[0] & 1) != 0;
  options.LocalDecimalSeparator = u',';
  const std::u16string text = detail::ConditionText(data + 1, size - 1);
  try {
    cursor::TSqlParser parser(text, options);
    const auto condition = parser.ParseCondition();
    detail::Keep(condition != nullptr);
    (void)cursor::ConditionText(*condition);
  } catch (const errors::ESqlParser& e) {
    detail::Keep(e.ErrorLineNo() >= 1 && e.ErrorCharNo() >= 1);
    detail::Keep(static_cast<size_t>(e.ErrorCharNo()) <= e.ErrorLine().size() + 1);
    detail::Keep(static_cast<size_t>(e.ErrorLineNo()) <= text.size() + 1);
  }
  return 0;
}

}  // namespace vexilo::fuzz
