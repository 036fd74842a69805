// Hand-made table files (header_fixtures.h) read as the format says: field
// positions, sizes, option bits, names split from their linked tables,
// level-4 trailers, and the record slots after the header.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "engine/storage/columns/column_def.h"
#include "engine/types/column_type.h"
#include "engine/types/field_codec.h"
#include "tests/engine/storage/file/header_fixtures.h"

namespace vexilo::storage::testing {
namespace {

using namespace types;

TEST(HandMadeHeader, Level2ColumnsSplitLinkNamesAndTakeSizesFromTheirTypes) {
  TVxbTableHeader header;
  ASSERT_EQ(ReadImageError(Level2Fixture().Data(), u"any password", &header), 0);
  EXPECT_EQ(header.Level, 2);
  EXPECT_EQ(header.RecordCount, 2);
  EXPECT_EQ(header.RecordSize, 28);
  EXPECT_EQ(header.RecordAreaStart, 840);
  EXPECT_EQ(header.NextRecordIdOffset, 0);  // no record id column, no such field
  EXPECT_EQ(header.Definition.Capacity, kDefaultCapacity);
  EXPECT_EQ(header.IndexNames, std::vector<std::u16string>{u"ByName"});
  const TVxbColumnDefs& columns = header.Definition.ColumnDefs;
  ASSERT_EQ(columns.Count(), 3);

  const TVxbColumnDef* nr = columns.GetColumnDef(1);
  EXPECT_EQ(nr->Name(), u"Nr");
  EXPECT_EQ(nr->TypeCode(), vxbSmallInt);
  EXPECT_EQ(nr->Options(), kColumnNullByte | kColumnNullable);
  EXPECT_EQ(nr->Size(), 3);
  const TVxbColumnDef* name = columns.GetColumnDef(2);
  EXPECT_EQ(name->Position(), 3);
  EXPECT_EQ(name->Size(), 21);
  EXPECT_FALSE(name->IsNullable());
  const auto* link = dynamic_cast<const TVxbAdlColumnDef*>(columns.GetColumnDef(3));
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->Name(), u"Kunde");
  EXPECT_EQ(link->LinkedTable(), u"Kunden");
  EXPECT_EQ(link->Position(), 24);
  EXPECT_TRUE(link->IsNullable());  // a Link keeps null in its value
}

TEST(HandMadeHeader, Level2RecordsLieInSlotsAfterTheHeader) {
  const Bytes image = Level2Fixture();
  TVxbTableHeader header;
  ASSERT_EQ(ReadImageError(image.Data(), {}, &header), 0);
  const uint8_t* second = image.Data().data() + header.RecordAreaStart + header.RecordSize;
  const TVxbColumnDef* name = header.Definition.ColumnDefs.GetColumnDef(2);
  std::string text;
  ASSERT_TRUE(TVxbFieldCodec::ReadString(second, name->FieldLayout(2), text));
  EXPECT_EQ(text, "Nagy");
  int32_t link = 0;
  ASSERT_TRUE(TVxbFieldCodec::ReadLink(second, header.Definition.ColumnDefs.GetColumnDef(3)->FieldLayout(2), link));
  EXPECT_EQ(link, 5);
}

TEST(HandMadeHeader, OldColumnNamesAreCutDeduplicatedAndFilledIn) {
  Bytes b;
  b.Raw({0x64, 0xAA, 0x57, 0xFF}).I16(2).I32(0).U16(12).U16(6);  // six SmallInt columns
  b.I16(0).PadTo(691);
  for (const char* name : {"Name", "NAME", "", "Ab cd", "Xy__", "Name_2"})
    b.Zeros(2).Short(name, 40).U8(1).U8(0).U8(2);
  b.Short("", 10);
  TVxbTableHeader header;
  ASSERT_EQ(ReadImageError(b.Data(), {}, &header), 0);
  std::vector<std::u16string> names;
  for (const auto& column : header.Definition.ColumnDefs) names.push_back(column->Name());
  // The second "Name" takes the first free number: "Name_2" is taken by a
  // later column. An empty name is numbered from its position plus one.
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Name", u"NAME_3", u"Column4", u"Ab", u"Xy", u"Name_2"}));
}

TEST(HandMadeHeader, Level4TrailerGivesEnumNamesExpressionsKeysAndTheIndication) {
  TVxbTableHeader header;
  ASSERT_EQ(ReadImageError(Level4Fixture().Data(), {}, &header), 0);
  const TVxbTableDefinition& d = header.Definition;
  EXPECT_EQ(d.Capacity, 1000);
  EXPECT_EQ(header.RecordSize, 25);
  EXPECT_EQ(header.NextRecordId, 7);
  EXPECT_EQ(header.NextRecordIdOffset, header.RecordAreaStart - 4);
  EXPECT_EQ(header.RecordIdPosition, 0);

  const auto* id = dynamic_cast<const TVxbRecordIdColumnDef*>(d.ColumnDefs.GetColumnDef(1));
  ASSERT_NE(id, nullptr);
  EXPECT_EQ(id->IndexSpec(), u"Name");
  EXPECT_TRUE(id->GetUniqueIdInfo());
  const TVxbColumnDef* name = d.ColumnDefs.GetColumnDef(2);
  EXPECT_EQ(name->Size(), 12);
  EXPECT_EQ(name->Options(), kColumnNullByte | kColumnNullable);
  ASSERT_TRUE(name->Calculation());
  EXPECT_EQ(name->Calculation()->Text, u"Upper('x')");
  EXPECT_EQ(name->CalculationPurposes(), clpInitialization);
  EXPECT_EQ(dynamic_cast<const TVxbNumberColumnDef&>(*d.ColumnDefs.GetColumnDef(3)).Scale(), 2);
  EXPECT_EQ(dynamic_cast<const TVxbEnumColumnDef&>(*d.ColumnDefs.GetColumnDef(4)).ValueNames(),
            (std::vector<std::u16string>{u"Rot", u"Grün"}));

  ASSERT_EQ(d.KeyDefs.size(), 1u);
  EXPECT_EQ(d.KeyDefs[0], (TVxbCandidateKeyDef{true, u"PK", {u"Id"}}));
  ASSERT_EQ(d.CheckDefs.size(), 1u);
  EXPECT_EQ(d.CheckDefs[0].Condition.Text, u"Preis >= 0");
  ASSERT_EQ(d.ForeignKeyDefs.size(), 1u);
  EXPECT_EQ(d.ForeignKeyDefs[0].ParentTable, u"Kunden");
  EXPECT_EQ(d.ForeignKeyDefs[0].UpdateAction, tiaCascade);
  EXPECT_EQ(d.ForeignKeyDefs[0].DeleteAction, tiaSetNull);  // the third action byte, not the second
}

TEST(HandMadeHeader, Level6DictionaryShapeStartsItsRecordsAtThePaddedBoundary) {
  const Bytes image = Level6Fixture();
  TVxbTableHeader header;
  ASSERT_EQ(ReadImageError(image.Data(), {}, &header), 0);
  EXPECT_EQ(header.RecordAreaStart, 16384);
  EXPECT_EQ(header.RecordCount, 3);
  EXPECT_EQ(header.NextRecordId, 1);
  EXPECT_EQ(header.IndexNames, (std::vector<std::u16string>{u"ENG", u"HUN"}));
  const TVxbColumnDefs& columns = header.Definition.ColumnDefs;
  ASSERT_EQ(columns.Count(), 3);
  EXPECT_EQ(columns.GetColumnDef(2)->Position(), 162);
  EXPECT_EQ(dynamic_cast<const TVxbTextColumnDef&>(*columns.GetColumnDef(2)).CollationName(), u"Hungarian");
  EXPECT_EQ(columns.GetColumnDef(3)->TypeCode(), vxbWideMemo);
  EXPECT_TRUE(columns.GetColumnDef(3)->IsNullable());

  const uint8_t* third = image.Data().data() + header.RecordAreaStart + 2 * header.RecordSize;
  std::u16string hun;
  ASSERT_TRUE(TVxbFieldCodec::ReadWideString(third, columns.GetColumnDef(2)->FieldLayout(6), hun));
  EXPECT_EQ(hun, u"alma");
  int32_t block = 0;
  ASSERT_TRUE(TVxbFieldCodec::ReadBlockRef(third, columns.GetColumnDef(3)->FieldLayout(6), block));
  EXPECT_EQ(block, 3);
}

TEST(HandMadeHeader, Level6ColumnsKeepTheirStoredSizesForPositions) {
  Bytes image = Level6Fixture();
  // ENG's size (after its type, name, options) from 162 to 170, the record
  // size with it; three records of 336 bytes need 24 more bytes of file.
  auto& b = image.Data();
  const size_t engSize = kLevel6FirstColumnType + 1 + 8 + 4;
  ASSERT_EQ(b[engSize] | b[engSize + 1] << 8, 162);
  b[engSize] = 170;
  b[kLevel6RecordSize] = 336 & 0xFF;
  b[kLevel6RecordSize + 1] = 336 >> 8;
  image.Zeros(24);
  TVxbTableHeader header;
  ASSERT_EQ(ReadImageError(b, {}, &header), 0);
  EXPECT_EQ(header.Definition.ColumnDefs.GetColumnDef(1)->Size(), 170);
  EXPECT_EQ(header.Definition.ColumnDefs.GetColumnDef(2)->Position(), 170);
  // A WideString's size gives its length; a WideMemo's 4 bytes cannot
  // shrink: a stored size below what the type needs is damage.
  const uint8_t leirName[] = {'L', 0, 'E', 0, 'I', 0, 'R', 0};
  const size_t leirSize = std::search(b.begin(), b.end(), std::begin(leirName), std::end(leirName)) - b.begin() + 8 + 4;
  ASSERT_EQ(b[leirSize], 4);
  b[leirSize] = 2;
  b[kLevel6RecordSize] = 334 & 0xFF;
  EXPECT_EQ(ReadImageError(b), 134);
}

TEST(HandMadeHeader, Level6PasswordFieldHoldsThePasswordScrambled) {
  // "ab" reversed and complemented: ~'b', ~'a'.
  const std::u16string field{static_cast<char16_t>(~u'b'), static_cast<char16_t>(~u'a')};
  const Bytes image = Level6Fixture(field);
  EXPECT_EQ(ReadImageError(image.Data(), u"ab"), 0);
  EXPECT_EQ(ReadImageError(image.Data(), u"ba"), 38);
  EXPECT_EQ(ReadImageError(image.Data(), u""), 38);
}

TEST(HandMadeHeader, Level1To4PasswordFieldWithoutValueOpensWithAnyPassword) {
  EXPECT_EQ(ReadImageError(Level2Fixture().Data(), u"whatever"), 0);
  EXPECT_EQ(ReadImageError(Level4Fixture().Data(), u"secret"), 0);
}

}  // namespace
}  // namespace vexilo::storage::testing
