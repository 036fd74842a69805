// The fixture of the search-condition tests: a table "Words" (ENG and HUN
// WideString(40), N Integer, F Float, D Date, all nullable, and a LEIR
// WideMemo) in a fresh directory with six records holding nulls, cases and
// the characters LIKE treats specially, and an accessor on it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "engine/cursor/accessor.h"
#include "engine/cursor/condition/sql_condition.h"
#include "engine/types/column_type.h"
#include "tests/engine/storage/base_table_fixture.h"

namespace vexilo::cursor::testing {

using storage::testing::Spec;

constexpr int kEng = 1;
constexpr int kHun = 2;
constexpr int kN = 3;
constexpr int kF = 4;
constexpr int kD = 5;
constexpr int kLeir = 6;

struct TWord {
  const char16_t* Eng;  // null: NULL
  const char16_t* Hun;
  const char16_t* N;
  const char16_t* F;
  const char16_t* D;
  const char16_t* Leir;
};

// Record numbers 1 to 6.
inline const TWord kWords[] = {
    {u"apple", u"alma", u"3", u"1.5", u"30.03.2014", u"red fruit"},
    {u"Apple", nullptr, nullptr, u"2", nullptr, nullptr},
    {u"pear", u"körte", u"10", nullptr, u"01.01.2000", u"It's sweet"},
    {nullptr, u"szilva", u"-2", u"0.25", u"31.12.1999", u"100% plum"},
    {u"apricot", u"kajszi", u"7", u"3", u"15.06.2014", nullptr},
    {u"app*", u"csillag", u"0", u"0", u"01.01.2014", u"a_c"},
};

class WordsFixture : public storage::testing::BaseTableFixture {
 protected:
  void SetUp() override {
    auto table = MakeTable(u"Words.vxbt");
    ASSERT_GT(table->AddColumn(Spec(u"ENG", types::vxbWideString, 40, true)), 0) << Error();
    ASSERT_GT(table->AddColumn(Spec(u"HUN", types::vxbWideString, 40, true)), 0) << Error();
    ASSERT_GT(table->AddColumn(Spec(u"N", types::vxbInteger, 0, true)), 0) << Error();
    ASSERT_GT(table->AddColumn(Spec(u"F", types::vxbFloat, 2, true)), 0) << Error();
    ASSERT_GT(table->AddColumn(Spec(u"D", types::vxbDate, 0, true)), 0) << Error();
    ASSERT_GT(table->AddColumn(Spec(u"LEIR", types::vxbWideMemo)), 0) << Error();
    ASSERT_EQ(table->NewFile({}, {}, {}), 0) << Error();
    ASSERT_EQ(table->Setup(false), 0) << Error();
    Table = std::move(table);
    Accessor = std::make_unique<TVxbAccessor>(*Table, u"Test");
    for (const TWord& word : kWords) {
      ASSERT_EQ(Accessor->Append(), 0) << Error();
      const char16_t* values[] = {word.Eng, word.Hun, word.N, word.F, word.D, word.Leir};
      for (int fieldNo = 1; fieldNo <= 6; ++fieldNo) {
        const char16_t* value = values[fieldNo - 1];
        ASSERT_EQ(Accessor->SetAsStringW(fieldNo, value ? value : u"", value == nullptr), 0) << Error();
      }
      ASSERT_EQ(Accessor->Post(), 0) << Error();
    }
  }

  void TearDown() override {
    Accessor.reset();
    if (Table) Table->Close();
  }

  // The record numbers `text` selects with `options`.
  std::set<int32_t> Selected(const std::u16string& text, uint8_t options = 0) {
    TVxbSqlCondition condition(text);
    condition.Prepare({Accessor.get()}, options);
    std::set<int32_t> selected;
    for (int32_t recNo = 1; recNo <= Table->GetRecordCount(); ++recNo) {
      Accessor->SetCurrentRecordNo(recNo);
      if (condition.Evaluate()) selected.insert(recNo);
    }
    return selected;
  }

  std::unique_ptr<storage::TVxbBaseTable> Table;
  std::unique_ptr<TVxbAccessor> Accessor;
};

}  // namespace vexilo::cursor::testing
