// The process-wide register of relations: the handle arithmetic between
// session handles, relation indexes and relation handles, and which handles
// name a usable relation.
#include <gtest/gtest.h>

#include "engine/storage/table/relation_list.h"
#include "tests/engine/storage/base_table_fixture.h"

namespace vexilo::storage::testing {
namespace {

TEST(RelationList, HandlesCombineSessionAndIndex) {
  struct Case {
    int32_t session, index, handle;
  };
  const Case cases[] = {
      {1, 1, 1},     {1, 254, 254},   {2, 1, 257},     {3, 5, 517},
      {100, 64, 25408}, {100, 255, 25599}, {1, 0, 0}, {7, -3, -3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.session << "/" << c.index);
    EXPECT_EQ(TRelationList::CalcRltnHdl(c.session, c.index), c.handle);
    if (c.index > 0) {
      EXPECT_EQ(TRelationList::GetSessionHandle(c.handle), c.session);
      EXPECT_EQ(TRelationList::GetRltnIdx(c.handle), c.index);
    }
  }
  EXPECT_EQ(TRelationList::GetTemporaryHandle(3), 766);
}

class RelationListRegister : public BaseTableFixture {};

TEST_F(RelationListRegister, OnlyRegisteredActiveRelationsAreValid) {
  CreateDictionary();
  TRelationList list;
  auto table = Open();
  auto closed = MakeTable();
  const int32_t handle = TRelationList::CalcRltnHdl(3, 5);
  EXPECT_FALSE(list.IsValidRltnHdl(handle));
  ASSERT_TRUE(list.SetRelation(handle, table.get()));
  ASSERT_TRUE(list.SetRelation(TRelationList::CalcRltnHdl(3, 6), closed.get()));
  EXPECT_TRUE(list.IsValidRelation(3, 5));
  EXPECT_EQ(list.GetSessionRelation(3, 5), table.get());
  EXPECT_FALSE(list.IsValidRelation(3, 6));  // registered but not open
  // Every index of the last session can be registered.
  ASSERT_TRUE(list.SetRelation(TRelationList::CalcRltnHdl(100, 200), table.get()));
  EXPECT_TRUE(list.IsValidRelation(100, 200));
  for (int32_t outside : {0, -1, 25600, 25601, 1000000}) {
    EXPECT_FALSE(list.SetRelation(outside, table.get())) << outside;
    EXPECT_FALSE(list.IsValidRltnHdl(outside)) << outside;
    EXPECT_EQ(list.GetRelation(outside), nullptr) << outside;
  }
  list.RemoveRelation(handle);
  EXPECT_FALSE(list.IsValidRltnHdl(handle));
  EXPECT_EQ(list.GetRelation(handle), nullptr);
}

}  // namespace
}  // namespace vexilo::storage::testing
