// String collations: how the texts of String, WideString, Memo and WideMemo
// columns compare, match patterns, change case and convert between a code
// page and UTF-16.
//
// A collation name resolves once (per data type) to a shared, immutable
// TVxbCollation and a set of comparison options. Two kinds exist:
//   - the engine's own collation "VexBase" (locale number 0x200, code page
//     1252), computed here without any call into the locale services and
//     without allocating;
//   - named collations: the English name of a language, optionally with the
//     suffixes _CS/_CI (case) and _AS/_AI (accents), compared through ICU.
// Collation objects live for the whole process and are safe to use from any
// thread.
//
// Every comparison returns -1, 0 or 1. The options passed to a comparison are
// the column's options combined with the caller's, so a caller can make a
// comparison stricter but not looser than the column's collation. Operations
// of named collations throw ECollationError (engine/types/collation_error.h)
// when the locale services refuse them; the engine collation never throws
// from a comparison.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace vexilo::types {

// String comparison options; a set of the bits below.
enum TStrCmpOption : uint8_t {
  scoCaseSensitive = 1,      // upper and lower case differ
  scoLigatureSensitive = 2,  // "ß" does not equal "ss"; prefixes count characters
  scoAccentSensitive = 4,    // accented letters differ from their base letters
};
using TStrCmpOptions = uint8_t;

// The locale number of the engine collation; no operating-system locale uses it.
inline constexpr uint32_t kEngineLocaleId = 0x200;

class TVxbCollation;

// The result of resolving a collation name: the collation and the options
// the name implies. `collation` is null when the name names no language.
struct TVxbResolvedCollation {
  const TVxbCollation* collation = nullptr;
  TStrCmpOptions options = 0;
};

class TVxbCollation {
 public:
  // Resolves a column's collation name ("" and "VexBase" give the engine
  // collation). Unknown names give a null collation; the caller raises error
  // 138. Resolving the same language twice gives the same object; every name
  // is resolved once per process and remembered. Throws ECollationError when
  // the locale services lack the language's code page.
  static TVxbResolvedCollation Resolve(std::u16string_view name);
  // IsSupportedCollation of the string types.
  static bool IsSupported(std::u16string_view name) { return Resolve(name).collation != nullptr; }
  static const TVxbCollation& Engine();

  virtual ~TVxbCollation() = default;
  TVxbCollation(const TVxbCollation&) = delete;
  TVxbCollation& operator=(const TVxbCollation&) = delete;

  uint32_t LocaleId() const { return FLocaleId; }
  bool IsEngine() const { return FLocaleId == kEngineLocaleId; }
  // The Windows ANSI code page of String columns in this collation.
  uint16_t CodePage() const { return FCodePage; }
  // The English name of the language ("VexBase" for the engine collation).
  const std::u16string& LanguageName() const { return FLanguageName; }

  // Whole-string comparison. A sequence that ends with the character 0 stands
  // for every string beginning with the characters before it (prefix bounds).
  virtual int CompareAnsi(const char* s1, size_t n1, const char* s2, size_t n2,
                          TStrCmpOptions options) const = 0;
  virtual int CompareWide(const char16_t* s1, size_t n1, const char16_t* s2, size_t n2,
                          TStrCmpOptions options) const = 0;
  // CompareWide over UTF-16LE code units stored at any byte address (as in
  // index keys and record buffers): `n1` and `n2` count code units.
  virtual int CompareWideBytes(const uint8_t* s1, size_t n1, const uint8_t* s2, size_t n2,
                               TStrCmpOptions options) const;

  // Writes at most `size` leading bytes of a sort key of the text into `out`
  // and returns how many: byte strings, zero-padded to `size`, such that a
  // smaller one (memcmp) always belongs to a text CompareWide puts first.
  // Equal ones decide nothing. 0 when the collation has no sort keys (the
  // default): every text then ties.
  virtual size_t SortKeyPrefixWide(const char16_t* s, size_t n, TStrCmpOptions options, uint8_t* out,
                                   size_t size) const {
    (void)s, (void)n, (void)options, (void)out, (void)size;
    return 0;
  }

  // Compares the beginning of `s` with the whole prefix `p`: 0 when `s`
  // begins with `p`. `matched`, when given, receives the number of characters
  // (for ANSI sequences: bytes) of `s` that took part in the comparison.
  virtual int ComparePrefixAnsi(const char* s, size_t n, const char* p, size_t m,
                                TStrCmpOptions options, size_t* matched = nullptr) const = 0;
  virtual int ComparePrefixWide(const char16_t* s, size_t n, const char16_t* p, size_t m,
                                TStrCmpOptions options, size_t* matched = nullptr) const = 0;

  // Pattern matching with caller-chosen wildcards and escape character (a
  // wildcard or escape of 0 is not used). Literal parts of the pattern
  // compare with `options` plus scoLigatureSensitive, so matching is
  // case-insensitive whenever the options are. Runs in time proportional to
  // the value's length times the pattern's, whatever the pattern.
  bool MatchesAnsi(std::string_view value, std::string_view pattern, char multiJoker,
                   char singleJoker, char escape, TStrCmpOptions options) const;
  bool MatchesWide(std::u16string_view value, std::u16string_view pattern, char16_t multiJoker,
                   char16_t singleJoker, char16_t escape, TStrCmpOptions options) const;

  virtual std::string UpperAnsi(std::string_view s) const = 0;
  virtual std::string LowerAnsi(std::string_view s) const = 0;
  virtual std::u16string UpperWide(std::u16string_view s) const = 0;
  virtual std::u16string LowerWide(std::u16string_view s) const = 0;

  // Code-page conversion for String columns: characters the code page lacks
  // become "?".
  virtual std::u16string AnsiToWide(std::string_view bytes) const = 0;
  virtual std::string WideToAnsi(std::u16string_view text) const = 0;

 protected:
  TVxbCollation(uint32_t localeId, uint16_t codePage, std::u16string languageName)
      : FLocaleId(localeId), FCodePage(codePage), FLanguageName(std::move(languageName)) {}

 private:
  uint32_t FLocaleId;
  uint16_t FCodePage;
  std::u16string FLanguageName;
};

}  // namespace vexilo::types
