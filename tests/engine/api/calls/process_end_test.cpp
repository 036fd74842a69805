// A program that ends with sessions, tables and cursors still open: the
// process's lists close them on the way out, after which the page cache and
// the shared file systems they give back to must still be there.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "engine/api/calls/session_calls.h"
#include "tests/engine/api/calls/table_call_fixture.h"

namespace vexilo::api::testing {
namespace {

class ProcessEndTest : public TableCallFixture {};

TEST_F(ProcessEndTest, AProgramEndingWithEverythingOpenExitsCleanly) {
  CreateDictionary();
  const std::u16string dir = fs::u16(Dir.Path().string());
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const TVxbSessHdl session = VxbCreateSession(dir.c_str());
    if (session <= 0 || VxbSessOpenDb(session, dir.c_str(), u"", u"", 0, 0) != 0) ::_exit(2);
    const TVxbRltnHdl relation = VxbSessOpenTable(session, u"Eng_hun", u"", 15, true, false);
    if (relation <= 0 || VxbTableCreate(relation, u"left open") <= 0) ::_exit(3);
    // Runs the destructors of the process's lists.
    std::exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the program died on its way out (signal " << WTERMSIG(status) << ")";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace vexilo::api::testing
