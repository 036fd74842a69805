// TVxbNamedCollation: a collation named after a language ("Hungarian",
// "German", ...), compared, case-mapped and converted through ICU.
//
// There is one object per language, created the first time a collation name
// resolves to it and kept for the whole process; every column and every
// option set of that language shares it. Comparisons use one ICU collator per
// combination of the case and accent options, each created on first use and
// never changed afterwards, so the object may be used from any thread.
// Accent-insensitive comparisons ignore diacritics even where the language
// sorts an accented letter as a letter of its own (Hungarian "ö", Swedish
// "å"): such letters are re-tailored to differ from their base letters only
// at the accent level.
//
// The locale number of a language is its Windows LCID as ICU knows it. A
// language ICU has no LCID for gets 0x80000000 | (FNV-1a hash of its ICU
// locale name, 31 bits): stable from run to run and outside the range of
// Windows LCIDs (below 0x00100000).
//
// The ANSI code page of a language (for String and Memo columns) is the
// Windows one: 1250 Central European, 1251 Cyrillic, 1253 Greek, 1254
// Turkish, 1255 Hebrew, 1256 Arabic, 1257 Baltic, 1258 Vietnamese, 874 Thai,
// 932/936/949/950 Japanese/Simplified Chinese/Korean/Traditional Chinese, and
// 1252 for Western languages. A language Windows gives no ANSI code page
// (Hindi, Georgian, Armenian, ...) also gets 1252, the ANSI code page of a
// Western system; its texts belong in WideString and WideMemo columns.
#pragma once

#include <unicode/ucol.h>

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "engine/types/code_page.h"
#include "engine/types/collation.h"

namespace vexilo::types {

// An owned ICU collator.
struct TIcuCollatorCloser {
  void operator()(UCollator* collator) const { ucol_close(collator); }
};
using TIcuCollatorPtr = std::unique_ptr<UCollator, TIcuCollatorCloser>;

class TVxbNamedCollation final : public TVxbCollation {
 public:
  // The collation of the language whose English name is `language` (compared
  // case-insensitively); null when no locale has that name. Locales are
  // enumerated once per process, language-only ones first.
  static const TVxbNamedCollation* ForLanguage(std::u16string_view language);
  // The Windows ANSI code page of an ICU locale name ("hu", "sr_Latn", ...).
  static uint16_t AnsiCodePageOf(const std::string& icuLocale);


  // The ICU locale name the collation works in ("hu").
  const std::string& IcuLocale() const { return FIcuLocale; }

  int CompareAnsi(const char* s1, size_t n1, const char* s2, size_t n2,
                  TStrCmpOptions options) const override;
  // The leading bytes of the ICU sort key.
  size_t SortKeyPrefixWide(const char16_t* s, size_t n, TStrCmpOptions options, uint8_t* out,
                           size_t size) const override;
  int CompareWide(const char16_t* s1, size_t n1, const char16_t* s2, size_t n2,
                  TStrCmpOptions options) const override;
  int ComparePrefixAnsi(const char* s, size_t n, const char* p, size_t m, TStrCmpOptions options,
                        size_t* matched = nullptr) const override;
  int ComparePrefixWide(const char16_t* s, size_t n, const char16_t* p, size_t m,
                        TStrCmpOptions options, size_t* matched = nullptr) const override;

  std::string UpperAnsi(std::string_view s) const override;
  std::string LowerAnsi(std::string_view s) const override;
  std::u16string UpperWide(std::u16string_view s) const override;
  std::u16string LowerWide(std::u16string_view s) const override;

  std::u16string AnsiToWide(std::string_view bytes) const override;
  std::string WideToAnsi(std::u16string_view text) const override;

 private:
  TVxbNamedCollation(std::string icuLocale, uint32_t localeId, std::u16string languageName);

  // The collator for the case and accent bits of `options`, created on first
  // use; throws ECollationError when ICU refuses it.
  const UCollator* Collator(TStrCmpOptions options) const;
  std::u16string MapCase(std::u16string_view s, bool upper) const;

  std::string FIcuLocale;
  TVxbCodePage FCodePageTable;
  // Guards the creation of collators; comparisons read `FCollators` only.
  mutable std::mutex FCreateMutex;
  mutable std::array<TIcuCollatorPtr, 4> FOwnedCollators;
  mutable std::array<std::atomic<const UCollator*>, 4> FCollators{};
  // The accent-insensitive collator built from rules, which is slow to build;
  // the accent-insensitive collators are clones of it.
  mutable TIcuCollatorPtr FAccentFoldingBase;
};

}  // namespace vexilo::types
