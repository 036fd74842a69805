// The column services of the relation and table calls: a table's check
// constraints, the numbers of enumeration values, and the display texts of
// link columns, with what each gives for columns of another kind and for
// numbers outside the table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/api/calls/relation_calls.h"
#include "engine/api/calls/session_calls.h"
#include "engine/api/calls/table_calls.h"
#include "tests/engine/api/calls/call_fixture.h"

namespace vexilo::api::testing {
namespace {

using storage::testing::Spec;

// Colours (Id RecordId indicated by Name, Name, Shade) and Things (Name,
// Colour Enum red/green/blue, Paint Link to Colours, N Integer with two
// check constraints), open in a session; a cursor on Things.
class ColumnServicesTest : public CallFixture {
 protected:
  void SetUp() override {
    {
      auto colours = MakeTable(u"Colours.vxbt");
      storage::TVxbColumnSpec id = Spec(u"Id", 9);
      id.IndexSpec = u"Name,Shade";
      ASSERT_GT(colours->AddColumn(id), 0) << Error();
      ASSERT_GT(colours->AddColumn(Spec(u"Name", 18, 20)), 0) << Error();
      ASSERT_GT(colours->AddColumn(Spec(u"Shade", 18, 20)), 0) << Error();
      ASSERT_EQ(colours->NewFile({}, {}, {}), 0) << Error();
      ASSERT_EQ(colours->Setup(false), 0) << Error();
      for (const auto& [name, shade] : {std::pair{u"Red", u"dark"}, std::pair{u"Blue", u"light"}}) {
        std::vector<uint8_t> rec = Buffer(*colours);
        ASSERT_EQ(colours->InitRecord(rec.data(), true), 0);
        colours->SetWideString(rec.data(), 2, name);
        colours->SetWideString(rec.data(), 3, shade);
        ASSERT_GT(colours->AppendRecord(rec.data(), {}), 0) << Error();
        BlueId = colours->GetRecordId(rec.data());
      }
      ASSERT_EQ(colours->Close(), 0);
    }
    {
      auto things = MakeTable(u"Things.vxbt");
      ASSERT_GT(things->AddColumn(Spec(u"Name", 18, 20)), 0) << Error();
      storage::TVxbColumnSpec colour = Spec(u"Colour", 8);
      colour.EnumNames = {u"red", u"green", u"blue"};
      ASSERT_GT(things->AddColumn(colour), 0) << Error();
      storage::TVxbColumnSpec paint = Spec(u"Paint", 10);
      paint.LinkedTable = u"Colours";
      ASSERT_GT(things->AddColumn(paint), 0) << Error();
      ASSERT_GT(things->AddColumn(Spec(u"N", 16, 0, true)), 0) << Error();
      std::vector<storage::TVxbCheckDef> checks = {
          {u"NotNegative", {u"N >= 0", false}},
          {u"Small", {u"N < 100", false}},
      };
      ASSERT_EQ(things->NewFile(checks, {}, {}), 0) << Error();
      ASSERT_EQ(things->Setup(false), 0) << Error();
      ASSERT_EQ(things->Close(), 0);
    }
    Session = OpenSession();
    Colours = VxbSessOpenTable(Session, u"Colours", nullptr, 15, true, false);
    ASSERT_GT(Colours, 0) << LastError(Session);
    Things = VxbSessOpenTable(Session, u"Things", nullptr, 15, true, false);
    ASSERT_GT(Things, 0) << LastError(Session);
    Cursor = VxbTableCreate(Things, u"things");
    ASSERT_GT(Cursor, 0);
  }
  void TearDown() override { VxbTableDelete(Cursor); }

  TVxbSessHdl Session = 0;
  TVxbRltnHdl Colours = 0;
  TVxbRltnHdl Things = 0;
  TVxbTableHdl Cursor = 0;
  int32_t BlueId = 0;
};

TEST_F(ColumnServicesTest, CheckConstraintsAreCountedAndDescribedInOrder) {
  EXPECT_EQ(VxbRltnGetCheckCount(Things), 2);
  EXPECT_EQ(VxbRltnGetCheckCount(Colours), 0);
  TextBuffer name, check;
  ASSERT_EQ(VxbRltnGetCheckSpec(Things, 1, name.data(), 40, check.data(), 255), 0);
  EXPECT_EQ(name.Text(), "NotNegative");
  EXPECT_EQ(check.Text(), "N >= 0");
  ASSERT_EQ(VxbRltnGetCheckSpec(Things, 2, name.data(), 3, check.data(), 255), 0);
  EXPECT_EQ(name.Text(), "Sma") << "cut to the caller's length";
  EXPECT_EQ(check.Text(), "N < 100");
  for (const int16_t outside : {0, 3, -1}) {
    EXPECT_EQ(VxbRltnGetCheckSpec(Things, outside, name.data(), 40, check.data(), 255), -10) << outside;
  }
  EXPECT_EQ(VxbRltnGetCheckCount(0), -17);
  EXPECT_EQ(VxbRltnGetCheckSpec(0, 1, name.data(), 40, check.data(), 255), -17);
}

TEST_F(ColumnServicesTest, EnumValuesAreNumberedInTheirListsOrder) {
  struct Case {
    int16_t FieldNo;
    const char16_t* Text;
    int16_t Expected;
  } cases[] = {
      {2, u"red", 1},    {2, u"green", 2}, {2, u"blue", 3},   {2, u"Blue", 0},  {2, u"purple", 0},
      {2, u"", 0},       {2, nullptr, 0},  {2, u"blue ", 0},  {1, u"red", -10}, {3, u"red", -10},
      {0, u"red", -10},  {9, u"red", -10},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VxbTableGetEnumValue(Cursor, c.FieldNo, c.Text), c.Expected)
        << c.FieldNo << " " << (c.Text ? fs::u8(c.Text) : "null");
  }
  EXPECT_EQ(VxbTableGetEnumValue(0, 2, u"red"), -101);
}

TEST_F(ColumnServicesTest, LinkTextsShowTheLinkedRecordsIndication) {
  struct Case {
    int16_t FieldNo;
    int32_t RecordId;
    int16_t Expected;
    std::string Text;
  } cases[] = {
      {3, BlueId, 0, "Blue light"}, {3, BlueId - 1, 0, "Red dark"}, {3, 0, 0, ""},
      {3, -4, 0, ""},               {3, 999, 0, ""},                {2, BlueId, -10, ""},
      {4, BlueId, -10, ""},         {0, BlueId, -10, ""},
  };
  for (const Case& c : cases) {
    TextBuffer text;
    EXPECT_EQ(VxbTableGetLinkInfo1(Cursor, c.FieldNo, c.RecordId, text.data(), 255), c.Expected)
        << c.FieldNo << " " << c.RecordId;
    if (c.Expected == 0) {
      EXPECT_EQ(text.Text(), c.Text) << c.RecordId;
    }
  }
  TextBuffer cut;
  ASSERT_EQ(VxbTableGetLinkInfo1(Cursor, 3, BlueId, cut.data(), 4), 0);
  EXPECT_EQ(cut.Text(), "Blue");

  // With the linked table closed the engine has no text for it.
  ASSERT_EQ(VxbRltnClose(Colours), 0) << LastError(Session);
  TextBuffer none;
  EXPECT_EQ(VxbTableGetLinkInfo1(Cursor, 3, BlueId, none.data(), 255), 0);
  EXPECT_EQ(none.Text(), "");
}

}  // namespace
}  // namespace vexilo::api::testing
