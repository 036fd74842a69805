#include "fs/log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "fs/fs_errors.h"
#include "fs/text.h"
#include "tests/fs/fs_test_support.h"
#include "tests/support/temp_dir.h"

namespace vexilo::fs {
namespace {

using testing::ReadAll;
using testing::WriteAll;

// `text` with every local time "yyyy-mm-dd hh:nn:ss.zzz" replaced by "TIME".
std::string MaskTimes(const std::string& text) {
  const std::string shape = "0000-00-00 00:00:00.000";
  std::string result;
  for (size_t i = 0; i < text.size();) {
    bool fits = i + shape.size() <= text.size();
    for (size_t k = 0; fits && k < shape.size(); ++k) {
      const char c = text[i + k];
      fits = shape[k] == '0' ? (c >= '0' && c <= '9') : c == shape[k];
    }
    if (fits) {
      result += "TIME";
      i += shape.size();
    } else {
      result += text[i++];
    }
  }
  return result;
}

class LogTest : public ::testing::Test {
 protected:
  LogTest() { Log.SetFilePath(u16(Dir.File("logs/Log.txt"))); }

  std::string LogFile(const std::string& name) const { return Dir.File("logs/" + name); }

  // The names in the log directory.
  std::set<std::string> Files() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Dir.Path() / "logs")) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

  // Opens a new file of the set and closes it again.
  void OpenAndClose() {
    Log.SetSeverityThreshold(0);
    Log.SetSeverityThreshold(-1);
  }

  vexilo::testing::TempDir Dir;
  TvwLog Log;
};

TEST(LogDefaults, TheDefaultFileLivesInTheTemporaryDirectory) {
  TvwLog log;
  EXPECT_EQ(u8(log.FilePath()), (std::filesystem::temp_directory_path() / "Log.txt").string());
  EXPECT_EQ(log.SeverityThreshold(), -1);
  EXPECT_TRUE(log.CurrentFileName().empty());
}

TEST_F(LogTest, FilesAreNumberedBetweenBaseNameAndExtension) {
  Log.SetSeverityThreshold(0);  // creates the missing directory too
  EXPECT_EQ(u8(Log.CurrentFileName()), LogFile("Log0001.txt"));
  Log.SetSeverityThreshold(2);  // a file is open: no new one
  EXPECT_EQ(u8(Log.CurrentFileName()), LogFile("Log0001.txt"));
  Log.SetSeverityThreshold(-1);
  EXPECT_TRUE(Log.CurrentFileName().empty());
  Log.SetSeverityThreshold(0);
  EXPECT_EQ(u8(Log.CurrentFileName()), LogFile("Log0002.txt"));
}

TEST_F(LogTest, KeepsFiveGenerations) {
  for (int i = 0; i < 8; ++i) OpenAndClose();
  EXPECT_EQ(Files(), (std::set<std::string>{"Log0004.txt", "Log0005.txt", "Log0006.txt",
                                            "Log0007.txt", "Log0008.txt"}));
  Log.SetLogFileCount(2);
  OpenAndClose();
  EXPECT_EQ(Files(), (std::set<std::string>{"Log0008.txt", "Log0009.txt"}));
}

TEST_F(LogTest, OnlyFilesOfTheSetAreCountedAndDeleted) {
  std::filesystem::create_directories(Dir.Path() / "logs");
  const std::set<std::string> strangers = {"Log0000.txt", "Logabcd.txt", "Log00012.txt",
                                           "Log0003.dat", "Other0003.txt", "Log003.txt"};
  for (const auto& name : strangers) WriteAll(LogFile(name), name);
  WriteAll(LogFile("Log0041.txt"), "old");
  WriteAll(LogFile("Log0040.txt"), "older");
  Log.SetLogFileCount(2);
  Log.SetSeverityThreshold(0);
  EXPECT_EQ(u8(Log.CurrentFileName()), LogFile("Log0042.txt"));
  std::set<std::string> expected = strangers;
  expected.insert({"Log0041.txt", "Log0042.txt"});
  EXPECT_EQ(Files(), expected);
}

TEST_F(LogTest, RenumbersFromOneAfter9999) {
  std::filesystem::create_directories(Dir.Path() / "logs");
  for (const char* name : {"Log0005.txt", "Log0050.txt", "Log0100.txt", "Log9998.txt", "Log9999.txt"}) {
    WriteAll(LogFile(name), name);
  }
  Log.SetSeverityThreshold(0);
  EXPECT_EQ(u8(Log.CurrentFileName()), LogFile("Log0005.txt"));
  Log.SetSeverityThreshold(-1);
  // The lowest gave way to keep four; those four moved down in order.
  EXPECT_EQ(Files(), (std::set<std::string>{"Log0001.txt", "Log0002.txt", "Log0003.txt",
                                            "Log0004.txt", "Log0005.txt"}));
  EXPECT_EQ(ReadAll(LogFile("Log0001.txt")), "Log0050.txt");
  EXPECT_EQ(ReadAll(LogFile("Log0002.txt")), "Log0100.txt");
  EXPECT_EQ(ReadAll(LogFile("Log0003.txt")), "Log9998.txt");
  EXPECT_EQ(ReadAll(LogFile("Log0004.txt")), "Log9999.txt");
  EXPECT_EQ(ReadAll(LogFile("Log0005.txt")), "");
}

TEST_F(LogTest, FormattedLinesCarrySeverityLocalTimeAndMessage) {
  Log.SetSeverityThreshold(4);
  Log.Log(2, u"Page Manager", u"There are %d open storages", {12});
  Log.Log(1, u"Page Manager", u"Storage %s lost", {u"Eng_hun.vxbt"});
  Log.Log(0, u"X", u"zero");
  Log.Log(3, u"X", u"three");
  Log.Log(1, u"X", u"árvíztűrő");  // written as UTF-8
  Log.SetSeverityThreshold(-1);

  EXPECT_EQ(MaskTimes(ReadAll(LogFile("Log0001.txt"))),
            "War TIME There are 12 open storages\r\n"
            "ERR TIME Storage Eng_hun.vxbt lost\r\n"
            "    TIME zero\r\n"
            "    TIME three\r\n"
            "ERR TIME árvíztűrő\r\n");
}

TEST_F(LogTest, CsvFilesStartWithTheHeaderAndNameTheSubsystem) {
  Log.SetLogFormat(TvwLogFormat::lfCSV);
  Log.SetLogHeader(u"\"%s\";\"%s\";", {u"MESSAGE", u"EXTRA"});
  Log.SetSeverityThreshold(2);
  Log.Log(1, u"Page Manager", u"Cannot read page %d", {7});
  Log.SetSeverityThreshold(-1);

  EXPECT_EQ(MaskTimes(ReadAll(LogFile("Log0001.txt"))),
            "\"SEVERITY\";\"TIMESTAMP\";\"SUBSYSTEM\";\"MESSAGE\";\"EXTRA\";\r\n"
            "ERR;TIME;Page Manager;Cannot read page 7\r\n");
}

TEST_F(LogTest, MessagesAboveTheThresholdOrWithLoggingOffAreIgnored) {
  Log.Log(0, u"X", u"while off");  // no file: nothing happens
  EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "logs"));
  Log.SetSeverityThreshold(1);
  Log.Log(2, u"X", u"warning");
  Log.Log(1, u"X", u"error");
  Log.SetSeverityThreshold(-1);
  Log.Log(-1, u"X", u"after closing");
  const std::string text = ReadAll(LogFile("Log0001.txt"));
  EXPECT_EQ(text.find("warning"), std::string::npos);
  EXPECT_NE(text.find("error"), std::string::npos);
  EXPECT_EQ(text.find("after closing"), std::string::npos);
}

TEST_F(LogTest, MismatchedArgumentsLogThePattern) {
  Log.SetSeverityThreshold(1);
  EXPECT_NO_THROW(Log.Log(1, u"X", u"Page %d of %s", {3}));
  Log.SetSeverityThreshold(-1);
  EXPECT_NE(ReadAll(LogFile("Log0001.txt")).find(" Page %d of %s\r\n"), std::string::npos);
}

TEST_F(LogTest, RollsOverToANewFileAtTheSizeLimit) {
  Log.SetLogFileSize(100);
  Log.SetSeverityThreshold(1);
  for (int i = 0; i < 4; ++i) Log.Log(1, u"X", u"line %d of some length", {i});  // 51 bytes each
  EXPECT_EQ(u8(Log.CurrentFileName()), LogFile("Log0002.txt"));
  Log.SetSeverityThreshold(-1);
  const std::string first = ReadAll(LogFile("Log0001.txt"));
  const std::string second = ReadAll(LogFile("Log0002.txt"));
  EXPECT_EQ(first.size(), 102u);  // whole lines; the limit is checked before writing
  EXPECT_NE(first.find("line 1 "), std::string::npos);
  EXPECT_NE(second.find("line 2 "), std::string::npos);
  EXPECT_NE(second.find("line 3 "), std::string::npos);
}

TEST_F(LogTest, TheOpenFileDeniesOtherWriters) {
  Log.SetSeverityThreshold(0);
  TvwOSFileSystem fs;
  EXPECT_EQ(fs.OpenFile(Log.CurrentFileName(), kOpenWrite | kShareDenyNone), -1);
  const int32_t reader = fs.OpenFile(Log.CurrentFileName(), kOpenRead | kShareDenyNone);
  EXPECT_GE(reader, 0);
  fs.CloseFile(reader);
}

TEST_F(LogTest, AFileThatCannotBeCreatedIsReported) {
  WriteAll(Dir.File("blocker"), "a file where the directory should be");
  Log.SetFilePath(u16(Dir.File("blocker/Log.txt")));
  try {
    Log.SetSeverityThreshold(0);
    FAIL() << "no exception";
  } catch (const EvwFileSystemError& e) {
    EXPECT_EQ(u8(e.Message()), "Cannot create log file \"" + Dir.File("blocker/Log0001.txt") + "\"");
  }
  EXPECT_EQ(Log.SeverityThreshold(), -1);
}

}  // namespace
}  // namespace vexilo::fs
