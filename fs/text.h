// Conversions between the engine's UTF-16 texts and UTF-8, the encoding of
// the standard library's exception texts, file paths and terminals.
//
// Malformed input never fails: an invalid UTF-8 byte or an unpaired
// surrogate becomes U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace vexilo::fs {

std::u16string Utf8ToUtf16(std::string_view utf8);
// The same into `out` (replacing what it held), reusing its storage.
void Utf8ToUtf16(std::string_view utf8, std::u16string& out);
std::string Utf16ToUtf8(std::u16string_view utf16);

// Short spelling for literals and messages: u16("Record not found").
inline std::u16string u16(std::string_view utf8) { return Utf8ToUtf16(utf8); }
inline std::string u8(std::u16string_view utf16) { return Utf16ToUtf8(utf16); }

}  // namespace vexilo::fs
