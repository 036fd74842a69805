// The places later layers fill in a stored table's record operations: check
// constraints, the referential-integrity hooks with their phases, and the
// rollback of a transaction through the redo log.
#include "tests/engine/storage/base_table_fixture.h"

namespace vexilo::storage::testing {
namespace {

class BaseTableHooks : public BaseTableFixture {
 protected:
  void SetUp() override { CreateDictionary(); }
};

TEST_F(BaseTableHooks, AFalseCheckConstraintRefusesTheRecordWithItsCondition) {
  {
    auto table = MakeTable(u"Checked.vxbt");
    ASSERT_GT(table->AddColumn(Spec(u"N", 16)), 0);
    TVxbCheckDef check;
    check.Name = u"positive";
    check.Condition.Text = u"N > 0";
    ASSERT_EQ(table->NewFile({check}, {}, {}), 0) << Error();
  }
  auto table = Open(kNewTableRights, u"Checked.vxbt");
  ASSERT_EQ(table->Checks().size(), 1u);
  table->OnEvaluateCheck = [&](const uint8_t* rec, const TVxbCheckDef&) -> int16_t {
    int64_t n = 0;
    table->GetInteger(rec, 1, n);
    return n > 0 ? 1 : 0;
  };
  std::vector<uint8_t> rec = Buffer(*table);
  table->SetInteger(rec.data(), 1, 5);
  EXPECT_EQ(table->AppendRecord(rec.data(), {}), 1) << Error();
  table->SetInteger(rec.data(), 1, -5);
  EXPECT_EQ(table->AppendRecord(rec.data(), {}), -167);
  EXPECT_EQ(Services.LastErrorMsg(), u"The record violates a constraint: \"N > 0\"");
  EXPECT_EQ(table->GetRecordCount(), 1);
}

TEST_F(BaseTableHooks, IntegrityHooksRunBeforeAndAfterAndCanRefuse) {
  auto table = Open();
  Append(*table, u"a", u"b");
  std::vector<std::string> calls;
  table->OnExecuteUpdateIntegrityRules = [&](const uint8_t*, int phase) -> int16_t {
    calls.push_back("update " + std::to_string(phase));
    return 0;
  };
  table->OnExecuteDeleteIntegrityRules = [&](const uint8_t*, int phase) -> int16_t {
    calls.push_back("delete " + std::to_string(phase));
    return phase == 1 && calls.size() > 3 ? Services.SetLastError(30, {u"parent"}) : int16_t{0};
  };
  std::vector<uint8_t> rec = Buffer(*table);
  ASSERT_EQ(table->ReadRecord(1, rec.data()), 0);
  ASSERT_EQ(table->ReplaceRecord(rec.data(), rec.data(), {}, 1), 0) << Error();
  Append(*table, u"c", u"d");
  ASSERT_EQ(table->DeleteRecord(rec.data(), 2), 0) << Error();
  EXPECT_EQ(table->DeleteRecord(rec.data(), 1), -30);
  EXPECT_EQ(calls, (std::vector<std::string>{"update 1", "update 0", "delete 1", "delete 0", "delete 1"}));
  EXPECT_EQ(table->GetRecordCount(), 1);
}

TEST_F(BaseTableHooks, ARolledBackTransactionLeavesTheTableAsItWas) {
  auto table = Open(kSharedForTest);
  for (int i = 1; i <= 3; ++i) Append(*table, u"e" + fs::u16(std::to_string(i)), u"h", u"old");
  const std::vector<Row> before = ReadAll(*table);
  table->SetIsolationLevel(TVxbIsolationLevel::ReadCommitted);
  std::vector<uint8_t> rec = Buffer(*table), orig = Buffer(*table);
  ASSERT_EQ(table->ReadRecord(2, orig.data()), 0);
  rec = orig;
  table->SetWideString(rec.data(), kEng, u"changed");
  ASSERT_EQ(table->ReplaceRecord(rec.data(), orig.data(), {WideValue(kLeir, u"new text")}, 2), 0) << Error();
  ASSERT_EQ(table->DeleteRecord(rec.data(), 1), 0) << Error();
  ASSERT_GT(Append(*table, u"added", u"h", u"x"), 0) << Error();
  EXPECT_TRUE(Exists("Eng_hun.vxbr"));
  table->SetIsolationLevel(TVxbIsolationLevel::None);
  ASSERT_EQ(table->EndTransaction(false), 0) << Error();
  EXPECT_FALSE(Exists("Eng_hun.vxbr"));
  EXPECT_EQ(ReadAll(*table), before);
  ExpectIndexesMatchRecords(*table);
}

TEST_F(BaseTableHooks, ACommittedTransactionKeepsItsChangesAndDropsTheLog) {
  auto table = Open(kSharedForTest);
  table->SetIsolationLevel(TVxbIsolationLevel::ReadCommitted);
  ASSERT_GT(Append(*table, u"kept", u"h"), 0) << Error();
  EXPECT_TRUE(Exists("Eng_hun.vxbr"));
  table->SetIsolationLevel(TVxbIsolationLevel::None);
  ASSERT_EQ(table->EndTransaction(true), 0);
  EXPECT_FALSE(Exists("Eng_hun.vxbr"));
  EXPECT_EQ(table->GetRecordCount(), 1);
}

TEST_F(BaseTableHooks, AnExclusiveTableUsesNoLockFile) {
  auto exclusive = Open();
  EXPECT_EQ(exclusive->LockFile(), nullptr);
  EXPECT_FALSE(Exists("Eng_hun.vxbl"));
  exclusive->Close();
  auto shared = Open(kSharedForTest);
  EXPECT_NE(shared->LockFile(), nullptr);
  EXPECT_TRUE(Exists("Eng_hun.vxbl"));
}

}  // namespace
}  // namespace vexilo::storage::testing
