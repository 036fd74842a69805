// vxbtool count on a small dictionary table (ENG and HUN with indexes, LEIR
// WideMemo): how many records a condition selects and the plan line the
// index choice gives, and the numbered errors of wrong conditions.
#include <string>
#include <vector>

#include "tests/tools/vxbtool_fixture.h"

namespace vexilo::tools::testing {
namespace {

class VxbToolCount : public VxbToolFixture {
 protected:
  void SetUp() override {
    Write("rows.tsv",
          "ENG\tHUN\tLEIR\napple\talma\tgyümölcs\nApple pie\talmás pite\t\npear\tkörte\t\n"
          "plum\tszilva\tkék gyümölcs\nIt's\tez az\t100% igaz\n");
    Ok({"create", Table("D"), "--collation", "Hungarian", "ENG:WideString:80", "HUN:WideString:80", "LEIR:WideMemo",
        "--index", "ENG=ENG", "--index", "HUN=HUN"});
    Ok({"import", Table("D"), Dir.File("rows.tsv")});
  }
};

TEST_F(VxbToolCount, CountsTheSelectedRecordsAndShowsThePlan) {
  struct TCase {
    std::vector<std::string> Extra;
    std::string Out;
  };
  const std::vector<std::pair<std::string, TCase>> cases = {
      {"ENG = 'apple'", {{}, "1 of 5 records match\nPlan: index ENG (score 400 of 400): ENG from 'apple' to 'apple'\n"}},
      {"ENG = 'APPLE' And HUN <> 'alma'", {{}, "0 of 5 records match\nPlan: index ENG (score 400 of 400): ENG from 'APPLE' to 'APPLE'\n"}},
      {"ENG = 'It''s'", {{}, "1 of 5 records match\nPlan: index ENG (score 400 of 400): ENG from 'It's' to 'It's'\n"}},
      {"ENG LIKE 'app%'", {{}, "2 of 5 records match\nPlan: index ENG (score 300 of 300): ENG from 'app' to 'app\xE2\x80\xA6'\n"}},
      {"ENG = 'app*'", {{"--jokers"}, "2 of 5 records match\nPlan: index ENG (score 300 of 300): ENG from 'app' to 'app\xE2\x80\xA6'\n"}},
      {"ENG >= 'p' And ENG < 'q'", {{}, "2 of 5 records match\nPlan: index ENG (score 300 of 300): ENG from 'p' to 'q'\n"}},
      {"ENG = 'pear' Or HUN = 'alma'", {{}, "2 of 5 records match\nPlan: no index: every record\n"}},
      {"LEIR HAS 'gyümölcs'", {{}, "2 of 5 records match\nPlan: no index: every record\n"}},
      // A WideMemo column without "?" holds no null: an entry without a
      // description has the empty text.
      {"LEIR IS NULL", {{}, "0 of 5 records match\nPlan: no index: every record\n"}},
      {"LEIR = ''", {{}, "2 of 5 records match\nPlan: no index: every record\n"}},
  };
  for (const auto& [condition, c] : cases) {
    SCOPED_TRACE(condition);
    std::vector<std::string> args{"count", Table("D"), condition};
    args.insert(args.end(), c.Extra.begin(), c.Extra.end());
    EXPECT_EQ(Ok(args).Out, c.Out);
  }
}

TEST_F(VxbToolCount, WrongConditionsGiveTheirError) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"ENG = 'abc", "\"'\" expected but \"<end of statement>\" found"},
      {"ENG = 'apple' And", "\"<identifier>\" expected but \"<end of statement>\" found"},
      {"NOPE = 1", "Unknown identifier \"NOPE\""},
      {"ENG > 5", "Type mismatch"},
      {"LEFTSTR(ENG) = 'a'", "\",\" expected but \")\" found"},
  };
  for (const auto& [condition, message] : cases) {
    SCOPED_TRACE(condition);
    const TToolRun run = Run({"count", Table("D"), condition});
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(Contains(run.Err, message)) << run.Err;
  }
  EXPECT_EQ(Run({"count", Table("D")}).Status, 2);
}

}  // namespace
}  // namespace vexilo::tools::testing
