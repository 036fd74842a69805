// Choosing the index and key range a filter or condition search walks for a
// prepared condition on one accessor's relation.
//
// Ratings are collected only when the condition has no OR at its top level,
// from the factors of its AND list (and of parenthesised conditions without
// NOT and without OR inside it); NOT reads a factor with the inverse
// operator. A factor comparing a column with a constant (either side)
// rates the column: = 4 (both bounds), LIKE with a fixed prefix 3 (the
// prefix and its greatest continuation), <= and >= 2, < and > 1 (one bound);
// BETWEEN counts as >= and <=. A second factor on a column that supplies
// the missing bound makes the rating 3 with both bounds, else the higher
// rating stands.
//
// The two best rated columns form the wished key. An index scores 100 x the
// rating of its first key column, 50 x that of its second, 25 x ... up to the
// first unrated key column; a first key column descending is walked in
// reverse; a descending column after an ascending first one scores 0. The
// best index above half the wished key's score wins (the first on ties);
// when none does, a temporary index on the wished key is asked for if the
// session creates indexes automatically and the wished key scores at least
// 1, else no index is used.
//
// The range only narrows what is examined: every record in it is still
// evaluated against the whole condition.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/cursor/condition/condition_tree.h"
#include "engine/storage/table/relation.h"

namespace vexilo::cursor {

struct TVxbIndexKeyColumn {
  int16_t FieldNo = 0;
  bool Descending = false;
};

// An index of the relation as the choice sees it.
struct TVxbIndexCandidate {
  int IndexNo = 0;
  std::u16string Name;
  std::vector<TVxbIndexKeyColumn> Keys;
};

// A bound of a key column: a value of its type, or none (the type's
// minimum or maximum).
struct TVxbKeyBound {
  types::TVxbDataValue Value;
  const types::TVxbDataType* Type = nullptr;
};

struct TVxbColumnRating {
  int FieldNo = 0;
  int Rating = 0;
  std::shared_ptr<TVxbKeyBound> Lower;
  std::shared_ptr<TVxbKeyBound> Upper;
};

struct TVxbIndexChoice {
  static constexpr int kNoIndex = 255;

  int IndexNo = kNoIndex;
  std::u16string IndexName;
  int Score = 0;
  int WishedScore = 0;
  bool Reverse = false;
  // No index reached the bar and a temporary index on WishedKey is wanted.
  bool WantsTemporaryIndex = false;
  std::vector<int16_t> WishedKey;
  // The ratings of the chosen index's key columns, in key order (a column
  // without rating has no bounds).
  std::vector<TVxbColumnRating> KeyBounds;
};

// The indexes of `relation` the choice may walk: every index that is not
// calculated, in place order.
std::vector<TVxbIndexCandidate> IndexCandidatesOf(const storage::TVxbRelation& relation);

// The choice for `condition` (prepared; null: no condition) on the columns
// `accessor` reads, among `indexes`.
TVxbIndexChoice ChooseIndex(TVxbSearchCondition* condition, const TVxbAccessor& accessor,
                            const std::vector<TVxbIndexCandidate>& indexes, bool autoCreateIndexes);

// The ratings the condition gives the accessor's columns, best first.
std::vector<TVxbColumnRating> RateColumns(TVxbSearchCondition* condition, const TVxbAccessor& accessor);

// A line a user can read: "index ENG (score 400 of 400): ENG from 'a' to
// 'b'", "a temporary index on ENG", or "no index: every record".
std::u16string DescribeChoice(const TVxbIndexChoice& choice, const TVxbAccessor& accessor);

}  // namespace vexilo::cursor
