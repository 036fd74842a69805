// A table file written at each level reads back with the same definition:
// every column type the level allows, with its size, position, options,
// collation, scale, precision, value names, linked table, indication and
// expression, and the table's capacity, collation, keys, checks, foreign
// keys, type definitions, value ranges, index names and next record id.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/storage/columns/column_def.h"
#include "engine/types/column_type.h"
#include "fs/format.h"
#include "tests/engine/storage/table_file_fixture.h"

namespace vexilo::storage::testing {
namespace {

using namespace types;

// One line per column with everything a definition holds.
std::vector<std::string> Describe(const TVxbColumnDefs& columns) {
  std::vector<std::string> lines;
  for (const auto& c : columns) {
    std::u16string extra;
    if (auto* text = dynamic_cast<const TVxbTextColumnDef*>(c.get())) extra += u"coll=" + text->CollationName();
    if (auto* number = dynamic_cast<const TVxbNumberColumnDef*>(c.get()))
      extra += fs::FormatMessage(u"scale=%d", {int{number->Scale()}});
    if (auto* time = dynamic_cast<const TVxbTimeColumnDef*>(c.get()))
      extra += fs::FormatMessage(u"prec=%d", {int{time->Precision()}});
    if (auto* enumeration = dynamic_cast<const TVxbEnumColumnDef*>(c.get())) {
      for (const auto& name : enumeration->ValueNames()) extra += u"enum=" + name + u";";
    }
    if (auto* link = dynamic_cast<const TVxbAdlColumnDef*>(c.get())) extra += u"link=" + link->LinkedTable();
    if (auto* id = dynamic_cast<const TVxbRecordIdColumnDef*>(c.get())) extra += u"spec=" + id->IndexSpec();
    if (c->Calculation())
      extra += (c->Calculation()->Procedural ? u" proc=" : u" sql=") + c->Calculation()->Text;
    lines.push_back(fs::u8(fs::FormatMessage(u"%s type=%d size=%d pos=%d opt=%x null=%d %s",
                                             {c->Name(), int{c->TypeCode()}, int{c->Size()}, c->Position(),
                                              static_cast<int>(c->Options()), c->IsNullable() ? 1 : 0, extra})));
  }
  return lines;
}

TVxbColumnSpec Spec(const std::u16string& name, int16_t type, int32_t length = 0, bool nullable = false) {
  TVxbColumnSpec spec;
  spec.Name = name;
  spec.TypeCode = type;
  spec.Length = length;
  spec.Nullable = nullable;
  return spec;
}

// A definition with every column type `level` allows, and everything else
// the level's header can hold. The types that keep null inside their value
// are nullable: levels 1 to 3 have no way to store them otherwise.
TVxbTableDefinition EveryColumnType(int16_t level, errors::TVxbServices& services) {
  TVxbTableDefinition d;
  const bool modern = level >= 4;
  d.CollationName = level >= 5 ? u"German" : u"";
  d.Capacity = modern ? 5000 : kDefaultCapacity;
  auto add = [&](TVxbColumnSpec spec) { AddAccepted(d, spec, level, services); };

  TVxbColumnSpec id = Spec(u"Id", vxbRecordId);
  id.StartValue = 100;
  id.IndexSpec = u"Name";
  id.Options = 0x40;
  add(id);
  add(Spec(u"Initial", vxbChar, 0, modern));
  add(Spec(u"Name", vxbString, 30, modern));
  add(Spec(u"Small", vxbSmallInt, 0, true));
  add(Spec(u"Price", vxbFloat, 2, true));
  add(Spec(u"Tiny", vxbByte));
  add(Spec(u"Flag", vxbBoolean, 0, true));
  add(Spec(u"Born", vxbDate, 0, true));
  add(Spec(u"Notes", vxbMemo, 0, true));
  TVxbColumnSpec color = Spec(u"Color", vxbEnum, 0, true);
  color.EnumNames = {u"Red", u"Green", u"Blue"};
  add(color);
  TVxbColumnSpec parent = Spec(u"Parent", vxbLink, 0, true);
  parent.LinkedTable = u"Other";
  add(parent);
  TVxbColumnSpec unindexed = Spec(u"Loose", vxbLink, 0, true);
  unindexed.LinkedTable = u"@";
  unindexed.Options = 0x40;
  add(unindexed);
  add(Spec(u"Picture", vxbBlob, 0, true));
  TVxbColumnSpec friends = Spec(u"Friends", vxbRelation, 0, true);
  friends.LinkedTable = u"People";
  add(friends);
  add(Spec(u"Alarm", vxbTime, modern ? 4 : 2, true));
  TVxbColumnSpec total = Spec(u"Total", vxbSmallInt);
  total.Options = 0x01 | 0x04;
  total.Expression = TVxbExpressionSource{u"Small*2", true};
  add(total);
  TVxbColumnSpec ranged = Spec(u"Ranged", vxbSmallInt);
  if (level <= 4) {
    ranged.Options = 0x02;
    d.RangeBounds.push_back({d.ColumnDefs.Count() + 1, 1.5, 99.25});
  }
  add(ranged);
  if (level >= 3) {
    add(Spec(u"Count", vxbInteger, 0, true));
    add(Spec(u"Stamp", vxbTimeStamp, 0, true));
    add(Spec(u"Wide", vxbWideString, 20, modern));
    add(Spec(u"WideNotes", vxbWideMemo, 0, true));
    add(Spec(u"Big", vxbBigInt, 0, true));
    add(Spec(u"Key", vxbGuid, 0, true));
  }
  if (modern) {
    TVxbColumnSpec start = Spec(u"Start value", vxbInteger);
    start.Expression = TVxbExpressionSource{u"1", true};
    add(start);
    add(Spec(u"Long text", vxbString, 300, true));
    d.KeyDefs = {{true, u"PK", {u"Id"}}, {false, u"UK", {u"Name", u"Born"}}};
    d.CheckDefs = {{u"Positive", {u"Price > 0", true}}};
    d.ForeignKeyDefs = {{u"FK_Parent", {u"Parent"}, u"Other", {u"Id"}, tiaCascade, tiaSetNull}};
  }
  if (level >= 5) {
    TVxbColumnSpec checked = Spec(u"Checked", vxbMemo, 0, true);
    checked.Options = 0x02;
    checked.Expression = TVxbExpressionSource{u"CHAR_LENGTH(Checked) < 10", false};
    add(checked);
    d.CheckDefs.push_back({u"Sql check", {u"Small <> 3", false}});
  }
  if (level == 6) {
    TVxbColumnSpec hungarian = Spec(u"Hun", vxbWideString, 80, true);
    hungarian.CollationName = u"Hungarian";
    add(hungarian);
    add(Spec(u"Leir", vxbWideMemo, 0, true));
    d.Types = {{u"Money", 3, 3}};
  }
  return d;
}

class HeaderRoundTrip : public TableFileFixture, public ::testing::WithParamInterface<int> {};

TEST_P(HeaderRoundTrip, EveryColumnTypeOfTheLevelReadsBackAsWritten) {
  const auto level = static_cast<int16_t>(GetParam());
  TVxbTableDefinition written = EveryColumnType(level, Services);
  ASSERT_FALSE(HasFatalFailure());
  const std::string name = level == 6 ? "T.vxbt" : "T.dat";
  CreateTable(name, level, written);

  TVxbTableCryptor cryptor;
  TVxbTableDefinition read;
  auto file = Heap(name);
  ASSERT_EQ(file->Open(false, false, cryptor, read), 0);
  EXPECT_EQ(file->Version(), level);
  EXPECT_EQ(file->GetRecordCount(), 0);
  EXPECT_EQ(file->RecordSize(), written.ColumnDefs.GetRecordSize());
  EXPECT_EQ(file->ReadNextRecordId(), 100);
  EXPECT_EQ(file->RecordIdPosition(), 0);

  // "@" stands for the table itself and comes back as its name.
  auto* loose = dynamic_cast<TVxbAdlColumnDef*>(written.ColumnDefs.GetColumnDef(written.ColumnDefs.Find(u"Loose")));
  loose->SetLinkedTable(u"T");
  EXPECT_EQ(Describe(read.ColumnDefs), Describe(written.ColumnDefs));
  EXPECT_EQ(read.Capacity, written.Capacity);
  EXPECT_EQ(read.CollationName, written.CollationName);
  EXPECT_EQ(read.Types, written.Types);
  EXPECT_EQ(read.KeyDefs, written.KeyDefs);
  EXPECT_EQ(read.CheckDefs, written.CheckDefs);
  EXPECT_EQ(read.ForeignKeyDefs, written.ForeignKeyDefs);
  EXPECT_EQ(read.RangeBounds, written.RangeBounds);
  EXPECT_EQ(file->RangeBounds(), written.RangeBounds);
}

TEST_P(HeaderRoundTrip, IndexNamesAreRewrittenInPlace) {
  const auto level = static_cast<int16_t>(GetParam());
  TVxbTableDefinition definition;
  AddAccepted(definition, Spec(u"Nr", vxbSmallInt), level, Services);
  CreateTable("T.dat", level, definition);

  std::vector<std::u16string> names = {u"ByNr"};
  if (level >= 2) names = {u"ByNr", u"Ékezetes név", std::u16string(44, u'x')};
  {
    TVxbTableCryptor cryptor;
    TVxbTableDefinition read;
    auto file = Heap("T.dat");
    ASSERT_EQ(file->Open(false, false, cryptor, read), 0);
    EXPECT_TRUE(file->IndexNames().empty());
    file->IndexNames() = names;
    ASSERT_EQ(file->WriteIndexNames(), 0);
    ASSERT_EQ(file->Flush(), 0);
  }
  TVxbTableCryptor cryptor;
  TVxbTableDefinition read;
  auto file = Heap("T.dat");
  ASSERT_EQ(file->Open(false, false, cryptor, read), 0);
  EXPECT_EQ(file->IndexNames(), names);
  file->DeleteIndexName(1);
  ASSERT_EQ(file->WriteIndexNames(), 0);
  ASSERT_EQ(file->ReadIndexNames(), 0);
  EXPECT_EQ(file->IndexNames(), std::vector<std::u16string>(names.begin() + 1, names.end()));
}

INSTANTIATE_TEST_SUITE_P(Levels, HeaderRoundTrip, ::testing::Range(1, 7),
                         [](const auto& info) { return "Level" + std::to_string(info.param); });

TEST_F(TableFileFixture, IndexNamesBeyondTheAreaAreRefused) {
  struct Case {
    int16_t level;
    std::vector<std::u16string> names;
    int16_t error;
  };
  const std::vector<Case> cases = {
      {1, {u"A", u"B"}, 67},                                        // the level-1 area holds one name
      {2, std::vector<std::u16string>(16, u"I"), 67},               // 15 entries at levels 2 and 3
      {4, std::vector<std::u16string>(51, u"I"), 67},               // 50 at levels 4 to 6
      {6, {std::u16string(45, u'n')}, 176},                         // a name holds at most 44 characters
      {4, {u"ok", std::u16string(45, u'n')}, 176},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.level);
    TVxbTableDefinition definition;
    AddAccepted(definition, Spec(u"Nr", vxbSmallInt), c.level, Services);
    const std::string name = "T" + std::to_string(&c - cases.data()) + ".dat";
    CreateTable(name, c.level, definition);
    TVxbTableCryptor cryptor;
    TVxbTableDefinition read;
    auto file = Heap(name);
    ASSERT_EQ(file->Open(false, false, cryptor, read), 0);
    file->IndexNames() = c.names;
    EXPECT_EQ(file->WriteIndexNames(), -c.error);
    EXPECT_EQ(Services.LastErrorCode(), c.error);
  }
}

}  // namespace
}  // namespace vexilo::storage::testing
