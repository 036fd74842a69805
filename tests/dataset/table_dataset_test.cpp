// The table dataset on real table files: walking in every order, positions
// at the ends, field values of every column type, memo contents, bookmarks,
// other processes' deletions and the failures of opening.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "dataset/vexbase_error.h"
#include "engine/api/calls/session_calls.h"
#include "engine/api/calls/table_calls.h"
#include "framework/core/blob_fields.h"
#include "framework/core/data_link.h"
#include "framework/core/data_source.h"
#include "tests/dataset/dataset_fixture.h"
#include "tests/engine/storage/process_fixture.h"

namespace vexilo::dataset::testing {
namespace {

using framework::TDataLink;
using framework::TDataSource;
using framework::TFieldType;

// A row in the dataset or in vxbtool's reading: record number, ENG, HUN.
struct TRow {
  int32_t RecNo;
  std::string Eng;
  std::string Hun;
  bool operator==(const TRow&) const = default;
};

int32_t BookmarkRecNo(const framework::TBookmark& bookmark) {
  int32_t recNo = 0;
  std::memcpy(&recNo, bookmark.data(), 4);
  return recNo;
}

std::ostream& operator<<(std::ostream& out, const TRow& row) {
  return out << row.RecNo << ":" << row.Eng << "/" << row.Hun;
}

class TableDatasetTest : public DatasetFixture {
 protected:
  TRow CurrentRow() {
    auto [eng, hun] = Current();
    return {FTable->RecordNo(), eng, hun};
  }

  std::vector<TRow> WalkForwards() {
    std::vector<TRow> rows;
    for (FTable->First(); !FTable->Eof(); FTable->Next()) rows.push_back(CurrentRow());
    return rows;
  }

  std::vector<TRow> WalkBackwards() {
    std::vector<TRow> rows;
    for (FTable->Last(); !FTable->Bof(); FTable->Prior()) rows.push_back(CurrentRow());
    return rows;
  }

  std::vector<TRow> DumpedRows(const std::string& indexName) {
    std::vector<TRow> rows;
    for (const TDumpedRecord& record : Dump(indexName)) rows.push_back({record.RecNo, record.Text("ENG"), record.Text("HUN")});
    return rows;
  }
};


TEST_F(TableDatasetTest, WalksEachOrderForwardsAndBackwardsAsAnotherReaderReadsIt) {
  CreateDictionary(HungarianEntries());
  for (const char* index : {"HUN", "ENG", ""}) {
    SCOPED_TRACE(index);
    MakeComponents(U16(index));
    TDataSource source(FTable.get());
    TRowsLink grid(source, 7);
    FTable->Open();
    const std::vector<TRow> expected = DumpedRows(index);
    ASSERT_EQ(expected.size(), HungarianEntries().size());
    EXPECT_EQ(WalkForwards(), expected);
    std::vector<TRow> reversed(expected.rbegin(), expected.rend());
    EXPECT_EQ(WalkBackwards(), reversed);
    FTable->Close();
  }
}

TEST_F(TableDatasetTest, OpensOnTheFirstRecordOfItsIndexAndStopsAtTheEnds) {
  CreateDictionary(HungarianEntries());
  MakeComponents(u"HUN");
  FTable->Open();
  const std::vector<TRow> expected = DumpedRows("HUN");
  EXPECT_TRUE(FTable->Bof());
  EXPECT_EQ(CurrentRow(), expected.front());
  EXPECT_EQ(FTable->RecNo(), 1);

  EXPECT_EQ(FTable->MoveBy(1000), static_cast<int>(expected.size()) - 1);
  EXPECT_TRUE(FTable->Eof());
  EXPECT_EQ(FTable->OutOfTableState(), TOutOfTableState::ootEOT);
  EXPECT_EQ(CurrentRow(), expected.back());
  FTable->Prior();
  EXPECT_EQ(CurrentRow(), expected[expected.size() - 2]);
  FTable->Last();
  EXPECT_EQ(CurrentRow(), expected.back());
  EXPECT_EQ(FTable->RecNo(), static_cast<int32_t>(expected.size()));

  FTable->SetRecNo(5);
  EXPECT_EQ(CurrentRow(), expected[4]);
  FTable->SetRecordNo(expected[9].RecNo);
  EXPECT_EQ(CurrentRow(), expected[9]);
  EXPECT_THROW(FTable->SetRecordNo(999), framework::EDatabaseError);
  EXPECT_EQ(FTable->RecordCount(), static_cast<int32_t>(expected.size()));
}

TEST_F(TableDatasetTest, AnEmptyTableStandsBeforeTheFirstAndAfterTheLast) {
  CreateDictionary({});
  MakeComponents(u"HUN");
  FTable->Open();
  EXPECT_TRUE(FTable->IsEmpty());
  EXPECT_TRUE(FTable->Bof());
  EXPECT_TRUE(FTable->Eof());
  EXPECT_EQ(FTable->RecordNo(), -1);
  FTable->Next();
  EXPECT_TRUE(FTable->Eof());
  FTable->Last();
  EXPECT_TRUE(FTable->IsEmpty());
  EXPECT_TRUE(FTable->FieldByName(u"ENG").IsNull());
}

TEST_F(TableDatasetTest, FieldsOfEveryColumnTypeReadWhatTheFileHolds) {
  Tool({"create", Table("T"), "--level", "6", "C:Char", "S:String?:20", "SI:SmallInt?", "F:Float?:2", "B:Byte?",
        "BO:Boolean?", "D:Date?", "M:Memo?", "E:Enum?:red|green|blue", "T:Time?:3", "I:Integer?", "DT:DateTime?",
        "W:WideString?:30", "WM:WideMemo?", "BI:BigInt?", "G:Guid?", "BL:Blob?"});
  {
    std::ofstream tsv(FDir.File("t.tsv"), std::ios::binary);
    tsv << "C\tS\tSI\tF\tB\tBO\tD\tM\tE\tT\tI\tDT\tW\tWM\tBI\tG\tBL\n"
        << "x\tárvíz\t-12\t3.25\t200\ttrue\t2024-02-29\tmemo é\t2\t13:45:30.250\t-70000\t2001-09-09 01:46:40.500\t"
           "őű wide\twide memo ő\t-9000000000\t{01234567-89AB-CDEF-0123-456789ABCDEF}\tAAEC\n"
        << "y\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\n";
  }
  Tool({"import", Table("T"), FDir.File("t.tsv")});
  MakeComponents(u"", u"T");
  FTable->Open();

  struct TCase {
    const char16_t* Name;
    TFieldType Type;
    std::u16string Text;
  };
  const TCase cases[] = {
      {u"C", TFieldType::ftString, u"x"},
      {u"S", TFieldType::ftString, u"árvíz"},
      {u"SI", TFieldType::ftSmallint, u"-12"},
      {u"F", TFieldType::ftFloat, u"3.25"},
      {u"B", TFieldType::ftSmallint, u"200"},
      {u"BO", TFieldType::ftBoolean, u"True"},
      {u"D", TFieldType::ftDate, u"2024-02-29"},
      {u"E", TFieldType::ftWideString, u"green"},
      {u"T", TFieldType::ftTime, u"13:45:30.250"},
      {u"I", TFieldType::ftInteger, u"-70000"},
      {u"DT", TFieldType::ftDateTime, u"2001-09-09 01:46:40.500"},
      {u"W", TFieldType::ftWideString, u"őű wide"},
      {u"BI", TFieldType::ftLargeint, u"-9000000000"},
      {u"G", TFieldType::ftGuid, u"{01234567-89AB-CDEF-0123-456789ABCDEF}"},
      {u"M", TFieldType::ftMemo, u"memo é"},
      {u"WM", TFieldType::ftWideMemo, u"wide memo ő"},
      {u"BL", TFieldType::ftBlob, u"AAEC"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(U8(c.Name));
    framework::TField& field = FTable->FieldByName(c.Name);
    EXPECT_EQ(field.DataType(), c.Type);
    EXPECT_FALSE(field.IsNull());
    EXPECT_EQ(U8(field.AsString()), U8(c.Text));
  }
  EXPECT_EQ(FTable->FieldByName(u"DT").AsDateTime(), *framework::TryEncodeDate(2001, 9, 9) +
                                                        *framework::TryEncodeTime(1, 46, 40, 500));
  FTable->Next();
  for (const TCase& c : cases) {
    if (std::u16string_view(c.Name) == u"C") continue;
    EXPECT_TRUE(FTable->FieldByName(c.Name).IsNull()) << U8(c.Name);
  }
  EXPECT_EQ(U8(FTable->FieldByName(u"C").AsString()), "y");
  EXPECT_TRUE(FTable->FieldByName(u"C").Required());
  EXPECT_FALSE(FTable->FieldByName(u"S").Required());
}

TEST_F(TableDatasetTest, TheDescriptionReadsAsTheFileHoldsIt) {
  CreateDictionary(HungarianEntries());
  MakeComponents(u"ENG");
  FTable->Open();
  const std::vector<TDumpedRecord> expected = Dump("ENG");
  size_t at = 0;
  for (FTable->First(); !FTable->Eof(); FTable->Next(), ++at) {
    auto& memo = dynamic_cast<framework::TBlobField&>(FTable->FieldByName(u"LEIR"));
    ASSERT_LT(at, expected.size());
    if (expected[at].IsNull("LEIR")) {
      EXPECT_TRUE(memo.IsNull()) << at;
    } else {
      EXPECT_EQ(U8(memo.AsString()), expected[at].Text("LEIR")) << at;
    }
  }
}

TEST_F(TableDatasetTest, BookmarksFindTheirRecordsAndCompareInRecordOrder) {
  CreateDictionary(HungarianEntries());
  MakeComponents(u"HUN");
  FTable->Open();
  FTable->MoveBy(3);
  const TRow marked = CurrentRow();
  const framework::TBookmark bookmark = FTable->GetBookmark();
  ASSERT_EQ(bookmark.size(), 4u);
  FTable->Last();
  const framework::TBookmark last = FTable->GetBookmark();
  FTable->GotoBookmark(bookmark);
  EXPECT_EQ(CurrentRow(), marked);

  EXPECT_TRUE(FTable->BookmarkValid(bookmark));
  framework::TBookmark outside(4);
  int32_t tooFar = 999;
  std::memcpy(outside.data(), &tooFar, 4);
  EXPECT_FALSE(FTable->BookmarkValid(outside));
  EXPECT_FALSE(FTable->BookmarkValid({}));

  // In the dataset's order, whatever the record numbers say.
  ASSERT_GT(marked.RecNo, BookmarkRecNo(last));
  EXPECT_EQ(FTable->CompareBookmarks(bookmark, last), -1);
  EXPECT_EQ(FTable->CompareBookmarks(last, bookmark), 1);
  EXPECT_EQ(FTable->CompareBookmarks(bookmark, bookmark), 0);
  EXPECT_EQ(FTable->CompareBookmarks({}, bookmark), -1);
}

}  // namespace
}  // namespace vexilo::dataset::testing

namespace vexilo::dataset::testing {
namespace {

TEST_F(TableDatasetTest, RecordIdsAreReadOnlyNumbersAndLinksShowTheirRecord) {
  Tool({"create", Table("Colors"), "--level", "6", "ID:RecordId:1", "NAME:WideString:20"});
  {
    std::ofstream tsv(FDir.File("colors.tsv"), std::ios::binary);
    tsv << "NAME\nred\nblue\n";
  }
  Tool({"import", Table("Colors"), FDir.File("colors.tsv")});
  Tool({"create", Table("Things"), "--level", "6", "T:WideString:10", "C:Link?:Colors"});
  {
    std::ofstream tsv(FDir.File("things.tsv"), std::ios::binary);
    tsv << "T\tC\nball\t2\nbox\t\n";
  }
  Tool({"import", Table("Things"), FDir.File("things.tsv")});

  MakeComponents(u"", u"Colors");
  FTable->Open();
  framework::TField& id = FTable->FieldByName(u"ID");
  EXPECT_EQ(id.DataType(), TFieldType::ftAutoInc);
  EXPECT_FALSE(id.CanModify());
  FTable->Next();
  EXPECT_EQ(id.AsInteger(), 2);
  FTable->Close();

  FTable->SetTableName(u"Things");
  FTable->Open();  // opens the linked table too
  EXPECT_GT(api::VxbSessFindRltnHdl(FDatabase->SessionHdl(), u"Colors"), 0);
  framework::TField& link = FTable->FieldByName(u"C");
  EXPECT_EQ(link.DataType(), TFieldType::ftWideString);
  EXPECT_EQ(U8(link.AsString()), "(2)");  // Colors names no columns that describe a record
  FTable->Next();
  EXPECT_TRUE(link.IsNull());
}

TEST_F(TableDatasetTest, ClosingGivesTheCursorBack) {
  CreateDictionary(HungarianEntries());
  MakeComponents(u"HUN");
  FTable->Open();
  const api::TVxbTableHdl cursor = FTable->TableHdl();
  ASSERT_GT(cursor, 0);
  FTable->Close();
  EXPECT_EQ(FTable->TableHdl(), 0);
  EXPECT_EQ(api::VxbTableGetRecNo(cursor), -101);
  const api::TVxbSessHdl session = FDatabase->SessionHdl();
  FDatabase.reset();
  EXPECT_EQ(api::VxbSessIsSingleFile(session), -105);
}

}  // namespace
}  // namespace vexilo::dataset::testing
