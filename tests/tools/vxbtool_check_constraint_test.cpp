// Check constraints made with vxbtool create --check: every record stored
// through a table opened by a session (import, edit) must not make the
// condition false — an unknown result (a null) passes — and a check that
// does not prepare against the new table is refused with no file left.
#include <string>
#include <vector>

#include "tests/tools/vxbtool_fixture.h"

namespace vexilo::tools::testing {
namespace {

class VxbToolCheckConstraint : public VxbToolFixture {
 protected:
  void SetUp() override {
    Ok({"create", Table("P"), "N:Integer?", "ENG:WideString:20", "--check", "N >= 0 And N < 100", "--check",
        "ENG <> 'bad'"});
  }
  std::vector<std::string> Records() { return Lines(Ok({"dump", Table("P")}).Out); }
};

TEST_F(VxbToolCheckConstraint, RecordsThatMakeACheckFalseAreRefused) {
  struct TCase {
    std::string Row;
    bool Stored;
    std::string Message;
  };
  const std::vector<TCase> cases = {
      {"5\tok", true, ""},
      {"500\tok", false, "The record violates a constraint: \"N >= 0 And N < 100\""},
      {"-1\tok", false, "The record violates a constraint: \"N >= 0 And N < 100\""},
      {"\tnull passes", true, ""},
      {"7\tbad", false, "The record violates a constraint: \"ENG <> 'bad'\""},
      {"7\tBAD", false, "The record violates a constraint: \"ENG <> 'bad'\""},
      {"99\tedge", true, ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Row);
    Write("row.tsv", "N\tENG\n" + c.Row + "\n");
    const TToolRun run = Run({"import", Table("P"), Dir.File("row.tsv")});
    EXPECT_EQ(run.Status, c.Stored ? 0 : 1) << run.Err;
    if (!c.Stored) {
      EXPECT_TRUE(Contains(run.Err, c.Message)) << run.Err;
    }
  }
  EXPECT_EQ(Records(), (std::vector<std::string>{R"({"_recno":1,"N":5,"ENG":"ok"})",
                                                 R"({"_recno":2,"N":null,"ENG":"null passes"})",
                                                 R"({"_recno":3,"N":99,"ENG":"edge"})"}));
  // An edit is checked as well, and a refused one changes nothing.
  const TToolRun refused = Run({"edit", Table("P"), "1", "N=100"});
  EXPECT_EQ(refused.Status, 1);
  EXPECT_TRUE(Contains(refused.Err, "violates a constraint")) << refused.Err;
  Ok({"edit", Table("P"), "1", "N=6"});
  EXPECT_EQ(Records().front(), R"({"_recno":1,"N":6,"ENG":"ok"})");
}

TEST_F(VxbToolCheckConstraint, ACheckThatCannotBePreparedIsRefusedAndLeavesNoFile) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"N:Integer", "--check", "N >>= 1"}, "\"<identifier>\" expected but \">=\" found"},
      {{"N:Integer", "--check", "M = 1"}, "Unknown identifier \"M\""},
      {{"N:Integer", "--check", "N = 'x'"}, "\"x\" is not a valid number"},
      {{"L:WideMemo", "--check", "L = 'x'"}, "memo and blob columns in check constraints"},
  };
  for (const auto& [definition, message] : cases) {
    std::vector<std::string> args{"create", Table("Q")};
    args.insert(args.end(), definition.begin(), definition.end());
    SCOPED_TRACE(Joined(args));
    const TToolRun run = Run(args);
    EXPECT_EQ(run.Status, 2);
    EXPECT_TRUE(Contains(run.Err, message)) << run.Err;
    for (const std::string& name : Files()) EXPECT_NE(name.substr(0, 2), "Q.") << name;
  }
}

}  // namespace
}  // namespace vexilo::tools::testing
