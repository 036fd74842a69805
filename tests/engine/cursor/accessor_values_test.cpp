// Column values and contents through an accessor: reference holders that
// read the record in place, typed and text access with the refusals of
// required columns and out-of-range values, and Memo, Blob and WideMemo
// contents read and set in chunks or whole, pending until the post.
#include <cstring>
#include <functional>

#include "engine/errors/error_codes.h"
#include "engine/types/column_type.h"
#include "tests/engine/cursor/accessor_fixture.h"

namespace vexilo::cursor::testing {
namespace {

using storage::testing::Spec;

using AccessorValues = AccessorFixture;

TEST_F(AccessorValues, AFieldHolderReadsTheCurrentRecordInPlace) {
  TVxbAccessor& accessor = NewAccessor();
  const types::TVxbDataValue& eng = accessor.GetField(kEng);
  const types::TVxbDataType& type = *accessor.GetDataType(kEng);
  ASSERT_TRUE(eng.IsReference());
  accessor.SetCurrentRecordNo(1);
  ASSERT_EQ(accessor.UpdateRecBuf(), 0) << Error();
  EXPECT_EQ(type.GetWideString(eng), u"apple");
  accessor.SetCurrentRecordNo(3);
  ASSERT_EQ(accessor.UpdateRecBuf(), 0);
  EXPECT_EQ(type.GetWideString(eng), u"plum");
  // A memo column has no holder on the record: its content is elsewhere.
  EXPECT_TRUE(accessor.GetField(kLeir).IsEmpty());
  EXPECT_TRUE(accessor.GetField(99).IsEmpty());
}

TEST_F(AccessorValues, ValuesAreReadAndWrittenInTheCallersType) {
  TVxbAccessor& accessor = NewAccessor();
  accessor.SetCurrentRecordNo(2);
  const types::TVxbDataType& wide = *accessor.GetDataType(kHun);
  types::TVxbDataValue value;
  ASSERT_EQ(accessor.GetValue(kHun, value, wide), 0) << Error();
  EXPECT_FALSE(value.IsReference()) << "a value handed out owns its bytes";
  EXPECT_EQ(wide.GetWideString(value), u"körte");
  ASSERT_EQ(accessor.GetValue(kLeir, value, wide), 0) << Error();
  EXPECT_EQ(wide.GetWideString(value), u"");

  ASSERT_EQ(accessor.Edit(), 0);
  wide.SetWideString(value, u"vadkörte");
  ASSERT_EQ(accessor.SetValue(kHun, value, wide), 0) << Error();
  ASSERT_EQ(accessor.SetValue(kLeir, value, wide), 0) << Error();
  ASSERT_EQ(accessor.Post(), 0) << Error();
  EXPECT_EQ(Read(*Table, 2), (Row{2, u"pear", u"vadkörte", u"vadkörte"}));
  ExpectIndexesMatchRecords(*Table);
}

TEST_F(AccessorValues, ReadingAContentThatWasNotSetLeavesNoEntryBehind) {
  TVxbAccessor& accessor = NewAccessor();
  accessor.SetCurrentRecordNo(1);
  int32_t blobType = -1;
  EXPECT_EQ(accessor.InitGetBlob(kLeir, 0, blobType), 2 * 8);  // "gyümölcs"
  EXPECT_EQ(blobType, 0);
  char16_t chunk[3] = {};
  ASSERT_EQ(accessor.GetBlobChunk(4, 6, chunk), 0);
  EXPECT_EQ(std::u16string(chunk, 3), u"ümö");
  accessor.DoneGetBlob();
  EXPECT_FALSE(accessor.HasPendingBlob(kLeir));
  ASSERT_EQ(accessor.Edit(), 0);
  EXPECT_FALSE(accessor.HasPendingBlob(kLeir)) << "the read made no pending content";
  EXPECT_EQ(accessor.InitGetBlob(kEng, 0, blobType), -errors::vxbErrNotABlobField);
}

TEST_F(AccessorValues, WideMemoChunksLandOnWholeCharacters) {
  TVxbAccessor& accessor = NewAccessor();
  accessor.SetCurrentRecordNo(2);
  ASSERT_EQ(accessor.Edit(), 0);
  ASSERT_EQ(accessor.InitSetBlob(kLeir, 7), 0);  // 3 characters
  const char16_t text[] = u"abc";
  ASSERT_EQ(accessor.SetBlobChunk(0, 6, text), 0);
  const char16_t z = u'Z';
  ASSERT_EQ(accessor.SetBlobChunk(3, 2, &z), 0);  // byte 3 is in character 1
  ASSERT_EQ(accessor.SetBlobChunk(4, 40, text), 0);  // cut at the end of the content
  accessor.DoneSetBlob();
  EXPECT_EQ(accessor.GetBlobSize(kLeir), 6);
  EXPECT_EQ(Text(accessor, kLeir), u"aZa");
  std::u16string cut;
  ASSERT_EQ(accessor.GetWideMemo(kLeir, cut, 2), 0);
  EXPECT_EQ(cut, u"aZ");
  ASSERT_EQ(accessor.Post(), 0) << Error();
  EXPECT_EQ(Read(*Table, 2).Leir, u"aZa");
}

TEST_F(AccessorValues, ReadingAnotherContentDuringAnAppendKeepsThePendingOnes) {
  TVxbAccessor& accessor = NewAccessor();
  ASSERT_EQ(accessor.Append(), 0);
  ASSERT_EQ(accessor.SetWideMemo(kLeir, u"megmarad"), 0);
  // A read of the record while appending re-initialises the current buffer
  // of record 0; the description set for the new record stays.
  accessor.InvalidateRecBuf();
  ASSERT_EQ(accessor.UpdateRecBuf(), 0);
  ASSERT_EQ(accessor.Post(), 0) << Error();
  EXPECT_EQ(Read(*Table, 4).Leir, u"megmarad");
}

// --- a table with Memo, Blob and typed columns ---

class AccessorColumns : public AccessorFixture {
 protected:
  static constexpr int kCount = 1;  // SmallInt, required
  static constexpr int kNote = 2;   // Integer, nullable
  static constexpr int kMemo = 3;
  static constexpr int kData = 4;  // Blob
  static constexpr int kName = 5;  // String(10)

  void SetUp() override {
    AccessorFixture::SetUp();
    auto table = MakeTable(u"Mixed.vxbt");
    ASSERT_GT(table->AddColumn(Spec(u"COUNT", types::vxbSmallInt)), 0) << Error();
    ASSERT_GT(table->AddColumn(Spec(u"NOTE", types::vxbInteger, 0, true)), 0) << Error();
    ASSERT_GT(table->AddColumn(Spec(u"MEMO", types::vxbMemo)), 0) << Error();
    ASSERT_GT(table->AddColumn(Spec(u"DATA", types::vxbBlob)), 0) << Error();
    ASSERT_GT(table->AddColumn(Spec(u"NAME", types::vxbString, 10, true)), 0) << Error();
    ASSERT_EQ(table->NewFile({}, {}, {}), 0) << Error();
    ASSERT_EQ(table->Setup(false), 0) << Error();
    Mixed = std::move(table);
    Accessor = std::make_unique<TVxbAccessor>(*Mixed, u"Mixed", kShortTimeout);
  }
  void TearDown() override {
    Accessor.reset();
    Mixed->Close();
    AccessorFixture::TearDown();
  }

  std::unique_ptr<storage::TVxbBaseTable> Mixed;
  std::unique_ptr<TVxbAccessor> Accessor;
};

TEST_F(AccessorColumns, RequiredColumnsAndOutOfRangeValuesAreRefusedWithTheirNumbers) {
  ASSERT_EQ(Accessor->Append(), 0) << Error();
  const types::TVxbDataType& integer = *Accessor->GetDataType(kNote);
  types::TVxbDataValue null;
  integer.SetNull(null);
  struct Case {
    const char* What;
    std::function<int16_t()> Call;
    int16_t Error;
    std::u16string InMessage;
  };
  const Case cases[] = {
      {"null into a required column", [&] { return Accessor->PutFieldValue(kCount, null, integer); },
       errors::vxbErrNullNotAccepted, u"COUNT"},
      {"undefined text into a required column", [&] { return Accessor->SetAsStringW(kCount, u"", true); },
       errors::vxbErrNullNotAccepted, u"COUNT"},
      {"a number beyond SmallInt", [&] { return Accessor->SetAsStringW(kCount, u"40000", false); },
       errors::vxbErrValueRange, u"40000"},
      {"a text that is no number", [&] { return Accessor->SetAsStringW(kCount, u"sok", false); },
       errors::vxbErrPlainMessage, u""},
      {"a column that does not exist", [&] { return Accessor->SetAsStringW(9, u"1", false); },
       errors::vxbErrNotADataField, u"9"},
      {"a content read of a number column", [&] {
         int32_t blobType = 0;
         return static_cast<int16_t>(Accessor->InitGetBlob(kCount, 0, blobType));
       },
       errors::vxbErrNotABlobField, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    Services.ClearLastError();
    EXPECT_EQ(c.Call(), -c.Error);
    EXPECT_EQ(Services.LastErrorCode(), c.Error);
    EXPECT_NE(Services.LastErrorMsg().find(c.InMessage), std::u16string::npos) << Error();
  }
  // A null into the nullable column is taken, and the record posts.
  EXPECT_EQ(Accessor->PutFieldValue(kNote, null, integer), 0) << Error();
  EXPECT_EQ(Accessor->SetAsStringW(kCount, u"7", false), 0) << Error();
  ASSERT_EQ(Accessor->Post(), 0) << Error();
  std::u16string text;
  EXPECT_EQ(Accessor->GetAsString(kNote, text), 0);
  EXPECT_EQ(Accessor->GetAsString(kCount, text), 1);
  EXPECT_EQ(text, u"7");
}

TEST_F(AccessorColumns, MemoContentsAreCutToMaxLenAndReportTheirPresence) {
  ASSERT_EQ(Accessor->Append(), 0);
  std::string memo;
  EXPECT_EQ(Accessor->GetAsString(kMemo, memo), 0) << "no content yet";
  ASSERT_EQ(Accessor->SetMemo(kMemo, "0123456789"), 0);
  EXPECT_EQ(Accessor->GetAsString(kMemo, memo), 1);
  ASSERT_EQ(Accessor->Post(), 0) << Error();
  const struct {
    int32_t MaxLen;
    std::string Expected;
  } cases[] = {{5, "01234"}, {-1, "0123456789"}, {0, ""}, {50, "0123456789"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.MaxLen);
    EXPECT_EQ(Accessor->GetMemo(kMemo, memo, c.MaxLen), 0);
    EXPECT_EQ(memo, c.Expected);
  }
  EXPECT_EQ(Accessor->GetBlobSize(kMemo), 10);
}

TEST_F(AccessorColumns, ABlobKeepsItsTypeInFrontOfItsData) {
  ASSERT_EQ(Accessor->Append(), 0);
  ASSERT_EQ(Accessor->SetAsStringW(kCount, u"1", false), 0);
  const std::string content("\x05\x01" "bytes", 7);
  ASSERT_EQ(Accessor->SetBlob(kData, content), 0);
  EXPECT_EQ(Accessor->GetBlobType(kData), 0x105);
  EXPECT_EQ(Accessor->GetBlobSize(kData), 7);
  ASSERT_EQ(Accessor->Post(), 0) << Error();

  int32_t blobType = 0;
  EXPECT_EQ(Accessor->InitGetBlob(kData, 0, blobType), 5);
  EXPECT_EQ(blobType, 0x105);
  char data[5] = {};
  Accessor->GetBlobChunk(0, 5, data);
  Accessor->DoneGetBlob();
  EXPECT_EQ(std::string(data, 5), "bytes");
  std::string blob;
  ASSERT_EQ(Accessor->GetBlob(kData, blob), 0);
  EXPECT_EQ(blob, content);
  ASSERT_EQ(Accessor->GetBlob(kData, blob, 3), 0);
  EXPECT_EQ(blob, content.substr(0, 3)) << "the type counts toward MaxLen";
  EXPECT_EQ(Accessor->GetBlobType(kData), 0x105);
}

TEST_F(AccessorColumns, ACopyOfAnAppendedRecordMarksItsPendingContentsAndTheMarksNeverReachTheTable) {
  ASSERT_EQ(Accessor->Append(), 0);
  ASSERT_EQ(Accessor->SetAsStringW(kCount, u"3", false), 0);
  ASSERT_EQ(Accessor->SetMemo(kMemo, "set"), 0);
  std::vector<uint8_t> copy(static_cast<size_t>(Accessor->RecordSize()));
  Accessor->GetRecord(copy.data());
  Accessor->MarkPendingContents(copy.data());
  EXPECT_EQ(Mixed->GetBlockIdx(copy.data(), kMemo), -1);
  EXPECT_EQ(Mixed->GetBlockIdx(copy.data(), kData), 0) << "no content set for the blob";

  Accessor->SetRecord(copy.data());
  Accessor->ClearContentMarks();
  int32_t reference = -2;
  EXPECT_FALSE(Accessor->ReadInt32(kMemo, reference));
  EXPECT_EQ(reference, 0);
  ASSERT_EQ(Accessor->Post(), 0) << Error();
  EXPECT_TRUE(Accessor->ReadInt32(kMemo, reference));
  EXPECT_GT(reference, 0);
  std::string memo;
  ASSERT_EQ(Accessor->GetMemo(kMemo, memo), 0);
  EXPECT_EQ(memo, "set");
}

TEST_F(AccessorColumns, NarrowAndWideTextsOfStringAndMemoColumns) {
  ASSERT_EQ(Accessor->Append(), 0);
  ASSERT_EQ(Accessor->SetAsStringW(kCount, u"2", false), 0);
  ASSERT_EQ(Accessor->SetAsStringW(kName, u"Ábel", false), 0) << Error();
  ASSERT_EQ(Accessor->SetAsStringW(kMemo, u"café", false), 0) << Error();
  ASSERT_EQ(Accessor->Post(), 0) << Error();
  std::u16string wide;
  EXPECT_EQ(Accessor->GetAsString(kName, wide), 1);
  EXPECT_EQ(wide, u"Ábel");
  EXPECT_EQ(Accessor->GetAsString(kMemo, wide), 1);
  EXPECT_EQ(wide, u"café");
  std::string narrow;
  EXPECT_EQ(Accessor->GetAsString(kName, narrow), 1);
  EXPECT_EQ(narrow, "\xC1" "bel") << "code page 1252";
  ASSERT_EQ(Accessor->Edit(), 0);
  ASSERT_EQ(Accessor->SetAsStringW(kName, u"", true), 0) << Error();
  ASSERT_EQ(Accessor->Post(), 0) << Error();
  EXPECT_EQ(Accessor->GetAsString(kName, wide), 0) << "null";
}

}  // namespace
}  // namespace vexilo::cursor::testing
