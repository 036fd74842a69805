// TVxbExpressionSource: the text of an expression a table stores — a column's
// calculation or initial value, or a check constraint's condition — and the
// syntax it is written in. The table file keeps only the text; compiling it
// belongs to the expression compiler.
//
// Levels 1 to 4 know only the procedural syntax. Levels 5 and 6 store a
// procedural source with a leading "@" and a source in SQL syntax as it is.
#pragma once

#include <string>
#include <string_view>

namespace vexilo::storage {

struct TVxbExpressionSource {
  std::u16string Text;
  bool Procedural = true;  // false: SQL syntax

  // The stored form at levels 5 and 6.
  std::u16string StoredForm() const { return Procedural ? u"@" + Text : Text; }
  // Reads the stored form of levels 5 and 6.
  static TVxbExpressionSource FromStoredForm(std::u16string_view stored) {
    if (!stored.empty() && stored.front() == u'@') return {std::u16string(stored.substr(1)), true};
    return {std::u16string(stored), false};
  }

  friend bool operator==(const TVxbExpressionSource&, const TVxbExpressionSource&) = default;
};

}  // namespace vexilo::storage
