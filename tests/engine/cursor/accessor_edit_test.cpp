// The accessor's edit cycle on the dictionary table: appends, edits, posts,
// cancels and deletes with their WideMemo contents, the indexes kept, the
// record edit lock between accessors, and the refusals with their numbers.
#include <cstring>

#include "engine/errors/error_codes.h"
#include "tests/engine/cursor/accessor_fixture.h"

namespace vexilo::cursor::testing {
namespace {

using AccessorEdit = AccessorFixture;

TEST_F(AccessorEdit, AnAppendedRecordIsStoredWithItsDescriptionAndIndexed) {
  TVxbAccessor& accessor = NewAccessor();
  ASSERT_EQ(accessor.Append(), 0) << Error();
  EXPECT_EQ(accessor.EditState(), esAppend);
  EXPECT_EQ(accessor.CurrentRecordNo(), 0);
  ASSERT_EQ(accessor.SetAsStringW(kEng, u"cherry", false), 0) << Error();
  ASSERT_EQ(accessor.SetAsStringW(kHun, u"cseresznye", false), 0) << Error();
  ASSERT_EQ(accessor.SetWideMemo(kLeir, u"piros ő ű"), 0) << Error();
  // Before the post the new record is only the accessor's.
  EXPECT_EQ(Table->GetRecordCount(), 3);
  EXPECT_EQ(Text(accessor, kLeir), u"piros ő ű");

  ASSERT_EQ(accessor.Post(), 0) << Error();
  EXPECT_EQ(accessor.EditState(), esBrowse);
  EXPECT_EQ(accessor.CurrentRecordNo(), 4);
  EXPECT_EQ(Read(*Table, 4), (Row{4, u"cherry", u"cseresznye", u"piros ő ű"}));
  EXPECT_EQ(Shown(accessor), Read(*Table, 4));
  ExpectIndexesMatchRecords(*Table);
}

TEST_F(AccessorEdit, AnEditedRecordKeepsItsIndexesAndGetsItsNewDescription) {
  TVxbAccessor& accessor = NewAccessor();
  accessor.SetCurrentRecordNo(2);
  ASSERT_EQ(accessor.Edit(), 0) << Error();
  EXPECT_EQ(accessor.EditState(), esEdit);
  ASSERT_EQ(accessor.SetAsStringW(kEng, u"zucchini", false), 0) << Error();
  ASSERT_EQ(accessor.SetWideMemo(kLeir, u"zöldség"), 0) << Error();
  // Reads go to the work record: the new values show before the post, the
  // stored record is still the old one.
  EXPECT_EQ(Text(accessor, kEng), u"zucchini");
  EXPECT_EQ(Text(accessor, kLeir), u"zöldség");
  EXPECT_EQ(Read(*Table, 2).Eng, u"pear");

  ASSERT_EQ(accessor.Post(), 0) << Error();
  EXPECT_EQ(Read(*Table, 2), (Row{2, u"zucchini", u"körte", u"zöldség"}));
  EXPECT_EQ(Shown(accessor), Read(*Table, 2));
  ExpectIndexesMatchRecords(*Table);
  // The edit lock went with the post: another accessor may edit the record.
  EXPECT_EQ(NewAccessor().Edit(), -errors::vxbErrRecordNotFound) << "stands before the first record";
  TVxbAccessor& other = NewAccessor();
  other.SetCurrentRecordNo(2);
  EXPECT_EQ(other.Edit(), 0) << Error();
}

TEST_F(AccessorEdit, CancelledChangesAndDescriptionsLeaveNothingBehind) {
  TVxbAccessor& accessor = NewAccessor();
  accessor.SetCurrentRecordNo(1);
  ASSERT_EQ(accessor.Edit(), 0) << Error();
  ASSERT_EQ(accessor.SetWideMemo(kLeir, u"új leírás"), 0);
  ASSERT_EQ(accessor.SetAsStringW(kHun, u"almafa", false), 0);
  EXPECT_TRUE(accessor.HasPendingBlob(kLeir));
  ASSERT_EQ(accessor.Cancel(), 0);

  EXPECT_EQ(accessor.EditState(), esBrowse);
  EXPECT_FALSE(accessor.HasPendingBlob(kLeir));
  EXPECT_EQ(Shown(accessor), (Row{1, u"apple", u"alma", u"gyümölcs"}));
  EXPECT_EQ(Read(*Table, 1), (Row{1, u"apple", u"alma", u"gyümölcs"}));
  // An append that is cancelled after its description was set leaves the
  // table as it was, and the next append posts no stale description.
  ASSERT_EQ(accessor.Append(), 0);
  ASSERT_EQ(accessor.SetWideMemo(kLeir, u"elvetett"), 0);
  ASSERT_EQ(accessor.Cancel(), 0);
  EXPECT_EQ(accessor.CurrentRecordNo(), 1);
  ASSERT_EQ(accessor.Append(), 0);
  ASSERT_EQ(accessor.SetAsStringW(kEng, u"fig", false), 0);
  ASSERT_EQ(accessor.Post(), 0) << Error();
  EXPECT_EQ(Read(*Table, 4).Leir, u"");
  EXPECT_EQ(Table->GetRecordCount(), 4);
}

TEST_F(AccessorEdit, ACancelledAppendGivesItsRecordIdBack) {
  TVxbAccessor& accessor = NewAccessor();
  ASSERT_EQ(accessor.Append(), 0);
  const int32_t reserved = accessor.GetRecordId();
  EXPECT_EQ(reserved, 4);
  ASSERT_EQ(accessor.Cancel(), 0);
  ASSERT_EQ(accessor.Append(), 0);
  EXPECT_EQ(accessor.GetRecordId(), reserved);
  ASSERT_EQ(accessor.Post(), 0) << Error();
  EXPECT_EQ(Read(*Table, 4).Id, reserved);
}

TEST_F(AccessorEdit, AnIdSetAboveTheReservedOneMovesTheNextIdPastIt) {
  TVxbAccessor& accessor = NewAccessor();
  ASSERT_EQ(accessor.Append(), 0);
  accessor.SetRecordId(50);
  ASSERT_EQ(accessor.Post(), 0) << Error();
  ASSERT_EQ(accessor.Append(), 0);
  EXPECT_EQ(accessor.GetRecordId(), 51);
}

TEST_F(AccessorEdit, DeletingARecordMovesTheLastIntoItsNumberAndKeepsTheIndexes) {
  TVxbAccessor& deleter = NewAccessor();
  TVxbAccessor& onLast = NewAccessor();
  onLast.SetCurrentRecordNo(3);
  const Row last = Shown(onLast);
  deleter.SetCurrentRecordNo(1);
  ASSERT_EQ(deleter.DeleteRecord(), 0) << Error();

  EXPECT_EQ(Table->GetRecordCount(), 2);
  ExpectIndexesMatchRecords(*Table);
  // The accessor on the moved record follows it to its new number.
  EXPECT_EQ(onLast.CurrentRecordNo(), 1);
  EXPECT_EQ(Shown(onLast), last);
  // The deleting accessor stands on the record that followed the deleted one.
  EXPECT_TRUE(deleter.RecordDeleted());
  EXPECT_EQ(deleter.CurrentRecordNo(), 2);
  EXPECT_EQ(Shown(deleter).Eng, u"pear");
}

TEST_F(AccessorEdit, DeletingTheLastRecordsLeavesTheAccessorOnTheNewLastThenBeforeTheFirst) {
  TVxbAccessor& accessor = NewAccessor();
  accessor.SetCurrentRecordNo(3);
  ASSERT_EQ(accessor.DeleteRecord(), 0) << Error();
  EXPECT_EQ(accessor.CurrentRecordNo(), 2);
  ASSERT_EQ(accessor.DeleteRecord(), 0) << Error();
  ASSERT_EQ(accessor.DeleteRecord(), 0) << Error();
  EXPECT_EQ(accessor.CurrentRecordNo(), -1);
  EXPECT_EQ(Table->GetRecordCount(), 0);
  EXPECT_EQ(accessor.DeleteRecord(), -errors::vxbErrRecordNotFound);
  ExpectIndexesMatchRecords(*Table);
}

TEST_F(AccessorEdit, ARecordEditedByOneAccessorIsRefusedToAnotherAfterTheTimeout) {
  TVxbAccessor& first = NewAccessor();
  TVxbAccessor& second = NewAccessor();
  first.SetCurrentRecordNo(1);
  second.SetCurrentRecordNo(1);
  ASSERT_EQ(first.Edit(), 0) << Error();
  EXPECT_EQ(second.Edit(), -errors::vxbErrRecordLocked);
  EXPECT_EQ(Services.LastErrorCode(), errors::vxbErrRecordLocked);
  EXPECT_EQ(second.EditState(), esBrowse);
  // The table refuses to delete the record under the edit.
  EXPECT_EQ(second.DeleteRecord(), -errors::vxbErrRecordLocked);
  EXPECT_EQ(Table->GetRecordCount(), 3);
  ASSERT_EQ(first.Cancel(), 0);
  EXPECT_EQ(second.Edit(), 0) << Error();
}

TEST_F(AccessorEdit, PostingAfterMovingOffTheEditedRecordIsRefusedAndTheEditStays) {
  TVxbAccessor& accessor = NewAccessor();
  accessor.SetCurrentRecordNo(1);
  ASSERT_EQ(accessor.Edit(), 0);
  ASSERT_EQ(accessor.SetWideMemo(kLeir, u"megmarad"), 0);
  accessor.SetCurrentRecordNo(2);
  EXPECT_EQ(accessor.Post(), -errors::vxbErrRecordNotFound);
  EXPECT_EQ(accessor.EditState(), esEdit);
  // The pending description belongs to record 1, not to the record shown.
  EXPECT_EQ(Text(accessor, kLeir), u"");
  accessor.SetCurrentRecordNo(1);
  EXPECT_EQ(Text(accessor, kLeir), u"megmarad");
  ASSERT_EQ(accessor.Cancel(), 0);
  TVxbAccessor& other = NewAccessor();
  other.SetCurrentRecordNo(1);
  EXPECT_EQ(other.Edit(), 0) << "Cancel released the edit lock";
}

TEST_F(AccessorEdit, AFailedPostKeepsTheEditItsContentsAndItsLock) {
  ASSERT_GE(Table->NewIndex(u"EngUnique", u"ENG", true), 0) << Error();
  TVxbAccessor& accessor = NewAccessor();
  accessor.SetCurrentRecordNo(2);
  ASSERT_EQ(accessor.Edit(), 0);
  ASSERT_EQ(accessor.SetAsStringW(kEng, u"apple", false), 0);
  ASSERT_EQ(accessor.SetWideMemo(kLeir, u"második"), 0);
  EXPECT_EQ(accessor.Post(), -errors::vxbErrNotUnique);
  EXPECT_EQ(accessor.EditState(), esEdit);
  EXPECT_TRUE(accessor.HasPendingBlob(kLeir));
  TVxbAccessor& other = NewAccessor();
  other.SetCurrentRecordNo(2);
  EXPECT_EQ(other.Edit(), -errors::vxbErrRecordLocked);

  ASSERT_EQ(accessor.SetAsStringW(kEng, u"peach", false), 0);
  ASSERT_EQ(accessor.Post(), 0) << Error();
  EXPECT_EQ(Read(*Table, 2), (Row{2, u"peach", u"körte", u"második"}));
  ExpectIndexesMatchRecords(*Table);
  EXPECT_EQ(other.Edit(), 0);
}

TEST_F(AccessorEdit, AnEmptyDescriptionClearsTheStoredOne) {
  TVxbAccessor& accessor = NewAccessor();
  accessor.SetCurrentRecordNo(1);
  ASSERT_EQ(accessor.Edit(), 0);
  ASSERT_EQ(accessor.SetBlob(kLeir, {}), 0);
  EXPECT_TRUE(accessor.HasPendingBlob(kLeir));
  ASSERT_EQ(accessor.Post(), 0) << Error();
  EXPECT_EQ(Read(*Table, 1).Leir, u"");
  std::vector<uint8_t> rec = Buffer(*Table);
  ASSERT_EQ(Table->ReadRecord(1, rec.data()), 0);
  EXPECT_EQ(Table->GetBlockIdx(rec.data(), kLeir), 0);
  std::u16string text;
  EXPECT_EQ(accessor.GetAsString(kLeir, text), 0);
}

TEST_F(AccessorEdit, AppendDuplicateCopiesTheValuesAndDescriptionButNotTheId) {
  TVxbAccessor& accessor = NewAccessor();
  accessor.SetCurrentRecordNo(3);
  ASSERT_EQ(accessor.AppendDuplicate(), 0) << Error();
  EXPECT_EQ(accessor.GetRecordId(), 4);
  EXPECT_EQ(Text(accessor, kLeir), u"kék gyümölcs");
  ASSERT_EQ(accessor.Post(), 0) << Error();
  EXPECT_EQ(Read(*Table, 4), (Row{4, u"plum", u"szilva", u"kék gyümölcs"}));
  // The copy has a chain of its own: deleting the original keeps it.
  accessor.SetCurrentRecordNo(3);
  ASSERT_EQ(accessor.DeleteRecord(), 0);
  EXPECT_EQ(Read(*Table, 3).Leir, u"kék gyümölcs");
  ExpectIndexesMatchRecords(*Table);
}

TEST_F(AccessorEdit, WriteToAppendsAndReplacesOutsideTheEditCycle) {
  TVxbAccessor& accessor = NewAccessor();
  ASSERT_EQ(accessor.InitRecord(true), 0) << Error();
  ASSERT_EQ(accessor.SetAsStringW(kEng, u"grape", false), 0);
  ASSERT_EQ(accessor.SetWideMemo(kLeir, u"szőlő"), 0);
  ASSERT_EQ(accessor.WriteTo(0), 0) << Error();
  EXPECT_EQ(Read(*Table, 4), (Row{4, u"grape", u"", u"szőlő"}));
  // The same record written over record 2 (under an id of its own): the
  // description went with the first write, and record 2 does not take over
  // record 4's chain.
  accessor.SetRecordId(2);
  ASSERT_EQ(accessor.WriteTo(2), 0) << Error();
  EXPECT_EQ(Read(*Table, 2), (Row{2, u"grape", u"", u""}));
  EXPECT_EQ(accessor.WriteTo(9), -errors::vxbErrRecordNotFound);
  ExpectIndexesMatchRecords(*Table);
  TVxbAccessor& deleter = NewAccessor();
  deleter.SetCurrentRecordNo(2);
  ASSERT_EQ(deleter.DeleteRecord(), 0) << Error();
  EXPECT_EQ(Read(*Table, 2), (Row{4, u"grape", u"", u"szőlő"}));
}

TEST_F(AccessorEdit, ARecordCopiedInWithItsDescriptionReferenceDoesNotShareTheChain) {
  TVxbAccessor& source = NewAccessor();
  source.SetCurrentRecordNo(1);
  std::vector<uint8_t> copy = Buffer(*Table);
  source.GetRecord(copy.data());
  TVxbAccessor& accessor = NewAccessor();
  ASSERT_EQ(accessor.Append(), 0);
  const int32_t id = accessor.GetRecordId();
  accessor.SetRecord(copy.data());
  accessor.SetRecordId(id);
  ASSERT_EQ(accessor.Post(), 0) << Error();
  EXPECT_EQ(Read(*Table, 4), (Row{4, u"apple", u"alma", u""}));
  source.SetCurrentRecordNo(4);
  ASSERT_EQ(source.DeleteRecord(), 0) << Error();
  EXPECT_EQ(Read(*Table, 1).Leir, u"gyümölcs");
}

// --- refusals ---

TEST_F(AccessorEdit, WithoutRightsAppendEditAndDeleteAreRefusedAndNothingChanges) {
  struct Case {
    uint16_t Rights;
    int16_t (TVxbAccessor::*Operation)();
    int16_t Error;
  };
  const Case cases[] = {
      {storage::kRightEdit | storage::kRightDelete, &TVxbAccessor::Append, errors::vxbErrPermission},
      {storage::kRightEdit | storage::kRightDelete, &TVxbAccessor::AppendDuplicate, errors::vxbErrPermission},
      {storage::kRightAppend | storage::kRightDelete, &TVxbAccessor::Edit, errors::vxbErrNoWritePermission},
      {storage::kRightAppend | storage::kRightEdit, &TVxbAccessor::DeleteRecord, errors::vxbErrPermission},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Error);
    Table->SetRights(c.Rights);
    TVxbAccessor& accessor = NewAccessor();
    accessor.SetCurrentRecordNo(2);
    Services.ClearLastError();
    EXPECT_EQ((accessor.*c.Operation)(), -c.Error);
    EXPECT_EQ(Services.LastErrorCode(), c.Error);
    EXPECT_EQ(accessor.EditState(), esBrowse);
    EXPECT_EQ(accessor.CurrentRecordNo(), 2);
    EXPECT_EQ(Table->GetRecordCount(), 3);
  }
}

TEST_F(AccessorEdit, PostingAnAppendIsRefusedWhenTheAppendRightWentMeanwhile) {
  TVxbAccessor& accessor = NewAccessor();
  ASSERT_EQ(accessor.Append(), 0);
  Table->SetRights(storage::kRightEdit);
  EXPECT_EQ(accessor.Post(), -errors::vxbErrPermission);
  EXPECT_EQ(accessor.EditState(), esAppend);
  Table->SetRights(storage::testing::kSharedForTest);
  EXPECT_EQ(accessor.Post(), 0) << Error();
}

TEST_F(AccessorEdit, PostingWhileBrowsingIsRefused) {
  TVxbAccessor& accessor = NewAccessor();
  accessor.SetCurrentRecordNo(1);
  EXPECT_EQ(accessor.Post(), -errors::vxbErrRecordNotFound);
}

}  // namespace
}  // namespace vexilo::cursor::testing
