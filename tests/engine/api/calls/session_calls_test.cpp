// The session calls: the dictionary's connect order, what invalid session
// handles give, opening databases and tables and how their failures read,
// the last error, text results cut to the caller's buffer, transactions and
// the statement calls of an engine without SQL.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "engine/api/calls/cursor_table.h"
#include "engine/api/calls/relation_calls.h"
#include "engine/api/calls/session_calls.h"
#include "engine/api/calls/session_cursor_host.h"
#include "engine/api/calls/statement_calls.h"
#include "engine/api/local_session.h"
#include "engine/api/session_list.h"
#include "engine/cursor/cursor.h"
#include "tests/engine/api/calls/call_fixture.h"
#include "tests/engine/api/session_fixture.h"

namespace vexilo::api::testing {
namespace {

using SessionCallsTest = CallFixture;

std::string Text(const char16_t* text) { return fs::u8(std::u16string(text)); }

TEST_F(SessionCallsTest, ConnectsOpensAFoundTableAndDisconnectsInTheDictionarysOrder) {
  CreateDictionary();
  const TVxbSessHdl session = VxbCreateSession(Location().c_str());
  ASSERT_GT(session, 0);
  FHandles.push_back(session);

  TVxbNetParams params;
  ASSERT_EQ(VxbSessGetDefaultNetParams(session, params), 0);
  EXPECT_EQ(Text(params.NetDirs), "AUTO");
  EXPECT_EQ(Text(params.StationName), "Undefined");
  EXPECT_EQ(Text(params.PrivateDir), "");
  EXPECT_GE(params.StationNo, 1u);
  EXPECT_LE(params.StationNo, 2147483646u);
  EXPECT_EQ(params.ServerTimeout, 20000);

  const std::filesystem::path privateDir = Dir.Path() / "private" / "log";
  const std::u16string privateText = fs::u16(privateDir.string());
  std::copy(privateText.begin(), privateText.end(), params.PrivateDir);
  const std::u16string station = u"Szotar";
  std::fill(std::begin(params.StationName), std::end(params.StationName), u'\0');
  std::copy(station.begin(), station.end(), params.StationName);
  params.NetDirs[0] = u'\0';
  ASSERT_EQ(VxbSessSetNetParams(session, params), 0);
  EXPECT_TRUE(std::filesystem::is_directory(privateDir));
  TVxbLocalSession& local = *TSessionList::Instance().GetLocalSession(session);
  EXPECT_EQ(local.Services()->Station(), params.StationNo);
  EXPECT_EQ(local.ConnectionId(), params.StationNo);
  EXPECT_EQ(fs::u8(local.Services()->IdName()), "Szotar");

  EXPECT_EQ(VxbSessSetPasswordCallback(session, nullptr), 0);
  EXPECT_EQ(VxbSessSetSystemSettings(session, 4096, 512), 0);
  ASSERT_EQ(VxbSessOpenDb(session, Location().c_str(), u"", u"", 40960, 0), 0) << LastError(session);
  TVxbDatabaseInfo info;
  info.ManagementLevel = 7;
  EXPECT_EQ(VxbSessGetDbInfo(session, info), 0);
  EXPECT_EQ(info.ManagementLevel, 0);
  EXPECT_EQ(info.EncryptionMethod, temNone);
  EXPECT_EQ(VxbSessSetSettings(session, false, false, true, 3000), 0);
  EXPECT_EQ(local.Services()->LockingTimeout(), 3000);
  EXPECT_EQ(VxbSessSetLogLevel(session, 0), 0);
  EXPECT_EQ(VxbSessIsSingleFile(session), 0);

  // Not open yet: found nowhere, so it is opened.
  EXPECT_EQ(VxbSessFindRltnHdl(session, u"Eng_hun"), 0);
  const TVxbRltnHdl relation = VxbSessOpenTable(session, u"Eng_hun", nullptr, 15, true, false);
  ASSERT_GT(relation, 0) << LastError(session);
  EXPECT_EQ(relation >> 8, session - 1);
  EXPECT_EQ(VxbSessFindRltnHdl(session, u"ENG_HUN.vxbt"), relation);
  char16_t name[64];
  EXPECT_EQ(VxbRltnGetName(relation, name, 63, false), 0);
  EXPECT_EQ(Text(name), "Eng_hun");

  char16_t names[256];
  EXPECT_EQ(VxbSessGetTableNames(session, names, 255), 7);
  EXPECT_EQ(Text(names), "Eng_hun");

  EXPECT_EQ(VxbSessCloseDb(session), 0);
  EXPECT_EQ(VxbRltnGetName(relation, name, 63, false), -17);
  EXPECT_EQ(VxbSessFindRltnHdl(session, u"Eng_hun"), -105);
  EXPECT_EQ(VxbSessDelete(session), 0);
  EXPECT_FALSE(TSessionList::Instance().ExistsSessionHdl(session));
  int16_t code = 0;
  EXPECT_EQ(VxbSessGetLastError(session, code, names, 255), -105);
}

TEST_F(SessionCallsTest, TheTableListIsCutToTheCallersBufferAndTellsItsWholeLength) {
  CreateDictionary();
  CreateDictionary(u"Second.vxbt");
  const TVxbSessHdl session = OpenSession();
  TextBuffer names;
  const int32_t length = VxbSessGetTableNames(session, names.data(), 255);
  const std::string list = names.Text();
  EXPECT_TRUE(list == "Eng_hun;Second" || list == "Second;Eng_hun") << list;
  EXPECT_EQ(length, 14);

  TextBuffer cut;
  EXPECT_EQ(VxbSessGetTableNames(session, cut.data(), 4), 14);
  EXPECT_EQ(cut.Chars[4], u'\0');
  EXPECT_EQ(cut.Chars[5], u'#');
  EXPECT_EQ(cut.Text(), list.substr(0, 4));
}

// Every session call with a handle, as the invalid-handle table runs it.
struct SessionCall {
  const char* Name;
  bool NeedsOpenDatabase;
  std::function<int32_t(TVxbSessHdl)> Call;
};

std::vector<SessionCall> SessionCalls() {
  static TVxbNetParams params;
  static TVxbDatabaseInfo info;
  static char16_t buffer[64];
  static int16_t code;
  return {
      {"GetDefaultNetParams", false, [](TVxbSessHdl h) { return VxbSessGetDefaultNetParams(h, params); }},
      {"SetNetParams", false, [](TVxbSessHdl h) { return VxbSessSetNetParams(h, params); }},
      {"SetPasswordCallback", false, [](TVxbSessHdl h) { return VxbSessSetPasswordCallback(h, nullptr); }},
      {"SetSystemSettings", false, [](TVxbSessHdl h) { return VxbSessSetSystemSettings(h, 4096, 512); }},
      {"GetDbInfo", true, [](TVxbSessHdl h) { return VxbSessGetDbInfo(h, info); }},
      {"SetSettings", false, [](TVxbSessHdl h) { return VxbSessSetSettings(h, false, false, true, 1000); }},
      {"SetLogLevel", false, [](TVxbSessHdl h) { return VxbSessSetLogLevel(h, 0); }},
      {"IsSingleFile", true, [](TVxbSessHdl h) { return VxbSessIsSingleFile(h); }},
      {"GetIsolationLevel", false, [](TVxbSessHdl h) { return VxbSessGetIsolationLevel(h); }},
      {"OpenTable", true, [](TVxbSessHdl h) { return VxbSessOpenTable(h, u"Eng_hun", nullptr, 15, true, false); }},
      {"AddTable", true, [](TVxbSessHdl h) { return VxbSessAddTable(h, u"Eng_hun"); }},
      {"FindRltnHdl", true, [](TVxbSessHdl h) { return VxbSessFindRltnHdl(h, u"Eng_hun"); }},
      {"RemoveTable", true, [](TVxbSessHdl h) { return VxbSessRemoveTable(h, u"Eng_hun"); }},
      {"CloseUnneededTables", true, [](TVxbSessHdl h) { return VxbSessCloseUnneededTables(h); }},
      {"RegisterModifications", true, [](TVxbSessHdl h) { return VxbSessRegisterModifications(h); }},
      {"GetTableNames", true, [](TVxbSessHdl h) { return VxbSessGetTableNames(h, buffer, 63); }},
      {"BeginTransaction", true, [](TVxbSessHdl h) { return VxbSessBeginTransaction(h); }},
      {"EndTransaction", true, [](TVxbSessHdl h) { return VxbSessEndTransaction(h); }},
      {"CancelTransaction", true, [](TVxbSessHdl h) { return VxbSessCancelTransaction(h); }},
      {"CreateStatement", true, [](TVxbSessHdl h) { return VxbSessCreateStatement(h); }},
      {"GetLastError", false, [](TVxbSessHdl h) { return VxbSessGetLastError(h, code, buffer, 63); }},
      {"GetLastErrorPos", false, [](TVxbSessHdl h) { return VxbSessGetLastErrorPos(h, buffer, 63); }},
      {"CloseDb", false, [](TVxbSessHdl h) { return VxbSessCloseDb(h); }},
      // Last: it ends the session.
      {"Delete", false, [](TVxbSessHdl h) { return VxbSessDelete(h); }},
  };
}

TEST_F(SessionCallsTest, InvalidSessionHandlesGiveMinus105) {
  const TVxbSessHdl deleted = NewSession();
  ASSERT_EQ(VxbSessDelete(deleted), 0);
  // Out of the list's range, never handed out, gone.
  for (const TVxbSessHdl handle : {TVxbSessHdl{0}, TVxbSessHdl{-1}, TVxbSessHdl{101}, TVxbSessHdl{32767}, deleted}) {
    for (const SessionCall& call : SessionCalls()) {
      EXPECT_EQ(call.Call(handle), -105) << call.Name << " with handle " << handle;
    }
  }
}

TEST_F(SessionCallsTest, DatabaseCallsNeedAnOpenDatabaseTheOthersOnlyTheSession) {
  CreateDictionary();
  const TVxbSessHdl session = NewSession();
  for (const SessionCall& call : SessionCalls()) {
    const int32_t result = call.Call(session);
    if (call.NeedsOpenDatabase) {
      EXPECT_EQ(result, -105) << call.Name;
    } else {
      EXPECT_GE(result, 0) << call.Name << ": " << LastError(session);
    }
  }
}

TEST_F(SessionCallsTest, CreatingASessionIsRefusedForServersAndAFullList) {
  EXPECT_EQ(VxbCreateSession(u"dict@server"), -53);
  const int32_t before = TSessionList::Instance().Count();
  for (int32_t i = before; i < TSessionList::kMaxSessions; ++i) NewSession();
  EXPECT_EQ(VxbCreateSession(Location().c_str()), -53);
  EXPECT_EQ(TSessionList::Instance().Count(), TSessionList::kMaxSessions);
  EXPECT_EQ(VxbGetVersion(), 8102);
}

TEST_F(SessionCallsTest, OpeningAMissingDatabaseGivesMinus58WithTheReasonAsLastError) {
  const TVxbSessHdl session = NewSession();
  const std::u16string missing = fs::u16(Dir.File("nowhere.vxbd"));
  EXPECT_EQ(VxbSessOpenDb(session, missing.c_str(), u"", u"", 0, 0), -58);
  EXPECT_EQ(LastError(session), "-37 File not found or access denied: \"" + Dir.File("nowhere.vxbd") + "\"");
  EXPECT_EQ(VxbSessIsSingleFile(session), -105);

  // Single-file databases are not built: any other failure is -53.
  const std::u16string compound = fs::u16(Dir.File("nowhere"));
  EXPECT_EQ(VxbSessOpenDb(session, compound.c_str(), u"", u"", 0, 0), -53);
  EXPECT_EQ(LastError(session), "-187 This feature is not supported: single-file databases");
}

TEST_F(SessionCallsTest, OpeningTheOpenDatabaseAgainClosesItsTablesFirst) {
  CreateDictionary();
  const TVxbSessHdl session = OpenSession();
  const TVxbRltnHdl relation = OpenDictionary(session);
  ASSERT_EQ(VxbSessOpenDb(session, Location().c_str(), u"", u"", 2048, kVxbOpenReadOnly), 0) << LastError(session);
  EXPECT_EQ(VxbRltnRecordCount(relation), -101);
  TVxbLocalSession& local = *TSessionList::Instance().GetLocalSession(session);
  EXPECT_TRUE(local.Catalog()->ReadOnly());
  EXPECT_EQ(local.Catalog()->CacheSize(), 2048);
  // Read-only: the table opens without its rights.
  const TVxbRltnHdl again = OpenDictionary(session);
  EXPECT_TRUE(local.Catalog()->GetRelation(static_cast<int16_t>(again & 0xFF))->GetReadOnly());
}

TEST_F(SessionCallsTest, TableOpenFailuresReadAsCallResultsWithTheEngineErrorStored) {
  CreateDictionary();
  const TVxbSessHdl session = OpenSession();
  struct Case {
    const char16_t* Table;
    int16_t Result;
    int16_t LastError;
  };
  OpenDictionary(session);
  for (const Case& c :
       {Case{u"Missing", -1, -37}, Case{u"Eng_hun", -1, -35}, Case{u"../outside", -1, -58}, Case{u"a|b", -1, -58}}) {
    EXPECT_EQ(VxbSessOpenTable(session, c.Table, nullptr, 15, true, false), c.Result) << fs::u8(c.Table);
    EXPECT_EQ(LastErrorCode(session), c.LastError) << fs::u8(c.Table) << ": " << LastError(session);
  }
  EXPECT_EQ(LastError(session),
            "-58 \"a|b\" is not a valid table or index name. (These identifiers must be valid file names without "
            "extension.)");
}

TEST_F(SessionCallsTest, AddTableOpensWithAllRightsAndRemoveTableClosesByName) {
  CreateDictionary();
  const TVxbSessHdl session = OpenSession();
  const TVxbRltnHdl relation = VxbSessAddTable(session, u"Eng_hun.vxbt");
  ASSERT_GT(relation, 0) << LastError(session);
  TVxbLocalSession& local = *TSessionList::Instance().GetLocalSession(session);
  EXPECT_EQ(local.Catalog()->GetRelation(static_cast<int16_t>(relation & 0xFF))->Rights() & 0x0F, 15);

  EXPECT_EQ(VxbSessRemoveTable(session, u"eng_hun"), 0);
  EXPECT_EQ(VxbSessFindRltnHdl(session, u"Eng_hun"), 0);
  EXPECT_EQ(VxbRltnRecordCount(relation), -101);
  // Nothing of that name is open any more.
  EXPECT_EQ(VxbSessRemoveTable(session, u"Eng_hun"), -100);
  EXPECT_EQ(LastError(session), "-88 Table \"Eng_hun\" not found");
}

TEST_F(SessionCallsTest, UnneededTablesCloseAndOthersChangesAreRegistered) {
  CreateDictionary();
  // Another user, forked before this process has sessions or threads,
  // appends a record when asked.
  TChildProcess other([&](const TChannel& channel) {
    if (channel.Receive() != 'a') return 5;
    TChildSession child(Dir.Path().string());
    if (child.Opened() != 0) return 1;
    const int16_t rltnIdx =
        child.Catalog().OpenTable(u"Eng_hun", u"", false, false, true, storage::testing::kSharedForTest);
    if (rltnIdx <= 0) return 2;
    if (Append(*child.Catalog().GetTable(rltnIdx), u"apple", u"alma") <= 0) return 3;
    child.Catalog().Close();
    channel.Send('d');
    return 0;
  });
  const TVxbSessHdl session = OpenSession();
  const TVxbRltnHdl relation = OpenDictionary(session);
  EXPECT_EQ(VxbSessRegisterModifications(session), 0);
  other.Send('a');
  ASSERT_EQ(other.Receive(), 'd');
  EXPECT_EQ(other.Wait(), 0);

  EXPECT_EQ(VxbSessRegisterModifications(session), 1);
  EXPECT_EQ(VxbRltnRecordCount(relation), 1);
  EXPECT_EQ(VxbSessRegisterModifications(session), 0);

  EXPECT_EQ(VxbSessCloseUnneededTables(session), 0);
  EXPECT_EQ(VxbSessFindRltnHdl(session, u"Eng_hun"), 0);
}

TEST_F(SessionCallsTest, TransactionsBeginOnceAndEndByCommitOrRollback) {
  const TVxbSessHdl session = OpenSession();
  EXPECT_EQ(VxbSessGetIsolationLevel(session), 0);
  EXPECT_EQ(VxbSessBeginTransaction(session), 0);
  EXPECT_EQ(VxbSessGetIsolationLevel(session), 2);
  EXPECT_EQ(VxbSessBeginTransaction(session), -63);
  EXPECT_EQ(LastError(session), "-183 There is already a transaction running");
  EXPECT_EQ(VxbSessEndTransaction(session), 0);
  EXPECT_EQ(VxbSessGetIsolationLevel(session), 0);
  EXPECT_EQ(VxbSessBeginTransaction(session), 0);
  EXPECT_EQ(VxbSessCancelTransaction(session), 0);
  EXPECT_EQ(VxbSessGetIsolationLevel(session), 0);
  // Nothing runs: nothing to end.
  EXPECT_EQ(VxbSessEndTransaction(session), 0);
}

TEST_F(SessionCallsTest, TheLastErrorIsEmptyAtFirstAndCutToTheCallersBuffer) {
  const TVxbSessHdl session = OpenSession();
  int16_t code = 5;
  TextBuffer message;
  EXPECT_EQ(VxbSessGetLastError(session, code, message.data(), 255), 0);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(message.Text(), "");
  EXPECT_EQ(VxbSessGetLastErrorPos(session, message.data(), 255), 0);
  EXPECT_EQ(message.Text(), "");

  EXPECT_EQ(VxbSessOpenTable(session, u"Missing", nullptr, 15, true, false), -1);
  TextBuffer cut;
  EXPECT_EQ(VxbSessGetLastError(session, code, cut.data(), 10), 0);
  EXPECT_EQ(code, -37);
  EXPECT_EQ(cut.Text(), "File not f");
  EXPECT_EQ(cut.Chars[11], u'#');
  // A later success leaves it as it is.
  EXPECT_EQ(VxbSessGetIsolationLevel(session), 0);
  EXPECT_EQ(LastErrorCode(session), -37);

  TextBuffer callText;
  EXPECT_EQ(VxbGetErrorMsg(-58, callText.data(), 8), 0);
  EXPECT_EQ(callText.Text(), "Database");
  EXPECT_EQ(callText.Chars[9], u'#');
}

TEST_F(SessionCallsTest, NetParamsAreReadWithinTheirFieldsAndStationZeroKeepsTheSessionsStation) {
  const TVxbSessHdl session = NewSession();
  TVxbLocalSession& local = *TSessionList::Instance().GetLocalSession(session);
  const uint32_t drawn = local.ConnectionId();
  ASSERT_NE(drawn, 0u);
  TVxbNetParams params;
  // Unterminated texts end with their fields.
  std::fill(std::begin(params.StationName), std::end(params.StationName), u'x');
  std::fill(std::begin(params.NetDirs), std::end(params.NetDirs), u'n');
  params.StationNo = 0;
  EXPECT_EQ(VxbSessSetNetParams(session, params), 0);
  EXPECT_EQ(local.Services()->IdName(), std::u16string(41, u'x'));
  EXPECT_EQ(local.Services()->NetworkDirs().size(), 256u);
  EXPECT_EQ(local.ConnectionId(), drawn);
  EXPECT_EQ(local.Services()->Station(), drawn);
}

TEST_F(SessionCallsTest, ALogThatCannotBeCreatedIsAFailure) {
  const TVxbSessHdl session = NewSession();
  const std::string blocker = Dir.File("plain-file");
  std::ofstream(blocker) << "x";
  TVxbNetParams params;
  const std::u16string privateDir = fs::u16(blocker + "/logs");
  std::copy(privateDir.begin(), privateDir.end(), params.PrivateDir);
  params.StationNo = 77;
  // The private directory cannot be made; that alone is no failure.
  ASSERT_EQ(VxbSessSetNetParams(session, params), 0);
  EXPECT_EQ(VxbSessSetLogLevel(session, 2), -100);
  EXPECT_EQ(LastErrorCode(session), -3);
  EXPECT_EQ(TSessionList::Instance().GetLocalSession(session)->Services()->LogLevel(), 0);
}

TEST_F(SessionCallsTest, TheLastSessionRefusesTablesWhoseHandlesNoCallWouldAccept) {
  // Session 100 reaches its relations by the handles 25345 to 25408 only.
  const int32_t before = TSessionList::Instance().Count();
  ASSERT_EQ(before, 0) << "the test needs the whole session list";
  for (int32_t i = 1; i < TSessionList::kMaxSessions; ++i) NewSession();
  const TVxbSessHdl last = OpenSession();
  ASSERT_EQ(last, 100);
  for (int i = 1; i <= 65; ++i) {
    auto table = MakeTable(fs::u16("T" + std::to_string(i) + ".vxbt"));
    ASSERT_GT(table->AddColumn(storage::testing::Spec(u"N", 16)), 0) << Error();
    ASSERT_EQ(table->NewFile({}, {}, {}), 0) << Error();
    ASSERT_EQ(table->Close(), 0);
  }
  for (int i = 1; i <= 64; ++i) {
    const std::u16string name = fs::u16("T" + std::to_string(i));
    ASSERT_EQ(VxbSessOpenTable(last, name.c_str(), nullptr, 15, true, false), 25344 + i) << LastError(last);
  }
  EXPECT_EQ(VxbRltnRecordCount(25408), 0);
  EXPECT_EQ(VxbSessOpenTable(last, u"T65", nullptr, 15, true, false), -2);
  EXPECT_EQ(LastErrorCode(last), -171);
  EXPECT_EQ(VxbSessFindRltnHdl(last, u"T65"), 0);
}

// A cursor of the session on its relation, in the process's cursor table.
int16_t AddCursor(TVxbSessHdl sessionHdl, TVxbRltnHdl rltnHdl) {
  TVxbLocalSession& session = *TSessionList::Instance().GetLocalSession(sessionHdl);
  return calls::TCursorTable::Instance().Add(sessionHdl,
                                             [&](int16_t handle, std::unique_ptr<cursor::TVxbCursorHost>& host,
                                                 std::unique_ptr<cursor::TVxbCursor>& made) -> int16_t {
                                               host = std::make_unique<calls::TSessionCursorHost>(session);
                                               made = std::make_unique<cursor::TVxbCursor>(
                                                   handle, *host, static_cast<int16_t>(rltnHdl & 0xFF), u"Table1");
                                               return made->Open();
                                             });
}

TEST_F(SessionCallsTest, ClosingReopeningOrDeletingASessionEndsItsCursorsFirst) {
  CreateDictionary();
  struct Case {
    const char* Ending;
    std::function<int16_t(TVxbSessHdl)> End;
  };
  const std::u16string location = Location();
  const std::vector<Case> cases = {
      {"CloseDb", [](TVxbSessHdl h) { return VxbSessCloseDb(h); }},
      {"OpenDb again", [&](TVxbSessHdl h) { return VxbSessOpenDb(h, location.c_str(), u"", u"", 0, 0); }},
      {"Delete", [](TVxbSessHdl h) { return VxbSessDelete(h); }},
  };
  for (const Case& c : cases) {
    const TVxbSessHdl session = OpenSession();
    const TVxbSessHdl other = OpenSession();
    const int16_t cursor = AddCursor(session, OpenDictionary(session));
    const int16_t othersCursor = AddCursor(other, OpenDictionary(other));
    ASSERT_GT(cursor, 0) << c.Ending;
    ASSERT_GT(othersCursor, 0) << c.Ending;
    EXPECT_EQ(c.End(session), 0) << c.Ending;
    EXPECT_EQ(calls::TCursorTable::Instance().Get(cursor), nullptr) << c.Ending;
    // Another session's cursors stay.
    EXPECT_NE(calls::TCursorTable::Instance().Get(othersCursor), nullptr) << c.Ending;
    EXPECT_EQ(VxbSessDelete(other), 0) << c.Ending;
    EXPECT_EQ(calls::TCursorTable::Instance().Get(othersCursor), nullptr) << c.Ending;
    VxbSessDelete(session);
  }
}

TEST_F(SessionCallsTest, NoStatementIsEverCreatedSoEveryStatementCallGivesMinus104) {
  const TVxbSessHdl session = OpenSession();
  EXPECT_EQ(VxbSessCreateStatement(session), -100);
  EXPECT_EQ(LastError(session), "-187 This feature is not supported: SQL statements");

  int32_t row = 0;
  int32_t column = 0;
  for (const TVxbStmtHdl handle : {TVxbStmtHdl{0}, TVxbStmtHdl{1}, TVxbStmtHdl{300}, TVxbStmtHdl{-1}}) {
    EXPECT_EQ(VxbStmtSetSqlText(handle, u"SELECT * FROM Eng_hun"), -104);
    EXPECT_EQ(VxbStmtPrepare(handle), -104);
    EXPECT_EQ(VxbStmtExecute(handle), -104);
    EXPECT_EQ(VxbStmtCreateResultTableHdl(handle), -104);
    EXPECT_EQ(VxbStmtAddParam(handle, u"p", 16), -104);
    EXPECT_EQ(VxbStmtSetParam(handle, u"p", &row, 4), -104);
    EXPECT_EQ(VxbStmtClearParams(handle), -104);
    EXPECT_EQ(VxbStmtGetErrorPos(handle, row, column), -104);
    EXPECT_EQ(VxbStmtUnprepare(handle), -104);
    EXPECT_EQ(VxbStmtDelete(handle), -104);
  }
}

}  // namespace
}  // namespace vexilo::api::testing
