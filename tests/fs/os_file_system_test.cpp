#include "fs/os_file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fs/fs_errors.h"
#include "fs/text.h"
#include "tests/fs/fs_test_support.h"
#include "tests/support/temp_dir.h"

namespace vexilo::fs {
namespace {

using testing::Pattern;
using testing::ReadAll;
using testing::WriteAll;

// A file system whose base directory is a fresh temporary directory.
class OSFileSystemTest : public ::testing::Test {
 protected:
  OSFileSystemTest() { FS.SetBaseDirectory(u16(Dir.Path().string())); }

  std::string Path(const std::string& name) const { return Dir.File(name); }

  vexilo::testing::TempDir Dir;
  TvwOSFileSystem FS;
};

TEST(OSFileSystemPaths, NamesResolveAgainstTheBaseDirectory) {
  struct Case {
    const char* base;
    const char* name;
    const char* expected;
  };
  const Case cases[] = {
      {"/data/db", "T.dat", "/data/db/T.dat"},
      {"/data/db", "./T.dat", "/data/db/T.dat"},
      {"/data/db", "../other/T.dat", "/data/other/T.dat"},
      {"/data/db", "../../T.dat", "/T.dat"},
      {"/data/db", "../../../T.dat", "/T.dat"},  // the root has no parent
      {"/data/db", "/x/T.dat", "/x/T.dat"},      // absolute: unchanged
      {"/data/db", "sub/T.dat", "/data/db/sub/T.dat"},
      {"/data/db/", "T.dat", "/data/db/T.dat"},  // one delimiter between
      {"/", "T.dat", "/T.dat"},
      {"", "./T.dat", "./T.dat"},  // no base directory: unchanged
      {"", "../T.dat", "../T.dat"},
      {"db", "../../T.dat", "../T.dat"},  // a relative base keeps what it cannot remove
  };
  for (const Case& c : cases) {
    TvwOSFileSystem fs;
    fs.SetBaseDirectory(u16(c.base));
    EXPECT_EQ(u8(fs.ExpandFileName(u16(c.name))), c.expected) << c.base << " + " << c.name;
  }
}

TEST_F(OSFileSystemTest, CreatesFilesBelowTheBaseDirectory) {
  const int32_t handle = FS.CreateFile(u"T.dat");
  ASSERT_GE(handle, 0);
  ASSERT_EQ(FS.FileWrite(handle, 0, "abc", 3), 3);
  FS.CloseFile(handle);
  EXPECT_EQ(ReadAll(Path("T.dat")), "abc");
}

TEST_F(OSFileSystemTest, CreateFileTruncatesAnExistingFile) {
  WriteAll(Path("T.dat"), "old contents");
  const int32_t handle = FS.CreateFile(u"T.dat");
  ASSERT_GE(handle, 0);
  EXPECT_EQ(FS.GetFileSize(handle), 0);
  FS.CloseFile(handle);
}

TEST_F(OSFileSystemTest, ReadsAndWritesAtPositions) {
  const int32_t handle = FS.CreateFile(u"T.dat");
  ASSERT_GE(handle, 0);
  EXPECT_EQ(FS.FileWrite(handle, 100, "WXYZ", 4), 4);  // beyond the end: the gap reads as zeros
  EXPECT_EQ(FS.GetFileSize(handle), 104);
  EXPECT_EQ(FS.FileWrite(handle, 2, "ab", 2), 2);

  char buffer[8] = {};
  EXPECT_EQ(FS.FileRead(handle, 0, buffer, 4), 4);
  EXPECT_EQ(std::string(buffer, 4), std::string("\0\0ab", 4));
  EXPECT_EQ(FS.FileRead(handle, 102, buffer, 8), 2);  // fewer at the end of the file
  EXPECT_EQ(std::string(buffer, 2), "YZ");
  EXPECT_EQ(FS.FileRead(handle, 104, buffer, 8), 0);
  EXPECT_EQ(FS.FileRead(handle, 500, buffer, 8), 0);
  EXPECT_EQ(FS.FileRead(handle, -1, buffer, 8), 0);  // positioning fails: nothing transferred
  EXPECT_EQ(FS.FileWrite(handle, -1, "x", 1), 0);
  EXPECT_EQ(FS.GetFileSize(handle), 104);
  FS.CloseFile(handle);
}

TEST_F(OSFileSystemTest, TransfersNeedTheHandlesAccess) {
  WriteAll(Path("T.dat"), "data");
  const int32_t reader = FS.OpenFile(u"T.dat", kOpenRead | kShareDenyNone);
  const int32_t writer = FS.OpenFile(u"T.dat", kOpenWrite | kShareDenyNone);
  ASSERT_GE(reader, 0);
  ASSERT_GE(writer, 0);
  char buffer[4];
  EXPECT_EQ(FS.FileWrite(reader, 0, "XXXX", 4), -1);
  EXPECT_EQ(FS.GetLastError(), kErrorInvalidHandle);
  EXPECT_EQ(FS.FileRead(writer, 0, buffer, 4), -1);
  EXPECT_EQ(FS.FileRead(reader, 0, buffer, 4), 4);
  EXPECT_EQ(FS.FileWrite(writer, 0, "DATA", 4), 4);
  EXPECT_THROW(FS.SetFileSize(reader, 1), EvwInOutError);
  FS.CloseFile(reader);
  FS.CloseFile(writer);
  EXPECT_EQ(ReadAll(Path("T.dat")), "DATA");
}

TEST_F(OSFileSystemTest, SetFileSizeOnlyShrinks) {
  struct Case {
    int64_t newSize;
    int64_t expected;
  };
  const Case cases[] = {{4000, 1000}, {1000, 1000}, {999, 999}, {10, 10}, {0, 0}};
  for (const Case& c : cases) {
    WriteAll(Path("T.dat"), Pattern(1000));
    const int32_t handle = FS.OpenFile(u"T.dat", kOpenReadWrite | kShareExclusive);
    ASSERT_GE(handle, 0);
    FS.SetFileSize(handle, c.newSize);
    EXPECT_EQ(FS.GetFileSize(handle), c.expected) << c.newSize;
    FS.CloseFile(handle);
    EXPECT_EQ(ReadAll(Path("T.dat")), Pattern(1000).substr(0, c.expected)) << c.newSize;
  }
}

TEST_F(OSFileSystemTest, EndOfFileIsAtOrBeyondTheSize) {
  WriteAll(Path("T.dat"), "12345");
  const int32_t handle = FS.OpenFile(u"T.dat", kOpenRead | kShareDenyNone);
  ASSERT_GE(handle, 0);
  EXPECT_FALSE(FS.EndOfFile(handle, 0));
  EXPECT_FALSE(FS.EndOfFile(handle, 4));
  EXPECT_TRUE(FS.EndOfFile(handle, 5));
  EXPECT_TRUE(FS.EndOfFile(handle, 6));
  FS.CloseFile(handle);
}

TEST_F(OSFileSystemTest, InvalidHandlesFailWithoutTouchingFiles) {
  char buffer[4];
  EXPECT_EQ(FS.FileRead(12345, 0, buffer, 4), -1);
  EXPECT_EQ(FS.GetLastError(), kErrorInvalidHandle);
  EXPECT_EQ(FS.FileWrite(-1, 0, buffer, 4), -1);
  EXPECT_LT(FS.LockFile(12345, 0, 1, true), 0);
  try {
    FS.GetFileSize(12345);
    FAIL() << "no exception";
  } catch (const EvwFileSystemError& e) {
    EXPECT_EQ(u8(e.Message()), "Cannot determine file size (6).");
  }
  FS.CloseFile(12345);
  EXPECT_EQ(FS.GetLastError(), kErrorInvalidHandle);
}

TEST_F(OSFileSystemTest, FailuresReportTheOriginalErrorNumbers) {
  EXPECT_EQ(FS.OpenFile(u"missing.dat", kOpenRead | kShareDenyNone), -1);
  EXPECT_EQ(FS.GetLastError(), kErrorFileNotFound);
  ASSERT_TRUE(FS.CreateDir(u"sub"));
  EXPECT_FALSE(FS.CreateDir(u"sub"));
  EXPECT_EQ(FS.GetLastError(), kErrorAlreadyExists);
  EXPECT_FALSE(FS.DeleteFile(u"missing.dat"));
  EXPECT_EQ(FS.GetLastError(), kErrorFileNotFound);
  EXPECT_EQ(FS.OpenFile(u"T.dat", 0x03), -1);  // no such access value
  EXPECT_EQ(FS.OpenFile(u"T.dat", 0x50), -1);  // no such sharing value
  FS.SetLastError(4711);
  EXPECT_EQ(FS.GetLastError(), 4711);
}

TEST_F(OSFileSystemTest, RefusesToOpenDirectoriesAndSpecialFiles) {
  ASSERT_TRUE(FS.CreateDir(u"sub"));
  ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0666), 0);
  EXPECT_EQ(FS.OpenFile(u"sub", kOpenRead | kShareDenyNone), -1);
  EXPECT_EQ(FS.CreateFile(u"sub"), -1);
  EXPECT_EQ(FS.OpenFile(u"pipe", kOpenRead | kShareDenyNone), -1);  // must not block
  EXPECT_FALSE(FS.FileExists(u"pipe"));
}

TEST_F(OSFileSystemTest, ErrorMessagesNeverFail) {
  struct Case {
    int32_t code;
    const char* expected;
  };
  const Case cases[] = {
      {kErrorFileNotFound, "No such file or directory"},
      {kErrorAlreadyExists, "File exists"},
      {kErrorInvalidHandle, "Bad file descriptor"},
      {kErrorSharingViolation,
       "The process cannot access the file because it is being used by another process."},
      {kErrorPathNotFound, "The system cannot find the path specified."},
      {13, "Permission denied"},  // other codes: the system's own text
      {1000, "No locking support"},
      {1001, "Unknown reason"},
      {65535, "Unknown reason"},
  };
  for (const Case& c : cases) EXPECT_EQ(u8(FS.GetErrorMessage(c.code)), c.expected) << c.code;
  EXPECT_FALSE(FS.GetErrorMessage(-5).empty());
  EXPECT_FALSE(FS.GetErrorMessage(999).empty());
}

TEST_F(OSFileSystemTest, SearchesMatchWildcardsAndAttributeMasks) {
  for (const char* name : {"a.dat", "b.dat", "c.idx", "noext", "B.dat"}) WriteAll(Path(name), name);
  ASSERT_TRUE(FS.CreateDir(u"sub"));
  ASSERT_TRUE(FS.CreateDir(u"sub.dat"));

  struct Case {
    const char* path;
    int32_t attr;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"*.dat", 0, {"B.dat", "a.dat", "b.dat"}},  // directories need bit 0x10
      {"*.dat", kAttrDirectory, {"B.dat", "a.dat", "b.dat", "sub.dat"}},
      {"?.dat", 0, {"B.dat", "a.dat", "b.dat"}},
      {"b.*", 0, {"b.dat"}},  // case-sensitive
      {"*.*", 0, {"B.dat", "a.dat", "b.dat", "c.idx", "noext"}},
      {"*", kAttrDirectory, {".", "..", "B.dat", "a.dat", "b.dat", "c.idx", "noext", "sub", "sub.dat"}},
      {"*x*", 0, {"c.idx", "noext"}},
      {"c.idx", 0, {"c.idx"}},
      {"C.idx", 0, {}},
      {"sub", 0, {}},
      {"sub", kAttrDirectory, {"sub"}},
      {"missing*", kAttrAnyFile, {}},
      {"nodir/*", kAttrAnyFile, {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> found;
    TvwFindFileRec rec;
    for (bool more = FS.FindFirstFile(u16(c.path), c.attr, rec); more; more = FS.FindNextFile(rec)) {
      found.push_back(u8(rec.Name));
    }
    FS.FindFileClose(rec);
    EXPECT_EQ(found, c.expected) << c.path << " mask " << c.attr;
  }
}

TEST_F(OSFileSystemTest, FoundEntriesCarrySizeAttributesAndTime) {
  WriteAll(Path("a.dat"), Pattern(1234));
  ASSERT_TRUE(FS.CreateDir(u"sub"));
  TvwFindFileRec rec;
  ASSERT_TRUE(FS.FindFirstFile(u"a.dat", 0, rec));
  EXPECT_EQ(rec.Size, 1234);
  EXPECT_EQ(rec.Attr & kAttrDirectory, 0);
  EXPECT_GE((rec.Time >> 25) & 0x7F, 2024 - 1980);  // packed year, after 1980
  EXPECT_FALSE(FS.FindNextFile(rec));
  EXPECT_EQ(FS.GetLastError(), kErrorFileNotFound);
  ASSERT_TRUE(FS.FindFirstFile(u"sub", kAttrDirectory, rec));
  EXPECT_NE(rec.Attr & kAttrDirectory, 0);
  FS.FindFileClose(rec);
  EXPECT_EQ(rec.FindHandle, -1);
  EXPECT_FALSE(FS.FindNextFile(rec));  // a closed search finds nothing more
}

TEST_F(OSFileSystemTest, FileAndDirectoryExistenceTellEntriesApart) {
  WriteAll(Path("a.dat"), "x");
  ASSERT_TRUE(FS.CreateDir(u"sub"));
  struct Case {
    const char* name;
    bool isFile;
    bool isDirectory;
  };
  const Case cases[] = {
      {"a.dat", true, false}, {"sub", false, true}, {"sub/", false, true},
      {"missing", false, false}, {"sub/missing", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FS.FileExists(u16(c.name)), c.isFile) << c.name;
    EXPECT_EQ(FS.DirectoryExists(u16(c.name)), c.isDirectory) << c.name;
  }
  EXPECT_TRUE(FS.DirectoryExists(u16(Dir.Path().string())));  // absolute
  EXPECT_TRUE(FS.DirectoryExists(u"/"));
}

TEST_F(OSFileSystemTest, CopyFileCopiesWholeFilesOfEverySize) {
  // Around the 4096-byte chunk: a file of exactly 8192 bytes ends with an
  // empty read and an empty write.
  for (size_t size : {0, 1, 4095, 4096, 4097, 8192, 10000}) {
    WriteAll(Path("src.dat"), Pattern(size));
    WriteAll(Path("dst.dat"), "previous, longer contents of the target file");
    ASSERT_TRUE(FS.CopyFile(u"src.dat", u"dst.dat")) << size;
    EXPECT_EQ(ReadAll(Path("dst.dat")), Pattern(size)) << size;
  }
}

TEST_F(OSFileSystemTest, CopyFileIntoADirectoryKeepsTheName) {
  WriteAll(Path("src.dat"), "contents");
  ASSERT_TRUE(FS.CreateDir(u"target"));
  ASSERT_TRUE(FS.CopyFile(u"src.dat", u"target"));
  EXPECT_EQ(ReadAll(Path("target/src.dat")), "contents");
}

TEST_F(OSFileSystemTest, CopyFileFailuresReportTheCauseAndCloseBothFiles) {
  EXPECT_FALSE(FS.CopyFile(u"missing.dat", u"dst.dat"));
  EXPECT_EQ(FS.GetLastError(), kErrorFileNotFound);
  EXPECT_FALSE(std::filesystem::exists(Path("dst.dat")));

  WriteAll(Path("src.dat"), "contents");
  WriteAll(Path("dst.dat"), "in use");
  const int32_t user = FS.OpenFile(u"dst.dat", kOpenRead | kShareDenyNone);
  ASSERT_GE(user, 0);
  EXPECT_FALSE(FS.CopyFile(u"src.dat", u"dst.dat"));
  EXPECT_EQ(FS.GetLastError(), kErrorSharingViolation);
  EXPECT_EQ(ReadAll(Path("dst.dat")), "in use");  // never truncated while open elsewhere
  FS.CloseFile(user);
  // Both files were closed: nothing keeps them from being deleted.
  EXPECT_TRUE(FS.DeleteFile(u"src.dat"));
  EXPECT_TRUE(FS.DeleteFile(u"dst.dat"));
}

TEST_F(OSFileSystemTest, CopyFromCopiesADirectoryTree) {
  const std::filesystem::path src = Dir.Path() / "src";
  std::filesystem::create_directories(src / "a" / "deep");
  std::filesystem::create_directories(src / "empty");
  WriteAll((src / "zero.dat").string(), "");
  WriteAll((src / "chunk.dat").string(), Pattern(32768));
  WriteAll((src / "a" / "big.dat").string(), Pattern(70000));
  WriteAll((src / "a" / "deep" / "x.txt").string(), "x");
  std::filesystem::create_directory(Dir.Path() / "dst");

  TvwOSFileSystem source;
  source.SetBaseDirectory(u16(src.string()));
  FS.CopyFrom(source, u"", u"dst");

  const std::filesystem::path dst = Dir.Path() / "dst";
  EXPECT_EQ(ReadAll((dst / "zero.dat").string()), "");
  EXPECT_EQ(ReadAll((dst / "chunk.dat").string()), Pattern(32768));
  EXPECT_EQ(ReadAll((dst / "a" / "big.dat").string()), Pattern(70000));
  EXPECT_EQ(ReadAll((dst / "a" / "deep" / "x.txt").string()), "x");
  EXPECT_TRUE(std::filesystem::is_directory(dst / "empty"));
}

TEST_F(OSFileSystemTest, CopyFromReportsADirectoryItCannotCreate) {
  std::filesystem::create_directories(Dir.Path() / "src" / "sub");
  std::filesystem::create_directories(Dir.Path() / "dst" / "sub");
  try {
    FS.CopyFrom(FS, u"src", u"dst");
    FAIL() << "no exception";
  } catch (const EvwInOutError& e) {
    EXPECT_EQ(u8(e.Message()), "Cannot create directory \"dst/sub\".");
  }
}

TEST_F(OSFileSystemTest, OpenFilesCannotBeDeletedOrRenamed) {
  WriteAll(Path("T.dat"), "contents");
  const int32_t handle = FS.OpenFile(u"T.dat", kOpenRead | kShareDenyNone);
  ASSERT_GE(handle, 0);
  EXPECT_FALSE(FS.DeleteFile(u"T.dat"));
  EXPECT_EQ(FS.GetLastError(), kErrorSharingViolation);
  EXPECT_FALSE(FS.RenameFile(u"T.dat", u"U.dat"));
  EXPECT_EQ(FS.GetLastError(), kErrorSharingViolation);
  FS.CloseFile(handle);
  EXPECT_TRUE(FS.RenameFile(u"T.dat", u"U.dat"));
  EXPECT_EQ(ReadAll(Path("U.dat")), "contents");
  EXPECT_TRUE(FS.DeleteFile(u"U.dat"));
  EXPECT_FALSE(std::filesystem::exists(Path("U.dat")));
}

TEST_F(OSFileSystemTest, RenamingNeverReplacesAnExistingFile) {
  WriteAll(Path("old.dat"), "old");
  WriteAll(Path("new.dat"), "new");
  EXPECT_FALSE(FS.RenameFile(u"old.dat", u"new.dat"));
  EXPECT_EQ(FS.GetLastError(), kErrorAlreadyExists);
  EXPECT_EQ(ReadAll(Path("old.dat")), "old");
  EXPECT_EQ(ReadAll(Path("new.dat")), "new");
}

TEST_F(OSFileSystemTest, DirectoriesAreCreatedAndRemoved) {
  EXPECT_TRUE(FS.ForcePath(u"one/two/three"));
  EXPECT_TRUE(FS.DirectoryExists(u"one/two/three"));
  EXPECT_TRUE(FS.ForcePath(u"one/two/three/"));  // already there
  WriteAll(Path("file"), "x");
  EXPECT_FALSE(FS.ForcePath(u"file/sub"));
  EXPECT_FALSE(FS.RemoveDir(u"one"));  // not empty
  EXPECT_TRUE(FS.RemoveDir(u"one/two/three"));
  EXPECT_FALSE(FS.DirectoryExists(u"one/two/three"));
}

TEST_F(OSFileSystemTest, DestroyingTheFileSystemClosesItsHandles) {
  WriteAll(Path("T.dat"), "x");
  {
    TvwOSFileSystem other;
    other.SetBaseDirectory(FS.GetBaseDirectory());
    ASSERT_GE(other.OpenFile(u"T.dat", kOpenReadWrite | kShareExclusive), 0);
    EXPECT_EQ(FS.OpenFile(u"T.dat", kOpenRead | kShareDenyNone), -1);
  }
  const int32_t handle = FS.OpenFile(u"T.dat", kOpenRead | kShareDenyNone);
  EXPECT_GE(handle, 0);
  FS.CloseFile(handle);
}

}  // namespace
}  // namespace vexilo::fs
