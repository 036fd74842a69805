#include "fs/file_system_stream.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "fs/fs_errors.h"
#include "fs/os_file_system.h"
#include "fs/text.h"
#include "tests/fs/fs_test_support.h"
#include "tests/support/temp_dir.h"

namespace vexilo::fs {
namespace {

class FileSystemStreamTest : public ::testing::Test {
 protected:
  FileSystemStreamTest() { FS.SetBaseDirectory(u16(Dir.Path().string())); }

  vexilo::testing::TempDir Dir;
  TvwOSFileSystem FS;
};

// A file system whose creation reports that the file already exists, as
// file systems that create exclusively do.
class TExistingFileSystem : public TvwOSFileSystem {
 public:
  int32_t CreateFile(std::u16string_view) override {
    SetLastError(kErrorAlreadyExists);
    return -1;
  }
};

TEST_F(FileSystemStreamTest, MissingFileIsReportedAsNotFound) {
  const std::string expanded = Dir.File("missing.dat");
  try {
    TvwFileSystemStream stream(u"missing.dat", kOpenRead | kShareDenyNone, FS);
    FAIL() << "no exception";
  } catch (const EvwFileNotFoundError& e) {
    EXPECT_EQ(u8(e.Message()), "Cannot open file \"" + expanded + "\". No such file or directory");
    EXPECT_EQ(e.ErrorCode(), kErrorFileNotFound);
  }
}

TEST_F(FileSystemStreamTest, OtherOpenFailuresAreOpenErrors) {
  testing::WriteAll(Dir.File("T.dat"), "x");
  const int32_t holder = FS.OpenFile(u"T.dat", kOpenRead | kShareExclusive);
  ASSERT_GE(holder, 0);
  try {
    TvwFileSystemStream stream(u"T.dat", kOpenRead | kShareDenyNone, FS);
    FAIL() << "no exception";
  } catch (const EvwFileNotFoundError&) {
    FAIL() << "an existing file reported as missing";
  } catch (const EvwFileOpenError& e) {
    EXPECT_EQ(e.ErrorCode(), kErrorSharingViolation);
    EXPECT_NE(u8(e.Message()).find("being used by another process"), std::string::npos);
  }
  FS.CloseFile(holder);
}

TEST_F(FileSystemStreamTest, CreateFailuresAreCreateErrors) {
  try {
    TvwFileSystemStream stream(u"nodir/T.dat", kStreamCreate, FS);
    FAIL() << "no exception";
  } catch (const EvwFileAlreadyExistsError&) {
    FAIL() << "a missing directory reported as an existing file";
  } catch (const EvwFileCreateError& e) {
    EXPECT_EQ(u8(e.Message()),
              "Cannot create file \"" + Dir.File("nodir/T.dat") + "\". No such file or directory");
  }
  TExistingFileSystem existing;
  EXPECT_THROW(TvwFileSystemStream(u"T.dat", kStreamCreate, existing), EvwFileAlreadyExistsError);
}

TEST_F(FileSystemStreamTest, CreatingTruncatesAnExistingFile) {
  testing::WriteAll(Dir.File("T.dat"), "old contents");
  TvwFileSystemStream stream(u"T.dat", kStreamCreate, FS);
  EXPECT_EQ(stream.Size(), 0);
}

TEST_F(FileSystemStreamTest, ReadsAndWritesAdvanceThePosition) {
  TvwFileSystemStream stream(u"T.dat", kStreamCreate, FS);
  EXPECT_EQ(stream.Write("hello world", 11), 11);
  EXPECT_EQ(stream.Position(), 11);
  EXPECT_EQ(stream.Seek(6, TvwSeekOrigin::soBeginning), 6);
  char buffer[16] = {};
  EXPECT_EQ(stream.Read(buffer, 16), 5);  // only what the file holds
  EXPECT_EQ(std::string(buffer, 5), "world");
  EXPECT_EQ(stream.Position(), 11);
  EXPECT_EQ(stream.Read(buffer, 16), 0);
  EXPECT_EQ(stream.Position(), 11);
  EXPECT_EQ(stream.Seek(-5, TvwSeekOrigin::soCurrent), 6);
  EXPECT_EQ(stream.Seek(-1, TvwSeekOrigin::soEnd), 10);
  EXPECT_EQ(stream.Seek(10, TvwSeekOrigin::soEnd), 21);  // seeking does not touch the file
  EXPECT_EQ(stream.Size(), 11);
  EXPECT_EQ(stream.Write("!", 1), 1);
  EXPECT_EQ(stream.Size(), 22);
}

TEST_F(FileSystemStreamTest, DestroyingTheStreamClosesItsFile) {
  testing::WriteAll(Dir.File("T.dat"), "x");
  {
    TvwFileSystemStream stream(u"T.dat", kOpenRead | kShareExclusive, FS);
    EXPECT_EQ(FS.OpenFile(u"T.dat", kOpenRead | kShareDenyNone), -1);
  }
  {
    auto wrapped = TvwFileSystemStream::CreateFromHandle(FS.OpenFile(u"T.dat", kOpenRead | kShareExclusive), FS);
    char c = 0;
    EXPECT_EQ(wrapped->Read(&c, 1), 1);
    EXPECT_EQ(c, 'x');
  }
  const int32_t handle = FS.OpenFile(u"T.dat", kOpenRead | kShareExclusive);
  EXPECT_GE(handle, 0);
  FS.CloseFile(handle);
}

}  // namespace
}  // namespace vexilo::fs
