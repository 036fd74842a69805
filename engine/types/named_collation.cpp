#include "engine/types/named_collation.h"

#include <unicode/uchar.h>
#include <unicode/uiter.h>
#include <unicode/uloc.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

#include "engine/types/collation_error.h"
#include "engine/types/collation_rules.h"

namespace vexilo::types {

namespace {

// ---- Locales and their names ------------------------------------------------

struct TLocaleName {
  std::string icuLocale;
  std::u16string englishLanguage;
};

std::u16string EnglishLanguageName(const char* icuLocale) {
  UChar buffer[128];
  UErrorCode status = U_ZERO_ERROR;
  const int32_t n = uloc_getDisplayLanguage(icuLocale, "en", buffer, 128, &status);
  if (U_FAILURE(status) || n <= 0) return {};
  return std::u16string(buffer, static_cast<size_t>(std::min(n, int32_t{128})));
}

std::string LanguageOf(const char* icuLocale) {
  char buffer[ULOC_LANG_CAPACITY];
  UErrorCode status = U_ZERO_ERROR;
  const int32_t n = uloc_getLanguage(icuLocale, buffer, ULOC_LANG_CAPACITY, &status);
  if (U_FAILURE(status) || n <= 0 || n >= ULOC_LANG_CAPACITY) return {};
  return std::string(buffer, static_cast<size_t>(n));
}

// Every locale ICU supports, language-only locales ("hu") before regional and
// script variants ("hu_HU"), so a language name resolves to the language.
std::vector<TLocaleName> EnumerateLocales() {
  std::vector<TLocaleName> languageOnly;
  std::vector<TLocaleName> others;
  const int32_t count = uloc_countAvailable();
  for (int32_t k = 0; k < count; ++k) {
    const char* id = uloc_getAvailable(k);
    TLocaleName entry{id, EnglishLanguageName(id)};
    if (entry.englishLanguage.empty()) continue;
    (LanguageOf(id) == id ? languageOnly : others).push_back(std::move(entry));
  }
  languageOnly.insert(languageOnly.end(), std::make_move_iterator(others.begin()),
                       std::make_move_iterator(others.end()));
  return languageOnly;
}

const std::vector<TLocaleName>& KnownLocales() {
  static const std::vector<TLocaleName> locales = EnumerateLocales();
  return locales;
}

bool SameNameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  UErrorCode status = U_ZERO_ERROR;
  return u_strCaseCompare(a.data(), static_cast<int32_t>(a.size()), b.data(),
                          static_cast<int32_t>(b.size()), U_FOLD_CASE_DEFAULT, &status) == 0 &&
         U_SUCCESS(status);
}

uint32_t LocaleNumberOf(const std::string& icuLocale) {
  const uint32_t lcid = uloc_getLCID(icuLocale.c_str());
  if (lcid != 0 && lcid != kEngineLocaleId) return lcid;
  uint32_t hash = 2166136261u;  // FNV-1a, 32 bits
  for (unsigned char c : icuLocale) {
    hash ^= c;
    hash *= 16777619u;
  }
  return 0x80000000u | (hash & 0x7FFFFFFFu);
}

// The collations made so far, one per ICU locale, alive for the whole process.
struct TRegistry {
  std::mutex mutex;
  std::map<std::string, std::unique_ptr<TVxbNamedCollation>> collations;
};

TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}

// ---- Collators -----------------------------------------------------------------

// Precomposed Latin, Greek and Cyrillic letters with diacritics, each with
// its base letter ("ö" and "o"), in UTF-16.
struct TAccentedLetter {
  std::u16string letter;
  std::u16string base;
};

const std::vector<TAccentedLetter>& AccentedLetters() {
  static const std::vector<TAccentedLetter> letters = [] {
    std::vector<TAccentedLetter> out;
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfd = unorm2_getNFDInstance(&status);
    if (U_FAILURE(status)) return out;
    const UChar32 ranges[][2] = {{0x00C0, 0x024F}, {0x0370, 0x03FF}, {0x0400, 0x04FF},
                                 {0x1E00, 0x1EFF}};
    for (const auto& range : ranges) {
      for (UChar32 c = range[0]; c <= range[1]; ++c) {
        UChar decomposed[8];
        status = U_ZERO_ERROR;
        const int32_t n = unorm2_getDecomposition(nfd, c, decomposed, 8, &status);
        if (U_FAILURE(status) || n < 2) continue;
        UChar32 base;
        int32_t k = 0;
        U16_NEXT(decomposed, k, n, base);
        bool marksOnly = k < n && u_isalpha(base);
        for (int32_t m = k; m < n && marksOnly;) {
          UChar32 mark;
          U16_NEXT(decomposed, m, n, mark);
          marksOnly = u_charType(mark) == U_NON_SPACING_MARK;
        }
        if (!marksOnly) continue;
        UChar unit[2];
        int32_t len = 0;
        U16_APPEND_UNSAFE(unit, len, c);
        out.push_back({std::u16string(unit, unit + len), std::u16string(decomposed, decomposed + k)});
      }
    }
    return out;
  }();
  return letters;
}

// Opens the collator of `icuLocale`. Languages such as Hungarian, Swedish or
// Turkish sort some accented letters as letters of their own ("ö" after every
// "o"); for accent-insensitive comparisons their tailoring gets rules that
// make those letters differ from their base letters at the secondary level
// only ("&o<<ö"), so that "árvíztűrő" equals "ARVIZTURO" in Hungarian_CI_AI.
// Null when ICU refuses.
TIcuCollatorPtr OpenCollator(const std::string& icuLocale, bool accentSensitive) {
  UErrorCode status = U_ZERO_ERROR;
  TIcuCollatorPtr collator(ucol_open(icuLocale.c_str(), &status));
  if (U_FAILURE(status) || !collator) return nullptr;
  if (accentSensitive) return collator;

  ucol_setStrength(collator.get(), UCOL_PRIMARY);
  std::u16string extraRules;
  for (const TAccentedLetter& a : AccentedLetters()) {
    if (ucol_strcoll(collator.get(), a.letter.data(), static_cast<int32_t>(a.letter.size()),
                     a.base.data(), static_cast<int32_t>(a.base.size())) != UCOL_EQUAL) {
      extraRules += u"&" + a.base + u"<<" + a.letter;
    }
  }
  if (extraRules.empty()) return collator;
  int32_t length = 0;
  const UChar* tailoring = ucol_getRules(collator.get(), &length);
  const std::u16string rules = std::u16string(tailoring, static_cast<size_t>(length)) + extraRules;
  UParseError parseError;
  status = U_ZERO_ERROR;
  TIcuCollatorPtr folded(ucol_openRules(rules.data(), static_cast<int32_t>(rules.size()), UCOL_DEFAULT,
                                     UCOL_DEFAULT_STRENGTH, &parseError, &status));
  if (U_FAILURE(status) || !folded) return nullptr;
  return folded;
}

TIcuCollatorPtr CloneCollator(const UCollator* collator) {
  UErrorCode status = U_ZERO_ERROR;
#if U_ICU_VERSION_MAJOR_NUM >= 71
  TIcuCollatorPtr clone(ucol_clone(collator, &status));
#else
  TIcuCollatorPtr clone(ucol_safeClone(collator, nullptr, nullptr, &status));
#endif
  if (U_FAILURE(status)) return nullptr;
  return clone;
}

// ---- Comparison ---------------------------------------------------------------

// Number of letters a character stands for once its ligature is expanded.
size_t LigatureLetters(char16_t c) {
  switch (c) {
    case 0x00C6: case 0x00E6:  // Æ æ
    case 0x00DF:               // ß
    case 0x0132: case 0x0133:  // Ĳ ĳ
    case 0x0152: case 0x0153:  // Œ œ
    case 0x01C4: case 0x01C5: case 0x01C6:  // Ǆ ǅ ǆ
    case 0x01C7: case 0x01C8: case 0x01C9:  // Ǉ ǈ ǉ
    case 0x01CA: case 0x01CB: case 0x01CC:  // Ǌ ǋ ǌ
    case 0x01F1: case 0x01F2: case 0x01F3:  // Ǳ ǲ ǳ
    case 0xFB00: case 0xFB01: case 0xFB02:  // ﬀ ﬁ ﬂ
    case 0xFB05: case 0xFB06:               // ﬅ ﬆ
      return 2;
    case 0xFB03: case 0xFB04:  // ﬃ ﬄ
      return 3;
    default:
      return 1;
  }
}

size_t ExpandedLength(const char16_t* s, size_t n) {
  size_t length = 0;
  for (size_t k = 0; k < n; ++k) length += LigatureLetters(s[k]);
  return length;
}

int Collate(const UCollator* collator, const char16_t* a, size_t na, const char16_t* b, size_t nb) {
  return ucol_strcoll(collator, a, static_cast<int32_t>(na), b, static_cast<int32_t>(nb));
}

int PrefixWide(const UCollator* collator, const char16_t* s, size_t n, const char16_t* p, size_t m,
               TStrCmpOptions options, size_t* matched) {
  const auto whole = [collator](const char16_t* a, size_t na, const char16_t* b, size_t nb) {
    return Collate(collator, a, na, b, nb);
  };
  return collation_rules::ComparePrefix(s, n, p, m, (options & scoLigatureSensitive) != 0, whole,
                                        ExpandedLength, matched);
}

// An ANSI text converted to UTF-16, on the stack when it is short.
class TWideText {
 public:
  TWideText(const TVxbCodePage& codePage, const char* s, size_t n) : FBytes(n) {
    char16_t* out = FInline;
    if (n > kInline) {
      FHeap.resize(n);
      out = FHeap.data();
    }
    if (!codePage.IsSingleByte()) FOffsets.resize(n);
    FSize = codePage.ToWide(std::string_view(s, n), out, FOffsets.empty() ? nullptr : FOffsets.data());
    FData = out;
  }
  TWideText(const TWideText&) = delete;
  TWideText& operator=(const TWideText&) = delete;

  const char16_t* data() const { return FData; }
  size_t size() const { return FSize; }
  // The number of bytes the first `units` units came from.
  size_t Bytes(size_t units) const {
    if (FOffsets.empty()) return units;
    return units < FSize ? FOffsets[units] : FBytes;
  }

 private:
  static constexpr size_t kInline = 256;
  char16_t FInline[kInline];
  std::u16string FHeap;
  std::vector<size_t> FOffsets;
  const char16_t* FData = nullptr;
  size_t FSize = 0;
  size_t FBytes;
};

}  // namespace

// ---- TVxbNamedCollation -------------------------------------------------------

const TVxbNamedCollation* TVxbNamedCollation::ForLanguage(std::u16string_view language) {
  if (language.empty()) return nullptr;
  for (const TLocaleName& locale : KnownLocales()) {
    if (!SameNameIgnoringCase(language, locale.englishLanguage)) continue;
    TRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    auto& slot = registry.collations[locale.icuLocale];
    if (!slot) {
      slot.reset(new TVxbNamedCollation(locale.icuLocale, LocaleNumberOf(locale.icuLocale),
                                        locale.englishLanguage));
    }
    return slot.get();
  }
  return nullptr;
}

uint16_t TVxbNamedCollation::AnsiCodePageOf(const std::string& icuLocale) {
  char full[ULOC_FULLNAME_CAPACITY];
  UErrorCode status = U_ZERO_ERROR;
  uloc_addLikelySubtags(icuLocale.c_str(), full, ULOC_FULLNAME_CAPACITY, &status);
  if (U_FAILURE(status)) std::snprintf(full, sizeof full, "%s", icuLocale.c_str());
  char script[ULOC_SCRIPT_CAPACITY] = "";
  status = U_ZERO_ERROR;
  uloc_getScript(full, script, ULOC_SCRIPT_CAPACITY, &status);
  const std::string language = LanguageOf(full);
  const std::string_view writing(U_SUCCESS(status) ? script : "");

  struct TLanguageCodePage {
    const char* language;
    uint16_t codePage;
  };
  // Languages whose code page depends on the script come first.
  if (writing == "Cyrl") return 1251;
  if (writing == "Hant" && language == "zh") return 950;
  static constexpr TLanguageCodePage kTable[] = {
      {"cs", 1250},  {"hr", 1250},  {"hu", 1250},  {"pl", 1250}, {"ro", 1250}, {"sk", 1250},
      {"sl", 1250},  {"sq", 1250},  {"bs", 1250},  {"sr", 1250}, {"tk", 1250},
      {"be", 1251},  {"bg", 1251},  {"kk", 1251},  {"ky", 1251}, {"mk", 1251}, {"mn", 1251},
      {"ru", 1251},  {"tg", 1251},  {"tt", 1251},  {"uk", 1251}, {"ba", 1251}, {"sah", 1251},
      {"el", 1253},
      {"tr", 1254},  {"az", 1254},  {"uz", 1254},
      {"he", 1255},
      {"ar", 1256},  {"fa", 1256},  {"ur", 1256},  {"ps", 1256}, {"ug", 1256}, {"sd", 1256},
      {"ckb", 1256},
      {"et", 1257},  {"lt", 1257},  {"lv", 1257},
      {"vi", 1258},
      {"th", 874},
      {"ja", 932},   {"zh", 936},   {"ko", 949},
  };
  for (const TLanguageCodePage& entry : kTable) {
    if (language == entry.language) return entry.codePage;
  }
  return 1252;
}

TVxbNamedCollation::TVxbNamedCollation(std::string icuLocale, uint32_t localeId,
                                       std::u16string languageName)
    : TVxbCollation(localeId, AnsiCodePageOf(icuLocale), std::move(languageName)),
      FIcuLocale(std::move(icuLocale)),
      FCodePageTable(CodePage()) {}

const UCollator* TVxbNamedCollation::Collator(TStrCmpOptions options) const {
  const bool caseSensitive = (options & scoCaseSensitive) != 0;
  const bool accentSensitive = (options & scoAccentSensitive) != 0;
  const size_t index = (caseSensitive ? 1 : 0) | (accentSensitive ? 2 : 0);
  if (const UCollator* existing = FCollators[index].load(std::memory_order_acquire)) return existing;

  std::lock_guard lock(FCreateMutex);
  if (const UCollator* existing = FCollators[index].load(std::memory_order_acquire)) return existing;
  TIcuCollatorPtr collator;
  if (accentSensitive) {
    collator = OpenCollator(FIcuLocale, true);
  } else {
    if (!FAccentFoldingBase) FAccentFoldingBase = OpenCollator(FIcuLocale, false);
    if (FAccentFoldingBase) collator = CloneCollator(FAccentFoldingBase.get());
  }
  if (!collator) throw ECollationError::Unsupported(LocaleId(), LanguageName());
  // Strength: primary ignores case and accents, secondary only case,
  // tertiary neither; the case level adds case to a primary comparison.
  UErrorCode status = U_ZERO_ERROR;
  ucol_setStrength(collator.get(), caseSensitive && accentSensitive ? UCOL_TERTIARY
                                   : accentSensitive                 ? UCOL_SECONDARY
                                                                      : UCOL_PRIMARY);
  ucol_setAttribute(collator.get(), UCOL_CASE_LEVEL,
                    caseSensitive && !accentSensitive ? UCOL_ON : UCOL_OFF, &status);
  if (U_FAILURE(status)) throw ECollationError::Unsupported(LocaleId(), LanguageName());
  FOwnedCollators[index] = std::move(collator);
  FCollators[index].store(FOwnedCollators[index].get(), std::memory_order_release);
  return FOwnedCollators[index].get();
}

int TVxbNamedCollation::CompareWide(const char16_t* s1, size_t n1, const char16_t* s2, size_t n2,
                                    TStrCmpOptions options) const {
  const UCollator* collator = Collator(options);
  const auto whole = [collator](const char16_t* a, size_t na, const char16_t* b, size_t nb) {
    return Collate(collator, a, na, b, nb);
  };
  const auto prefix = [collator, options](const char16_t* s, size_t n, const char16_t* p, size_t m) {
    return PrefixWide(collator, s, n, p, m, options, nullptr);
  };
  return collation_rules::CompareWithBounds(s1, n1, s2, n2, whole, prefix);
}

size_t TVxbNamedCollation::SortKeyPrefixWide(const char16_t* s, size_t n, TStrCmpOptions options, uint8_t* out,
                                             size_t size) const {
  const UCollator* collator = Collator(options);
  if (!collator || size == 0) return 0;
  // The first bytes of the key without building all of it; parts made this
  // way order as ucol_strcoll does.
  UCharIterator iterator;
  uiter_setString(&iterator, s, static_cast<int32_t>(n));
  uint32_t state[2] = {0, 0};
  UErrorCode status = U_ZERO_ERROR;
  const int32_t written =
      ucol_nextSortKeyPart(collator, &iterator, state, out, static_cast<int32_t>(size), &status);
  return U_FAILURE(status) || written < 0 ? 0 : static_cast<size_t>(written);
}

int TVxbNamedCollation::ComparePrefixWide(const char16_t* s, size_t n, const char16_t* p, size_t m,
                                          TStrCmpOptions options, size_t* matched) const {
  return PrefixWide(Collator(options), s, n, p, m, options, matched);
}

int TVxbNamedCollation::CompareAnsi(const char* s1, size_t n1, const char* s2, size_t n2,
                                    TStrCmpOptions options) const {
  const TWideText w1(FCodePageTable, s1, n1);
  const TWideText w2(FCodePageTable, s2, n2);
  return CompareWide(w1.data(), w1.size(), w2.data(), w2.size(), options);
}

int TVxbNamedCollation::ComparePrefixAnsi(const char* s, size_t n, const char* p, size_t m,
                                          TStrCmpOptions options, size_t* matched) const {
  const TWideText ws(FCodePageTable, s, n);
  const TWideText wp(FCodePageTable, p, m);
  size_t units = 0;
  const int r = ComparePrefixWide(ws.data(), ws.size(), wp.data(), wp.size(), options, &units);
  if (matched) *matched = ws.Bytes(units);
  return r;
}

std::u16string TVxbNamedCollation::MapCase(std::u16string_view s, bool upper) const {
  const auto map = upper ? u_strToUpper : u_strToLower;
  std::u16string out(s.size(), u'\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t n = map(out.data(), static_cast<int32_t>(out.size()), s.data(),
                  static_cast<int32_t>(s.size()), FIcuLocale.c_str(), &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    status = U_ZERO_ERROR;
    out.assign(static_cast<size_t>(n), u'\0');
    n = map(out.data(), n, s.data(), static_cast<int32_t>(s.size()), FIcuLocale.c_str(), &status);
  }
  if (U_FAILURE(status)) {
    throw ECollationError::Failed(upper ? "Upper-casing text" : "Lower-casing text",
                                  u_errorName(status));
  }
  out.resize(static_cast<size_t>(n));
  return out;
}

std::u16string TVxbNamedCollation::UpperWide(std::u16string_view s) const { return MapCase(s, true); }

std::u16string TVxbNamedCollation::LowerWide(std::u16string_view s) const { return MapCase(s, false); }

std::string TVxbNamedCollation::UpperAnsi(std::string_view s) const {
  return WideToAnsi(UpperWide(AnsiToWide(s)));
}

std::string TVxbNamedCollation::LowerAnsi(std::string_view s) const {
  return WideToAnsi(LowerWide(AnsiToWide(s)));
}

std::u16string TVxbNamedCollation::AnsiToWide(std::string_view bytes) const {
  return FCodePageTable.ToWide(bytes);
}

std::string TVxbNamedCollation::WideToAnsi(std::u16string_view text) const {
  return FCodePageTable.FromWide(text);
}

}  // namespace vexilo::types
