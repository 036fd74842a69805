// Wildcard pattern matching of the collations (TVxbCollation::MatchesAnsi and
// MatchesWide).
//
// A pattern is a series of blocks separated by multi-character wildcards;
// inside a block, a single-character wildcard takes one character, an escape
// makes the next pattern character literal, and every other run of characters
// is a literal segment compared with the collation's prefix comparison plus
// scoLigatureSensitive, so it takes exactly as many characters as it has.
// Since every block then covers a fixed number of characters wherever it
// matches, taking each middle block at the leftmost place it matches gives
// the same answer as trying every later place for every wildcard, in time
// proportional to the string length times the pattern length.
#include <cstddef>
#include <string_view>

#include "engine/types/collation.h"

namespace vexilo::types {

namespace {

constexpr size_t kNoMatch = static_cast<size_t>(-1);

template <typename C, typename Prefix>
class TPatternMatcher {
 public:
  TPatternMatcher(std::basic_string_view<C> value, std::basic_string_view<C> pattern, C multi,
                  C single, C escape, const Prefix& prefix)
      : FValue(value), FPattern(pattern), FMulti(multi), FSingle(single), FEscape(escape),
        FPrefix(prefix) {}

  bool Matches() const {
    size_t star = NextMulti(0);
    if (star == kNoMatch) return MatchBlock(0, FPattern.size(), 0) == FValue.size();
    size_t pos = MatchBlock(0, star, 0);
    if (pos == kNoMatch) return false;
    for (;;) {
      size_t from = star + 1;
      while (from < FPattern.size() && IsMulti(FPattern[from])) ++from;
      if (from == FPattern.size()) return true;  // a trailing wildcard takes the rest
      star = NextMulti(from);
      if (star == kNoMatch) {
        // The last block must end with the string.
        for (size_t at = pos; at <= FValue.size(); ++at) {
          if (MatchBlock(from, FPattern.size(), at) == FValue.size()) return true;
        }
        return false;
      }
      size_t end = kNoMatch;
      for (size_t at = pos; at <= FValue.size() && end == kNoMatch; ++at) {
        end = MatchBlock(from, star, at);
      }
      if (end == kNoMatch) return false;
      pos = end;
    }
  }

 private:
  bool IsMulti(C c) const { return FMulti != 0 && c == FMulti; }
  bool IsSingle(C c) const { return FSingle != 0 && c == FSingle; }
  bool IsEscape(C c) const { return FEscape != 0 && c == FEscape; }
  bool IsSpecial(C c) const { return IsSingle(c) || IsMulti(c) || IsEscape(c); }

  // The pattern position of the next multi-character wildcard at or after
  // `from` that is not escaped, or kNoMatch.
  size_t NextMulti(size_t from) const {
    for (size_t k = from; k < FPattern.size(); ++k) {
      const C c = FPattern[k];
      if (IsSingle(c)) continue;
      if (IsMulti(c)) return k;
      if (IsEscape(c)) ++k;
    }
    return kNoMatch;
  }

  // Matches FPattern[from, to), which holds no multi-character wildcard,
  // against the string at `pos`; returns the position after the part it
  // covered, or kNoMatch.
  size_t MatchBlock(size_t from, size_t to, size_t pos) const {
    size_t k = from;
    while (k < to) {
      const C c = FPattern[k];
      if (IsSingle(c)) {
        if (pos >= FValue.size()) return kNoMatch;
        ++pos;
        ++k;
        continue;
      }
      size_t begin = k;
      size_t end = k + 1;
      if (IsEscape(c)) {
        // The escaped character alone; a trailing escape stands for itself.
        if (k + 1 < to) {
          begin = k + 1;
          end = k + 2;
        }
      } else {
        while (end < to && !IsSpecial(FPattern[end])) ++end;
      }
      size_t matched = 0;
      if (FPrefix(FValue.data() + pos, FValue.size() - pos, FPattern.data() + begin, end - begin,
                  &matched) != 0) {
        return kNoMatch;
      }
      pos += matched;
      k = end;
    }
    return pos;
  }

  std::basic_string_view<C> FValue;
  std::basic_string_view<C> FPattern;
  C FMulti, FSingle, FEscape;
  const Prefix& FPrefix;
};

}  // namespace

bool TVxbCollation::MatchesAnsi(std::string_view value, std::string_view pattern, char multiJoker,
                                char singleJoker, char escape, TStrCmpOptions options) const {
  const TStrCmpOptions literal = static_cast<TStrCmpOptions>(options | scoLigatureSensitive);
  const auto prefix = [this, literal](const char* s, size_t n, const char* p, size_t m,
                                      size_t* matched) {
    return ComparePrefixAnsi(s, n, p, m, literal, matched);
  };
  return TPatternMatcher<char, decltype(prefix)>(value, pattern, multiJoker, singleJoker, escape,
                                                 prefix)
      .Matches();
}

bool TVxbCollation::MatchesWide(std::u16string_view value, std::u16string_view pattern,
                                char16_t multiJoker, char16_t singleJoker, char16_t escape,
                                TStrCmpOptions options) const {
  const TStrCmpOptions literal = static_cast<TStrCmpOptions>(options | scoLigatureSensitive);
  const auto prefix = [this, literal](const char16_t* s, size_t n, const char16_t* p, size_t m,
                                      size_t* matched) {
    return ComparePrefixWide(s, n, p, m, literal, matched);
  };
  return TPatternMatcher<char16_t, decltype(prefix)>(value, pattern, multiJoker, singleJoker,
                                                     escape, prefix)
      .Matches();
}

}  // namespace vexilo::types
