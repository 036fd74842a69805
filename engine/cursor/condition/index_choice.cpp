#include "engine/cursor/condition/index_choice.h"

#include "engine/index/index_file.h"

#include <algorithm>
#include <string>
#include <utility>

#include "engine/cursor/accessor.h"
#include "engine/cursor/condition/condition_evaluation.h"
#include "engine/cursor/condition/condition_walk.h"
#include "engine/index/index_file.h"
#include "engine/types/string_type.h"
#include "fs/text.h"

namespace vexilo::cursor {

using types::TVxbDataType;
using types::TVxbDataValue;

namespace {

constexpr int kMaxWishedColumns = 2;

// Whether the expression reads anything but constants.
bool HasColumn(const TVxbExpression& expression) {
  return AnyFactor(expression, [](const TVxbSimpleFactor& factor) {
    return factor.FType == sftColumn || factor.FType == sftOuterReference || factor.FType == sftParameter;
  });
}

// The column of `accessor` the expression is, without sign or operator.
int ColumnOf(const TVxbExpression& expression, const TVxbAccessor& accessor) {
  if (expression.FOperator != taoNone || expression.FTerm->FOperator != taoNone) return 0;
  const TVxbSimpleFactor& factor = *expression.FTerm->FFactor;
  if (factor.FType != sftColumn || factor.FSign != sfsNone || factor.FAccessor != &accessor) return 0;
  return factor.FFieldNo;
}

std::shared_ptr<TVxbKeyBound> BoundOf(TVxbExpression& constant) {
  const TVxbOperand value = EvaluateExpression(constant);
  if (IsNull(value)) return nullptr;
  auto bound = std::make_shared<TVxbKeyBound>();
  bound->Type = value.Type;
  value.Type->Assign(bound->Value, *value.Value, *value.Type);
  return bound;
}

TVxbComparisonOperator Inverse(TVxbComparisonOperator op) {
  switch (op) {
    case tcoEqual: return tcoUnequal;
    case tcoUnequal: return tcoEqual;
    case tcoLess: return tcoGreaterOrEqual;
    case tcoGreaterOrEqual: return tcoLess;
    case tcoLessOrEqual: return tcoGreater;
    case tcoGreater: return tcoLessOrEqual;
    default: return tcoNone;
  }
}

TVxbComparisonOperator Mirrored(TVxbComparisonOperator op) {
  switch (op) {
    case tcoLess: return tcoGreater;
    case tcoGreater: return tcoLess;
    case tcoLessOrEqual: return tcoGreaterOrEqual;
    case tcoGreaterOrEqual: return tcoLessOrEqual;
    default: return op;
  }
}

class TRater {
 public:
  explicit TRater(const TVxbAccessor& accessor) : FAccessor(accessor) {}

  void Condition(TVxbSearchCondition& condition) {
    if (condition.FSearchCondition) return;  // OR at this level
    for (TVxbBooleanTerm* term = condition.FBooleanTerm.get(); term; term = term->FBooleanTerm.get()) {
      TVxbBooleanFactor& factor = *term->FBooleanFactor;
      if (factor.FSearchCondition) {
        if (!factor.FIsNot) Condition(*factor.FSearchCondition);
        continue;
      }
      Factor(factor);
    }
  }

  std::vector<TVxbColumnRating> Ratings() {
    std::stable_sort(FRatings.begin(), FRatings.end(),
                     [](const TVxbColumnRating& a, const TVxbColumnRating& b) { return a.Rating > b.Rating; });
    return std::move(FRatings);
  }

 private:
  void Factor(TVxbBooleanFactor& factor) {
    TVxbComparisonOperator op = factor.FComparisonOperator;
    if (factor.FIsNot) op = Inverse(op);
    if (op == tcoBetween) {
      const int fieldNo = ColumnOf(*factor.FExpressionLeft, FAccessor);
      if (fieldNo == 0 || HasColumn(*factor.FExpressionRightEx) || HasColumn(*factor.FExpressionRight)) return;
      Rate(fieldNo, 2, BoundOf(*factor.FExpressionRightEx), nullptr);
      Rate(fieldNo, 2, nullptr, BoundOf(*factor.FExpressionRight));
      return;
    }
    if (!factor.FExpressionRight || op == tcoNone) return;
    int fieldNo = ColumnOf(*factor.FExpressionLeft, FAccessor);
    TVxbExpression* constant = factor.FExpressionRight.get();
    if (fieldNo == 0 && op != tcoLike) {
      fieldNo = ColumnOf(*factor.FExpressionRight, FAccessor);
      constant = factor.FExpressionLeft.get();
      op = Mirrored(op);
    }
    if (fieldNo == 0 || HasColumn(*constant)) return;
    switch (op) {
      case tcoEqual:
      case tcoEqualNull: {
        auto bound = BoundOf(*constant);
        Rate(fieldNo, 4, bound, bound);
        return;
      }
      case tcoLess: Rate(fieldNo, 1, nullptr, BoundOf(*constant)); return;
      case tcoLessOrEqual: Rate(fieldNo, 2, nullptr, BoundOf(*constant)); return;
      case tcoGreater: Rate(fieldNo, 1, BoundOf(*constant), nullptr); return;
      case tcoGreaterOrEqual: Rate(fieldNo, 2, BoundOf(*constant), nullptr); return;
      case tcoLike: LikePrefix(fieldNo, *constant, factor.FLikeEscapeChar); return;
      default: return;
    }
  }

  // LIKE 'prefix%...': the prefix (escapes removed) and its greatest
  // continuation.
  void LikePrefix(int fieldNo, TVxbExpression& constant, char16_t escape) {
    const TVxbOperand pattern = EvaluateExpression(constant);
    if (IsNull(pattern)) return;
    const std::u16string text = pattern.Type->GetWideString(*pattern.Value);
    if (text.empty() || text.front() == u'%') return;
    std::u16string prefix;
    for (size_t i = 0; i < text.size(); ++i) {
      const char16_t c = text[i];
      if (escape != 0 && c == escape && i + 1 < text.size()) {
        prefix.push_back(text[++i]);
        continue;
      }
      if (c == u'%' || c == u'_') break;
      prefix.push_back(c);
    }
    if (prefix.empty()) return;
    const TVxbDataType* columnType = FAccessor.GetDataType(fieldNo);
    const auto* stringType = dynamic_cast<const types::TVxbStringType*>(TVxbDataType::GetVariableType(columnType));
    if (!stringType) return;
    const int16_t code = stringType->IsWide() ? types::vxbWideString : types::vxbString;
    const TVxbDataType* unbounded =
        TVxbDataType::GetStringType(code, true, 0, stringType->CollationName(), stringType->Level());
    auto lower = std::make_shared<TVxbKeyBound>();
    lower->Type = unbounded;
    unbounded->SetWideString(lower->Value, prefix.data(), prefix.size());
    auto upper = std::make_shared<TVxbKeyBound>();
    upper->Type = unbounded;
    unbounded->SetWideString(upper->Value, prefix.data(), prefix.size());
    static_cast<const types::TVxbStringType*>(unbounded)->GetMaximumFill(upper->Value);
    Rate(fieldNo, 3, lower, upper);
  }

  void Rate(int fieldNo, int rating, std::shared_ptr<TVxbKeyBound> lower, std::shared_ptr<TVxbKeyBound> upper) {
    for (TVxbColumnRating& entry : FRatings) {
      if (entry.FieldNo != fieldNo) continue;
      const bool suppliesLower = !entry.Lower && entry.Upper && lower;
      const bool suppliesUpper = !entry.Upper && entry.Lower && upper;
      if (suppliesLower || suppliesUpper) {
        if (suppliesLower) entry.Lower = std::move(lower);
        if (suppliesUpper) entry.Upper = std::move(upper);
        entry.Rating = 3;
      } else if (rating > entry.Rating) {
        entry = TVxbColumnRating{fieldNo, rating, std::move(lower), std::move(upper)};
      }
      return;
    }
    FRatings.push_back(TVxbColumnRating{fieldNo, rating, std::move(lower), std::move(upper)});
  }

  const TVxbAccessor& FAccessor;
  std::vector<TVxbColumnRating> FRatings;
};

const TVxbColumnRating* RatingOf(const std::vector<TVxbColumnRating>& ratings, int fieldNo) {
  for (const TVxbColumnRating& rating : ratings) {
    if (rating.FieldNo == fieldNo) return &rating;
  }
  return nullptr;
}

// The index's score, and whether it is walked in reverse.
int Score(const std::vector<TVxbIndexKeyColumn>& keys, const std::vector<TVxbColumnRating>& ratings, bool& reverse) {
  reverse = !keys.empty() && keys.front().Descending;
  int score = 0;
  int weight = 100;
  for (size_t i = 0; i < keys.size(); ++i) {
    if (i > 0 && keys[i].Descending && !keys.front().Descending) return 0;
    const TVxbColumnRating* rating = RatingOf(ratings, keys[i].FieldNo);
    if (!rating) break;
    score += weight * rating->Rating;
    weight /= 2;
  }
  return score;
}

bool Indexable(const TVxbDataType* type) {
  if (!type) return false;
  const int16_t code = type->ColumnType();
  return code != types::vxbMemo && code != types::vxbWideMemo && code != types::vxbBlob &&
         code != types::vxbRelation;
}

std::u16string BoundText(const std::shared_ptr<TVxbKeyBound>& bound, const char16_t* missing) {
  if (!bound) return missing;
  std::u16string text = bound->Type->ConvertToString(bound->Value);
  // A prefix's greatest continuation ends in a character 0.
  while (!text.empty() && text.back() == u'\0') {
    text.pop_back();
    text += u"\u2026";
  }
  return u"'" + text + u"'";
}

}  // namespace

std::vector<TVxbColumnRating> RateColumns(TVxbSearchCondition* condition, const TVxbAccessor& accessor) {
  TRater rater(accessor);
  if (condition) rater.Condition(*condition);
  return rater.Ratings();
}

std::vector<TVxbIndexCandidate> IndexCandidatesOf(const storage::TVxbRelation& relation) {
  std::vector<TVxbIndexCandidate> candidates;
  for (int indexNo = 0; indexNo <= relation.LastIndexNo(); ++indexNo) {
    const index::TVxbIndexFile* file = relation.GetIndexFile(indexNo);
    if (file == nullptr) continue;
    const index::TVxbSortDef& def = file->GetIndexDefinition();
    if (def.IsCalculated) continue;
    TVxbIndexCandidate candidate{indexNo, def.Name, {}};
    for (const index::TVxbSortItem& item : def.Items) candidate.Keys.push_back({item.ColumnNo, item.Descending});
    candidates.push_back(std::move(candidate));
  }
  return candidates;
}

TVxbIndexChoice ChooseIndex(TVxbSearchCondition* condition, const TVxbAccessor& accessor,
                            const std::vector<TVxbIndexCandidate>& indexes, bool autoCreateIndexes) {
  TVxbIndexChoice choice;
  const std::vector<TVxbColumnRating> ratings = RateColumns(condition, accessor);
  std::vector<TVxbIndexKeyColumn> wished;
  for (const TVxbColumnRating& rating : ratings) {
    if (static_cast<int>(wished.size()) == kMaxWishedColumns) break;
    if (!Indexable(accessor.GetDataType(rating.FieldNo))) continue;
    wished.push_back({static_cast<int16_t>(rating.FieldNo), false});
    choice.WishedKey.push_back(static_cast<int16_t>(rating.FieldNo));
  }
  bool reverse = false;
  choice.WishedScore = Score(wished, ratings, reverse);
  const int bar = choice.WishedScore / 2;
  const TVxbIndexCandidate* best = nullptr;
  int bestScore = bar;
  for (const TVxbIndexCandidate& index : indexes) {
    bool indexReverse = false;
    const int score = Score(index.Keys, ratings, indexReverse);
    if (score > bestScore) {
      best = &index;
      bestScore = score;
      reverse = indexReverse;
    }
  }
  if (!best) {
    choice.WantsTemporaryIndex = autoCreateIndexes && choice.WishedScore >= 1;
    return choice;
  }
  choice.IndexNo = best->IndexNo;
  choice.IndexName = best->Name;
  choice.Score = bestScore;
  choice.Reverse = reverse;
  for (const TVxbIndexKeyColumn& key : best->Keys) {
    const TVxbColumnRating* rating = RatingOf(ratings, key.FieldNo);
    TVxbColumnRating bounds = rating ? *rating : TVxbColumnRating{key.FieldNo, 0, nullptr, nullptr};
    if (key.Descending) std::swap(bounds.Lower, bounds.Upper);
    choice.KeyBounds.push_back(std::move(bounds));
  }
  return choice;
}

std::u16string DescribeChoice(const TVxbIndexChoice& choice, const TVxbAccessor& accessor) {
  const auto columnName = [&](int fieldNo) {
    const auto* column = accessor.Relation().ColumnDefs().GetColumnDef(fieldNo);
    return column ? column->Name() : std::u16string(u"?");
  };
  if (choice.IndexNo == TVxbIndexChoice::kNoIndex) {
    if (!choice.WantsTemporaryIndex) return u"no index: every record";
    std::u16string text = u"a temporary index on ";
    for (size_t i = 0; i < choice.WishedKey.size(); ++i) text += (i > 0 ? u", " : u"") + columnName(choice.WishedKey[i]);
    return text;
  }
  std::u16string text = u"index " + choice.IndexName + u" (score " + fs::u16(std::to_string(choice.Score)) +
                        u" of " + fs::u16(std::to_string(choice.WishedScore)) + u")";
  if (choice.Reverse) text += u", in reverse";
  const char16_t* separator = u": ";
  for (const TVxbColumnRating& bounds : choice.KeyBounds) {
    if (bounds.Rating == 0) break;
    text += separator + columnName(bounds.FieldNo) + u" from " + BoundText(bounds.Lower, u"the first") + u" to " +
            BoundText(bounds.Upper, u"the last");
    separator = u", ";
  }
  return text;
}

}  // namespace vexilo::cursor
