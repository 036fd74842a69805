// vxbtool index add/drop/rename, reindex and check on a small dictionary
// table: the index files and the header's index names follow each command;
// dropping and renaming are refused while another program has the table
// open; check finds an index that lags behind its table, and reindex mends
// it.
#include <filesystem>
#include <string>
#include <vector>

#include "tests/tools/table_holder.h"
#include "tests/tools/vxbtool_fixture.h"

namespace vexilo::tools::testing {
namespace {

class VxbToolIndexes : public VxbToolFixture {
 protected:
  void SetUp() override {
    Ok({"create", Table("T"), "ENG:WideString:40", "HUN:WideString:40", "LEIR:WideMemo", "--index", "ENG=ENG"});
    Write("rows.tsv", "ENG\tHUN\tLEIR\nbook\tk\xC3\xB6nyv\tfn.\ncat\tmacska\t\ndog\tkutya\tfn. \xC3\xA1llat\n");
    Ok({"import", Table("T"), Dir.File("rows.tsv")});
  }
  std::string IndexLine() {
    for (const std::string& line : Lines(Ok({"info", Table("T")}).Out))
      if (line.rfind("Indexes:", 0) == 0) return line;
    return "";
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(Dir.File(name)); }
};

TEST_F(VxbToolIndexes, AddRenameAndDropFollowTheFilesAndTheHeader) {
  Ok({"index", "add", Table("T"), "HUN", "HUN"});
  EXPECT_EQ(IndexLine(), "Indexes:         ENG, HUN");
  EXPECT_TRUE(Exists("T!HUN.vxbi"));

  Ok({"index", "rename", Table("T"), "HUN", "MAGYAR"});
  EXPECT_EQ(IndexLine(), "Indexes:         ENG, MAGYAR");
  EXPECT_TRUE(Exists("T!MAGYAR.vxbi"));
  EXPECT_FALSE(Exists("T!HUN.vxbi"));

  Ok({"index", "drop", Table("T"), "ENG"});
  EXPECT_EQ(IndexLine(), "Indexes:         MAGYAR");
  EXPECT_FALSE(Exists("T!ENG.vxbi"));

  Ok({"index", "add", Table("T"), "BOTH", "HUN,-ENG", "--unique"});
  EXPECT_TRUE(Exists("T!BOTH.vxbi"));
  const TToolRun check = Run({"check", Table("T")});
  EXPECT_EQ(check.Status, 0) << check.Out << check.Err;
  EXPECT_EQ(check.Out, "No damage found\n");
}

TEST_F(VxbToolIndexes, WrongIndexCommandsAreRefused) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"index", "add", Table("T"), "ENG", "ENG"}, 1, "Index \"ENG\" already open"},
      {{"index", "add", Table("T"), "X", "NOPE"}, 1, "Invalid index specification"},
      {{"index", "add", Table("T"), "X", "LEIR"}, 1, "Invalid index specification"},
      {{"index", "drop", Table("T"), "NOPE"}, 1, "Index \"NOPE\" was not found"},
      {{"index", "rename", Table("T"), "NOPE", "X"}, 1, "Index \"NOPE\" was not found"},
      {{"index", "drop", Table("Nincs"), "ENG"}, 1, "File not found or access denied"},
      {{"index", "move", Table("T"), "ENG"}, 2, "usage: vxbtool index"},
      {{"index", "add", Table("T"), "X"}, 2, "usage: vxbtool index"},
      {{"index", "drop", Table("T"), "ENG", "--unique"}, 2, "usage: vxbtool index"},
      {{"index"}, 2, "usage: vxbtool index"},
      {{"reindex", Table("T"), "NOPE"}, 1, "Index \"NOPE\" was not found"},
      {{"reindex"}, 2, "usage: vxbtool reindex"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Joined(c.args));
    const TToolRun run = Run(c.args);
    EXPECT_EQ(run.Status, c.status);
    EXPECT_TRUE(Contains(run.Err, c.message)) << run.Err;
  }
  EXPECT_EQ(IndexLine(), "Indexes:         ENG");
  EXPECT_FALSE(Exists("T!X.vxbi"));
}

TEST_F(VxbToolIndexes, CommandsNeedingTheTableAloneAreRefusedWhileAnotherProgramHasItOpen) {
  const std::string indexBefore = Read(Dir.File("T!ENG.vxbi"));
  {
    TTableHolder holder(Dir.File("T.vxbt"), THolding{});
    ASSERT_TRUE(holder.Ready());
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"index", "drop", Table("T"), "ENG"},
          std::vector<std::string>{"index", "rename", Table("T"), "ENG", "ANGOL"}}) {
      SCOPED_TRACE(Joined(args));
      const TToolRun run = Run(args);
      EXPECT_EQ(run.Status, 1);
      EXPECT_TRUE(Contains(run.Err, "is still in use by this or another application")) << run.Err;
    }
    // Importing opens the table exclusively, which the holder prevents.
    const TToolRun import = Run({"import", Table("T"), Dir.File("rows.tsv")});
    EXPECT_EQ(import.Status, 1);
    EXPECT_TRUE(Contains(import.Err, "vxbtool: ")) << import.Err;
    EXPECT_EQ(import.Out, "");
    EXPECT_EQ(Read(Dir.File("T!ENG.vxbi")), indexBefore);
    EXPECT_FALSE(Exists("T!ANGOL.vxbi"));
    EXPECT_EQ(holder.Release(), 0);
  }
  Ok({"index", "rename", Table("T"), "ENG", "ANGOL"});
  EXPECT_TRUE(Exists("T!ANGOL.vxbi"));
  EXPECT_EQ(Dump(Table("T")).size(), 3u) << "the refused import added nothing";
}

TEST_F(VxbToolIndexes, CheckFindsAnIndexThatLagsAndReindexMendsIt) {
  const TToolRun sound = Run({"check", Table("T")});
  EXPECT_EQ(sound.Status, 0) << sound.Err;
  EXPECT_EQ(sound.Out, "No damage found\n");

  // The ENG index as it was with three records, put back after two more.
  const std::string stale = Read(Dir.File("T!ENG.vxbi"));
  Write("more.tsv", "ENG\tHUN\nant\thangya\nzoo\tállatkert\n");
  Ok({"import", Table("T"), Dir.File("more.tsv")});
  Write("T!ENG.vxbi", stale);

  const TToolRun damaged = Run({"check", Table("T")});
  EXPECT_EQ(damaged.Status, 1) << damaged.Err;
  EXPECT_TRUE(Contains(damaged.Out, "T\t3\tENG\t2\tIndex has wrong number of items\n")) << damaged.Out;
  EXPECT_TRUE(Contains(damaged.Out, "T\t3\tENG\t1\tIndex does not include all table records\n")) << damaged.Out;
  EXPECT_EQ(LeftInTmp(), std::vector<std::string>{});

  Ok({"reindex", Table("T"), "ENG"});
  EXPECT_EQ(Run({"check", Table("T")}).Out, "No damage found\n");

  Write("T!ENG.vxbi", stale);
  Ok({"reindex", Table("T")});
  const TToolRun mended = Run({"check", Table("T")});
  EXPECT_EQ(mended.Status, 0);
  EXPECT_EQ(mended.Out, "No damage found\n");
  EXPECT_EQ(Dump(Table("T")).size(), 5u);
}

}  // namespace
}  // namespace vexilo::tools::testing
