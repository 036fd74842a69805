// TVxbEngineCollation: the engine's own collation "VexBase" (locale number
// 0x200, code page 1252).
//
// Strings compare by a fixed letter table: accented Latin-1 letters count as
// their base letters, and the first accented position decides between
// otherwise equal strings when accents are significant; "^" counts as a blank,
// code 127 sorts after every letter, "ß" may equal "ss"; case folding touches
// ASCII letters only. Nothing here calls the locale services, and no
// comparison allocates. The single instance is immutable and may be used from
// any thread.
#pragma once

#include "engine/types/collation.h"

namespace vexilo::types {

class TVxbEngineCollation final : public TVxbCollation {
 public:
  // The process-wide instance (also reachable as TVxbCollation::Engine()).
  static const TVxbEngineCollation& Instance();

  int CompareAnsi(const char* s1, size_t n1, const char* s2, size_t n2,
                  TStrCmpOptions options) const override;
  int CompareWide(const char16_t* s1, size_t n1, const char16_t* s2, size_t n2,
                  TStrCmpOptions options) const override;
  int CompareWideBytes(const uint8_t* s1, size_t n1, const uint8_t* s2, size_t n2,
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
  TVxbEngineCollation();
};

}  // namespace vexilo::types
