// The rules a column must pass when a table is defined, with the error each
// broken rule gives, and what an accepted column becomes: its size, null
// byte, options and position in the record frame.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/storage/columns/column_def.h"
#include "engine/types/column_type.h"
#include "engine/types/date_time_type.h"
#include "fs/format.h"
#include "tests/engine/storage/table_file_fixture.h"

namespace vexilo::storage::testing {
namespace {

using namespace types;

TVxbColumnSpec Spec(std::u16string name, int16_t type, int32_t length = 0) {
  TVxbColumnSpec spec;
  spec.Name = std::move(name);
  spec.TypeCode = type;
  spec.Length = length;
  return spec;
}

template <typename Change>
TVxbColumnSpec With(TVxbColumnSpec spec, Change change) {
  change(spec);
  return spec;
}

struct RuleCase {
  const char* what;
  int16_t level;
  std::vector<TVxbColumnSpec> before;  // accepted first
  TVxbColumnSpec spec;
  int16_t error;                   // 0: accepted
  const char16_t* message = nullptr;  // part of the recorded message
};

std::vector<RuleCase> Cases() {
  const auto link = [](std::u16string name, uint32_t options = 0) {
    return With(Spec(std::move(name), vxbLink), [&](auto& s) {
      s.LinkedTable = u"Other";
      s.Options = options;
    });
  };
  std::vector<TVxbColumnSpec> nineLinks;
  for (int i = 1; i <= 9; ++i) nineLinks.push_back(link(fs::FormatMessage(u"L%d", {i})));
  return {
      // Names.
      {"empty name", 6, {}, Spec(u"", vxbInteger), 173},
      {"name of 41 characters", 6, {}, Spec(std::u16string(41, u'n'), vxbInteger), 173},
      {"name of 40 characters", 6, {}, Spec(std::u16string(40, u'n'), vxbInteger), 0},
      {"character beyond U+00FF", 6, {}, Spec(u"Ő", vxbInteger), 173},
      {"spaces from level 4", 4, {}, Spec(u"Két szó", vxbInteger), 0},
      {"spaces below level 4", 3, {}, Spec(u"Two words", vxbSmallInt), 173},
      {"digit first below level 4", 2, {}, Spec(u"1st", vxbSmallInt), 173},
      {"German letters below level 4", 2, {}, Spec(u"Größe-@_1", vxbSmallInt), 0},
      {"same name in other case", 6, {Spec(u"Name", vxbInteger)}, Spec(u"NAME", vxbInteger), 71, u"NAME"},
      // Types and levels.
      {"type code 14", 6, {}, Spec(u"X", 14), 144},
      {"type code 22", 6, {}, Spec(u"X", 22), 144},
      {"Integer at level 2", 2, {}, Spec(u"X", vxbInteger), 117, u"Data type"},
      {"Integer at level 3", 3, {}, Spec(u"X", vxbInteger), 0},
      {"nullable RecordId", 6, {}, With(Spec(u"Id", vxbRecordId), [](auto& s) { s.Nullable = true; }), 117,
       u"Nullable"},
      {"nullable String below level 4", 3, {}, With(Spec(u"S", vxbString, 10), [](auto& s) { s.Nullable = true; }),
       117, u"Nullable"},
      {"nullable SmallInt below level 4", 3, {},
       With(Spec(u"S", vxbSmallInt), [](auto& s) { s.Nullable = true; }), 0},
      // Collations.
      {"column collation at level 5", 5, {},
       With(Spec(u"S", vxbString, 10), [](auto& s) { s.CollationName = u"Hungarian"; }), 117, u"Collation"},
      {"unknown collation", 6, {},
       With(Spec(u"S", vxbString, 10), [](auto& s) { s.CollationName = u"Klingonish"; }), 138},
      {"column collation at level 6", 6, {},
       With(Spec(u"S", vxbWideMemo), [](auto& s) { s.CollationName = u"Hungarian"; }), 0},
      // String lengths.
      {"String of length 0", 6, {}, Spec(u"S", vxbString, 0), 143},
      {"String of 256 at level 3", 3, {}, Spec(u"S", vxbString, 256), 117, u"String length"},
      {"String of 256 at level 4", 4, {}, Spec(u"S", vxbString, 256), 0},
      {"String of 32765", 6, {}, Spec(u"S", vxbString, 32765), 117, u"String length"},
      {"WideString of 0", 6, {}, Spec(u"W", vxbWideString, 0), 143},
      {"WideString of 16383", 6, {}, Spec(u"W", vxbWideString, 16383), 117, u"String length"},
      // Enums.
      {"16 values below level 6", 5, {},
       With(Spec(u"E", vxbEnum), [](auto& s) { s.EnumNames.assign(16, u"v"); }), 117, u"Enum value count"},
      {"255 values at level 6", 6, {},
       With(Spec(u"E", vxbEnum), [](auto& s) { s.EnumNames.assign(255, u"v"); }), 0},
      {"no values", 6, {}, Spec(u"E", vxbEnum), 117, u"Enum value count"},
      {"value of 21 characters below level 6", 4, {},
       With(Spec(u"E", vxbEnum), [](auto& s) { s.EnumNames = {std::u16string(21, u'v')}; }), 117,
       u"Enum value length"},
      {"empty value name", 6, {}, With(Spec(u"E", vxbEnum), [](auto& s) { s.EnumNames = {u"a", u""}; }), 173},
      // Times, floats, record ids.
      {"Time precision 3 below level 4", 3, {}, Spec(u"T", vxbTime, 3), 117, u"Time precision"},
      {"Time precision 1 below level 4", 3, {}, Spec(u"T", vxbTime, 1), 0},
      {"Float scale 16", 6, {}, Spec(u"F", vxbFloat, 16), 74},
      {"start value 0", 6, {}, With(Spec(u"Id", vxbRecordId), [](auto& s) { s.StartValue = 0; }), 117,
       u"Start value"},
      {"second RecordId", 6, {Spec(u"Id", vxbRecordId)}, Spec(u"Id2", vxbRecordId), 76},
      // Links.
      {"Link without a linked table", 6, {}, Spec(u"L", vxbLink), 65},
      {"Relation without a linked table", 6, {}, Spec(u"R", vxbRelation), 65},
      {"tenth indexed Link", 6, nineLinks, link(u"L10"), 73},
      {"tenth Link that is not indexed", 6, nineLinks, link(u"L10", 0x40), 0},
      // Expressions.
      {"initial value below level 4", 3, {},
       With(Spec(u"N", vxbSmallInt), [](auto& s) { s.Expression = TVxbExpressionSource{u"1", true}; }), 117,
       u"Default value"},
      {"calculation below level 4", 3, {}, With(Spec(u"N", vxbSmallInt),
                                                 [](auto& s) {
                                                   s.Expression = TVxbExpressionSource{u"1", true};
                                                   s.Options = 0x01;
                                                 }),
       0},
      {"calculation of 256 characters below level 4", 3, {}, With(Spec(u"N", vxbSmallInt),
                                                                   [](auto& s) {
                                                                     s.Expression = TVxbExpressionSource{
                                                                         std::u16string(256, u'1'), true};
                                                                     s.Options = 0x01;
                                                                   }),
       75},
      {"expression on a Memo", 6, {},
       With(Spec(u"M", vxbMemo), [](auto& s) { s.Expression = TVxbExpressionSource{u"'x'", true}; }), 117,
       u"Default value"},
      {"value range on a Memo", 6, {}, With(Spec(u"M", vxbMemo),
                                             [](auto& s) {
                                               s.Expression = TVxbExpressionSource{u"'x'", true};
                                               s.Options = 0x02;
                                             }),
       0},
      // Record size.
      {"record beyond 32767 bytes", 6, {Spec(u"A", vxbString, 32764)}, Spec(u"B", vxbInteger), 59},
  };
}

TEST(ColumnRules, EachBrokenRuleGivesItsError) {
  for (const RuleCase& c : Cases()) {
    SCOPED_TRACE(c.what);
    errors::TVxbServices services;
    TVxbColumnDefs columns;
    for (const auto& before : c.before) ASSERT_GT(AddColumn(columns, before, c.level, u"", services), 0);
    const int16_t result = AddColumn(columns, c.spec, c.level, u"", services);
    if (c.error == 0) {
      EXPECT_GT(result, 0) << fs::u8(services.LastErrorMsg());
      EXPECT_EQ(columns.Count(), static_cast<int>(c.before.size()) + 1);
      continue;
    }
    EXPECT_EQ(result, -c.error);
    EXPECT_EQ(services.LastErrorCode(), c.error);
    EXPECT_EQ(columns.Count(), static_cast<int>(c.before.size()));
    if (c.message) {
      EXPECT_NE(services.LastErrorMsg().find(c.message), std::u16string::npos) << fs::u8(services.LastErrorMsg());
    }
  }
}

TEST(ColumnRules, The1001stColumnIsRefused) {
  errors::TVxbServices services;
  TVxbColumnDefs columns;
  for (int i = 1; i <= 1000; ++i)
    ASSERT_GT(AddColumn(columns, Spec(fs::FormatMessage(u"C%d", {i}), vxbByte), 6, u"", services), 0);
  EXPECT_EQ(AddColumn(columns, Spec(u"C1001", vxbByte), 6, u"", services), -59);
}

TEST(ColumnRules, AcceptedColumnsGetSizesNullBytesAndOptionsFromTheirTypes) {
  struct Case {
    TVxbColumnSpec spec;
    int16_t level;
    int16_t size;
    uint32_t options;
  };
  const auto nullable = [](TVxbColumnSpec s) {
    s.Nullable = true;
    return s;
  };
  const std::vector<Case> cases = {
      {Spec(u"S", vxbString, 20), 6, 21, 0},
      {nullable(Spec(u"S", vxbString, 20)), 6, 22, 0x28},
      {nullable(Spec(u"S", vxbString, 300)), 4, 303, 0x28},       // two-byte prefix from 256 on
      {nullable(Spec(u"W", vxbWideString, 80)), 6, 163, 0x28},
      {nullable(Spec(u"M", vxbMemo)), 6, 4, 0x20},                 // memos never carry a null byte
      {nullable(Spec(u"D", vxbDate)), 5, 4, 0x20},                 // 0 is null
      {nullable(Spec(u"I", vxbInteger)), 6, 5, 0x28},
      {Spec(u"F", vxbFloat, 2), 1, 6, 0},                          // level 1: the 6-byte real
      {Spec(u"T", vxbTime, 0), 4, 4, 0},                           // precision 3: milliseconds
      {Spec(u"T", vxbTime, 0), 3, 2, 0},                           // precision 2: minutes
      {nullable(Spec(u"T", vxbTime, 2)), 6, 3, 0x28},
      {Spec(u"R", vxbRelation), 6, 0, 0},
      {Spec(u"G", vxbGuid), 6, 16, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(fs::u8(c.spec.Name) + " level " + std::to_string(c.level));
    errors::TVxbServices services;
    TVxbColumnDefs columns;
    TVxbColumnSpec spec = c.spec;
    if (spec.TypeCode == vxbRelation) spec.LinkedTable = u"Other";
    ASSERT_EQ(AddColumn(columns, spec, c.level, u"", services), 1) << fs::u8(services.LastErrorMsg());
    EXPECT_EQ(columns.GetColumnDef(1)->Size(), c.size);
    EXPECT_EQ(columns.GetColumnDef(1)->Options(), c.options);
  }
}

TEST(ColumnFrame, PositionsFollowEveryAddDeleteAndReplace) {
  errors::TVxbServices services;
  TVxbColumnDefs columns;
  ASSERT_GT(AddColumn(columns, Spec(u"A", vxbInteger), 6, u"", services), 0);
  ASSERT_GT(AddColumn(columns, Spec(u"B", vxbString, 10), 6, u"", services), 0);
  ASSERT_GT(AddColumn(columns, Spec(u"C", vxbBigInt), 6, u"", services), 0);
  EXPECT_EQ(columns.GetColumnDef(3)->Position(), 15);
  EXPECT_EQ(columns.GetRecordSize(), 23);

  columns.Replace(2, TVxbColumnDef::Create(u"B", TVxbDataType::GetDataType(vxbSmallInt, false, 6), 0));
  EXPECT_EQ(columns.GetColumnDef(3)->Position(), 6);
  columns.Delete(1);
  EXPECT_EQ(columns.GetColumnDef(1)->Position(), 0);
  EXPECT_EQ(columns.GetColumnDef(2)->Position(), 2);
  EXPECT_EQ(columns.GetRecordSize(), 10);
  EXPECT_EQ(columns.Find(u"c"), 2);
  EXPECT_EQ(columns.FindFirst(vxbBigInt), 2);
  EXPECT_EQ(columns.Find(u"A"), 0);
}

TEST(ColumnFrame, SettingNullabilityMovesTheFollowingColumns) {
  errors::TVxbServices services;
  TVxbColumnDefs columns;
  ASSERT_GT(AddColumn(columns, Spec(u"A", vxbInteger), 6, u"", services), 0);
  ASSERT_GT(AddColumn(columns, Spec(u"B", vxbInteger), 6, u"", services), 0);
  columns.GetColumnDef(1)->SetNullable(true, 6);
  columns.UpdatePositions();
  EXPECT_EQ(columns.GetColumnDef(1)->Options(), kColumnNullByte | kColumnNullable);
  EXPECT_EQ(columns.GetColumnDef(2)->Position(), 5);
  columns.GetColumnDef(1)->SetNullable(false, 6);
  columns.UpdatePositions();
  EXPECT_EQ(columns.GetColumnDef(1)->Options(), 0u);
  EXPECT_EQ(columns.GetColumnDef(2)->Position(), 4);
}

TEST(ColumnFrame, DateColumnsLoseTheirNullByteWhenMovedToLevel6) {
  TVxbColumnDefs columns;
  columns.Add(TVxbColumnDef::Create(u"D", TVxbDataType::GetDateTimeType(vxbDate, true, 4, true, 5),
                                    kColumnNullByte | kColumnNullable));
  columns.Add(TVxbColumnDef::Create(u"N", TVxbDataType::GetDataType(vxbInteger, false, 5), 0));
  EXPECT_EQ(columns.GetColumnDef(1)->Size(), 5);
  columns.SetTableLevel(6);
  EXPECT_EQ(columns.GetColumnDef(1)->Size(), 4);
  EXPECT_EQ(columns.GetColumnDef(1)->Options(), kColumnNullable);
  EXPECT_EQ(columns.GetColumnDef(2)->Position(), 4);
}

TEST(ColumnFrame, CalculationPurposesFollowTheOptionBits) {
  auto column = TVxbColumnDef::Create(u"C", TVxbDataType::GetDataType(vxbInteger, false, 6), 0);
  EXPECT_EQ(column->CalculationPurposes(), 0);
  column->SetCalculation(TVxbExpressionSource{u"1", true});
  EXPECT_EQ(column->CalculationPurposes(), clpInitialization);
  column->SetOptions(kColumnCalculated);
  EXPECT_EQ(column->CalculationPurposes(), clpUpdating);
  column->SetOptions(kColumnCalculated | kColumnCalcOnAppend);
  EXPECT_EQ(column->CalculationPurposes(), clpAppending);
}

}  // namespace
}  // namespace vexilo::storage::testing
