// Sessions: the session list, opening a database directory, the control
// file, and the locations that are refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "engine/api/directory_control_file.h"
#include "engine/errors/error_codes.h"
#include "tests/engine/api/session_fixture.h"

namespace vexilo::api::testing {
namespace {

using SessionListTest = SessionFixture;

TEST_F(SessionListTest, HoldsAHundredSessionsAndRefusesTheNextWithANumberedError) {
  const int32_t before = TSessionList::Instance().Count();
  for (int32_t i = before; i < TSessionList::kMaxSessions; ++i) NewSession();
  EXPECT_EQ(TSessionList::Instance().Count(), TSessionList::kMaxSessions);

  std::u16string message;
  EXPECT_EQ(TSessionList::Instance().CreateSession(fs::u16(Dir.Path().string()), &message), -errors::vxbErrCapacity);
  EXPECT_EQ(fs::u8(message), "The maximimum capacity for \"100 sessions\" is reached");
  EXPECT_EQ(TSessionList::Instance().Count(), TSessionList::kMaxSessions);

  // A place set free is taken by the next session.
  const int16_t freed = FHandles[3];
  TSessionList::Instance().DeleteSession(freed);
  EXPECT_FALSE(TSessionList::Instance().ExistsSessionHdl(freed));
  EXPECT_EQ(TSessionList::Instance().CreateSession(fs::u16(Dir.Path().string())), freed);
}

TEST_F(SessionListTest, RefusesServerLocationsAndUnknownHandles) {
  std::u16string message;
  const int32_t before = TSessionList::Instance().Count();
  EXPECT_EQ(TSessionList::Instance().CreateSession(u"dict@server", &message), -errors::vxbErrNotSupported);
  EXPECT_EQ(fs::u8(message), "This feature is not supported: sessions on a database server");
  EXPECT_EQ(TSessionList::Instance().Count(), before);
  for (const int16_t handle : {int16_t{0}, int16_t{-1}, int16_t{101}, int16_t{1000}}) {
    EXPECT_FALSE(TSessionList::Instance().ExistsSessionHdl(handle)) << handle;
    EXPECT_EQ(TSessionList::Instance().GetSession(handle), nullptr) << handle;
  }
}

TEST_F(SessionListTest, ASessionIsValidOnlyWhileItsDatabaseIsOpen) {
  TVxbLocalSession& session = NewSession();
  const int16_t handle = session.Handle();
  EXPECT_TRUE(TSessionList::Instance().ExistsSessionHdl(handle));
  EXPECT_FALSE(TSessionList::Instance().ValidSessionHdl(handle));
  ASSERT_EQ(session.OpenDb(), 0) << LastError(session);
  EXPECT_TRUE(TSessionList::Instance().ValidSessionHdl(handle));
  session.CloseDb();
  EXPECT_FALSE(TSessionList::Instance().ValidSessionHdl(handle));
  // ... and can open it again.
  EXPECT_EQ(session.OpenDb(), 0) << LastError(session);
  EXPECT_TRUE(session.GetIsOpen());
}

TEST_F(SessionListTest, EverySessionGetsAStationNumberAndItsDecimalName) {
  TVxbLocalSession& first = NewSession();
  TVxbLocalSession& second = NewSession();
  for (TVxbLocalSession* session : {&first, &second}) {
    EXPECT_GT(session->Services()->Station(), 0u);
    EXPECT_LE(session->Services()->Station(), 2147483646u);
    EXPECT_EQ(fs::u8(session->Services()->IdName()), std::to_string(session->Services()->Station()));
    EXPECT_EQ(session->ConnectionId(), session->Services()->Station());
    EXPECT_EQ(session->Services()->LogLevel(), 0);
    EXPECT_EQ(session->Services()->LockingTimeout(), 20000);
    EXPECT_EQ(session->Services()->DefBlobBlockSize(), 512);
    EXPECT_TRUE(session->Services()->AutoCreateIndexes());
    EXPECT_FALSE(session->Services()->CaseSensitive());
  }
  EXPECT_NE(first.Services()->Station(), second.Services()->Station());
}

using DatabaseOpenTest = SessionFixture;

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(DatabaseOpenTest, WritesTheControlFileOnceAndOpensTheDirectoryThroughIt) {
  const std::filesystem::path control = Dir.Path() / (Dir.Path().filename().string() + ".vxbd");
  TVxbLocalSession& session = OpenSession();
  ASSERT_TRUE(std::filesystem::exists(control));
  EXPECT_EQ(ReadFile(control), "VexBase database control file for directory-based database");
  EXPECT_EQ(std::filesystem::file_size(control), 58u);
  session.CloseDb();

  // Opening again leaves the file as it is, whatever it holds.
  { std::ofstream(control, std::ios::binary) << "changed"; }
  ASSERT_EQ(session.OpenDb(), 0);
  EXPECT_EQ(ReadFile(control), "changed");
  session.CloseDb();

  TVxbLocalSession& byFile = NewSession(control.string());
  ASSERT_EQ(byFile.OpenDb(), 0) << LastError(byFile);
  EXPECT_EQ(fs::u8(byFile.Catalog()->Location()), Dir.Path().string());
  EXPECT_EQ(byFile.Services()->DatabaseType(), TVxbDatabaseType::DbDirectory);
}

TEST_F(DatabaseOpenTest, LocationsThatAreNoDirectoryDatabaseAreNumberedErrorsAndLeaveNothingOpen) {
  { std::ofstream(Dir.File("notes.txt")) << "text"; }
  { std::ofstream(Dir.File("Other.vxbd")) << "a compound file"; }
  struct Case {
    std::string location;
    int16_t error;
    std::string message;
  };
  const std::string missing = Dir.File("missing");
  const Case cases[] = {
      {Dir.File("missing.db"), errors::vxbErrFileNotFound,
       "File not found or access denied: \"" + Dir.File("missing.db") + "\""},
      {Dir.File("notes.txt") + "/inside", errors::vxbErrFileNotFound,
       "File not found or access denied: \"" + Dir.File("notes.txt") + "/inside\""},
      {missing, errors::vxbErrNotSupported, "This feature is not supported: single-file databases"},
      {Dir.File("Other.vxbd"), errors::vxbErrNotSupported, "This feature is not supported: single-file databases"},
  };
  const size_t held = TVxbSharedFileSystems::Instance().Count();
  for (const Case& c : cases) {
    TVxbLocalSession& session = NewSession(c.location);
    EXPECT_EQ(session.OpenDb(), -c.error) << c.location;
    EXPECT_EQ(session.Services()->LastErrorCode(), c.error) << c.location;
    EXPECT_EQ(LastError(session), c.message);
    EXPECT_FALSE(session.GetIsOpen());
    EXPECT_FALSE(session.Catalog()->IsOpen());
    EXPECT_EQ(TVxbSharedFileSystems::Instance().Count(), held) << c.location;
  }
  EXPECT_FALSE(std::filesystem::exists(missing + ".vxbd"));
}

TEST_F(DatabaseOpenTest, SessionsOfOneDirectoryShareItsFileSystemUntilTheLastCloses) {
  const size_t held = TVxbSharedFileSystems::Instance().Count();
  TVxbLocalSession& first = OpenSession();
  TVxbLocalSession& second = OpenSession();
  EXPECT_EQ(first.Services()->DataFileSystem(), second.Services()->DataFileSystem());
  EXPECT_EQ(TVxbSharedFileSystems::Instance().Count(), held + 1);
  first.CloseDb();
  EXPECT_EQ(TVxbSharedFileSystems::Instance().Count(), held + 1);
  second.CloseDb();
  EXPECT_EQ(TVxbSharedFileSystems::Instance().Count(), held);
}

}  // namespace
}  // namespace vexilo::api::testing
