// Record streams over the operating-system file system: transfers and their
// numeric error results, reopening after a failure, the counted whole-file
// lock between two handles and between two processes, and range locks.
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/index/vxb_stream.h"
#include "fs/os_file_system.h"
#include "fs/text.h"
#include "tests/support/temp_dir.h"

namespace vexilo::index {
namespace {

// Read and write, shared with everybody: how the move file and the lock
// protocol files are opened.
constexpr uint8_t kShared = static_cast<uint8_t>(fs::kOpenReadWrite | fs::kShareDenyNone);
constexpr uint8_t kSharedReadOnly = static_cast<uint8_t>(fs::kOpenRead | fs::kShareDenyNone);
constexpr uint8_t kSharedWriteOnly = static_cast<uint8_t>(fs::kOpenWrite | fs::kShareDenyNone);

// Waits hardly at all before giving up on the whole-file lock.
constexpr TVxbStreamLockWait kGiveUpAtOnce{2, 1, 1};

// The operating-system file system with faults a test can switch on where
// the platform cannot produce them on demand: transfers refused for another
// process's lock (POSIX locks do not stop reads and writes), failing
// transfers and failing locks.
class FaultyFileSystem : public fs::TvwOSFileSystem {
 public:
  int32_t transferError = 0;  // when set, transfers stop short with this last error
  int32_t lockResult = 1;     // when not 1, LockFile answers this

  int32_t FileRead(int32_t handle, int64_t pos, void* data, int32_t count) override {
    if (transferError == 0) return TvwOSFileSystem::FileRead(handle, pos, data, count);
    SetLastError(transferError);
    return count / 2;
  }
  int32_t FileWrite(int32_t handle, int64_t pos, const void* data, int32_t count) override {
    if (transferError == 0) return TvwOSFileSystem::FileWrite(handle, pos, data, count);
    SetLastError(transferError);
    return count / 2;
  }
  int32_t LockFile(int32_t handle, int64_t startPos, int64_t endPos, bool writeLock) override {
    if (lockResult != 1) return lockResult;
    return TvwOSFileSystem::LockFile(handle, startPos, endPos, writeLock);
  }
};

class VxbStream : public ::testing::Test {
 protected:
  VxbStream() { FileSystem.SetBaseDirectory(fs::u16(Dir.Path().string())); }

  // A file of `size` bytes 0, 1, 2, ...
  void MakeFile(std::u16string_view name, int32_t size) {
    TvwFileSystemVxbStream stream(FileSystem);
    ASSERT_EQ(stream.Rewrite(name, kShared, 0), 0);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    for (int32_t i = 0; i < size; ++i) bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    ASSERT_EQ(stream.WriteNBytes(0, size, bytes.data(), false), 0);
  }

  vexilo::testing::TempDir Dir;
  FaultyFileSystem FileSystem;
};

TEST_F(VxbStream, WrittenBytesReadBackAtTheirPositions) {
  TvwFileSystemVxbStream stream(FileSystem);
  ASSERT_EQ(stream.Rewrite(u"moves.vxbv", kShared, 0), 0);
  EXPECT_TRUE(stream.IsOpen());
  EXPECT_EQ(stream.Size(), 0);
  const uint8_t entry[8] = {1, 0, 0, 0, 9, 0, 0, 0};
  EXPECT_EQ(stream.WriteNBytes(0, 8, entry, false), 0);
  EXPECT_EQ(stream.TestNBytes(8, 8, entry), 0);
  EXPECT_EQ(stream.WriteNBytes(16, 0, nullptr, true), 0);
  EXPECT_EQ(stream.Size(), 16);
  uint8_t back[8] = {};
  EXPECT_EQ(stream.ReadNBytes(8, 8, back, true), 0);  // no cipher: unchanged
  EXPECT_EQ(std::memcmp(back, entry, 8), 0);
  EXPECT_EQ(stream.Error(), 0);
}

TEST_F(VxbStream, RewriteEmptiesAnExistingFile) {
  MakeFile(u"redo.vxbr", 100);
  TvwFileSystemVxbStream stream(FileSystem);
  ASSERT_EQ(stream.Reset(u"redo.vxbr", kShared), 0);
  EXPECT_EQ(stream.Size(), 100);
  ASSERT_EQ(stream.Rewrite(u"redo.vxbr", kShared, 0), 0);  // the stream's own handle is closed first
  EXPECT_EQ(stream.Size(), 0);
}

TEST_F(VxbStream, CutShortensTheFile) {
  MakeFile(u"f", 100);
  TvwFileSystemVxbStream stream(FileSystem);
  ASSERT_EQ(stream.Reset(u"f", kShared), 0);
  EXPECT_EQ(stream.Cut(40), 0);
  EXPECT_EQ(stream.Size(), 40);
  uint8_t byte = 0;
  EXPECT_EQ(stream.ReadNBytes(39, 1, &byte, false), 0);
  EXPECT_EQ(byte, 39);
}

TEST_F(VxbStream, AStreamWhoseFileCannotBeOpenedAnswersMinusOneEverywhere) {
  TvwFileSystemVxbStream stream(FileSystem);
  EXPECT_EQ(stream.Reset(u"missing.vxbv", kShared), -1);
  EXPECT_FALSE(stream.IsOpen());
  EXPECT_EQ(stream.Error(), 1);
  uint8_t buffer[4];
  EXPECT_EQ(stream.ReadNBytes(0, 4, buffer, false), -1);
  EXPECT_EQ(stream.WriteNBytes(0, 4, buffer, false), -1);
  EXPECT_EQ(stream.Size(), -1);
  EXPECT_EQ(stream.Cut(0), -1);
  EXPECT_FALSE(stream.LockRange(0, 1, true));

  // Once the file exists, the next operation opens it.
  MakeFile(u"missing.vxbv", 4);
  EXPECT_EQ(stream.ReadNBytes(0, 4, buffer, false), 0);
  EXPECT_TRUE(stream.IsOpen());
  EXPECT_EQ(buffer[3], 3);
}

TEST_F(VxbStream, AStreamNeverOpenedHasNoFileToOpen) {
  TvwFileSystemVxbStream stream(FileSystem);
  uint8_t buffer[1];
  EXPECT_EQ(stream.ReadNBytes(0, 1, buffer, false), -1);
  EXPECT_EQ(stream.Close(), 0);
}

TEST_F(VxbStream, ACreateThatFailsAnswersMinusThree) {
  TvwFileSystemVxbStream stream(FileSystem);
  EXPECT_EQ(stream.Rewrite(u"no/such/dir/redo.vxbr", kShared, 0), -3);
  EXPECT_FALSE(stream.IsOpen());
  EXPECT_EQ(stream.Error(), 3);
}

TEST_F(VxbStream, AReadPastTheEndAnswersMinusTwoAndTheNextReadReopens) {
  MakeFile(u"f", 10);
  TvwFileSystemVxbStream stream(FileSystem);
  ASSERT_EQ(stream.Reset(u"f", kShared), 0);
  uint8_t buffer[4] = {};
  EXPECT_EQ(stream.ReadNBytes(8, 4, buffer, false), -2);
  EXPECT_FALSE(stream.IsOpen());
  EXPECT_EQ(stream.Error(), 2);
  EXPECT_EQ(stream.ReadNBytes(6, 4, buffer, false), 0);
  EXPECT_TRUE(stream.IsOpen());
  EXPECT_EQ(buffer[0], 6);
  EXPECT_EQ(stream.Error(), 0);
}

TEST_F(VxbStream, AnEarlierRefusedLockDoesNotMakeAShortReadLookLikeALockConflict) {
  MakeFile(u"f", 10);
  TvwFileSystemVxbStream holder(FileSystem);
  TvwFileSystemVxbStream stream(FileSystem);
  ASSERT_EQ(holder.Reset(u"f", kShared), 0);
  ASSERT_EQ(stream.Reset(u"f", kShared), 0);
  ASSERT_TRUE(holder.LockRange(100, 1, true));
  ASSERT_FALSE(stream.LockRange(100, 1, true));  // leaves "lock violation" as the last error
  uint8_t buffer[4];
  EXPECT_EQ(stream.ReadNBytes(8, 4, buffer, false), -2);
}

TEST_F(VxbStream, TransfersWithoutTheNeededAccessFailAndClose) {
  MakeFile(u"f", 10);
  uint8_t buffer[4] = {};
  TvwFileSystemVxbStream reader(FileSystem);
  ASSERT_EQ(reader.Reset(u"f", kSharedReadOnly), 0);
  EXPECT_EQ(reader.WriteNBytes(0, 4, buffer, false), -3);
  EXPECT_FALSE(reader.IsOpen());
  EXPECT_EQ(reader.Cut(0), -3);  // reopened, then refused
  EXPECT_EQ(reader.Error(), 3);

  TvwFileSystemVxbStream writer(FileSystem);
  ASSERT_EQ(writer.Reset(u"f", kSharedWriteOnly), 0);
  EXPECT_EQ(writer.ReadNBytes(0, 4, buffer, false), -2);
  EXPECT_FALSE(writer.IsOpen());
}

TEST_F(VxbStream, NegativeCountsAreRefusedWithoutTouchingTheFile) {
  MakeFile(u"f", 10);
  TvwFileSystemVxbStream stream(FileSystem);
  ASSERT_EQ(stream.Reset(u"f", kShared), 0);
  uint8_t buffer[4];
  EXPECT_EQ(stream.ReadNBytes(0, -1, buffer, false), -2);
  EXPECT_EQ(stream.WriteNBytes(0, -1, buffer, false), -3);
  EXPECT_EQ(stream.ReadNBytes(0, 4, nullptr, false), -2);
  EXPECT_EQ(stream.Size(), 10);
}

TEST_F(VxbStream, ShortTransfersAnswerByTheirCause) {
  const struct {
    const char* what;
    bool write;
    int32_t lastError;
    int16_t result;
    bool staysOpen;
  } cases[] = {
      {"read, another process's lock", false, fs::kErrorLockViolation, -9, true},
      {"read, other failure", false, 5, -2, false},
      {"write, another process's lock", true, fs::kErrorLockViolation, -9, true},
      {"write, disk full", true, 28, -3, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MakeFile(u"f", 16);
    TvwFileSystemVxbStream stream(FileSystem);
    ASSERT_EQ(stream.Reset(u"f", kShared), 0);
    uint8_t buffer[8] = {};
    FileSystem.transferError = c.lastError;
    const int16_t result =
        c.write ? stream.WriteNBytes(0, 8, buffer, false) : stream.ReadNBytes(0, 8, buffer, false);
    FileSystem.transferError = 0;
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(stream.Error(), -c.result);
    EXPECT_EQ(stream.IsOpen(), c.staysOpen);
    EXPECT_EQ(stream.ReadNBytes(8, 8, buffer, false), 0);  // carries on, reopening when needed
    EXPECT_EQ(buffer[0], 8);
  }
}

TEST_F(VxbStream, EraseDeletesAClosedFileOnly) {
  MakeFile(u"f", 4);
  TvwFileSystemVxbStream stream(FileSystem);
  ASSERT_EQ(stream.Reset(u"f", kShared), 0);
  EXPECT_EQ(stream.Erase(), -3);  // its own handle is still open
  EXPECT_TRUE(FileSystem.FileExists(u"f"));
  EXPECT_EQ(stream.Close(), 0);
  EXPECT_EQ(stream.Error(), 0);
  EXPECT_EQ(stream.Erase(), 0);
  EXPECT_FALSE(FileSystem.FileExists(u"f"));
  EXPECT_EQ(stream.Erase(), -3);
}

TEST_F(VxbStream, TheWholeFileLockIsCountedAcrossNestedCalls) {
  MakeFile(u"lock", 4);
  TvwFileSystemVxbStream a(FileSystem);
  TvwFileSystemVxbStream b(FileSystem, kGiveUpAtOnce);
  ASSERT_EQ(a.Reset(u"lock", kShared), 0);
  ASSERT_EQ(b.Reset(u"lock", kShared), 0);

  EXPECT_EQ(a.Lock(), 1);
  EXPECT_EQ(a.Lock(), 1);
  EXPECT_EQ(a.LockCount(), 2);
  a.Unlock();
  EXPECT_TRUE(b.IsRangeLocked(0, 1));  // still held after one Unlock
  EXPECT_EQ(b.Lock(), -9);             // gives up
  EXPECT_EQ(b.Error(), 9);
  EXPECT_EQ(b.LockCount(), 1);         // a failed Lock is matched by an Unlock too
  b.Unlock();
  EXPECT_EQ(b.LockCount(), 0);

  a.Unlock();
  EXPECT_FALSE(b.IsRangeLocked(0, 1));
  EXPECT_EQ(b.Lock(), 1);
  EXPECT_TRUE(a.IsRangeLocked(0, 1));
  b.Unlock();
  b.Unlock();  // unmatched: nothing
  EXPECT_EQ(b.LockCount(), 0);
  EXPECT_FALSE(a.IsRangeLocked(0, 1));
}

TEST_F(VxbStream, AFailedReadKeepsTheHandleAndTheWholeFileLock) {
  MakeFile(u"lock", 4);
  TvwFileSystemVxbStream a(FileSystem);
  TvwFileSystemVxbStream b(FileSystem);
  ASSERT_EQ(a.Reset(u"lock", kShared), 0);
  ASSERT_EQ(b.Reset(u"lock", kShared), 0);
  ASSERT_EQ(a.Lock(), 1);
  uint8_t buffer[8];
  EXPECT_EQ(a.ReadNBytes(0, 8, buffer, false), -2);
  EXPECT_TRUE(a.IsOpen());
  EXPECT_TRUE(b.IsRangeLocked(0, 1));
  a.Unlock();
  EXPECT_FALSE(b.IsRangeLocked(0, 1));
}

TEST_F(VxbStream, ClosingDropsTheWholeFileLockAndALaterLockTakesItAgain) {
  MakeFile(u"lock", 4);
  TvwFileSystemVxbStream a(FileSystem);
  TvwFileSystemVxbStream b(FileSystem);
  ASSERT_EQ(a.Reset(u"lock", kShared), 0);
  ASSERT_EQ(b.Reset(u"lock", kShared), 0);
  ASSERT_EQ(a.Lock(), 1);
  EXPECT_EQ(a.Close(), 0);
  EXPECT_FALSE(b.IsRangeLocked(0, 1));
  EXPECT_EQ(a.LockCount(), 0);
  ASSERT_EQ(a.Reset(u"lock", kShared), 0);
  EXPECT_EQ(a.Lock(), 1);
  EXPECT_TRUE(b.IsRangeLocked(0, 1));
  a.Unlock();
  a.Unlock();  // the Lock before Close: nothing left to release
  EXPECT_FALSE(b.IsRangeLocked(0, 1));
}

TEST_F(VxbStream, AFileSystemLockErrorAnswersMinusSix) {
  MakeFile(u"lock", 4);
  TvwFileSystemVxbStream stream(FileSystem);
  ASSERT_EQ(stream.Reset(u"lock", kShared), 0);
  FileSystem.lockResult = -5;
  EXPECT_EQ(stream.Lock(), -6);
  EXPECT_EQ(stream.Error(), 6);
  FileSystem.lockResult = 1;
  EXPECT_EQ(stream.LockCount(), 1);
  stream.Unlock();
  EXPECT_EQ(stream.LockCount(), 0);
  EXPECT_EQ(stream.Lock(), 1);
  stream.Unlock();
}

TEST_F(VxbStream, RangeLocksExcludeOtherHandlesOnOverlappingBytesOnly) {
  MakeFile(u"f", 4);
  TvwFileSystemVxbStream a(FileSystem);
  TvwFileSystemVxbStream b(FileSystem);
  ASSERT_EQ(a.Reset(u"f", kShared), 0);
  ASSERT_EQ(b.Reset(u"f", kShared), 0);
  ASSERT_TRUE(a.LockRange(10, 5, true));
  EXPECT_FALSE(b.LockRange(12, 1, true));
  EXPECT_TRUE(b.IsRangeLocked(14, 1));
  EXPECT_TRUE(b.IsRangeLocked(0, 11));
  EXPECT_FALSE(b.IsRangeLocked(15, 1));
  EXPECT_TRUE(b.LockRange(15, 1, false));  // the probe left the range free
  a.UnlockRange(10, 5, true);
  EXPECT_TRUE(b.LockRange(12, 1, true));
}

// Runs `body` in a child process; the child reports through a pipe with one
// byte per step and waits on another for the parent's go-ahead.
class Child {
 public:
  template <typename Body>
  explicit Child(Body body) {
    if (pipe(FToParent) != 0 || pipe(FToChild) != 0) return;
    FPid = fork();
    if (FPid == 0) {
      close(FToParent[0]);
      close(FToChild[1]);
      const int status = body(FToParent[1], FToChild[0]);
      _exit(status);
    }
    close(FToParent[1]);
    close(FToChild[0]);
  }
  ~Child() {
    close(FToParent[0]);
    close(FToChild[1]);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool Started() const { return FPid > 0; }
  // The child's next report, -1 when it is gone.
  int Receive() {
    uint8_t b = 0;
    return read(FToParent[0], &b, 1) == 1 ? b : -1;
  }
  void Send() {
    const uint8_t b = 1;
    EXPECT_EQ(write(FToChild[1], &b, 1), 1);
  }
  // The child's exit status.
  int Wait() {
    int status = 0;
    if (waitpid(FPid, &status, 0) != FPid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
  }

  static void Report(int fd, int value) {
    const uint8_t b = static_cast<uint8_t>(value);
    (void)!write(fd, &b, 1);
  }
  static void Await(int fd) {
    uint8_t b = 0;
    (void)!read(fd, &b, 1);
  }

 private:
  int FToParent[2] = {-1, -1};
  int FToChild[2] = {-1, -1};
  pid_t FPid = -1;
};

TEST_F(VxbStream, AnotherProcessesWholeFileLockIsSeenAndRefusesOurs) {
  MakeFile(u"table.vxbl", 30);
  const std::string base = Dir.Path().string();
  Child child([&base](int report, int await) {
    fs::TvwOSFileSystem fileSystem;
    fileSystem.SetBaseDirectory(fs::u16(base));
    TvwFileSystemVxbStream stream(fileSystem);
    if (stream.Reset(u"table.vxbl", kShared) != 0) return 1;
    Child::Report(report, stream.Lock());
    Child::Await(await);
    stream.Unlock();
    Child::Report(report, 0);
    Child::Await(await);
    return 0;
  });
  ASSERT_TRUE(child.Started());
  ASSERT_EQ(child.Receive(), 1);

  TvwFileSystemVxbStream stream(FileSystem, kGiveUpAtOnce);
  ASSERT_EQ(stream.Reset(u"table.vxbl", kShared), 0);
  EXPECT_TRUE(stream.IsRangeLocked(0, 1));
  EXPECT_FALSE(stream.LockRange(0, 1, true));
  EXPECT_FALSE(stream.IsRangeLocked(1, 29));
  EXPECT_EQ(stream.Lock(), -9);
  stream.Unlock();

  child.Send();
  ASSERT_EQ(child.Receive(), 0);
  EXPECT_FALSE(stream.IsRangeLocked(0, 1));
  EXPECT_EQ(stream.Lock(), 1);
  child.Send();
  EXPECT_EQ(child.Wait(), 0);
  stream.Unlock();
}

TEST_F(VxbStream, LockWaitsUntilAnotherProcessReleases) {
  MakeFile(u"table.vxbl", 30);
  const std::string base = Dir.Path().string();
  Child child([&base](int report, int await) {
    fs::TvwOSFileSystem fileSystem;
    fileSystem.SetBaseDirectory(fs::u16(base));
    TvwFileSystemVxbStream stream(fileSystem);
    if (stream.Reset(u"table.vxbl", kShared) != 0) return 1;
    Child::Report(report, stream.Lock());
    usleep(300 * 1000);
    stream.Unlock();
    Child::Await(await);  // still alive: the release, not the exit, lets the parent in
    return 0;
  });
  ASSERT_TRUE(child.Started());
  ASSERT_EQ(child.Receive(), 1);

  TvwFileSystemVxbStream stream(FileSystem, TVxbStreamLockWait{500, 10, 10});
  ASSERT_EQ(stream.Reset(u"table.vxbl", kShared), 0);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(stream.Lock(), 1);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
  child.Send();
  EXPECT_EQ(child.Wait(), 0);
  stream.Unlock();
}

}  // namespace
}  // namespace vexilo::index
