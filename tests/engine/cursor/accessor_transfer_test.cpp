// Accessors working with each other on the dictionary table: exchanging
// record buffers, taking over another accessor's record and edit, clones,
// and copying records column by column (same numbers, mapped pairs, through
// texts).
#include <functional>
#include <memory>
#include <vector>

#include "engine/errors/error_codes.h"
#include "tests/engine/cursor/accessor_fixture.h"

namespace vexilo::cursor::testing {
namespace {

class AccessorTransfer : public AccessorFixture {
 protected:
  // The stored bytes of record `recNo`.
  std::vector<uint8_t> StoredRecord(int32_t recNo) {
    std::vector<uint8_t> record(static_cast<size_t>(Table->GetRecordSize()));
    EXPECT_EQ(Table->ReadRecord(recNo, record.data()), 0) << Error();
    return record;
  }

  static TVxbTransferVector Pairs(std::initializer_list<std::pair<int16_t, int16_t>> pairs) {
    TVxbTransferVector vector;
    for (const auto& [source, target] : pairs) vector.Add(source, target);
    return vector;
  }
};

TEST_F(AccessorTransfer, ASwitchedBufferIsTheRecordUntilItIsPutBack) {
  TVxbAccessor& accessor = NewAccessor();
  accessor.SetCurrentRecordNo(1);
  ASSERT_EQ(Shown(accessor).Eng, u"apple");

  std::vector<uint8_t> buffer = StoredRecord(3);
  accessor.SwitchRecBuffer(buffer);
  EXPECT_TRUE(accessor.RecBufUpdated());
  EXPECT_EQ(Text(accessor, kEng), u"plum");
  EXPECT_EQ(buffer, StoredRecord(1)) << "the replaced buffer comes back to the caller";

  accessor.UnswitchRecBuffer(buffer);
  EXPECT_FALSE(accessor.RecBufUpdated());
  EXPECT_EQ(Text(accessor, kEng), u"apple");
  EXPECT_EQ(buffer, StoredRecord(3));

  // While a record is edited the work buffer is the one exchanged.
  ASSERT_EQ(accessor.Edit(), 0) << Error();
  ASSERT_EQ(accessor.SetAsStringW(kHun, u"piros alma", false), 0);
  buffer = StoredRecord(2);
  accessor.SwitchRecBuffer(buffer);
  EXPECT_EQ(Text(accessor, kEng), u"pear");
  accessor.UnswitchRecBuffer(buffer);
  EXPECT_EQ(Text(accessor, kHun), u"piros alma");
  ASSERT_EQ(accessor.Cancel(), 0);
}

TEST_F(AccessorTransfer, TakeOverCopiesTheRecordAndWithCopyAlsoTheAppendInProgress) {
  TVxbAccessor& source = NewAccessor();
  source.SetCurrentRecordNo(3);
  source.InvalidateRecBuf();

  TVxbAccessor& browser = NewAccessor();
  browser.TakeOver(source, tomIgnore);
  EXPECT_EQ(browser.CurrentRecordNo(), 3);
  EXPECT_EQ(Shown(browser), (Row{3, u"plum", u"szilva", u"kék gyümölcs"}));
  EXPECT_TRUE(source.RecBufUpdated()) << "the stale source is read before it is copied";

  ASSERT_EQ(source.Append(), 0) << Error();
  ASSERT_EQ(source.SetAsStringW(kEng, u"quince", false), 0);
  ASSERT_EQ(source.SetWideMemo(kLeir, u"sárga, kemény"), 0);
  TVxbAccessor& ignoring = NewAccessor();
  ignoring.TakeOver(source, tomIgnore);
  EXPECT_EQ(ignoring.EditState(), esBrowse);

  TVxbAccessor& editor = NewAccessor();
  editor.TakeOver(source, tomCopy);
  EXPECT_EQ(editor.EditState(), esAppend);
  EXPECT_EQ(Text(editor, kEng), u"quince");
  EXPECT_EQ(Text(editor, kLeir), u"sárga, kemény") << "pending contents are copied";
  ASSERT_EQ(editor.SetAsStringW(kHun, u"birsalma", false), 0);
  ASSERT_EQ(source.Cancel(), 0);
  ASSERT_EQ(editor.Post(), 0) << Error();
  EXPECT_EQ(Table->GetRecordCount(), 4);
  EXPECT_EQ(Read(*Table, 4), (Row{4, u"quince", u"birsalma", u"sárga, kemény"}));
  ExpectIndexesMatchRecords(*Table);
}

TEST_F(AccessorTransfer, AClonesStartsFreshOnTheSameRelation) {
  TVxbAccessor& source = NewAccessor();
  source.SetCurrentRecordNo(2);
  ASSERT_EQ(source.Edit(), 0) << Error();
  const std::unique_ptr<TVxbAccessor> clone = TVxbAccessor::CreateClone(source);
  EXPECT_EQ(&clone->Relation(), &source.Relation());
  EXPECT_EQ(clone->Tag(), u"");
  EXPECT_EQ(clone->LockingTimeout(), source.LockingTimeout());
  EXPECT_EQ(clone->CurrentRecordNo(), -1);
  EXPECT_EQ(clone->EditState(), esBrowse);
  ASSERT_EQ(source.Cancel(), 0);
}

TEST_F(AccessorTransfer, RecordsAreCopiedColumnByColumn) {
  TVxbAccessor& source = NewAccessor();
  source.SetCurrentRecordNo(3);
  struct TCase {
    const char* Name;
    std::function<int16_t(TVxbAccessor&)> Copy;
    Row Expected;  // the appended record 4
  };
  const std::vector<TCase> cases = {
      {"same numbers, new id", [&](TVxbAccessor& target) { return target.AssignRecordFrom(source, false); },
       Row{4, u"plum", u"szilva", u"kék gyümölcs"}},
      {"mapped pairs",
       [&](TVxbAccessor& target) {
         return target.AssignRecordFrom(source, Pairs({{kEng, kHun}, {kHun, kEng}, {kId, kId}}), false);
       },
       Row{5, u"szilva", u"plum", u""}},
      {"through texts",
       [&](TVxbAccessor& target) {
         return target.TransferRecordFrom(source, Pairs({{kLeir, kEng}, {kEng, kLeir}}));
       },
       Row{6, u"kék gyümölcs", u"", u"plum"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TVxbAccessor& target = NewAccessor();
    ASSERT_EQ(target.Append(), 0) << Error();
    ASSERT_EQ(c.Copy(target), 0) << Error();
    ASSERT_EQ(target.Post(), 0) << Error();
    EXPECT_EQ(Read(*Table, Table->GetRecordCount()), c.Expected);
  }
  EXPECT_EQ(Read(*Table, 3), (Row{3, u"plum", u"szilva", u"kék gyümölcs"})) << "the source is unchanged";
  ExpectIndexesMatchRecords(*Table);
}

TEST_F(AccessorTransfer, ACopyFromAColumnThatIsNotThereIsRefused) {
  TVxbAccessor& source = NewAccessor();
  source.SetCurrentRecordNo(1);
  TVxbAccessor& target = NewAccessor();
  ASSERT_EQ(target.Append(), 0) << Error();
  EXPECT_EQ(target.AssignRecordFrom(source, Pairs({{9, kEng}}), false), -errors::vxbErrNotADataField);
  EXPECT_EQ(target.TransferRecordFrom(source, Pairs({{kEng, 9}})), -errors::vxbErrNotADataField);
  ASSERT_EQ(target.Cancel(), 0);
}

}  // namespace
}  // namespace vexilo::cursor::testing
