// The table check: a sound table gives no finding; damaged memo files and
// damaged indexes each give their findings with the right object, kind and
// severity in the report relation; a progress callback can stop the check.
#include <functional>
#include <stdexcept>

#include "engine/storage/values/memo_file.h"
#include "tests/engine/storage/base_table_fixture.h"

namespace vexilo::storage::testing {
namespace {

struct Finding {
  std::u16string Table;
  int64_t Kind = 0;
  std::u16string Object;
  int64_t Severity = 0;
  std::u16string Message;
  friend bool operator==(const Finding&, const Finding&) = default;
};

void PrintTo(const Finding& f, std::ostream* os) {
  *os << "{" << fs::u8(f.Table) << ", " << f.Kind << ", " << fs::u8(f.Object) << ", " << f.Severity << ", "
      << fs::u8(f.Message) << "}";
}

class BaseTableCheck : public BaseTableFixture {
 protected:
  void SetUp() override {
    CreateDictionary();
    auto table = Open();
    Append(*table, u"cat", u"macska", u"háziállat");
    Append(*table, u"apple", u"alma");
    Append(*table, u"dog", u"kutya", u"ugat");
    Append(*table, u"bird", u"madár");
    CreateReport();
  }

  // The report relation: an ANSI String for the table name and the message,
  // a WideString for the object, a Byte and a SmallInt for kind and severity.
  void CreateReport() {
    Report = MakeTable(u"Report.vxbt");
    ASSERT_GT(Report->AddColumn(Spec(u"TABLE", 1, 40)), 0) << Error();
    ASSERT_GT(Report->AddColumn(Spec(u"KIND", 4)), 0) << Error();
    ASSERT_GT(Report->AddColumn(Spec(u"OBJECT", 18, 40)), 0) << Error();
    ASSERT_GT(Report->AddColumn(Spec(u"SEVERITY", 2)), 0) << Error();
    ASSERT_GT(Report->AddColumn(Spec(u"MESSAGE", 1, 120)), 0) << Error();
    ASSERT_EQ(Report->NewFile({}, {}, {}), 0) << Error();
    ASSERT_EQ(Report->Setup(false), 0) << Error();
  }

  std::vector<Finding> Findings() {
    std::vector<Finding> findings;
    std::vector<uint8_t> rec = Buffer(*Report);
    for (int32_t n = 1; n <= Report->GetRecordCount(); ++n) {
      Report->ReadRecord(n, rec.data());
      Finding f;
      std::string ansi;
      Report->GetAnsiString(rec.data(), 1, ansi);
      f.Table = fs::u16(ansi);
      Report->GetInteger(rec.data(), 2, f.Kind);
      Report->GetWideString(rec.data(), 3, f.Object);
      Report->GetInteger(rec.data(), 4, f.Severity);
      Report->GetAnsiString(rec.data(), 5, ansi);
      f.Message = fs::u16(ansi);
      findings.push_back(f);
    }
    return findings;
  }

  std::vector<Finding> Check(TVxbBaseTable& table, const TVxbCheckProgress& progress = nullptr) {
    EXPECT_EQ(table.Check(*Report, progress), 0) << Error();
    return Findings();
  }

  static Finding Index(std::u16string name, int severity, std::u16string message) {
    return {u"Eng_hun", 3, std::move(name), severity, std::move(message)};
  }

  std::unique_ptr<TVxbBaseTable> Report;
};

TEST_F(BaseTableCheck, ASoundTableGivesNoFinding) {
  auto table = Open(kSharedForTest);
  EXPECT_EQ(Check(*table), std::vector<Finding>{});
  EXPECT_EQ(table->Locks().ReadLocks(), 0) << "the read lock is given back";
}

struct IndexDamageCase {
  const char* what;
  // Damages the ENG index of the open table.
  std::function<void(index::TVxbIndexFile&)> damage;
  // Damages the ENG index file while the table is closed.
  std::function<void(const std::filesystem::path&)> damageFile;
  std::vector<std::pair<int, std::u16string>> findings;
};

TEST_F(BaseTableCheck, EachKindOfIndexDamageIsReportedForItsIndex) {
  const IndexDamageCase cases[] = {
      {"an entry missing",
       [](index::TVxbIndexFile& index) {
         auto entry = index.CreateLongIndexInfo();
         ASSERT_EQ(index.Erster_Index(*entry), 0);
         ASSERT_EQ(index.Naechster_Index(*entry), 0);
         ASSERT_EQ(index.Loesche_Index(*entry), 0);
       },
       nullptr,
       {{2, u"Index has wrong number of items"}, {1, u"Index does not include all table records"}}},
      {"an entry too many",
       [](index::TVxbIndexFile& index) {
         auto entry = index.CreateLongIndexInfo();
         ASSERT_EQ(index.Letzter_Index(*entry), 0);
         entry->DateiVerweis = 99;
         ASSERT_EQ(index.Add_Index(*entry, static_cast<size_t>(index.GetIndSize())), 0);
       },
       nullptr,
       {{2, u"Index has wrong number of items"}, {2, u"Index contains loop"}}},
      {"a file that is no index",
       nullptr,
       [](const std::filesystem::path& file) {
         std::ofstream(file, std::ios::binary | std::ios::trunc) << std::string(10000, 'x');
       },
       {{1, u"Index cannot be found"}}},
      {"tree pages overwritten behind intact headers",
       nullptr,
       [](const std::filesystem::path& file) {
         std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
         out.seekp(0, std::ios::end);
         const int64_t size = out.tellp();
         ASSERT_GT(size, 4096);
         out.seekp(4096);
         const std::string rubbish(static_cast<size_t>(size - 4096), '\xA5');
         out.write(rubbish.data(), static_cast<std::streamsize>(rubbish.size()));
       },
       {{2, u"Index ist corrupt"}}},
  };
  bool first = true;
  for (const IndexDamageCase& c : cases) {
    SCOPED_TRACE(c.what);
    if (!first) SetUp();  // a fresh dictionary and report for each case
    first = false;
    if (c.damageFile) c.damageFile(Dir.File("Eng_hun!ENG.vxbi"));
    auto table = Open();
    if (c.damage) c.damage(*table->GetIndexFile(table->FindIndexNo(u"ENG")));
    std::vector<Finding> expected;
    for (const auto& [severity, message] : c.findings) expected.push_back(Index(u"ENG", severity, message));
    EXPECT_EQ(Check(*table), expected);
    table.reset();
    Report.reset();
    for (const auto& entry : std::filesystem::directory_iterator(Dir.Path())) std::filesystem::remove(entry.path());
  }
}

// A table with a Memo column whose first value spans three blocks.
class MemoTableCheck : public BaseTableCheck {
 protected:
  void SetUp() override {
    CreateReport();
    auto table = MakeTable(u"Notes.vxbt");
    ASSERT_GT(table->AddColumn(Spec(u"WORD", 1, 20)), 0) << Error();
    ASSERT_GT(table->AddColumn(Spec(u"NOTE", 7)), 0) << Error();
    ASSERT_EQ(table->NewFile({}, {}, {}), 0) << Error();
    ASSERT_EQ(table->Setup(false), 0) << Error();
    std::vector<uint8_t> rec = Buffer(*table);
    for (const auto& [word, note] :
         {std::pair<std::string, std::string>{"long", std::string(600, 'n')}, {"short", "rövid"}}) {
      table->InitRecord(rec.data(), true);
      table->SetAnsiString(rec.data(), 1, word);
      TVxbBlobData value;
      value.FieldNo = 2;
      value.AnsiData = note;
      ASSERT_GT(table->AppendRecord(rec.data(), {value}), 0) << Error();
    }
    table->ReadRecord(1, rec.data());
    FirstBlock = table->GetBlockIdx(rec.data(), 2);
    ASSERT_GT(FirstBlock, 0);
  }

  // Writes `link` as the next-block link of block `block` of the memo file.
  void PatchLink(int32_t block, int32_t link) {
    std::fstream file(Dir.File("Notes.vxbm"), std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(int64_t{block} * TVxbMemoFile::kBlockSize);
    uint8_t bytes[4];
    types::TvwMemory::WriteInt32(bytes, 0, link);
    file.write(reinterpret_cast<const char*>(bytes), 4);
  }

  int32_t FirstBlock = 0;
};

TEST_F(MemoTableCheck, AChainCutShortOrLeadingOutOfTheFileIsReported) {
  const Finding unused{u"Notes", 4, u"Memo", 2, u"Unused block not in freelist"};
  struct Case {
    const char* what;
    int32_t link;
    std::vector<Finding> findings;
  };
  const Case cases[] = {
      {"chain ended after its first block", -1, {unused, unused}},
      {"chain leading past the file",
       5000,
       {{u"Notes", 4, u"Memo", 2, u"Record 1, field NOTE - Invalid block in chain."}, unused, unused}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PatchLink(FirstBlock, c.link);
    auto table = Open(kNewTableRights, u"Notes.vxbt");
    EXPECT_EQ(Check(*table), c.findings);
    table.reset();
    Report->ClearDat();
    PatchLink(FirstBlock, FirstBlock + 1);
    auto repaired = Open(kNewTableRights, u"Notes.vxbt");
    EXPECT_EQ(Check(*repaired), std::vector<Finding>{}) << "the fixture is sound again";
  }
}

TEST_F(BaseTableCheck, AProgressAnswerOfOneStopsTheCheckAfterItsStep) {
  auto table = Open();
  std::vector<std::pair<int64_t, int64_t>> calls;
  const auto stop = [&](int64_t done, int64_t total) {
    calls.emplace_back(done, total);
    return 1;
  };
  // The blob file comes first: its step is the one reported.
  EXPECT_EQ(Check(*table, stop),
            (std::vector<Finding>{{u"Eng_hun", 4, u"Blob", 0, u"user terminated table analysis"}}));
  EXPECT_EQ(calls, (std::vector<std::pair<int64_t, int64_t>>{{1, 4}}));
}

TEST_F(BaseTableCheck, ProgressCountsTheStorageFileAndEveryIndexPlace) {
  auto table = Open();
  ASSERT_EQ(table->DeleteIndex(table->FindIndexNo(u"HUN")), 0) << Error();
  std::vector<std::pair<int64_t, int64_t>> calls;
  const auto goOn = [&](int64_t done, int64_t total) {
    calls.emplace_back(done, total);
    return 0;
  };
  EXPECT_EQ(Check(*table, goOn), std::vector<Finding>{});
  EXPECT_EQ(calls, (std::vector<std::pair<int64_t, int64_t>>{{1, 4}, {2, 4}, {3, 4}, {4, 4}}))
      << "the empty place counts as a step";
}

// What a progress callback raises ends the check: a standard exception is
// recorded and answered with its error, any other goes on to the caller. On
// both paths the check's read lock is given back, so the table still takes
// records afterwards.
TEST_F(BaseTableCheck, ACheckLeftByAnExceptionGivesBackItsReadLock) {
  struct TNotAStandardException {};
  struct Case {
    const char* Name;
    std::function<int(int64_t, int64_t)> Progress;
    bool Escapes;
  };
  const Case cases[] = {
      {"standard exception", [](int64_t, int64_t) -> int { throw std::runtime_error("stopped"); }, false},
      {"other exception", [](int64_t, int64_t) -> int { throw TNotAStandardException{}; }, true},
  };
  auto table = Open(kSharedForTest);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    if (c.Escapes) {
      EXPECT_THROW(table->Check(*Report, c.Progress), TNotAStandardException);
    } else {
      EXPECT_LT(table->Check(*Report, c.Progress), 0);
    }
    EXPECT_EQ(table->CountReadLocks(), 0);
    EXPECT_GT(Append(*table, u"fish", u"hal"), 0) << Error();
  }
}

}  // namespace
}  // namespace vexilo::storage::testing
