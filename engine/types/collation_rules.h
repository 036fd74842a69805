// Rules every collation applies on top of its own whole-string comparison:
// prefix bounds (a sequence ending with the character 0 stands for every
// string that begins with the characters before it) and the prefix
// comparison with its ligature rule. Internal to the collation units.
#pragma once

#include <algorithm>
#include <cstddef>

namespace vexilo::types::collation_rules {

// Compares two sequences, either of which may be a prefix bound. `whole`
// compares two plain sequences, `prefix(s, n, p, m)` is the prefix comparison
// of s against the whole of p. Both return -1, 0 or 1.
template <typename C, typename Whole, typename Prefix>
int CompareWithBounds(const C* s1, size_t n1, const C* s2, size_t n2, const Whole& whole,
                      const Prefix& prefix) {
  const bool bound1 = n1 > 0 && s1[n1 - 1] == 0;
  const bool bound2 = n2 > 0 && s2[n2 - 1] == 0;
  if (bound1 == bound2) {
    return bound1 ? whole(s1, n1 - 1, s2, n2 - 1) : whole(s1, n1, s2, n2);
  }
  if (bound1) {
    const int r = prefix(s2, n2, s1, n1 - 1);
    return r == 0 ? 1 : -r;
  }
  const int r = prefix(s1, n1, s2, n2 - 1);
  return r == 0 ? -1 : r;
}

// Prefix comparison of s (n characters) against the whole of p (m
// characters): 0 when s begins with p.
//   ligature-sensitive: the first min(n, m) characters of each compare; when
//     equal, a string shorter than the prefix is smaller;
//   otherwise: with E the ligature-expanded length of p and F that of the
//     first min(n, E) characters of s, the first min(n, 2E - F) characters of
//     s compare with all of p, so that "ß..." begins with "ss" and "ss..."
//     with "ß" when the comparison equates them.
// `expanded(x, k)` gives the ligature-expanded length of k characters of x.
// `matched` receives the number of characters of s that took part.
template <typename C, typename Whole, typename Expanded>
int ComparePrefix(const C* s, size_t n, const C* p, size_t m, bool ligatureSensitive,
                  const Whole& whole, const Expanded& expanded, size_t* matched) {
  if (ligatureSensitive) {
    const size_t k = std::min(n, m);
    if (matched) *matched = k;
    const int r = whole(s, k, p, k);
    return r == 0 && n < m ? -1 : r;
  }
  const size_t e = expanded(p, m);
  const size_t f = expanded(s, std::min(n, e));
  const size_t k = 2 * e > f ? std::min(n, 2 * e - f) : 0;
  if (matched) *matched = k;
  return whole(s, k, p, m);
}

}  // namespace vexilo::types::collation_rules
