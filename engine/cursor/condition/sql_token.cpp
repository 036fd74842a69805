#include "engine/cursor/condition/sql_token.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "fs/text.h"

namespace vexilo::cursor {

namespace {

struct TKeyword {
  std::u16string_view Text;
  TSqlTokenType Type;
};

#define VEXILO_SQL_KEYWORD_TEXT(name, text) u"" text,
constexpr std::u16string_view kKeywordTexts[] = {VEXILO_SQL_KEYWORDS(VEXILO_SQL_KEYWORD_TEXT)};
#undef VEXILO_SQL_KEYWORD_TEXT
// 92 words with ASCENDING, DESCENDING and NUMERIC.
static_assert(std::size(kKeywordTexts) + 3 == 92);

#define VEXILO_SQL_KEYWORD_ENTRY(name, text) TKeyword{u"" text, sqlt##name},
// Sorted by text, the three synonyms merged in.
constexpr auto kKeywords = [] {
  std::array<TKeyword, std::size(kKeywordTexts) + 3> keywords{
      {VEXILO_SQL_KEYWORDS(VEXILO_SQL_KEYWORD_ENTRY) TKeyword{u"ASCENDING", sqltAsc},
       TKeyword{u"DESCENDING", sqltDesc}, TKeyword{u"NUMERIC", sqltNull}}};
  std::sort(keywords.begin(), keywords.end(), [](const TKeyword& a, const TKeyword& b) { return a.Text < b.Text; });
  return keywords;
}();
#undef VEXILO_SQL_KEYWORD_ENTRY

}  // namespace

std::optional<TSqlTokenType> FindKeyword(std::u16string_view upperText) {
  const auto found = std::lower_bound(kKeywords.begin(), kKeywords.end(), upperText,
                                      [](const TKeyword& keyword, std::u16string_view text) { return keyword.Text < text; });
  if (found == kKeywords.end() || found->Text != upperText) return std::nullopt;
  return found->Type;
}

std::u16string DisplayName(TSqlTokenType type) {
  if (static_cast<size_t>(type) < std::size(kKeywordTexts)) return std::u16string(kKeywordTexts[type]);
  switch (type) {
    case sqltIdentifier: return u"<identifier>";
    case sqltReference: return u"<name of table, index, column etc.>";
    case sqltString: return u"<string>";
    case sqltNumber: return u"<number>";
    case sqltParameter: return u"<parameter>";
    case sqltEndOfStatement: return u"<end of statement>";
    case sqltDataType: return u"<data type>";
    case sqltOpenParenthesis: return u"(";
    case sqltCloseParenthesis: return u")";
    case sqltComma: return u",";
    case sqltSemicolon: return u";";
    case sqltAsterisk: return u"*";
    case sqltDot: return u".";
    case sqltEqual: return u"=";
    case sqltNotEqual: return u"!=";
    case sqltPlus: return u"+";
    case sqltMinus: return u"-";
    case sqltSlash: return u"/";
    case sqltPercent: return u"%";
    case sqltExclamation: return u"!";
    case sqltGreater: return u">";
    case sqltGreaterOrEqual: return u">=";
    case sqltLess: return u"<";
    case sqltLessOrEqual: return u"<=";
    case sqltBar: return u"|";
    case sqltColon: return u":";
    default: return u"?";
  }
}

}  // namespace vexilo::cursor
