// The maintenance calls: checking tables into a report table (sound and
// damaged tables, progress and stopping, the handles refused), backing a
// database up into a directory that opens as the same database, creating
// directory databases (plain and managed) and deleting them with their
// files, and what each refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/api/calls/maintenance_calls.h"
#include "engine/api/calls/relation_calls.h"
#include "engine/api/calls/session_calls.h"
#include "engine/api/calls/table_calls.h"
#include "engine/api/local_session.h"
#include "engine/api/session_list.h"
#include "tests/engine/api/calls/call_fixture.h"

namespace vexilo::api::testing {
namespace {

namespace stdfs = std::filesystem;

// One record of a check report.
struct Finding {
  std::string Table;
  int64_t ObjectType = 0;
  std::string Object;
  int64_t Severity = 0;
  std::string Description;
};

class MaintenanceCallsTest : public CallFixture {
 protected:
  // The dictionary with three entries.
  void MakeDictionary(const std::string& fileName = "Eng_hun.vxbt") {
    CreateDictionary(fs::u16(fileName));
    auto table = Open(storage::kNewTableRights, fs::u16(fileName));
    ASSERT_GT(Append(*table, u"apple", u"alma", u"a fruit"), 0) << Error();
    ASSERT_GT(Append(*table, u"pear", u"k\u00f6rte"), 0) << Error();
    ASSERT_GT(Append(*table, u"plum", u"szilva", u"blue"), 0) << Error();
    ASSERT_EQ(table->Close(), 0);
  }
  // An open session whose private directory is "private" in the test's
  // directory.
  TVxbSessHdl OpenPrivateSession() {
    const TVxbSessHdl session = OpenSession();
    TVxbNetParams params;
    EXPECT_EQ(VxbSessGetDefaultNetParams(session, params), 0);
    const std::u16string privateDir = fs::u16(PrivateDir().string());
    std::copy(privateDir.begin(), privateDir.end(), params.PrivateDir);
    EXPECT_EQ(VxbSessSetNetParams(session, params), 0);
    return session;
  }
  stdfs::path PrivateDir() const { return Dir.Path() / "private"; }

  static TVxbCatalogTable& Table(TVxbSessHdl session, TVxbRltnHdl rltnHdl) {
    return *TSessionList::Instance().GetLocalSession(session)->Catalog()->GetTable(
        static_cast<int16_t>(rltnHdl & 0xFF));
  }
  static std::vector<Finding> Findings(TVxbSessHdl session, TVxbRltnHdl report) {
    TVxbCatalogTable& table = Table(session, report);
    std::vector<Finding> findings;
    std::vector<uint8_t> rec(static_cast<size_t>(table.GetRecordSize()));
    for (int32_t recNo = 1; recNo <= table.GetRecordCount(); ++recNo) {
      EXPECT_EQ(table.ReadRecord(recNo, rec.data()), 0);
      Finding finding;
      std::u16string text;
      table.GetWideString(rec.data(), 1, text);
      finding.Table = fs::u8(text);
      table.GetInteger(rec.data(), 2, finding.ObjectType);
      table.GetWideString(rec.data(), 3, text);
      finding.Object = fs::u8(text);
      table.GetInteger(rec.data(), 4, finding.Severity);
      table.GetWideString(rec.data(), 5, text);
      finding.Description = fs::u8(text);
      findings.push_back(finding);
    }
    return findings;
  }
  // The (ENG, HUN, LEIR) rows of the dictionary table open under `rltnHdl`,
  // in the order of index `indexName`, read through the table calls.
  std::vector<std::vector<std::u16string>> Rows(TVxbRltnHdl rltnHdl, const char16_t* indexName) {
    const TVxbTableHdl handle = VxbTableCreate(rltnHdl, u"rows");
    EXPECT_GT(handle, 0);
    EXPECT_EQ(VxbTableSetIndex(handle, indexName, false), 0);
    std::vector<std::vector<std::u16string>> rows;
    TVxbCatalogTable* table = nullptr;
    for (const TVxbSessHdl session : FHandles) {
      TVxbLocalSession* local = TSessionList::Instance().GetLocalSession(session);
      if (local != nullptr && local->Handle() == ((rltnHdl >> 8) + 1)) table = &Table(session, rltnHdl);
    }
    EXPECT_NE(table, nullptr);
    std::vector<uint8_t> rec(static_cast<size_t>(VxbTableGetRecordSize(handle)));
    for (int32_t moved = VxbTableFirst(handle); moved >= 0 && table != nullptr; moved = VxbTableMoveBy(handle, 1)) {
      EXPECT_EQ(VxbTableGetRecord(handle, rec.data(), static_cast<int32_t>(rec.size())), 0);
      std::u16string eng, hun, leir;
      table->GetWideString(rec.data(), storage::testing::kEng, eng);
      table->GetWideString(rec.data(), storage::testing::kHun, hun);
      table->ReadBlobDataWide(storage::testing::kLeir, table->GetBlockIdx(rec.data(), storage::testing::kLeir), leir);
      rows.push_back({eng, hun, leir});
    }
    VxbTableDelete(handle);
    return rows;
  }
  static std::vector<std::string> FileNames(const stdfs::path& directory) {
    std::vector<std::string> names;
    for (const auto& entry : stdfs::directory_iterator(directory)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

// --- checking tables ---

TEST_F(MaintenanceCallsTest, CheckOfASoundTableOpensAnEmptyReportInThePrivateDirectory) {
  MakeDictionary();
  const TVxbSessHdl session = OpenPrivateSession();
  const TVxbRltnHdl dictionary = OpenDictionary(session);
  std::vector<std::pair<int32_t, int32_t>> heard;
  const TVxbRltnHdl report = VxbSessCheckTable(session, dictionary, [&](int32_t done, int32_t total) {
    heard.emplace_back(done, total);
    return 0;
  });
  ASSERT_GT(report, 0) << LastError(session);

  TVxbTableInfo info;
  ASSERT_EQ(VxbRltnGetTableInfo(report, info), 0);
  EXPECT_EQ(stdfs::path(fs::u8(info.FileName)), PrivateDir() / "VxbCheck_1.vxbt");
  EXPECT_EQ(VxbSessFindRltnHdl(session, u"VxbCheck_1"), report);
  EXPECT_TRUE(Findings(session, report).empty());

  // The columns a reader of the report finds by name.
  const TVxbTableHdl cursor = VxbTableCreate(report, u"report");
  ASSERT_GT(cursor, 0);
  int16_t fieldNo = 1;
  for (const char16_t* column : {u"TableName", u"ObjectType", u"ObjectName", u"Severity", u"Description"}) {
    EXPECT_EQ(VxbTableGetFieldNo(cursor, column), fieldNo++) << fs::u8(column);
  }
  EXPECT_EQ(VxbTableGetNumFields(cursor), 5);
  EXPECT_EQ(VxbTableGetDataType(cursor, 4), 2);
  EXPECT_EQ(VxbTableDelete(cursor), 0);

  // One step per index place and the blob file of the description, the
  // last step done being all of them.
  ASSERT_FALSE(heard.empty());
  EXPECT_EQ(heard.back().first, heard.back().second);
  EXPECT_GE(heard.back().second, 3);

  // A second check makes a report of its own.
  const TVxbRltnHdl second = VxbSessCheckTable(session, dictionary, nullptr);
  ASSERT_GT(second, 0) << LastError(session);
  EXPECT_NE(second, report);
  EXPECT_EQ(VxbSessFindRltnHdl(session, u"VxbCheck_2"), second);
}

TEST_F(MaintenanceCallsTest, CheckReportsAnIndexThatLacksRecords) {
  // (Severity 1 or 2, as the table check rates what it meets.)
  CreateDictionary();
  {
    auto table = Open();
    ASSERT_GT(Append(*table, u"apple", u"alma"), 0) << Error();
    ASSERT_EQ(table->Close(), 0);
  }
  // An index file as it was before two more records came.
  const stdfs::path index = Dir.Path() / "Eng_hun!ENG.vxbi";
  ASSERT_TRUE(stdfs::exists(index)) << "index file name";
  stdfs::copy_file(index, Dir.Path() / "old.index");
  {
    auto table = Open();
    ASSERT_GT(Append(*table, u"pear", u"korte"), 0) << Error();
    ASSERT_GT(Append(*table, u"plum", u"szilva"), 0) << Error();
    ASSERT_EQ(table->Close(), 0);
  }
  stdfs::copy_file(Dir.Path() / "old.index", index, stdfs::copy_options::overwrite_existing);

  const TVxbSessHdl session = OpenPrivateSession();
  const TVxbRltnHdl dictionary = OpenDictionary(session);
  const TVxbRltnHdl report = VxbSessCheckTable(session, dictionary, nullptr);
  ASSERT_GT(report, 0) << LastError(session);
  const std::vector<Finding> findings = Findings(session, report);
  ASSERT_FALSE(findings.empty());
  for (const Finding& finding : findings) {
    EXPECT_EQ(finding.Table, "Eng_hun");
    EXPECT_EQ(finding.ObjectType, 3);
    EXPECT_EQ(finding.Object, "ENG");
    EXPECT_GE(finding.Severity, 1) << finding.Description;
  }
}

TEST_F(MaintenanceCallsTest, CheckOfEveryTableStopsWhereTheProgressSaysSo) {
  MakeDictionary();
  MakeDictionary("Second.vxbt");
  const TVxbSessHdl session = OpenPrivateSession();
  const TVxbRltnHdl first = OpenDictionary(session);
  ASSERT_GT(VxbSessOpenTable(session, u"Second", nullptr, 15, true, false), 0) << LastError(session);

  // Every table: the steps of both are counted together.
  int32_t lastTotal = 0;
  int32_t calls = 0;
  const TVxbRltnHdl all = VxbSessCheckTable(session, 0, [&](int32_t done, int32_t total) {
    ++calls;
    EXPECT_EQ(done, calls);
    lastTotal = total;
    return 0;
  });
  ASSERT_GT(all, 0) << LastError(session);
  EXPECT_EQ(calls, lastTotal);
  EXPECT_TRUE(Findings(session, all).empty());

  // Stopped at the first step: one record saying so, nothing of the second
  // table.
  const TVxbRltnHdl stopped = VxbSessCheckTable(session, 0, [](int32_t, int32_t) { return 1; });
  ASSERT_GT(stopped, 0) << LastError(session);
  const std::vector<Finding> findings = Findings(session, stopped);
  ASSERT_EQ(findings.size(), 1u);
  EXPECT_EQ(findings[0].Severity, 0);
  TextBuffer name;
  ASSERT_EQ(VxbRltnGetName(first, name.data(), 255, false), 0);
  EXPECT_EQ(findings[0].Table, name.Text());
}

TEST_F(MaintenanceCallsTest, CheckRefusesHandlesThatAreNotTheSessionsOpenTables) {
  MakeDictionary();
  const TVxbSessHdl session = OpenPrivateSession();
  const TVxbSessHdl other = OpenPrivateSession();
  const TVxbRltnHdl othersTable = OpenDictionary(other);
  const TVxbSessHdl closed = NewSession();

  EXPECT_EQ(VxbSessCheckTable(0, 0, nullptr), -105);
  EXPECT_EQ(VxbSessCheckTable(closed, 0, nullptr), -105);
  EXPECT_EQ(VxbSessCheckTable(session, othersTable, nullptr), -17);
  EXPECT_EQ(VxbSessCheckTable(session, static_cast<TVxbRltnHdl>((session - 1) * 256 + 7), nullptr), -17);
  EXPECT_EQ(VxbSessCheckTable(session, -3, nullptr), -17);
  // Nothing was made for them.
  EXPECT_FALSE(stdfs::exists(PrivateDir() / "VxbCheck_1.vxbt"));
}

// --- compressing ---

TEST_F(MaintenanceCallsTest, CompressingADirectoryDatabaseDoesNothing) {
  MakeDictionary();
  const TVxbSessHdl session = OpenSession();
  const std::vector<std::string> before = FileNames(Dir.Path());
  EXPECT_EQ(VxbSessCompressDatabase(session), 0);
  EXPECT_EQ(FileNames(Dir.Path()), before);
  EXPECT_EQ(VxbSessCompressDatabase(NewSession()), -105);
}

// --- backing up ---

TEST_F(MaintenanceCallsTest, BackupCopiesEveryTableSoThatTheCopyOpensWithTheSameRecords) {
  MakeDictionary();
  MakeDictionary("Second.vxbt");
  const TVxbSessHdl session = OpenSession();
  // One table open (and changed) in the session, one not open at all.
  const TVxbRltnHdl dictionary = OpenDictionary(session);
  {
    const TVxbTableHdl cursor = VxbTableCreate(dictionary, u"edit");
    ASSERT_GT(cursor, 0);
    ASSERT_EQ(VxbTableSetIndex(cursor, u"ENG", false), 0);
    ASSERT_EQ(VxbTableFirst(cursor), 1);
    ASSERT_EQ(VxbTableDeleteRecord(cursor), 0) << LastError(session);
    VxbTableDelete(cursor);
  }
  const stdfs::path target = Dir.Path() / "backups" / "monday";
  std::vector<int32_t> done;
  ASSERT_EQ(VxbSessBackupDatabase(session, fs::u16(target.string()).c_str(), kVxbDirectoryDatabase,
                                  [&](int32_t tablesDone, int32_t total) {
                                    EXPECT_EQ(total, 2);
                                    done.push_back(tablesDone);
                                    return 0;
                                  }),
            0)
      << LastError(session);
  EXPECT_EQ(done, (std::vector<int32_t>{1, 2}));

  // Table, index, blob files; no lock, move or redo file, no control file.
  for (const std::string& name : FileNames(target)) {
    const std::string extension = stdfs::path(name).extension().string();
    EXPECT_TRUE(extension == ".vxbt" || extension == ".vxbi" || extension == ".vxbb") << name;
  }
  // The session's table stays open, and the table it opened is closed.
  EXPECT_GT(VxbSessFindRltnHdl(session, u"Eng_hun"), 0);
  EXPECT_EQ(VxbSessFindRltnHdl(session, u"Second"), 0);

  const std::vector<std::vector<std::u16string>> original = Rows(dictionary, u"HUN");
  ASSERT_EQ(original.size(), 2u);
  const TVxbSessHdl copy = NewSession();
  ASSERT_EQ(VxbSessOpenDb(copy, fs::u16(target.string()).c_str(), u"", u"", 0, 0), 0) << LastError(copy);
  const TVxbRltnHdl copied = VxbSessOpenTable(copy, u"Eng_hun", nullptr, 15, true, false);
  ASSERT_GT(copied, 0) << LastError(copy);
  EXPECT_EQ(Rows(copied, u"HUN"), original);
  EXPECT_EQ(Rows(copied, u""), Rows(dictionary, u""));
  EXPECT_EQ(VxbSessOpenTable(copy, u"Second", nullptr, 15, true, false) > 0, true) << LastError(copy);
}

TEST_F(MaintenanceCallsTest, BackupRefusesWhatItCannotMake) {
  MakeDictionary();
  const TVxbSessHdl session = OpenSession();
  std::ofstream(Dir.Path() / "a-file") << "x";
  const std::u16string own = Location();
  const std::u16string elsewhere = fs::u16((Dir.Path() / "copy").string());
  const std::u16string throughFile = fs::u16((Dir.Path() / "a-file" / "copy").string());
  struct Case {
    const char* Name;
    std::u16string Target;
    int16_t Type;
    int16_t Reason;
  } cases[] = {
      {"the database's own directory", own, kVxbDirectoryDatabase, -135},
      {"the same through a longer path", own + u"/./", kVxbDirectoryDatabase, -135},
      {"an empty target", u"", kVxbDirectoryDatabase, -49},
      {"a target that cannot be made", throughFile, kVxbDirectoryDatabase, -141},
      {"a single-file database", elsewhere, kVxbSingleFileDatabase, -187},
      {"an unknown type", elsewhere, 7, -49},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VxbSessBackupDatabase(session, c.Target.c_str(), c.Type, nullptr), -100) << c.Name;
    EXPECT_EQ(LastErrorCode(session), c.Reason) << c.Name << ": " << LastError(session);
  }
  EXPECT_FALSE(stdfs::exists(Dir.Path() / "copy"));
  EXPECT_EQ(VxbSessBackupDatabase(NewSession(), elsewhere.c_str(), kVxbDirectoryDatabase, nullptr), -105);

  // Stopped after the first table.
  EXPECT_EQ(VxbSessBackupDatabase(session, elsewhere.c_str(), kVxbDirectoryDatabase,
                                  [](int32_t, int32_t) { return 1; }),
            -100);
  EXPECT_EQ(LastErrorCode(session), -114) << LastError(session);
}

// --- creating and deleting databases ---

TEST_F(MaintenanceCallsTest, CreatesADirectoryDatabaseWithItsMissingParents) {
  const TVxbSessHdl session = NewSession();
  const stdfs::path plain = Dir.Path() / "data" / "Dict";
  ASSERT_EQ(VxbSessCreateDatabase(session, kVxbDirectoryDatabase, fs::u16(plain.string()).c_str(), u"", temNone,
                                  false),
            0)
      << LastError(session);
  EXPECT_TRUE(stdfs::is_regular_file(plain / "Dict.vxbd"));
  EXPECT_EQ(VxbSessIsSingleFile(session), -105) << "the session stays closed";

  const stdfs::path managed = Dir.Path() / "data" / "Managed";
  ASSERT_EQ(VxbSessCreateDatabase(session, kVxbDirectoryDatabase, fs::u16(managed.string()).c_str(), u"", temNone,
                                  true),
            0)
      << LastError(session);

  struct Case {
    stdfs::path Location;
    int16_t ManagementLevel;
  } cases[] = {{plain, 0}, {managed, 1}};
  for (const Case& c : cases) {
    const TVxbSessHdl opened = NewSession();
    ASSERT_EQ(VxbSessOpenDb(opened, fs::u16(c.Location.string()).c_str(), u"", u"", 0, 0), 0) << LastError(opened);
    TVxbDatabaseInfo info;
    ASSERT_EQ(VxbSessGetDbInfo(opened, info), 0);
    EXPECT_EQ(info.ManagementLevel, c.ManagementLevel) << c.Location;
  }
  // The system tables with their columns.
  const TVxbSessHdl opened = NewSession();
  ASSERT_EQ(VxbSessOpenDb(opened, fs::u16(managed.string()).c_str(), u"", u"", 0, 0), 0);
  const TVxbRltnHdl columns = VxbSessFindRltnHdl(opened, u"sys_UserColumns");
  ASSERT_GT(columns, 0);
  const TVxbTableHdl cursor = VxbTableCreate(columns, u"columns");
  ASSERT_GT(cursor, 0);
  EXPECT_EQ(VxbTableGetNumFields(cursor), 7);
  EXPECT_EQ(VxbTableGetFieldNo(cursor, u"DataType"), 3);
  EXPECT_EQ(VxbTableGetDataType(cursor, 4), 16);
  VxbTableDelete(cursor);
}

TEST_F(MaintenanceCallsTest, CreateRefusesOpenSessionsSingleFilesCiphersAndPathsThroughFiles) {
  std::ofstream(Dir.Path() / "a-file") << "x";
  const std::u16string fresh = fs::u16((Dir.Path() / "fresh").string());
  const std::u16string onFile = fs::u16((Dir.Path() / "a-file").string());
  const TVxbSessHdl open = OpenSession();
  const TVxbSessHdl closed = NewSession();
  struct Case {
    const char* Name;
    TVxbSessHdl Session;
    int16_t Type;
    std::u16string Name16;
    int16_t Method;
    int16_t Result;
    int16_t Reason;
  } cases[] = {
      {"a session with its database open", open, kVxbDirectoryDatabase, fresh, temNone, -100, -135},
      {"a single-file database", closed, kVxbSingleFileDatabase, fresh, temNone, -100, -187},
      {"an enciphered database", closed, kVxbDirectoryDatabase, fresh, temBlowfish, -100, -187},
      {"an empty name", closed, kVxbDirectoryDatabase, u"", temNone, -100, -49},
      {"a file in the way", closed, kVxbDirectoryDatabase, onFile, temNone, -54, -141},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VxbSessCreateDatabase(c.Session, c.Type, c.Name16.c_str(), u"", c.Method, false), c.Result) << c.Name;
    EXPECT_EQ(LastErrorCode(c.Session), c.Reason) << c.Name << ": " << LastError(c.Session);
  }
  EXPECT_FALSE(stdfs::exists(Dir.Path() / "fresh"));
  TextBuffer message;
  int16_t code = 0;
  VxbSessGetLastError(open, code, message.data(), 255);
  EXPECT_EQ(message.Text(), "Session must not be open to create a new database.");
  EXPECT_EQ(VxbSessCreateDatabase(0, kVxbDirectoryDatabase, fresh.c_str(), u"", temNone, false), -105);
}

TEST_F(MaintenanceCallsTest, DeletesADatabaseWithEveryTableAndItsFiles) {
  MakeDictionary();
  MakeDictionary("Second.vxbt");
  {
    const TVxbSessHdl user = OpenSession();
    OpenDictionary(user);
    VxbSessDelete(user);
  }
  const TVxbSessHdl session = NewSession();
  ASSERT_EQ(VxbSessDeleteDatabase(session, Location().c_str(), u""), 0) << LastError(session);
  EXPECT_FALSE(stdfs::exists(Dir.Path()));
  stdfs::create_directories(Dir.Path());  // for the fixture's own clean-up

  // A managed database goes with its system tables, named by its control
  // file.
  const stdfs::path managed = Dir.Path() / "Managed";
  ASSERT_EQ(VxbSessCreateDatabase(session, kVxbDirectoryDatabase, fs::u16(managed.string()).c_str(), u"", temNone,
                                  true),
            0);
  ASSERT_EQ(VxbSessDeleteDatabase(session, fs::u16((managed / "Managed.vxbd").string()).c_str(), u""), 0)
      << LastError(session);
  EXPECT_FALSE(stdfs::exists(managed));
}

TEST_F(MaintenanceCallsTest, DeleteRefusesWhatIsNoDatabaseOrNotItsAlone) {
  MakeDictionary();
  const TVxbSessHdl user = OpenSession();
  OpenDictionary(user);
  const TVxbSessHdl session = NewSession();
  const stdfs::path plainDir = Dir.Path() / "plain";
  stdfs::create_directories(plainDir);
  std::ofstream(plainDir / "notes.txt") << "keep";
  struct Case {
    const char* Name;
    TVxbSessHdl Session;
    std::u16string Path;
    int16_t Reason;
  } cases[] = {
      {"a session with its database open", user, Location(), -135},
      {"a directory without control file", session, fs::u16(plainDir.string()), -135},
      {"a path that names nothing", session, fs::u16((Dir.Path() / "none").string()), -37},
      {"a table another session has open", session, Location(), 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VxbSessDeleteDatabase(c.Session, c.Path.c_str(), u""), -100) << c.Name;
    if (c.Reason != 0) {
      EXPECT_EQ(LastErrorCode(c.Session), c.Reason) << c.Name << ": " << LastError(c.Session);
    }
  }
  EXPECT_TRUE(stdfs::exists(plainDir / "notes.txt"));
  EXPECT_TRUE(stdfs::exists(Dir.Path() / "Eng_hun.vxbt"));
  EXPECT_TRUE(stdfs::exists(Dir.Path() / "Eng_hun!ENG.vxbi"));
  EXPECT_EQ(VxbSessDeleteDatabase(0, Location().c_str(), u""), -105);

  // Once nobody uses it, the database goes, but a foreign file keeps its
  // directory.
  VxbSessDelete(user);
  std::ofstream(Dir.Path() / "notes.txt") << "keep";
  EXPECT_EQ(VxbSessDeleteDatabase(session, Location().c_str(), u""), -100);
  EXPECT_EQ(LastErrorCode(session), -155) << LastError(session);
  EXPECT_FALSE(stdfs::exists(Dir.Path() / "Eng_hun.vxbt"));
  EXPECT_FALSE(stdfs::exists(Dir.Path() / "Eng_hun!ENG.vxbi"));
  EXPECT_TRUE(stdfs::exists(Dir.Path() / "notes.txt"));
}

}  // namespace
}  // namespace vexilo::api::testing
