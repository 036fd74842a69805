// The relation calls: what they tell of an open table and its indexes, what
// invalid relation handles give, closing a relation that is or is not in
// use, and creating, deleting and rebuilding indexes.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/api/calls/relation_calls.h"
#include "engine/api/calls/session_calls.h"
#include "engine/api/calls/table_calls.h"
#include "engine/api/local_session.h"
#include "engine/api/session_list.h"
#include "engine/cursor/accessor.h"
#include "tests/engine/api/calls/call_fixture.h"

namespace vexilo::api::testing {
namespace {

class RelationCallsTest : public CallFixture {
 protected:
  // The dictionary with two records, open in a session.
  void SetUp() override {
    CreateDictionary();
    {
      auto table = Open();
      ASSERT_GT(Append(*table, u"apple", u"alma"), 0) << Error();
      ASSERT_GT(Append(*table, u"pear", u"korte"), 0) << Error();
      ASSERT_EQ(table->Close(), 0);
    }
    Session = OpenSession();
    Relation = OpenDictionary(Session);
  }
  TVxbCatalogTable& Table() const {
    return *TSessionList::Instance().GetLocalSession(Session)->Catalog()->GetTable(
        static_cast<int16_t>(Relation & 0xFF));
  }
  std::string IndexNames() const {
    TextBuffer names;
    EXPECT_EQ(VxbRltnGetIndexNames(Relation, names.data(), 1023), 0);
    return names.Text();
  }
  // The description's result and text.
  std::pair<int16_t, std::string> Desc(const char16_t* index, bool includeLen = false) const {
    TextBuffer desc;
    const int16_t result = VxbRltnGetIndexDesc(Relation, index, desc.data(), 255, true, includeLen);
    return {result, result >= 0 ? desc.Text() : std::string()};
  }

  TVxbSessHdl Session = 0;
  TVxbRltnHdl Relation = 0;
};

TEST_F(RelationCallsTest, TellTheTablesFileSizesNameAndRecordCount) {
  TVxbTableInfo tableInfo;
  ASSERT_EQ(VxbRltnGetTableInfo(Relation, tableInfo), 0);
  EXPECT_EQ(fs::u8(tableInfo.FileName), Dir.File("Eng_hun.vxbt"));
  EXPECT_EQ(tableInfo.Level, 6);
  EXPECT_GT(tableInfo.Capacity, 0);

  TVxbRltnInfo info;
  ASSERT_EQ(VxbRltnGetInfo(Relation, info), 0);
  EXPECT_EQ(info.nRecs, 2);
  EXPECT_EQ(info.nFields, 4);
  EXPECT_EQ(info.RecSize, Table().GetRecordSize());
  EXPECT_GT(info.FSize, 0);
  EXPECT_GT(info.TotalSize, info.FSize);
  // LEIR is a wide memo: kept in the blob file.
  EXPECT_EQ(info.MemoOkay, 0);
  EXPECT_EQ(info.BlobOkay, 1);

  EXPECT_EQ(VxbRltnRecordCount(Relation), 2);
  char16_t name[256];
  EXPECT_EQ(VxbRltnGetName(Relation, name, 255, false), 0);
  EXPECT_EQ(fs::u8(name), "Eng_hun");
  EXPECT_EQ(VxbRltnGetName(Relation, name, 255, true), 0);
  EXPECT_EQ(fs::u8(name), Dir.File("Eng_hun.vxbt"));
  // Cut to the caller's buffer.
  EXPECT_EQ(VxbRltnGetName(Relation, name, 3, false), 0);
  EXPECT_EQ(fs::u8(name), "Eng");
}

TEST_F(RelationCallsTest, ListAndDescribeTheIndexes) {
  EXPECT_EQ(IndexNames(), "ENG,HUN,sys_Id");
  EXPECT_EQ(Desc(u"ENG"), std::make_pair(int16_t{0}, std::string("ENG")));
  EXPECT_EQ(Desc(u"hun.vxbi"), std::make_pair(int16_t{0}, std::string("HUN")));
  EXPECT_EQ(Desc(u"sys_Id").first, 1);
  EXPECT_EQ(Desc(u"NOPE").first, -16);
  EXPECT_EQ(Desc(nullptr).first, -16);

  char16_t real[64];
  EXPECT_EQ(VxbRltnGetRealIndexName(Relation, u"eng.vxbi", real, 63), 0);
  EXPECT_EQ(fs::u8(real), "ENG");
  EXPECT_EQ(VxbRltnGetRealIndexName(Relation, u"ENGX", real, 63), -16);

  TextBuffer cut;
  EXPECT_EQ(VxbRltnGetIndexNames(Relation, cut.data(), 5), 0);
  EXPECT_EQ(cut.Text(), "ENG,H");
  EXPECT_EQ(cut.Chars[6], u'#');
}

TEST_F(RelationCallsTest, CreateDeleteAndRebuildIndexes) {
  ASSERT_EQ(VxbRltnCreateIndex(Relation, u"BOTH", u"ENG,-HUN", false), 0) << LastError(Session);
  ASSERT_EQ(VxbRltnCreateIndex(Relation, u"UHUN", u"HUN", true), 0) << LastError(Session);
  EXPECT_EQ(IndexNames(), "ENG,HUN,sys_Id,BOTH,UHUN");
  EXPECT_EQ(Desc(u"BOTH"), std::make_pair(int16_t{0}, std::string("ENG,-HUN")));
  EXPECT_EQ(Desc(u"UHUN").first, 1);
  EXPECT_EQ(VxbRltnRefreshIndex(Relation, u"BOTH"), 0) << LastError(Session);
  EXPECT_EQ(VxbRltnRefreshIndex(Relation, u""), 0) << LastError(Session);
  EXPECT_EQ(VxbRltnRefreshIndex(Relation, u"NOPE"), -16);

  EXPECT_EQ(VxbRltnDeleteIndex(Relation, u"both"), 0) << LastError(Session);
  EXPECT_EQ(IndexNames(), "ENG,HUN,sys_Id,UHUN");
  EXPECT_FALSE(Exists("Eng_hun!BOTH.vxbi"));
  EXPECT_EQ(VxbRltnDeleteIndex(Relation, u"both"), -16);
  // The table's own indexes are not the caller's to delete.
  EXPECT_EQ(VxbRltnDeleteIndex(Relation, u"sys_Id"), -100);
  EXPECT_EQ(LastErrorCode(Session), -34);
}

TEST_F(RelationCallsTest, RefuseIndexesUnderTheEnginesNamesOrOverUnknownColumns) {
  struct Case {
    const char16_t* Name;
    const char16_t* Specification;
    int16_t LastError;
  };
  for (const Case& c : {Case{u"sys_Mine", u"ENG", -176}, Case{u"tmp001", u"ENG", -176}, Case{u"ENG", u"ENG", -23},
                        Case{u"Other", u"NOSUCH", -98}, Case{u"Memo", u"LEIR", -98}}) {
    EXPECT_EQ(VxbRltnCreateIndex(Relation, c.Name, c.Specification, false), -100) << fs::u8(c.Name);
    EXPECT_EQ(LastErrorCode(Session), c.LastError) << fs::u8(c.Name) << ": " << LastError(Session);
  }
  EXPECT_EQ(IndexNames(), "ENG,HUN,sys_Id");
}

TEST_F(RelationCallsTest, CloseOnlyWhatNoCursorUses) {
  // A cursor's accessor on the table.
  auto accessor = std::make_unique<cursor::TVxbAccessor>(Table(), u"cursor", 1000);
  EXPECT_EQ(VxbRltnClose(Relation), -51);
  EXPECT_EQ(LastErrorCode(Session), -175);
  EXPECT_EQ(VxbRltnRecordCount(Relation), 2);
  accessor.reset();
  EXPECT_EQ(VxbRltnClose(Relation), 0);
  EXPECT_EQ(VxbRltnRecordCount(Relation), -101);
  EXPECT_EQ(VxbSessFindRltnHdl(Session, u"Eng_hun"), 0);
}

TEST_F(RelationCallsTest, SwitchEditLocks) {
  // A second session has the table open too, with a short wait for locks.
  const TVxbSessHdl other = OpenSession();
  ASSERT_EQ(VxbSessSetSettings(other, false, false, false, 200), 0);
  const TVxbRltnHdl otherRelation = OpenDictionary(other);
  const TVxbTableHdl mine = VxbTableCreate(Relation, u"mine");
  const TVxbTableHdl theirs = VxbTableCreate(otherRelation, u"theirs");
  ASSERT_GT(mine, 0);
  ASSERT_GT(theirs, 0);
  ASSERT_EQ(VxbTableSetRecNo(mine, 1), 1);
  ASSERT_EQ(VxbTableSetRecNo(theirs, 1), 1);

  // With edit locks the record is kept from the other session.
  ASSERT_EQ(VxbTableEdit(mine), 0);
  EXPECT_EQ(VxbTableEdit(theirs), -31);
  // No switching while the record is edited.
  EXPECT_EQ(VxbRltnActivateEditLocks(Relation, false), -102);
  ASSERT_EQ(VxbTableEditCancel(mine), 0);

  // Without them this session's edit keeps nobody out.
  ASSERT_EQ(VxbRltnActivateEditLocks(Relation, false), 0);
  ASSERT_EQ(VxbTableEdit(mine), 0);
  EXPECT_EQ(VxbTableEdit(theirs), 0);
  EXPECT_EQ(VxbTableEditCancel(theirs), 0);
  EXPECT_EQ(VxbRltnActivateEditLocks(Relation, true), -102);
  ASSERT_EQ(VxbTableEditCancel(mine), 0);
  EXPECT_EQ(VxbRltnActivateEditLocks(Relation, true), 0);
  ASSERT_EQ(VxbTableEdit(mine), 0);
  EXPECT_EQ(VxbTableEdit(theirs), -31);
  EXPECT_EQ(VxbTableEditCancel(mine), 0);
  VxbTableDelete(mine);
  VxbTableDelete(theirs);
}

// Every relation call, with the result an invalid handle gives.
struct RelationCall {
  const char* Name;
  int32_t Invalid;
  std::function<int32_t(TVxbRltnHdl)> Call;
};

std::vector<RelationCall> RelationCalls() {
  static TVxbTableInfo tableInfo;
  static TVxbRltnInfo info;
  static char16_t buffer[64];
  return {
      {"GetTableInfo", -17, [](TVxbRltnHdl h) { return VxbRltnGetTableInfo(h, tableInfo); }},
      {"GetInfo", -17, [](TVxbRltnHdl h) { return VxbRltnGetInfo(h, info); }},
      {"GetIndexNames", -17, [](TVxbRltnHdl h) { return VxbRltnGetIndexNames(h, buffer, 63); }},
      {"GetIndexDesc", -17, [](TVxbRltnHdl h) { return VxbRltnGetIndexDesc(h, u"ENG", buffer, 63, true, true); }},
      {"GetRealIndexName", -17, [](TVxbRltnHdl h) { return VxbRltnGetRealIndexName(h, u"ENG", buffer, 63); }},
      {"GetName", -17, [](TVxbRltnHdl h) { return VxbRltnGetName(h, buffer, 63, false); }},
      {"RecordCount", -101, [](TVxbRltnHdl h) { return VxbRltnRecordCount(h); }},
      {"ActivateEditLocks", -105, [](TVxbRltnHdl h) { return VxbRltnActivateEditLocks(h, true); }},
      {"CreateIndex", -17, [](TVxbRltnHdl h) { return VxbRltnCreateIndex(h, u"X", u"ENG", false); }},
      {"DeleteIndex", -17, [](TVxbRltnHdl h) { return VxbRltnDeleteIndex(h, u"ENG"); }},
      {"RefreshIndex", -17, [](TVxbRltnHdl h) { return VxbRltnRefreshIndex(h, u"ENG"); }},
      {"Close", -17, [](TVxbRltnHdl h) { return VxbRltnClose(h); }},
  };
}

TEST_F(RelationCallsTest, InvalidRelationHandlesChangeNothing) {
  // A second session with the same table open, then closed; a third
  // deleted.
  const TVxbSessHdl closed = OpenSession();
  const TVxbRltnHdl ofClosed = OpenDictionary(closed);
  ASSERT_EQ(VxbSessCloseDb(closed), 0);
  const TVxbSessHdl deleted = OpenSession();
  const TVxbRltnHdl ofDeleted = OpenDictionary(deleted);
  ASSERT_EQ(VxbSessDelete(deleted), 0);
  struct Case {
    const char* What;
    TVxbRltnHdl Handle;
  };
  const std::vector<Case> cases = {
      {"zero", 0},
      {"negative", -1},
      {"an empty index of an open session", static_cast<TVxbRltnHdl>(Relation + 1)},
      {"index 0 of an open session", static_cast<TVxbRltnHdl>(Relation & ~0xFF)},
      {"of a closed session", ofClosed},
      {"of a deleted session", ofDeleted},
      {"of a session never made", static_cast<TVxbRltnHdl>(60 * 256 + 1)},
      {"past the last one", 25409},
      {"far past the last one", 32767},
  };
  for (const Case& c : cases) {
    for (const RelationCall& call : RelationCalls()) {
      EXPECT_EQ(call.Call(c.Handle), call.Invalid) << call.Name << " with a handle " << c.What;
    }
  }
  // The valid handle still works and the table is untouched.
  EXPECT_EQ(VxbRltnRecordCount(Relation), 2);
  EXPECT_EQ(IndexNames(), "ENG,HUN,sys_Id");
}

}  // namespace
}  // namespace vexilo::api::testing
