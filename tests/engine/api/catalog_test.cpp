// The catalog: opening tables by name, relation indexes and handles, the
// default accessors, refused names, the limit of relations per session, and
// closing what is no longer in use.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/errors/error_codes.h"
#include "engine/storage/table/relation_list.h"
#include "tests/engine/api/session_fixture.h"

namespace vexilo::api::testing {
namespace {

using storage::testing::kSharedForTest;
using storage::testing::RecordingListener;

class CatalogTest : public SessionFixture {
 protected:
  // Opens `name` with the rights of a shared table and its related tables.
  static int16_t OpenTable(TVxbCatalog& catalog, std::u16string_view name) {
    return catalog.OpenTable(name, u"", false, false, true, kSharedForTest);
  }
  // Creates a one-column table named `name`.
  void CreateSmallTable(std::u16string name) {
    auto table = MakeTable(std::move(name));
    ASSERT_GT(table->AddColumn(storage::testing::Spec(u"N", 16)), 0) << Error();
    ASSERT_EQ(table->NewFile({}, {}, {}), 0) << Error();
    ASSERT_EQ(table->Close(), 0);
  }
};

TEST_F(CatalogTest, OpensATableByNameKeepsItUnderItsHandleAndGivesItADefaultAccessor) {
  CreateDictionary();
  {
    auto table = Open(kSharedForTest);
    ASSERT_GT(Append(*table, u"apple", u"alma", u"a fruit"), 0);
    ASSERT_GT(Append(*table, u"pear", u"körte"), 0);
  }
  TVxbLocalSession& session = OpenSession();
  TVxbCatalog& catalog = *session.Catalog();
  const int16_t rltnIdx = OpenTable(catalog, u"Eng_hun");
  ASSERT_EQ(rltnIdx, 1) << LastError(session);
  EXPECT_EQ(catalog.FindRltnIdx(u"ENG_HUN.vxbt"), rltnIdx);
  EXPECT_EQ(catalog.FindRltnIdx(u"eng_hun"), rltnIdx);
  EXPECT_EQ(catalog.GetRelationCount(), 1);
  EXPECT_TRUE(catalog.IsActiveRltnIdx(rltnIdx));

  const int32_t handle = catalog.CalcRltnHdl(rltnIdx);
  EXPECT_EQ(handle, (session.Handle() - 1) * 256 + rltnIdx);
  EXPECT_EQ(TVxbCatalog::GetRltnIdx(handle), rltnIdx);
  EXPECT_EQ(storage::TRelationList::Instance().GetRelation(handle), catalog.GetRelation(rltnIdx));

  cursor::TVxbAccessor* accessor = catalog.GetAccessor(rltnIdx);
  ASSERT_NE(accessor, nullptr);
  EXPECT_EQ(fs::u8(accessor->Tag()), "Session_Default");
  EXPECT_EQ(accessor->CurrentRecordNo(), 1);
  EXPECT_EQ(&accessor->Relation(), catalog.GetRelation(rltnIdx));
  EXPECT_EQ(accessor->LockingTimeout(), session.Services()->LockingTimeout());
  EXPECT_EQ(Read(*catalog.GetTable(rltnIdx), 1).Leir, u"a fruit");

  EXPECT_EQ(OpenTable(catalog, u"./ENG_HUN"), -errors::vxbErrTableAlreadyOpen);
  EXPECT_EQ(LastError(session), "A table named \"Eng_hun\" is already open");

  EXPECT_EQ(catalog.CloseRelation(rltnIdx, false, true), 0) << LastError(session);
  EXPECT_EQ(storage::TRelationList::Instance().GetRelation(handle), nullptr);
  EXPECT_EQ(catalog.FindRltnIdx(u"Eng_hun"), 0);
  EXPECT_EQ(catalog.GetAccessor(rltnIdx), nullptr);
  // The index is free for the next table.
  EXPECT_EQ(OpenTable(catalog, u"sub/../Eng_hun"), rltnIdx) << LastError(session);
}

TEST_F(CatalogTest, FindsTheOldLevelFileBeforeTheNewOneAndListsTheTables) {
  CreateDictionary();
  {
    auto table = MakeTable(u"Words.dat");
    table->SetLevel(5);
    ASSERT_GT(table->AddColumn(storage::testing::Spec(u"W", 1, 20)), 0) << Error();
    ASSERT_EQ(table->NewFile({}, {}, {}), 0) << Error();
    ASSERT_EQ(table->Close(), 0);
  }
  CreateSmallTable(u"Words.vxbt");
  TVxbLocalSession& session = OpenSession();
  TVxbCatalog& catalog = *session.Catalog();
  const int16_t rltnIdx = OpenTable(catalog, u"Words");
  ASSERT_GT(rltnIdx, 0) << LastError(session);
  EXPECT_EQ(std::filesystem::path(fs::u8(catalog.GetTable(rltnIdx)->FileName())).filename(), "Words.dat");
  EXPECT_TRUE(catalog.ExistsTable(u"Words"));
  EXPECT_TRUE(catalog.ExistsTable(u"Eng_hun.vxbt"));
  EXPECT_FALSE(catalog.ExistsTable(u"Missing"));
  EXPECT_FALSE(catalog.ExistsTable(u"../Eng_hun"));

  std::vector<std::u16string> names;
  catalog.GetTableNames(names);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Eng_hun", u"Words", u"Words"}));
}

TEST_F(CatalogTest, RefusesNamesOutsideTheDirectoryOrWithForbiddenCharactersAndMissingTables) {
  CreateDictionary();
  std::filesystem::create_directory(Dir.Path() / "sub");
  TVxbLocalSession& session = OpenSession();
  TVxbCatalog& catalog = *session.Catalog();
  const std::string outsideAbsolute = (Dir.Path().parent_path() / "Eng_hun").string();
  const std::u16string invalid = u"\" is not a valid table or index name. (These identifiers must be valid file names "
                                 u"without extension.)";
  struct Case {
    std::u16string name;
    int16_t error;
    std::u16string message;
  };
  const std::u16string tooLong(300, u'x');
  const std::vector<Case> cases = {
      {u"../Eng_hun", errors::vxbErrInvalidTableName, u"\"../Eng_hun" + invalid},
      {u"..\\..\\etc\\passwd", errors::vxbErrInvalidTableName, u"\"..\\..\\etc\\passwd" + invalid},
      {u"sub/../../Eng_hun", errors::vxbErrInvalidTableName, u"\"sub/../../Eng_hun" + invalid},
      {fs::u16(outsideAbsolute), errors::vxbErrInvalidTableName, u"\"" + fs::u16(outsideAbsolute) + invalid},
      {u"/etc/passwd", errors::vxbErrInvalidTableName, u"\"/etc/passwd" + invalid},
      {u"Eng<hun", errors::vxbErrInvalidTableName, u"\"Eng<hun" + invalid},
      {u"Eng?hun", errors::vxbErrInvalidTableName, u"\"Eng?hun" + invalid},
      {std::u16string(u"Eng\x01hun"), errors::vxbErrInvalidTableName, u"\"Eng\x01hun" + invalid},
      {std::u16string(u"Eng\0hun", 7), errors::vxbErrInvalidTableName, std::u16string(u"\"Eng\0hun", 8) + invalid},
      {tooLong, errors::vxbErrInvalidTableName, u"\"" + tooLong + invalid},
      {u"", errors::vxbErrInvalidTableName, u"\"" + invalid},
      {u"sub", errors::vxbErrFileNotFound, u"File not found or access denied: \"sub\""},
      {u"Missing", errors::vxbErrFileNotFound, u"File not found or access denied: \"Missing\""},
      {u"sub/Eng_hun", errors::vxbErrFileNotFound, u"File not found or access denied: \"Eng_hun\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(fs::u8(c.name));
    EXPECT_EQ(OpenTable(catalog, c.name), -c.error);
    EXPECT_EQ(session.Services()->LastErrorCode(), c.error);
    EXPECT_EQ(session.Services()->LastErrorMsg(), c.message);
    EXPECT_EQ(catalog.GetRelationCount(), 0);
  }
  // An absolute name inside the directory is taken as it is.
  EXPECT_GT(OpenTable(catalog, fs::u16(Dir.File("Eng_hun"))), 0) << LastError(session);
}

TEST_F(CatalogTest, ARelationInUseIsNotClosedAndTheDefaultAccessorIsNoUse) {
  CreateDictionary();
  TVxbLocalSession& session = OpenSession();
  TVxbCatalog& catalog = *session.Catalog();
  const int16_t rltnIdx = OpenTable(catalog, u"Eng_hun");
  ASSERT_GT(rltnIdx, 0) << LastError(session);
  EXPECT_FALSE(catalog.InUse(rltnIdx));

  RecordingListener other;
  catalog.GetRelation(rltnIdx)->AddAccessor(&other);
  EXPECT_TRUE(catalog.InUse(rltnIdx));
  EXPECT_EQ(catalog.TryCloseRelation(rltnIdx, false, true), -errors::vxbErrTableStillAccessed);
  EXPECT_EQ(LastError(session), "The table \"Eng_hun\" is still accessed by this session");
  catalog.CloseUnneededTables(false, false);
  EXPECT_TRUE(catalog.IsActiveRltnIdx(rltnIdx));

  catalog.GetRelation(rltnIdx)->RemoveAccessor(&other);
  catalog.CloseUnneededTables(false, false);
  EXPECT_EQ(catalog.GetRelationCount(), 0);
}

TEST_F(CatalogTest, TwoHundredFiftyFourRelationsInUseRefuseTheNextAndUnneededOnesMakeRoom) {
  CreateDictionary();
  CreateSmallTable(u"T0.vxbt");
  for (int i = 1; i < TVxbCatalog::kMaxRltnIdx; ++i) {
    std::filesystem::copy_file(Dir.Path() / "T0.vxbt", Dir.Path() / ("T" + std::to_string(i) + ".vxbt"));
  }
  TVxbLocalSession& session = OpenSession();
  TVxbCatalog& catalog = *session.Catalog();
  std::vector<RecordingListener> users(TVxbCatalog::kMaxRltnIdx);
  for (int i = 0; i < TVxbCatalog::kMaxRltnIdx; ++i) {
    const int16_t rltnIdx = OpenTable(catalog, fs::u16("T" + std::to_string(i)));
    ASSERT_EQ(rltnIdx, i + 1) << LastError(session);
    catalog.GetRelation(rltnIdx)->AddAccessor(&users[static_cast<size_t>(i)]);
  }
  EXPECT_EQ(catalog.GetFreeRltnIdx(), 0);
  EXPECT_EQ(OpenTable(catalog, u"Eng_hun"), -errors::vxbErrTooManyTables);
  EXPECT_EQ(LastError(session), "Cannot open more than 255 tables per session");
  EXPECT_EQ(catalog.GetRelationCount(), TVxbCatalog::kMaxRltnIdx);
  EXPECT_EQ(catalog.FindRltnIdx(u"Eng_hun"), 0);

  // Once nothing uses them, the next open closes them to make room.
  for (int i = 0; i < TVxbCatalog::kMaxRltnIdx; ++i) {
    catalog.GetRelation(static_cast<int16_t>(i + 1))->RemoveAccessor(&users[static_cast<size_t>(i)]);
  }
  EXPECT_EQ(OpenTable(catalog, u"Eng_hun"), 1) << LastError(session);
  EXPECT_EQ(catalog.GetRelationCount(), 1);
}

}  // namespace
}  // namespace vexilo::api::testing
