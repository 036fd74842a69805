// Open sharing modes between handles of one process and between processes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "fs/os_file_system.h"
#include "fs/text.h"
#include "tests/fs/fs_test_support.h"
#include "tests/support/temp_dir.h"

namespace vexilo::fs {
namespace {

using testing::TChildChannel;
using testing::TChildProcess;

constexpr uint32_t kCreate = 0xFFFF;  // in the table: CreateFile instead of OpenFile

struct SharingCase {
  const char* what;
  uint32_t first;   // mode of the handle already open
  uint32_t second;  // mode of the later open
  bool allowed;
};

const SharingCase kSharingCases[] = {
    {"exclusive denies a reader", kOpenReadWrite | kShareExclusive, kOpenRead | kShareDenyNone, false},
    {"exclusive denies a writer", kOpenRead | kShareExclusive, kOpenWrite | kShareDenyNone, false},
    {"exclusive fails while open elsewhere", kOpenRead | kShareDenyNone, kOpenRead | kShareExclusive, false},
    {"compatibility sharing is exclusive", kOpenRead | kShareCompat, kOpenRead | kShareDenyNone, false},
    {"deny-write lets a reader in", kOpenRead | kShareDenyWrite, kOpenRead | kShareDenyWrite, true},
    {"deny-write keeps a writer out", kOpenRead | kShareDenyWrite, kOpenWrite | kShareDenyNone, false},
    {"deny-write keeps a reader-writer out", kOpenRead | kShareDenyWrite, kOpenReadWrite | kShareDenyNone, false},
    {"deny-write fails while a writer is open", kOpenWrite | kShareDenyNone, kOpenRead | kShareDenyWrite, false},
    {"deny-read keeps a reader out", kOpenWrite | kShareDenyRead, kOpenRead | kShareDenyNone, false},
    {"deny-read lets a writer in", kOpenWrite | kShareDenyRead, kOpenWrite | kShareDenyNone, true},
    {"deny-read fails while a reader is open", kOpenRead | kShareDenyNone, kOpenWrite | kShareDenyRead, false},
    {"deny-none lets everyone in", kOpenReadWrite | kShareDenyNone, kOpenReadWrite | kShareDenyNone, true},
    {"create fails while open elsewhere", kOpenRead | kShareDenyNone, kCreate, false},
    {"create denies everyone", kCreate, kOpenRead | kShareDenyNone, false},
};

int32_t OpenWith(TvwOSFileSystem& fs, uint32_t mode) {
  return mode == kCreate ? fs.CreateFile(u"T.dat") : fs.OpenFile(u"T.dat", mode);
}

class SharingModeTest : public ::testing::Test {
 protected:
  SharingModeTest() { FS.SetBaseDirectory(u16(Dir.Path().string())); }

  void ResetFile() { testing::WriteAll(Dir.File("T.dat"), "contents"); }

  vexilo::testing::TempDir Dir;
  TvwOSFileSystem FS;
};

TEST_F(SharingModeTest, HandlesOfOneProcessHonourEachOthersSharing) {
  for (const SharingCase& c : kSharingCases) {
    ResetFile();
    const int32_t first = OpenWith(FS, c.first);
    ASSERT_GE(first, 0) << c.what;
    const int32_t second = OpenWith(FS, c.second);
    EXPECT_EQ(second >= 0, c.allowed) << c.what;
    if (second >= 0) {
      FS.CloseFile(second);
    } else {
      EXPECT_EQ(FS.GetLastError(), kErrorSharingViolation) << c.what;
    }
    FS.CloseFile(first);
    if (c.first != kCreate) {
      EXPECT_EQ(testing::ReadAll(Dir.File("T.dat")), "contents") << c.what;
    }
    // Once the first handle is closed, the second gets in.
    const int32_t later = OpenWith(FS, c.second);
    EXPECT_GE(later, 0) << c.what;
    FS.CloseFile(later);
  }
}

TEST_F(SharingModeTest, ProcessesHonourEachOthersSharing) {
  const std::u16string base = FS.GetBaseDirectory();
  for (const SharingCase& c : kSharingCases) {
    ResetFile();
    // The other process holds the first handle ...
    {
      TChildProcess child([&](TChildChannel& channel) {
        TvwOSFileSystem fs;
        fs.SetBaseDirectory(base);
        channel.Report(OpenWith(fs, c.first) >= 0 ? 'y' : 'n');
        channel.WaitForRelease();
      });
      ASSERT_EQ(child.Result(), 'y') << c.what;
      const int32_t second = OpenWith(FS, c.second);
      EXPECT_EQ(second >= 0, c.allowed) << c.what;
      if (second >= 0) FS.CloseFile(second);
    }
    // ... and the reverse: this process holds it.
    ResetFile();
    const int32_t first = OpenWith(FS, c.first);
    ASSERT_GE(first, 0) << c.what;
    TChildProcess child([&](TChildChannel& channel) {
      TvwOSFileSystem fs;
      fs.SetBaseDirectory(base);
      channel.Report(OpenWith(fs, c.second) >= 0 ? 'y' : 'n');
    });
    EXPECT_EQ(child.Result(), c.allowed ? 'y' : 'n') << c.what << " (reverse)";
    child.Release();
    FS.CloseFile(first);
  }
}

TEST_F(SharingModeTest, PhysicallyExclusiveOpensEveryFileExclusively) {
  const uint32_t sharings[] = {kShareDenyNone, kShareDenyWrite, kShareDenyRead, kShareExclusive};
  for (uint32_t sharing : sharings) {
    ResetFile();
    TvwOSFileSystem exclusive;
    exclusive.SetBaseDirectory(FS.GetBaseDirectory());
    exclusive.SetPhysicallyExclusive(true);
    const int32_t handle = exclusive.OpenFile(u"T.dat", kOpenRead | sharing);
    ASSERT_GE(handle, 0) << sharing;
    char buffer[8];
    EXPECT_EQ(exclusive.FileRead(handle, 0, buffer, 8), 8) << "access is kept";
    EXPECT_EQ(FS.OpenFile(u"T.dat", kOpenRead | kShareDenyNone), -1) << sharing;
    EXPECT_EQ(FS.OpenFile(u"T.dat", kOpenWrite | kShareDenyNone), -1) << sharing;
    exclusive.CloseFile(handle);
  }
}

TEST_F(SharingModeTest, AnExclusivelyHeldFileCannotBeCreatedOver) {
  ResetFile();
  const int32_t holder = FS.OpenFile(u"T.dat", kOpenRead | kShareExclusive);
  ASSERT_GE(holder, 0);
  const std::u16string base = FS.GetBaseDirectory();
  TChildProcess child([&](TChildChannel& channel) {
    TvwOSFileSystem fs;
    fs.SetBaseDirectory(base);
    channel.Report(fs.CreateFile(u"T.dat") < 0 && fs.GetLastError() == kErrorSharingViolation ? 'r'
                                                                                               : 'c');
  });
  EXPECT_EQ(child.Result(), 'r');
  child.Release();
  EXPECT_EQ(testing::ReadAll(Dir.File("T.dat")), "contents");
  FS.CloseFile(holder);
}

}  // namespace
}  // namespace vexilo::fs
