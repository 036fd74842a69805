// Several processes changing one shared dictionary table at random for a
// while: each appends, replaces and deletes records with descriptions through
// its own session, and afterwards the table must hold exactly what the
// writers believe they left behind, with sound indexes and memo chains.
//
// Every record carries its writer, a sequence number and a version in a tag
// at the end of ENG ("#writer.sequence.version"); all of its content follows
// from that triple, so a record can be recognised wherever deletions of
// other processes have moved it. A writer follows its own records' numbers
// through the notices of its table (deletions and the moves they cause,
// including those replayed from the move file) and, before changing a
// record, reads it back under its lock and checks it is the one it expects.
//
// Size: 4 processes of 200 operations; VEXILO_SOAK_FULL=1 runs 4 of 2000.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "tests/engine/storage/base_table_fixture.h"
#include "tests/engine/storage/process_fixture.h"

namespace vexilo::storage::testing {
namespace {

constexpr uint16_t kSharedRights = kRightAppend | kRightEdit | kRightDelete | kRightIndex;
constexpr int32_t kSessionCacheKiB = 40960;
constexpr auto kPause = std::chrono::milliseconds(15);

struct SoakSize {
  int Processes;
  int Operations;
};

SoakSize ChosenSize() {
  const char* full = std::getenv("VEXILO_SOAK_FULL");
  if (full && std::string(full) == "1") return {4, 2000};
  return {4, 200};
}

// Exit codes of a writer; each names the first fault it met.
enum WriterExit : int {
  kWriterOk = 0,
  kCannotOpen = 10,
  kNotReady = 11,
  kOperationFailed = 12,
  kWrongRecord = 13,
  kForeignDelete = 14,
  kCannotReport = 15,
};

// --- the content of a record, from (writer, sequence, version) ---

// Words that collate close to each other under the Hungarian rules (case,
// accents, double letters such as "cs", "ly", "zs") and plain English ones.
const char16_t* const kWords[] = {
    u"alma",   u"Alma",  u"álom",    u"öröm",      u"őz",           u"ütő",      u"apple",   u"árvíztűrő",
    u"ember",  u"Éva",   u"zebra",   u"ZEBRA",     u"tükörfúrógép", u"a",        u"ő",       u"cs",
    u"csésze", u"ly",    u"lyuk",    u"dzsungel",  u"ünnep",        u"Übung",    u"zz",      u"zsák",
    u"nyúl",   u"the",   u"run",     u"ran",       u"gyöngy",       u"running",  u"tűz",     u"Tűz",
    u"twenty", u"x-ray", u"o'clock", u"ice-cream"};

std::mt19937 ContentRandom(int writer, int seq, int version) {
  std::seed_seq seed{writer, seq, version};
  return std::mt19937(seed);
}

std::u16string Tag(int writer, int seq, int version) {
  return fs::u16("#" + std::to_string(writer) + "." + std::to_string(seq) + "." + std::to_string(version));
}

// A few words, so that keys of different writers interleave and often share
// long prefixes, then the tag; at most 80 characters.
std::u16string WordsThenTag(std::mt19937& random, int writer, int seq, int version) {
  std::u16string text;
  const int words = 1 + static_cast<int>(random() % 4);
  for (int i = 0; i < words; ++i) {
    text += kWords[random() % std::size(kWords)];
    text += u' ';
  }
  return text + Tag(writer, seq, version);
}

std::u16string EngOf(int writer, int seq, int version) {
  std::mt19937 random = ContentRandom(writer, seq, version);
  return WordsThenTag(random, writer, seq, version);
}

std::u16string HunOf(int writer, int seq, int version) {
  std::mt19937 random = ContentRandom(writer + 1000, seq, version);
  return WordsThenTag(random, writer, seq, version);
}

// Empty now and then, mostly a few hundred characters, sometimes several
// thousand (a chain of many blocks).
std::u16string LeirOf(int writer, int seq, int version) {
  std::mt19937 random = ContentRandom(writer + 2000, seq, version);
  const uint32_t shape = random() % 10;
  if (shape == 0) return {};
  const size_t length = shape == 9 ? 2000 + random() % 4000 : 1 + random() % 400;
  std::u16string text = u"leírás " + Tag(writer, seq, version) + u": ";
  while (text.size() < length) {
    text += kWords[random() % std::size(kWords)];
    text += (random() % 8 == 0) ? u"\r\n" : u" ";
  }
  text.resize(length);
  return text;
}

// The writer, sequence number and version of a record, from the tag in ENG.
bool ParseTag(const std::u16string& eng, int& writer, int& seq, int& version) {
  const size_t hash = eng.rfind(u'#');
  if (hash == std::u16string::npos) return false;
  return std::sscanf(fs::u8(eng.substr(hash + 1)).c_str(), "%d.%d.%d", &writer, &seq, &version) == 3;
}

// What a writer believes about one of its records.
struct OwnedRecord {
  int32_t RecNo = 0;
  int32_t Id = 0;
  int Version = 0;
  // The version whose description the record holds (a replacement may keep
  // the description).
  int LeirVersion = 0;
};

// --- one writer process ---

// Follows the numbers of a writer's records through the table's notices.
class RecordTracker : public IRelationListener {
 public:
  explicit RecordTracker(std::map<int, OwnedRecord>& owned) : FOwned(owned) {}

  void Add(int seq, int32_t recNo) {
    FOwned[seq].RecNo = recNo;
    FSeqAt[recNo] = seq;
  }
  // The next deletion notice for `recNo` is this writer's own.
  void ExpectDelete(int32_t recNo) { FOwnDelete = recNo; }

  void RecordDeleted(int32_t recNo, int32_t movedFrom) override {
    if (auto it = FSeqAt.find(recNo); it != FSeqAt.end()) {
      if (recNo == FOwnDelete) {
        FOwned.erase(it->second);
      } else {
        ++ForeignDeletes;
        std::fprintf(stderr, "record %d of this writer deleted by another\n", recNo);
      }
      FSeqAt.erase(it);
    }
    FOwnDelete = 0;
    if (movedFrom <= 0) return;
    if (auto it = FSeqAt.find(movedFrom); it != FSeqAt.end()) {
      const int seq = it->second;
      FSeqAt.erase(it);
      FSeqAt[recNo] = seq;
      FOwned[seq].RecNo = recNo;
    }
  }

  int ForeignDeletes = 0;

 private:
  std::map<int, OwnedRecord>& FOwned;
  std::map<int32_t, int> FSeqAt;
  int32_t FOwnDelete = 0;
};

class Writer {
 public:
  Writer(const std::string& dir, int writer) : FWriter(writer), FRandom(static_cast<uint32_t>(7919 * writer)) {
    FFileSystem.SetBaseDirectory(fs::u16(dir));
    // A session's share of the page cache: pages stay cached between
    // operations, so what other processes changed must be noticed.
    FManager.RegisterClient(1, kSessionCacheKiB);
    FServices.SetStation(static_cast<uint32_t>(100 + writer));
    FTable = std::make_unique<TVxbBaseTable>(FServices, FManager, FFileSystem, 1);
    FTable->SetFileName(u"Eng_hun.vxbt");
    FTable->SetRights(kSharedRights);
    FTable->SetSessionName(u"soak" + fs::u16(std::to_string(writer)));
  }
  ~Writer() { StopUnlocker(); }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  // Opens the table and starts giving back lazily held locks the way the
  // catalog's unlock thread does.
  bool Open() {
    if (FTable->Open(false) != 0 || FTable->Setup(false) != 0) return Fail("open");
    FTable->AddAccessor(&FTracker);
    FUnlocker = std::thread([this] {
      while (!FStop) {
        FTable->CheckUnlock(TVxbLockClock::Default().Ticks());
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    });
    return true;
  }

  // Runs `operations` random operations; kWriterOk or the first fault.
  int Run(int operations) {
    for (int i = 0; i < operations; ++i) {
      const uint32_t dice = FRandom() % 100;
      int result = kWriterOk;
      if (FOwned.empty() || dice < 40) {
        result = Append();
      } else if (dice < 65) {
        result = Replace();
      } else if (dice < 85) {
        result = Delete();
      } else {
        result = Verify();
      }
      if (result != kWriterOk) return result;
      if (FTracker.ForeignDeletes > 0) return kForeignDelete;
      // Now and then a pause, as a user makes, long enough for the unlock
      // thread to give the table lock back: a session that works without
      // pause keeps the lock it holds lazily, and the writers would take
      // turns only a handful of times.
      if (FRandom() % 4 == 0) std::this_thread::sleep_for(kPause);
    }
    return kWriterOk;
  }

  // Closes the table and writes what this writer did and owns to `path`:
  // "appends deletes" on the first line, then "seq id version leirVersion".
  int Finish(const std::string& path) {
    StopUnlocker();
    FTable->RemoveAccessor(&FTracker);
    if (FTable->Close() != 0) return Failed("close");
    std::ofstream out(path);
    out << FAppends << ' ' << FDeletes << '\n';
    for (const auto& [seq, owned] : FOwned) {
      out << seq << ' ' << owned.Id << ' ' << owned.Version << ' ' << owned.LeirVersion << '\n';
    }
    return out.good() ? kWriterOk : kCannotReport;
  }

 private:
  int Append() {
    const int seq = FNextSeq++;
    std::vector<uint8_t> rec(static_cast<size_t>(FTable->GetRecordSize()));
    if (FTable->InitRecord(rec.data(), true) != 0) return Failed("init");
    FTable->SetWideString(rec.data(), kEng, EngOf(FWriter, seq, 0));
    FTable->SetWideString(rec.data(), kHun, HunOf(FWriter, seq, 0));
    const int32_t recNo = FTable->AppendRecord(rec.data(), {WideValue(kLeir, LeirOf(FWriter, seq, 0))});
    if (recNo <= 0) return Failed("append");
    FOwned[seq].Id = FTable->GetRecordId(rec.data());
    FTracker.Add(seq, recNo);
    ++FAppends;
    return kWriterOk;
  }

  int Replace() {
    if (FTable->BeginUpgrade(true) != 0) return Failed("upgrade lock");
    const auto [seq, owned] = PickOwned();
    std::vector<uint8_t> orig;
    int result = ReadOwned(seq, owned, orig);
    if (result == kWriterOk) {
      std::vector<uint8_t> rec = orig;
      const int version = owned.Version + 1;
      FTable->SetWideString(rec.data(), kEng, EngOf(FWriter, seq, version));
      FTable->SetWideString(rec.data(), kHun, HunOf(FWriter, seq, version));
      TVxbBlobDataList blobs;
      const bool newLeir = FRandom() % 4 != 0;
      if (newLeir) blobs.push_back(WideValue(kLeir, LeirOf(FWriter, seq, version)));
      if (FTable->ReplaceRecord(rec.data(), orig.data(), blobs, owned.RecNo) != 0) {
        result = Failed("replace");
      } else {
        FOwned[seq].Version = version;
        if (newLeir) FOwned[seq].LeirVersion = version;
      }
    }
    FTable->EndUpgrade();
    return result;
  }

  int Delete() {
    if (FTable->BeginUpgrade(true) != 0) return Failed("upgrade lock");
    const auto [seq, owned] = PickOwned();
    std::vector<uint8_t> rec;
    int result = ReadOwned(seq, owned, rec);
    if (result == kWriterOk) {
      FTracker.ExpectDelete(owned.RecNo);
      if (FTable->DeleteRecord(rec.data(), owned.RecNo) != 0) {
        result = Failed("delete");
      } else if (FOwned.count(seq) != 0) {
        result = Mismatch("deleted record still tracked", seq, owned.RecNo);
      } else {
        ++FDeletes;
      }
    }
    FTable->EndUpgrade();
    return result;
  }

  // Reads one of the own records back under a read lock.
  int Verify() {
    if (FTable->BeginRead(true) != 0) return Failed("read lock");
    const auto [seq, owned] = PickOwned();
    std::vector<uint8_t> rec;
    const int result = ReadOwned(seq, owned, rec);
    FTable->EndRead();
    return result;
  }

  std::pair<int, OwnedRecord> PickOwned() {
    auto it = FOwned.begin();
    std::advance(it, static_cast<long>(FRandom() % FOwned.size()));
    return *it;
  }

  // Reads the record `owned` says `seq` has and checks it is that record, in
  // the version this writer last wrote; the caller holds a lock.
  int ReadOwned(int seq, const OwnedRecord& owned, std::vector<uint8_t>& rec) {
    rec.assign(static_cast<size_t>(FTable->GetRecordSize()), 0);
    if (FTable->ReadRecord(owned.RecNo, rec.data()) != 0) return Failed("read");
    std::u16string eng, hun, leir;
    FTable->GetWideString(rec.data(), kEng, eng);
    FTable->GetWideString(rec.data(), kHun, hun);
    if (FTable->ReadBlobDataWide(kLeir, FTable->GetBlockIdx(rec.data(), kLeir), leir) < 0) return Failed("memo");
    if (eng != EngOf(FWriter, seq, owned.Version) || hun != HunOf(FWriter, seq, owned.Version) ||
        FTable->GetRecordId(rec.data()) != owned.Id) {
      return Mismatch(("found \"" + fs::u8(eng) + "\"").c_str(), seq, owned.RecNo);
    }
    if (leir != LeirOf(FWriter, seq, owned.LeirVersion)) return Mismatch("description differs", seq, owned.RecNo);
    return kWriterOk;
  }

  int Failed(const char* what) {
    Fail(what);
    return kOperationFailed;
  }
  bool Fail(const char* what) {
    std::fprintf(stderr, "writer %d: %s failed: %s\n", FWriter, what, fs::u8(FServices.LastErrorMsg()).c_str());
    return false;
  }
  int Mismatch(const char* what, int seq, int32_t recNo) {
    std::fprintf(stderr, "writer %d: record %d (sequence %d): %s\n", FWriter, recNo, seq, what);
    return kWrongRecord;
  }
  void StopUnlocker() {
    FStop = true;
    if (FUnlocker.joinable()) FUnlocker.join();
  }

  int FWriter;
  std::mt19937 FRandom;
  fs::TvwOSFileSystem FFileSystem;
  index::TVxbPageManager FManager;
  errors::TVxbServices FServices;
  std::unique_ptr<TVxbBaseTable> FTable;
  std::map<int, OwnedRecord> FOwned;
  RecordTracker FTracker{FOwned};
  std::atomic<bool> FStop{false};
  std::thread FUnlocker;
  int FNextSeq = 1;
  int FAppends = 0;
  int FDeletes = 0;
};

// --- the parent ---

struct WriterReport {
  int Appends = 0;
  int Deletes = 0;
  std::map<int, OwnedRecord> Owned;
};

bool ReadReport(const std::string& path, WriterReport& report) {
  std::ifstream in(path);
  if (!(in >> report.Appends >> report.Deletes)) return false;
  int seq = 0;
  OwnedRecord owned;
  while (in >> seq >> owned.Id >> owned.Version >> owned.LeirVersion) report.Owned[seq] = owned;
  return in.eof();
}

class BaseTableSoak : public BaseTableFixture {
 protected:
  // The dictionary table as the program has it: ENG and HUN under the
  // Hungarian collation.
  void SetUp() override {
    auto table = MakeTable();
    table->SetCollationName(u"Hungarian");
    ASSERT_GT(table->AddColumn(Spec(u"Id", 9)), 0) << Error();
    ASSERT_GT(table->AddColumn(Spec(u"ENG", 18, 80)), 0) << Error();
    ASSERT_GT(table->AddColumn(Spec(u"HUN", 18, 80)), 0) << Error();
    ASSERT_GT(table->AddColumn(Spec(u"LEIR", 19)), 0) << Error();
    ASSERT_EQ(table->NewFile({}, {}, {}), 0) << Error();
    ASSERT_EQ(table->Setup(false), 0) << Error();
    ASSERT_GE(table->NewIndex(u"ENG", u"ENG"), 0) << Error();
    ASSERT_GE(table->NewIndex(u"HUN", u"HUN"), 0) << Error();
    ASSERT_EQ(table->Close(), 0);
  }

  std::string ReportPath(int writer) const { return Dir.File("writer" + std::to_string(writer) + ".txt"); }
};

TEST_F(BaseTableSoak, ConcurrentWritersLeaveExactlyTheRecordsTheyBelieveTheyOwn) {
  const SoakSize size = ChosenSize();
  const std::string dir = Dir.Path().string();
  std::vector<std::unique_ptr<TChildProcess>> children;
  for (int writer = 1; writer <= size.Processes; ++writer) {
    children.push_back(std::make_unique<TChildProcess>([&, writer](const TChannel& channel) -> int {
      Writer session(dir, writer);
      if (!session.Open()) return kCannotOpen;
      channel.Send('r');
      if (channel.Receive() != 'g') return kNotReady;
      if (const int result = session.Run(size.Operations); result != kWriterOk) return result;
      return session.Finish(ReportPath(writer));
    }));
  }
  // All sessions are logged in before any starts, so they all contend.
  for (auto& child : children) ASSERT_EQ(child->Receive(), 'r');
  for (auto& child : children) child->Send('g');
  for (size_t i = 0; i < children.size(); ++i) EXPECT_EQ(children[i]->Wait(), kWriterOk) << "writer " << i + 1;
  if (HasFailure()) return;

  std::vector<WriterReport> reports(static_cast<size_t>(size.Processes) + 1);
  int32_t expectedCount = 0;
  for (int writer = 1; writer <= size.Processes; ++writer) {
    ASSERT_TRUE(ReadReport(ReportPath(writer), reports[writer])) << "writer " << writer;
    expectedCount += reports[writer].Appends - reports[writer].Deletes;
    EXPECT_EQ(static_cast<int>(reports[writer].Owned.size()), reports[writer].Appends - reports[writer].Deletes);
  }
  // The last session out took the lock and move files with it.
  EXPECT_FALSE(Exists("Eng_hun.vxbl"));
  EXPECT_FALSE(Exists("Eng_hun.vxbv"));

  auto table = Open();
  ASSERT_EQ(table->GetRecordCount(), expectedCount);
  std::set<std::pair<int, int>> seen;
  std::set<int32_t> ids;
  for (int32_t recNo = 1; recNo <= table->GetRecordCount(); ++recNo) {
    const Row row = Read(*table, recNo);
    SCOPED_TRACE("record " + std::to_string(recNo) + " " + fs::u8(row.Eng));
    int writer = 0, seq = 0, version = 0;
    ASSERT_TRUE(ParseTag(row.Eng, writer, seq, version));
    ASSERT_TRUE(writer >= 1 && writer <= size.Processes);
    EXPECT_TRUE(seen.insert({writer, seq}).second) << "twice";
    EXPECT_TRUE(ids.insert(row.Id).second) << "record id " << row.Id << " twice";
    const auto owned = reports[writer].Owned.find(seq);
    if (owned == reports[writer].Owned.end()) {
      ADD_FAILURE() << "a record its writer deleted or never wrote";
      continue;
    }
    EXPECT_EQ(version, owned->second.Version);
    EXPECT_EQ(row.Id, owned->second.Id);
    EXPECT_EQ(row.Eng, EngOf(writer, seq, owned->second.Version));
    EXPECT_EQ(row.Hun, HunOf(writer, seq, owned->second.Version));
    EXPECT_EQ(row.Leir, LeirOf(writer, seq, owned->second.LeirVersion));
  }
  EXPECT_EQ(static_cast<int32_t>(seen.size()), expectedCount);
  // The writers took turns many times: in the order of record ids (the
  // order of appending), the survivors' writers change often.
  std::map<int32_t, int> writerOfId;
  for (int writer = 1; writer <= size.Processes; ++writer) {
    for (const auto& [seq, owned] : reports[writer].Owned) writerOfId[owned.Id] = writer;
  }
  int turns = 0;
  int previous = 0;
  for (const auto& [id, writer] : writerOfId) {
    if (writer != previous) ++turns;
    previous = writer;
  }
  EXPECT_GT(turns, 2 * size.Processes) << "the writers hardly took turns";

  for (const char16_t* name : {u"ENG", u"HUN"}) {
    const index::TVxbIndexFile* index = table->GetIndexFile(IndexNo(*table, name));
    ASSERT_NE(index, nullptr) << fs::u8(name);
    EXPECT_TRUE(index->IsOpen && index->IsBPlusTree()) << fs::u8(name);
  }
  ExpectIndexesMatchRecords(*table);

  // Every description's chain is whole and no block is lost or shared.
  ASSERT_NE(table->Blob(), nullptr);
  std::vector<std::string> findings;
  const auto chains = [&](const TVxbChainVisitor& visit) {
    std::vector<uint8_t> rec = Buffer(*table);
    for (int32_t recNo = 1; recNo <= table->GetRecordCount(); ++recNo) {
      table->ReadRecord(recNo, rec.data());
      visit(recNo, u"LEIR", table->GetBlockIdx(rec.data(), kLeir));
    }
  };
  EXPECT_EQ(table->Blob()->Check(chains, [&](std::u16string_view kind, std::u16string_view message) {
    findings.push_back(fs::u8(std::u16string(kind)) + ": " + fs::u8(std::u16string(message)));
  }), 0);
  EXPECT_EQ(findings, std::vector<std::string>{});
}

}  // namespace
}  // namespace vexilo::storage::testing
