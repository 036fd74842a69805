// vxbtool edit and delete on a small dictionary table (ENG and HUN with
// indexes, LEIR WideMemo): values, memos and nulls arrive with the indexes
// in step; wrong input changes nothing; and two vxbtool processes on one
// record take turns through its edit lock — while the first holds the edit,
// the second's edit waits out its timeout and is refused and its deletion is
// refused; after the first posts, the second succeeds and builds on what the
// first posted.
#include <string>
#include <vector>

#include "tests/tools/vxbtool_fixture.h"

namespace vexilo::tools::testing {
namespace {

class VxbToolEdit : public VxbToolFixture {
 protected:
  void SetUp() override {
    Write("rows.tsv", "ENG\tHUN\tLEIR\napple\talma\tgyümölcs\npear\tkörte\t\nplum\tszilva\tkék gyümölcs\n");
    Ok({"create", Table("D"), "--collation", "Hungarian", "ENG:WideString:80", "HUN:WideString:80", "LEIR:WideMemo",
        "--index", "ENG=ENG", "--index", "HUN=HUN"});
    Ok({"import", Table("D"), Dir.File("rows.tsv")});
  }

  // The records as vxbtool dump prints them.
  std::vector<std::string> Records() { return Lines(Ok({"dump", Table("D")}).Out); }

  void ExpectCheckClean() {
    const TToolRun run = Run({"check", Table("D")});
    EXPECT_EQ(run.Status, 0) << run.Out << run.Err;
    EXPECT_EQ(run.Out, "No damage found\n");
  }

  // vxbtool started beside the test.
  std::unique_ptr<TStartedProgram> Start(const std::vector<std::string>& args) {
    return std::make_unique<TStartedProgram>(VXBTOOL_PATH, args, Dir.File("started.out"));
  }
};

TEST_F(VxbToolEdit, EditSetsColumnsAndMemosAndNullsWithTheIndexesInStep) {
  const TToolRun run = Ok({"edit", Table("D"), "2", "ENG=butter pear", "LEIR=puha, édes"});
  EXPECT_EQ(run.Out, "Record 2 posted\n");
  Ok({"edit", Table("D"), "1", "LEIR="});
  EXPECT_EQ(Records(), (std::vector<std::string>{
                           R"({"_recno":1,"ENG":"apple","HUN":"alma","LEIR":null})",
                           R"({"_recno":2,"ENG":"butter pear","HUN":"körte","LEIR":"puha, édes"})",
                           R"({"_recno":3,"ENG":"plum","HUN":"szilva","LEIR":"kék gyümölcs"})",
                       }));
  ExpectCheckClean();
}

TEST_F(VxbToolEdit, DeleteMovesTheLastRecordIntoTheFreedNumber) {
  const TToolRun run = Ok({"delete", Table("D"), "1"});
  EXPECT_EQ(run.Out, "Record 1 deleted; 2 records left\n");
  EXPECT_EQ(Records(), (std::vector<std::string>{
                           R"({"_recno":1,"ENG":"plum","HUN":"szilva","LEIR":"kék gyümölcs"})",
                           R"({"_recno":2,"ENG":"pear","HUN":"körte","LEIR":null})",
                       }));
  ExpectCheckClean();
}

TEST_F(VxbToolEdit, WrongInputIsRefusedAndChangesNothing) {
  const std::vector<std::string> before = Records();
  struct TCase {
    std::vector<std::string> Args;
    int Status;
    std::string Message;
  };
  const std::vector<TCase> cases = {
      {{"edit", Table("D"), "4", "ENG=x"}, 1, "Record not found"},
      {{"delete", Table("D"), "4"}, 1, "Record not found"},
      {{"edit", Table("D"), "1", "NOPE=x"}, 1, "\"NOPE\" is not a data field"},
      {{"edit", Table("D"), "1", "ENG=x", "NOPE=y"}, 1, "\"NOPE\" is not a data field"},
      {{"edit", Table("Missing"), "1", "ENG=x"}, 1, "File not found"},
      {{"edit", Table("D"), "1", "ENG"}, 2, "usage: vxbtool edit"},
      {{"edit", Table("D"), "1", "=x"}, 2, "usage: vxbtool edit"},
      {{"edit", Table("D"), "1"}, 2, "usage: vxbtool edit"},
      {{"edit", Table("D"), "0", "ENG=x"}, 2, "usage: vxbtool edit"},
      {{"edit", Table("D"), "one", "ENG=x"}, 2, "usage: vxbtool edit"},
      {{"edit", Table("D"), "1", "ENG=x", "--timeout", "-5"}, 2, "usage: vxbtool edit"},
      {{"delete", Table("D"), "1", "2"}, 2, "usage: vxbtool delete"},
      {{"delete", Table("D"), "x"}, 2, "usage: vxbtool delete"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(Joined(c.Args));
    const TToolRun run = Run(c.Args);
    EXPECT_EQ(run.Status, c.Status);
    EXPECT_TRUE(Contains(run.Err, c.Message)) << run.Err;
  }
  EXPECT_EQ(Records(), before);
  ExpectCheckClean();
}

TEST_F(VxbToolEdit, ASecondProgramWaitsForTheFirstsEditThenBuildsOnWhatItPosted) {
  auto first = Start({"edit", Table("D"), "2", "HUN=vajkörte", "LEIR=puha", "--hold"});
  ASSERT_EQ(first->ReadErrorLine(), "Editing record 2; post with a line on standard input");

  // The edit lock is visible in the lock file, held by the first vxbtool.
  const TToolRun locks = Ok({"locks", Table("D")});
  bool shown = false;
  for (const std::string& slot : Lines(locks.Out)) {
    shown = shown || (Contains(slot, "vxbtool") && Contains(slot, " 2 "));
  }
  EXPECT_TRUE(shown) << locks.Out;

  for (const std::vector<std::string>& second :
       {std::vector<std::string>{"edit", Table("D"), "2", "ENG=butter pear", "--timeout", "300"},
        std::vector<std::string>{"delete", Table("D"), "2", "--timeout", "300"}}) {
    SCOPED_TRACE(Joined(second));
    const TToolRun refused = Run(second);
    EXPECT_EQ(refused.Status, 1);
    EXPECT_TRUE(Contains(refused.Err, "Record is being edited by another user")) << refused.Err;
  }
  // Another record is free meanwhile.
  Ok({"edit", Table("D"), "3", "LEIR=sötétkék", "--timeout", "300"});

  first->WriteLine("");
  const TToolRun posted = first->Finish();
  EXPECT_EQ(posted.Status, 0) << posted.Err;
  EXPECT_EQ(posted.Out, "Record 2 posted\n");

  Ok({"edit", Table("D"), "2", "ENG=butter pear", "--timeout", "300"});
  EXPECT_EQ(Records(), (std::vector<std::string>{
                           R"({"_recno":1,"ENG":"apple","HUN":"alma","LEIR":"gyümölcs"})",
                           R"({"_recno":2,"ENG":"butter pear","HUN":"vajkörte","LEIR":"puha"})",
                           R"({"_recno":3,"ENG":"plum","HUN":"szilva","LEIR":"sötétkék"})",
                       }));
  ExpectCheckClean();
}

}  // namespace
}  // namespace vexilo::tools::testing
