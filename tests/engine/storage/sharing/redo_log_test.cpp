// The redo log: entries written forwards are read back backwards with their
// memo and blob values; a wrong magic, a log held by a live owner and damaged
// logs are reported instead of followed.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/errors/engine_exception.h"
#include "engine/storage/sharing/redo_log.h"
#include "fs/os_file_system.h"
#include "fs/text.h"
#include "tests/engine/storage/process_fixture.h"
#include "tests/support/temp_dir.h"

namespace vexilo::storage {
namespace {

constexpr int32_t kRecordSize = 6;

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void PutInt32(std::vector<uint8_t>& bytes, size_t pos, int32_t value) {
  for (int i = 0; i < 4; ++i) bytes[pos + i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
}

TVxbBlobData Ansi(int32_t fieldNo, std::string data) {
  TVxbBlobData blob;
  blob.FieldNo = fieldNo;
  blob.AnsiData = std::move(data);
  return blob;
}

TVxbBlobData Wide(int32_t fieldNo, std::u16string data) {
  TVxbBlobData blob;
  blob.FieldNo = fieldNo;
  blob.WideData = std::move(data);
  blob.IsWide = true;
  return blob;
}

class RedoLogTest : public ::testing::Test {
 protected:
  std::u16string BaseName() const { return fs::u16(Dir.File("Eng_hun")); }
  std::string LogPath() const { return Dir.File("Eng_hun.vxbr"); }
  TVxbRedoLog MakeLog() { return TVxbRedoLog(FileSystem, kRecordSize, false, 6, BaseName()); }

  // A log with an insert of 5, an update of 3 (two memo values) and a delete
  // of 7 (no memo values), closed again.
  void WriteSampleLog() {
    TVxbRedoLog log(FileSystem, kRecordSize, false, 6, BaseName());
    log.NewFile();
    const uint8_t before[kRecordSize] = {1, 2, 3, 4, 5, 6};
    const uint8_t deleted[kRecordSize] = {9, 8, 7, 6, 5, 4};
    log.LogInsert(5);
    log.LogUpdate(3, before, {Ansi(2, "old text"), Wide(4, u"régi ő")});
    log.LogDelete(7, deleted, {});
    log.Close();
  }

  vexilo::testing::TempDir Dir;
  fs::TvwOSFileSystem FileSystem;
};

TEST_F(RedoLogTest, ActionsComeBackNewestFirstWithTheirMemoValues) {
  WriteSampleLog();
  TVxbRedoLog log(FileSystem, kRecordSize, false, 6, BaseName());
  ASSERT_EQ(log.Open(), 0);

  ASSERT_TRUE(log.ReadPriorAction());
  EXPECT_EQ(log.LastActionKind(), takDelete);
  EXPECT_EQ(log.LastActionRecordNo(), 7);
  EXPECT_EQ(log.LastActionRecBuffer(), (std::vector<uint8_t>{9, 8, 7, 6, 5, 4}));
  EXPECT_TRUE(log.LastActionBlobs().empty());

  ASSERT_TRUE(log.ReadPriorAction());
  EXPECT_EQ(log.LastActionKind(), takUpdate);
  EXPECT_EQ(log.LastActionRecordNo(), 3);
  EXPECT_EQ(log.LastActionRecBuffer(), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
  ASSERT_EQ(log.LastActionBlobs().size(), 2u);
  ASSERT_NE(log.LastActionBlob(2), nullptr);
  EXPECT_FALSE(log.LastActionBlob(2)->IsWide);
  EXPECT_EQ(log.LastActionBlob(2)->AnsiData, "old text");
  ASSERT_NE(log.LastActionBlob(4), nullptr);
  EXPECT_TRUE(log.LastActionBlob(4)->IsWide);
  EXPECT_EQ(log.LastActionBlob(4)->WideData, u"régi ő");
  EXPECT_EQ(log.LastActionBlob(3), nullptr);

  ASSERT_TRUE(log.ReadPriorAction());
  EXPECT_EQ(log.LastActionKind(), takInsert);
  EXPECT_EQ(log.LastActionRecordNo(), 5);
  EXPECT_TRUE(log.LastActionBlobs().empty());

  EXPECT_FALSE(log.ReadPriorAction());
  EXPECT_FALSE(log.ReadPriorAction());
}

TEST_F(RedoLogTest, FileHoldsMagicZeroAndLengthTerminatedEntries) {
  WriteSampleLog();
  const std::vector<uint8_t> bytes = ReadBytes(LogPath());
  const std::vector<uint8_t> start = {0xB0, 0xC0, 0xD0, 0xE0, 0, 0, 0, 0,
                                      takInsert, 5, 0, 0, 0, 5, 0, 0, 0,
                                      takUpdate, 3, 0, 0, 0, 1, 2, 3, 4, 5, 6, 11, 0, 0, 0,
                                      takBlob, 2, 0, 0, 0};
  ASSERT_GE(bytes.size(), start.size());
  EXPECT_TRUE(std::equal(start.begin(), start.end(), bytes.begin()));
  // The wide memo's units are little-endian UTF-16: "r" then "é".
  const std::vector<uint8_t> wide = {takWideMemo, 4, 0, 0, 0, 'r', 0, 0xE9, 0};
  EXPECT_NE(std::search(bytes.begin(), bytes.end(), wide.begin(), wide.end()), bytes.end());
}

TEST_F(RedoLogTest, EmptyAnsiValueIsKeptAsBlobEntry) {
  {
    TVxbRedoLog log = MakeLog();
    log.NewFile();
    const uint8_t before[kRecordSize] = {};
    log.LogDelete(2, before, {Ansi(1, "")});
  }
  TVxbRedoLog log = MakeLog();
  ASSERT_EQ(log.Open(), 0);
  ASSERT_TRUE(log.ReadPriorAction());
  ASSERT_EQ(log.LastActionBlobs().size(), 1u);
  EXPECT_FALSE(log.LastActionBlobs()[0].IsWide);
  EXPECT_TRUE(log.LastActionBlobs()[0].AnsiData.empty());
}

TEST_F(RedoLogTest, WrongMagicFailsOpenWithMinusOne) {
  WriteBytes(LogPath(), {0xB0, 0xC0, 0xD0, 0xE1, 0, 0, 0, 0});
  TVxbRedoLog log = MakeLog();
  EXPECT_EQ(log.Open(), -1);
  EXPECT_FALSE(log.IsOpen());
}

TEST_F(RedoLogTest, MissingLogFailsOpenWithTheSystemError) {
  TVxbRedoLog log = MakeLog();
  EXPECT_GT(log.Open(), 0);
  EXPECT_FALSE(log.IsOpen());
}

TEST_F(RedoLogTest, EraseDeletesTheLog) {
  TVxbRedoLog log = MakeLog();
  log.NewFile();
  log.LogInsert(1);
  log.Erase();
  EXPECT_FALSE(std::filesystem::exists(LogPath()));
}

TEST_F(RedoLogTest, NamesFollowLevelAndRelationTables) {
  EXPECT_EQ(TVxbRedoLog(FileSystem, 1, false, 4, u"/d/T").FileName(), u"/d/T.tra");
  EXPECT_EQ(TVxbRedoLog(FileSystem, 1, true, 4, u"/d/T").FileName(), u"/d/T.rtr");
  EXPECT_EQ(TVxbRedoLog(FileSystem, 1, false, 6, u"/d/T").FileName(), u"/d/T.vxbr");
}

// The owner of a running transaction holds its log; another session can open
// it only once the owner is dead.
TEST_F(RedoLogTest, LogOfALiveOwnerCannotBeOpenedButADeadOnesCan) {
  testing::TChildProcess owner([this](const testing::TChannel& channel) {
    fs::TvwOSFileSystem fileSystem;
    TVxbRedoLog log(fileSystem, kRecordSize, false, 6, BaseName());
    log.NewFile();
    log.LogInsert(12);
    channel.Send('r');
    channel.Receive();
    return 0;
  });
  ASSERT_EQ(owner.Receive(), 'r');
  TVxbRedoLog log = MakeLog();
  EXPECT_GT(log.Open(), 0);

  owner.Kill();
  ASSERT_EQ(log.Open(), 0);
  ASSERT_TRUE(log.ReadPriorAction());
  EXPECT_EQ(log.LastActionKind(), takInsert);
  EXPECT_EQ(log.LastActionRecordNo(), 12);
}

struct DamageCase {
  const char* name;
  // Changes the sample log's bytes.
  void (*damage)(std::vector<uint8_t>& bytes);
  int validActions;  // actions read before the damage is met
};

const DamageCase kDamageCases[] = {
    {"last length far beyond the file",
     [](std::vector<uint8_t>& b) { PutInt32(b, b.size() - 4, 0x7FFFFFF0); }, 0},
    {"last length negative", [](std::vector<uint8_t>& b) { PutInt32(b, b.size() - 4, -20); }, 0},
    {"last length shorter than an entry", [](std::vector<uint8_t>& b) { PutInt32(b, b.size() - 4, 2); }, 0},
    {"last length zero", [](std::vector<uint8_t>& b) { PutInt32(b, b.size() - 4, 0); }, 0},
    {"last entry cut short", [](std::vector<uint8_t>& b) { b.erase(b.end() - 3, b.end()); }, 0},
    {"unknown kind of the last entry",
     [](std::vector<uint8_t>& b) { b[b.size() - 4 - 5 - kRecordSize] = 9; }, 0},
    {"delete with a record of the wrong size",
     [](std::vector<uint8_t>& b) { PutInt32(b, b.size() - 4, 5 + kRecordSize - 1); }, 0},
    {"insert length covering the magic",
     [](std::vector<uint8_t>& b) { PutInt32(b, 8 + 5, 12); }, 2},
    {"memo entries with nothing before them",
     [](std::vector<uint8_t>& b) {
       // Drop the insert and the update entry, keep the two memo entries.
       const size_t firstBlob = 8 + 9 + (5 + kRecordSize + 4);
       b.erase(b.begin() + 8, b.begin() + static_cast<std::ptrdiff_t>(firstBlob));
     },
     1},
    {"file shorter than the magic and the zero", [](std::vector<uint8_t>& b) { b.resize(6); }, 0},
};

TEST_F(RedoLogTest, DamagedLogEndsTheWalkWithAnError) {
  for (const DamageCase& c : kDamageCases) {
    SCOPED_TRACE(c.name);
    WriteSampleLog();
    std::vector<uint8_t> bytes = ReadBytes(LogPath());
    c.damage(bytes);
    WriteBytes(LogPath(), bytes);

    TVxbRedoLog log = MakeLog();
    const int32_t opened = log.Open();
    if (opened != 0) {
      EXPECT_EQ(opened, -1);
      continue;
    }
    int actions = 0;
    bool failed = false;
    for (int step = 0; step < 10; ++step) {
      try {
        if (!log.ReadPriorAction()) break;
        ++actions;
      } catch (const errors::EVxbEngine& error) {
        EXPECT_EQ(error.Code(), 2);
        failed = true;
        break;
      }
    }
    EXPECT_TRUE(failed);
    EXPECT_EQ(actions, c.validActions);
    log.Close();
  }
}

}  // namespace
}  // namespace vexilo::storage
