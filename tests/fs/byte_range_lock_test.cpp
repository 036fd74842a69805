// Byte-range locks between handles of one process and between processes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "fs/file_system_stream.h"
#include "fs/fs_errors.h"
#include "fs/os_file_system.h"
#include "fs/text.h"
#include "tests/fs/fs_test_support.h"
#include "tests/support/temp_dir.h"

namespace vexilo::fs {
namespace {

using testing::TChildChannel;
using testing::TChildProcess;

class ByteRangeLockTest : public ::testing::Test {
 protected:
  ByteRangeLockTest() {
    FS.SetBaseDirectory(u16(Dir.Path().string()));
    testing::WriteAll(Dir.File("T.vxbl"), std::string(64, 'x'));
  }

  int32_t OpenShared() { return FS.OpenFile(u"T.vxbl", kOpenReadWrite | kShareDenyNone); }

  vexilo::testing::TempDir Dir;
  TvwOSFileSystem FS;
};

TEST_F(ByteRangeLockTest, TwoHandlesOfOneProcessExcludeEachOther) {
  const int32_t first = OpenShared();
  const int32_t second = OpenShared();
  ASSERT_GE(first, 0);
  ASSERT_GE(second, 0);
  auto probe = TvwFileSystemStream::CreateFromHandle(OpenShared(), FS);

  EXPECT_EQ(FS.LockFile(first, 10, 20, true), 1);
  EXPECT_EQ(FS.LockFile(second, 10, 20, true), 0);
  EXPECT_EQ(FS.GetLastError(), kErrorLockViolation);
  EXPECT_EQ(FS.LockFile(second, 15, 16, false), 0);  // read locks are exclusive as well
  EXPECT_TRUE(probe->IsRangeLocked(10, 10));
  EXPECT_TRUE(probe->IsRangeLocked(19, 1));
  EXPECT_FALSE(probe->IsRangeLocked(20, 5));  // the end is not included
  EXPECT_EQ(FS.LockFile(second, 20, 30, true), 1);   // another range does not conflict

  FS.UnlockFile(first, 10, 20, true);
  EXPECT_FALSE(probe->IsRangeLocked(10, 10));
  EXPECT_EQ(FS.LockFile(second, 10, 20, true), 1);
  FS.CloseFile(first);
  FS.CloseFile(second);
}

TEST_F(ByteRangeLockTest, ClosingAHandleReleasesItsLocks) {
  const int32_t first = OpenShared();
  const int32_t second = OpenShared();
  ASSERT_EQ(FS.LockFile(first, 0, 1, true), 1);
  ASSERT_EQ(FS.LockFile(second, 0, 1, true), 0);
  FS.CloseFile(first);
  EXPECT_EQ(FS.LockFile(second, 0, 1, true), 1);
  FS.CloseFile(second);
}

TEST_F(ByteRangeLockTest, ProbingOwnLockNeitherSucceedsNorReleasesIt) {
  auto own = TvwFileSystemStream::CreateFromHandle(OpenShared(), FS);
  const int32_t other = OpenShared();
  ASSERT_TRUE(own->LockRange(5, 3, true));
  EXPECT_FALSE(own->LockRange(6, 10, true));  // overlaps what this handle holds
  EXPECT_TRUE(own->IsRangeLocked(5, 3));
  EXPECT_EQ(FS.LockFile(other, 5, 8, true), 0);  // still held
  own->UnlockRange(5, 3, true);
  EXPECT_EQ(FS.LockFile(other, 5, 8, true), 1);
  FS.CloseFile(other);
}

TEST_F(ByteRangeLockTest, UnlockReleasesOnlyARangeThatWasLocked) {
  const int32_t first = OpenShared();
  const int32_t second = OpenShared();
  ASSERT_EQ(FS.LockFile(first, 0, 10, true), 1);
  FS.UnlockFile(first, 0, 5, true);  // not the locked range: nothing happens
  EXPECT_EQ(FS.GetLastError(), kErrorNotLocked);
  EXPECT_EQ(FS.LockFile(second, 0, 1, true), 0);
  FS.UnlockFile(second, 0, 1, true);  // a handle cannot release another's lock
  EXPECT_EQ(FS.LockFile(second, 0, 1, true), 0);
  FS.CloseFile(first);
  FS.CloseFile(second);
}

TEST_F(ByteRangeLockTest, OffsetsUseTheirLow32Bits) {
  const int32_t first = OpenShared();
  const int32_t second = OpenShared();
  constexpr int64_t k4G = int64_t{1} << 32;
  EXPECT_EQ(FS.LockFile(first, k4G + 100, k4G + 110, true), 1);
  EXPECT_EQ(FS.LockFile(second, 105, 106, true), 0);
  EXPECT_EQ(FS.LockFile(second, 0xFFFFFF00, 0xFFFFFFFF, true), 1);  // far beyond the data
  FS.CloseFile(first);
  FS.CloseFile(second);
}

TEST_F(ByteRangeLockTest, AnEmptyRangeIsAnErrorNotAWholeFileLock) {
  auto stream = TvwFileSystemStream::CreateFromHandle(OpenShared(), FS);
  const int32_t other = OpenShared();
  EXPECT_LT(FS.LockFile(other, 7, 7, true), 0);
  try {
    stream->LockRange(0, 0, true);
    FAIL() << "no exception";
  } catch (const EvwStreamError& e) {
    EXPECT_EQ(u8(e.Message()), "Cannot lock storage \"\"; error code = -22");
  }
  EXPECT_EQ(FS.LockFile(other, 0, 64, true), 1);  // nothing was locked
  FS.CloseFile(other);
}

TEST_F(ByteRangeLockTest, LocksExcludeOtherProcesses) {
  const std::u16string base = FS.GetBaseDirectory();
  TChildProcess child([&](TChildChannel& channel) {
    TvwOSFileSystem fs;
    fs.SetBaseDirectory(base);
    const int32_t handle = fs.OpenFile(u"T.vxbl", kOpenReadWrite | kShareDenyNone);
    channel.Report(fs.LockFile(handle, 40, 48, true) == 1 ? 'y' : 'n');
    channel.WaitForRelease();
  });
  ASSERT_EQ(child.Result(), 'y');

  auto stream = TvwFileSystemStream::CreateFromHandle(OpenShared(), FS);
  EXPECT_FALSE(stream->LockRange(44, 1, true));
  EXPECT_TRUE(stream->IsRangeLocked(40, 8));
  EXPECT_TRUE(stream->LockRange(48, 8, true));  // the next range is free
  child.Release();  // the child exits: its locks go with it
  EXPECT_FALSE(stream->IsRangeLocked(40, 8));
  EXPECT_TRUE(stream->LockRange(40, 8, true));
}

TEST_F(ByteRangeLockTest, OtherProcessesAreRefusedWhatThisOneHolds) {
  auto stream = TvwFileSystemStream::CreateFromHandle(OpenShared(), FS);
  ASSERT_TRUE(stream->LockRange(0, 1, true));
  const std::u16string base = FS.GetBaseDirectory();
  auto tryInChild = [&] {
    TChildProcess child([&](TChildChannel& channel) {
      TvwOSFileSystem fs;
      fs.SetBaseDirectory(base);
      TvwFileSystemStream own(u"T.vxbl", kOpenReadWrite | kShareDenyNone, fs);
      const bool locked = own.LockRange(0, 1, true);
      channel.Report(locked ? 'y' : (own.IsRangeLocked(0, 1) ? 'l' : 'n'));
    });
    return child.Result();
  };
  EXPECT_EQ(tryInChild(), 'l');
  stream->UnlockRange(0, 1, true);
  EXPECT_EQ(tryInChild(), 'y');
}

}  // namespace
}  // namespace vexilo::fs
