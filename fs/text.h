// Text helpers every layer shares:
// - conversions between the engine's UTF-16 texts and UTF-8, the encoding of
//   the standard library's exception texts, file paths and terminals.
//   Malformed input never fails: an invalid UTF-8 byte or an unpaired
//   surrogate becomes U+FFFD.
// - case-insensitive comparison of names. Each helper folds letter case by
//   one rule, which its name gives; every other character compares as it is.
//     AsciiCase   A-Z and a-z: file extensions, the tools' keywords.
//     Latin1Case  also the Latin-1 letters U+00C0-U+00DE and U+00E0-U+00FE
//                 (not U+00D7 and U+00F7): the engine's column and index
//                 names.
//     LatinCase   also the Latin Extended-A pairs (U+0100-U+017F) and
//                 U+0178/U+00FF: the field and index names of the dataset
//                 framework.
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

// A letter in lower case by the rule the name gives; other characters as they
// are.
char16_t LowerAsciiCase(char16_t c);
char16_t LowerLatin1Case(char16_t c);
char16_t LowerLatinCase(char16_t c);

bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b);
// The same for UTF-8 or ASCII bytes (bytes above 127 compare as they are).
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
bool EndsWithIgnoringAsciiCase(std::u16string_view text, std::u16string_view suffix);
bool ContainsIgnoringAsciiCase(std::u16string_view text, std::u16string_view part);

bool EqualsIgnoringLatin1Case(std::u16string_view a, std::u16string_view b);
bool StartsWithIgnoringLatin1Case(std::u16string_view text, std::u16string_view prefix);

bool EqualsIgnoringLatinCase(std::u16string_view a, std::u16string_view b);
// `text` with every letter in lower case as EqualsIgnoringLatinCase folds it.
std::u16string LowerLatinCase(std::u16string_view text);

}  // namespace vexilo::fs
