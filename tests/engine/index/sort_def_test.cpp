// Index definitions: parsing specification texts against a table's columns,
// the checks with their errors, the stored forms (index vector and
// definition block) and the key layout built from a definition.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/index/definition_block.h"
#include "engine/index/index_spec.h"
#include "engine/index/sort_def.h"
#include "tests/engine/index/index_test_support.h"

namespace vexilo::index::testing {
namespace {

using types::vxbBigInt;
using types::vxbBlob;
using types::vxbChar;
using types::vxbInteger;
using types::vxbLink;
using types::vxbMemo;
using types::vxbRelation;
using types::vxbString;
using types::vxbWideMemo;
using types::vxbWideString;

// A table with the dictionary's columns and a few more.
class Columns : public TestColumns {
 public:
  Columns() {
    Add(u"ENG", vxbString, 81).Add(u"HUN", vxbString, 81).Add(u"LEIR", vxbMemo, 10);
    Add(u"NR", vxbInteger, 5, true).Add(u"Big Name", vxbBigInt, 8).Add(u"W", vxbWideString, 42);
    Add(u"BLOB", vxbBlob, 10).Add(u"REL", vxbRelation, 0).Add(u"WM", vxbWideMemo, 10).Add(u"LNK", vxbLink, 4);
    Add(u"LONG", vxbString, 300);
  }
  // Calculated indexes: "(UPPER(ENG))" gives a String of 81 bytes.
  bool ResolveCalculation(std::u16string_view source, int16_t& type, int32_t& size) const override {
    if (source != u"(UPPER(ENG))") return false;
    type = vxbString;
    size = 81;
    return true;
  }
};

class SortDefinition : public ::testing::Test {
 protected:
  int16_t Parse(const std::u16string& text, int16_t level, TVxbSortDef& def) {
    return ParseIndexSpecification(text, u"IDX", level, columns, def, [this](int16_t code, fs::FormatArgs args) {
      errors.push_back(code);
      argument = args.empty() || !args[0].IsText() ? u"" : args[0].Text();
    });
  }
  Columns columns;
  std::vector<int16_t> errors;
  std::u16string argument;
};

TEST_F(SortDefinition, ItemsTakeTheColumnsNumberTypeAndSize) {
  TVxbSortDef def;
  ASSERT_EQ(Parse(u"ENG, -hun", 5, def), 0);
  ASSERT_EQ(def.Items.size(), 2u);
  EXPECT_EQ(def.Items[0], (TVxbSortItem{1, vxbString, 81, false}));
  EXPECT_EQ(def.Items[1], (TVxbSortItem{2, vxbString, 81, true}));
  EXPECT_EQ(def.EntrySize(), 4 + 162);
  EXPECT_FALSE(def.IsVarSize);
  EXPECT_EQ(def.Name, u"IDX");
  EXPECT_EQ(def.SpecificationText(&columns), u"ENG,-HUN");
}

TEST_F(SortDefinition, SpellingsOfAnItemNameTheSameColumn) {
  for (const char16_t* text : {u"NR", u"$NR", u"4", u"NR:12", u"{NR}", u" nr "}) {
    SCOPED_TRACE(fs::u8(text));
    TVxbSortDef def;
    ASSERT_EQ(Parse(text, 5, def), 0);
    ASSERT_EQ(def.Items.size(), 1u);
    EXPECT_EQ(def.Items[0].ColumnNo, 4);
    EXPECT_EQ(def.Items[0].Size, 5);
  }
  TVxbSortDef def;
  ASSERT_EQ(Parse(u"[Big Name],-$ENG", 5, def), 0);
  ASSERT_EQ(def.Items.size(), 2u);
  EXPECT_EQ(def.Items[0].ColumnNo, 5);
  EXPECT_TRUE(def.Items[1].Descending);
}

TEST_F(SortDefinition, StringItemsMakeALevelSixIndexVariableSized) {
  TVxbSortDef def;
  ASSERT_EQ(Parse(u"ENG", 6, def), 0);
  EXPECT_TRUE(def.IsVarSize);
  ASSERT_EQ(Parse(u"W", 6, def), 0);
  EXPECT_TRUE(def.IsVarSize);
  ASSERT_EQ(Parse(u"NR", 6, def), 0);
  EXPECT_FALSE(def.IsVarSize);
  ASSERT_EQ(Parse(u"ENG", 5, def), 0);
  EXPECT_FALSE(def.IsVarSize);
}

TEST_F(SortDefinition, InvalidSpecificationsAreRefused) {
  struct Case {
    std::u16string text;
    int16_t level;
    int16_t error;
    std::u16string argument;
  };
  const std::vector<Case> cases = {
      {u"ENG,NOPE", 5, 98, u"Level 2"},
      {u"ENG,,HUN", 5, 98, u"Level 2"},
      {u"99", 5, 98, u"Level 1"},
      {u"LEIR", 5, 98, u"LEIR"},
      {u"BLOB", 5, 98, u"BLOB"},
      {u"REL", 5, 98, u"REL"},
      {u"WM", 6, 98, u"WM"},
      {u"ENG,HUN,NR,ENG,HUN,NR,ENG,HUN,NR,ENG,HUN", 3, 61, u""},
      {u"LONG,LONG", 3, 11, u"LONG,LONG"},
      {u"(NOT AN EXPRESSION)", 6, 98, u"(NOT AN EXPRESSION)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(fs::u8(c.text));
    errors.clear();
    TVxbSortDef def;
    def.Source = u"unchanged";
    EXPECT_EQ(Parse(c.text, c.level, def), -c.error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], c.error);
    EXPECT_EQ(argument, c.argument);
    EXPECT_EQ(def.Source, u"unchanged");
  }
}

TEST_F(SortDefinition, LevelLimitsOnItemsAndEntrySize) {
  std::u16string eleven = u"NR";
  for (int i = 0; i < 10; ++i) eleven += u",NR";
  TVxbSortDef def;
  EXPECT_EQ(Parse(eleven, 3, def), -61);
  EXPECT_EQ(Parse(eleven, 4, def), 0);
  EXPECT_EQ(Parse(u"LONG", 3, def), 0);  // 4 + 300 bytes
  EXPECT_EQ(Parse(u"LONG,LONG", 4, def), 0);
}

TEST_F(SortDefinition, StoredDefinitionsAreCheckedAgainstTheTable) {
  struct Case {
    const char* what;
    TVxbSortItem item;
    bool varSize;
    int16_t level;
    int16_t error;
  };
  const Case cases[] = {
      {"prefix of a string column", {1, vxbString, 41, false}, false, 5, 0},
      {"longer than the string column", {1, vxbString, 82, false}, false, 5, -98},
      {"other type than the column", {4, vxbBigInt, 5, false}, false, 5, -98},
      {"size other than the column", {4, vxbInteger, 4, false}, false, 5, -98},
      {"record id of a linked record", {10, types::vxbLinkKey, 4, false}, false, 5, 0},
      {"record id item of other size", {10, types::vxbLinkKey, 8, false}, false, 5, -98},
      {"variable size below level 6", {1, vxbString, 81, false}, true, 5, -117},
      {"variable size on level 6", {1, vxbString, 81, false}, true, 6, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TVxbSortDef def;
    def.Name = u"IDX";
    def.Items = {c.item};
    def.IsVarSize = c.varSize;
    errors.clear();
    EXPECT_EQ(CheckIndexDefinition(def, c.level, columns, [this](int16_t code, fs::FormatArgs args) {
                errors.push_back(code);
                argument = args.size() > 1 ? args[1].Text() : u"";
              }),
              c.error);
    if (c.error == -117) {
      EXPECT_EQ(argument, u"Variable size");
    }
  }
}

TEST_F(SortDefinition, CalculatedIndexesTakeTheirResultFromTheExpression) {
  TVxbSortDef def;
  ASSERT_EQ(Parse(u"(UPPER(ENG))", 6, def), 0);
  EXPECT_TRUE(def.IsCalculated);
  EXPECT_EQ(def.ResultType, vxbString);
  EXPECT_EQ(def.ResultSize, 81);
  EXPECT_TRUE(def.IsVarSize);
  ASSERT_EQ(Parse(u"(UPPER(ENG))", 5, def), 0);
  EXPECT_EQ(def.EntrySize(), 4 + 256);
  EXPECT_EQ(CheckIndexDefinition(def, 5, columns, nullptr), 0);
  // A stored result that the expression no longer gives.
  def.ResultType = vxbWideString;
  EXPECT_EQ(CheckIndexDefinition(def, 5, columns, nullptr), -98);
}

TEST_F(SortDefinition, TheIndexVectorKeepsItemsDirectionsAndTheUniqueFlag) {
  TVxbSortDef def;
  def.Items = {{1, vxbString, 41, false}, {4, vxbInteger, 5, true}};
  def.IsUnique = true;
  uint8_t vector[TVxbSortDef::kVectorSize];
  def.GetVectorData(vector);
  const uint8_t expectedStart[] = {1, 0, 41, 0, vxbString, 4, 0x80, 5, 0, vxbInteger, 0, 0, 0, 0, 0xFF};
  EXPECT_EQ(std::memcmp(vector, expectedStart, sizeof expectedStart), 0);
  TVxbSortDef back;
  ASSERT_TRUE(back.SetVectorData(vector));
  EXPECT_EQ(back.Items, def.Items);
  EXPECT_TRUE(back.IsUnique);

  def.IsUnique = false;
  def.GetVectorData(vector);
  ASSERT_TRUE(back.SetVectorData(vector));
  EXPECT_FALSE(back.IsUnique);

  // Ten items leave no room for a terminator.
  def.Items.assign(10, TVxbSortItem{4, vxbInteger, 5, false});
  def.GetVectorData(vector);
  ASSERT_TRUE(back.SetVectorData(vector));
  EXPECT_EQ(back.Items.size(), 10u);

  uint8_t empty[TVxbSortDef::kVectorSize] = {};
  EXPECT_FALSE(back.SetVectorData(empty));
}

TEST_F(SortDefinition, TheIndexVectorOfACalculatedIndexHoldsItsExpression) {
  TVxbSortDef def;
  def.IsCalculated = true;
  def.ResultType = vxbString;
  def.ResultSize = 256;
  def.Source = u"(UPPER(ENG))";
  uint8_t vector[TVxbSortDef::kVectorSize];
  def.GetVectorData(vector);
  EXPECT_EQ(types::TvwMemory::ReadInt16(vector, 0), -1);
  EXPECT_EQ(vector[5], def.Source.size());
  TVxbSortDef back;
  ASSERT_TRUE(back.SetVectorData(vector));
  EXPECT_TRUE(back.IsCalculated);
  EXPECT_EQ(back.Source, def.Source);
  EXPECT_EQ(back.ResultSize, 256);
  // A longer expression keeps its first 44 characters.
  def.Source = std::u16string(60, u'x');
  def.GetVectorData(vector);
  ASSERT_TRUE(back.SetVectorData(vector));
  EXPECT_EQ(back.Source, std::u16string(44, u'x'));
}

TEST_F(SortDefinition, DefinitionBlocksReadBackAsWritten) {
  TVxbSortDef columnsDef;
  columnsDef.Items = {{1, vxbString, 41, false}, {4, vxbInteger, 5, true}};
  columnsDef.IsUnique = true;
  TVxbSortDef calculated;
  calculated.IsCalculated = true;
  calculated.ResultType = vxbWideString;
  calculated.ResultSize = 82;
  calculated.Source = u"@Upper(ENG) + \u0151";
  for (const TVxbSortDef& def : {columnsDef, calculated}) {
    for (bool newFormat : {true, false}) {
      if (!newFormat && def.IsCalculated) continue;  // old blocks keep 44 ANSI characters
      SCOPED_TRACE(newFormat);
      std::vector<uint8_t> page(256, 0xCC);
      const auto written = WriteDefinitionBlock(page.data(), page.size(), 30, newFormat, def, 1234);
      ASSERT_TRUE(written);
      EXPECT_EQ(written->End, 30 + DefinitionBlockSize(def, newFormat));
      EXPECT_EQ(types::TvwMemory::ReadInt32(page.data(), written->ItemCountOffset), 1234);
      TVxbSortDef back;
      const auto read = ReadDefinitionBlock(page.data(), page.size(), 30, newFormat, back);
      ASSERT_TRUE(read);
      EXPECT_EQ(read->ItemCountOffset, written->ItemCountOffset);
      EXPECT_EQ(read->UniqueOffset, written->UniqueOffset);
      EXPECT_EQ(back, def);
    }
  }
}

TEST_F(SortDefinition, MalformedDefinitionBlocksAreRejected) {
  TVxbSortDef def;
  def.Items = {{1, vxbString, 41, false}};
  std::vector<uint8_t> page(128, 0);
  ASSERT_TRUE(WriteDefinitionBlock(page.data(), page.size(), 30, true, def, 0));
  TVxbSortDef back;
  struct Case {
    const char* what;
    size_t offset;
    int16_t value;
  };
  for (const Case& c : {Case{"no items", 37, 0}, Case{"300 items", 37, 300}, Case{"entry size", 44, 99},
                        Case{"item size 0", 41, 0}}) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> damaged = page;
    types::TvwMemory::WriteInt16(damaged.data(), c.offset, c.value);
    EXPECT_FALSE(ReadDefinitionBlock(damaged.data(), damaged.size(), 30, true, back));
  }
  // A block that does not fit into the page.
  EXPECT_FALSE(ReadDefinitionBlock(page.data(), 40, 30, true, back));
  EXPECT_FALSE(WriteDefinitionBlock(page.data(), 40, 30, true, def, 0));
}

TEST_F(SortDefinition, KeyLayoutsTakePositionsAndNullBytesFromTheColumns) {
  TVxbSortDef def;
  def.Items = {{2, vxbString, 41, true}, {4, vxbInteger, 5, false}, {10, types::vxbLinkKey, 4, false}};
  const types::TVxbKeyLayout layout = def.BuildKeyLayout(5, &columns);
  ASSERT_EQ(layout.Items.size(), 3u);
  EXPECT_EQ(layout.Level, 5);
  EXPECT_EQ(layout.Items[0].FieldPosition, 81);
  EXPECT_EQ(layout.Items[0].FieldSize, 81);
  EXPECT_EQ(layout.Items[0].ItemSize, 41);
  EXPECT_TRUE(layout.Items[0].Descending);
  EXPECT_TRUE(layout.Items[1].HasNullByte);
  EXPECT_EQ(layout.Items[1].FieldPosition, 172);
  EXPECT_FALSE(layout.Items[2].HasNullByte);
  EXPECT_EQ(layout.MaxKeySize(), 50u);
}

}  // namespace
}  // namespace vexilo::index::testing
