// The session log of the services object: its level, its file generations,
// its lines, and what happens when the file cannot be created.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/errors/services.h"
#include "fs/text.h"
#include "tests/support/temp_dir.h"

namespace vexilo::errors {
namespace {

using fs::u16;
using fs::u8;

constexpr uint32_t kStation = 42;

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::istringstream content(ReadFile(path));
  for (std::string line; std::getline(content, line);) lines.push_back(line);
  return lines;
}

// The part of a log line after the date and time: level, subsystem, message.
std::string LineTail(int level, const std::string& subsystem, const std::string& message) {
  std::string tail = " ";
  tail += (level < 10 ? " " : "") + std::to_string(level);
  tail += " " + std::string(20 - subsystem.size(), ' ') + subsystem;
  tail += " " + message;
  return tail;
}

// A log line has a date and time of at least 12 characters before its tail.
bool IsLogLine(const std::string& line, const std::string& tail) {
  if (line.size() < tail.size() + 12) return false;
  const size_t dateTimeLength = line.size() - tail.size();
  return line.compare(dateTimeLength, tail.size(), tail) == 0 && line[dateTimeLength - 1] != ' ';
}

// A services object whose private directory is a fresh temporary directory.
struct LoggedServices {
  explicit LoggedServices(uint32_t station = kStation) {
    services.SetPrivateDir(u16(dir.Path().string()));
    services.SetStation(station);
  }

  std::string Generation(int generation) const {
    return dir.File("VxbLog" + std::to_string(services.Station()) + "_0" +
                    std::to_string(generation) + ".txt");
  }
  std::vector<std::string> CurrentLines() const { return ReadLines(Generation(1)); }

  testing::TempDir dir;
  TVxbServices services;  // destroyed first: closes its log before the directory goes
};

class SessionLogTest : public ::testing::Test, protected LoggedServices {};

TEST_F(SessionLogTest, SwitchingOnCreatesGenerationOneWithAnOpeningLine) {
  EXPECT_EQ(services.SetLogLevel(2), 0);
  EXPECT_EQ(services.LogLevel(), 2);
  const std::vector<std::string> lines = CurrentLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(IsLogLine(lines[0], LineTail(1, "Services", "VexBase log file opened")))
      << lines[0];
}

TEST_F(SessionLogTest, SwitchingOffWritesAClosingLineAndStopsWriting) {
  services.SetLogLevel(3);
  EXPECT_EQ(services.SetLogLevel(0), 0);
  EXPECT_EQ(services.LogLevel(), 0);
  services.SetLastError(88, u"Eng_hun");
  const std::vector<std::string> lines = CurrentLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(IsLogLine(lines[1], LineTail(1, "Services", "VexBase log file closed")))
      << lines[1];
}

TEST_F(SessionLogTest, ChangingBetweenPositiveLevelsKeepsTheSameFile) {
  services.SetLogLevel(1);
  services.SetLogLevel(4);
  EXPECT_EQ(services.LogLevel(), 4);
  EXPECT_FALSE(std::filesystem::exists(Generation(2)));
  EXPECT_EQ(CurrentLines().size(), 1u);
}

TEST_F(SessionLogTest, DestroyingTheServicesClosesTheLog) {
  {
    TVxbServices other;
    other.SetPrivateDir(u16(dir.Path().string()));
    other.SetStation(7);
    other.SetLogLevel(1);
  }
  const std::vector<std::string> lines = ReadLines(dir.File("VxbLog7_01.txt"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(IsLogLine(lines[1], LineTail(1, "Services", "VexBase log file closed")));
}

TEST(SessionLogLevel, IsTakenIntoZeroToFour) {
  struct Case {
    int requested;
    int expected;
  };
  for (const Case& c : {Case{-3, 0}, Case{0, 0}, Case{1, 1}, Case{4, 4}, Case{7, 4}}) {
    LoggedServices log;
    EXPECT_EQ(log.services.SetLogLevel(c.requested), 0);
    EXPECT_EQ(log.services.LogLevel(), c.expected) << c.requested;
    EXPECT_EQ(std::filesystem::exists(log.Generation(1)), c.expected > 0) << c.requested;
  }
}

TEST(SessionLogFiles, OpeningShiftsTheGenerationsThatExist) {
  struct Case {
    const char* name;
    std::vector<int> existing;
    std::map<int, std::string> afterwards;  // generation 2 to 5 -> old content
  };
  const Case cases[] = {
      {"all five", {1, 2, 3, 4, 5}, {{2, "g1"}, {3, "g2"}, {4, "g3"}, {5, "g4"}}},
      {"with gaps", {1, 3}, {{2, "g1"}, {4, "g3"}}},
      {"none", {}, {}},
  };
  for (const Case& c : cases) {
    LoggedServices log;
    for (int generation : c.existing) {
      std::ofstream(log.Generation(generation)) << "g" << generation;
    }
    const std::string otherStation = log.dir.File("VxbLog43_01.txt");
    std::ofstream(otherStation) << "other station";

    ASSERT_EQ(log.services.SetLogLevel(1), 0) << c.name;
    for (int generation = 2; generation <= 5; ++generation) {
      const std::string path = log.Generation(generation);
      const auto expected = c.afterwards.find(generation);
      if (expected == c.afterwards.end()) {
        EXPECT_FALSE(std::filesystem::exists(path)) << c.name << " " << generation;
      } else {
        EXPECT_EQ(ReadFile(path), expected->second) << c.name << " " << generation;
      }
    }
    EXPECT_EQ(log.CurrentLines().size(), 1u) << c.name;
    EXPECT_EQ(ReadFile(otherStation), "other station") << c.name;
  }
}

TEST(SessionLogErrors, StoredErrorsAreLoggedAtLevelTwoExceptRecordNotFound) {
  struct Case {
    int level;
    int16_t code;
    bool logged;
  };
  const Case cases[] = {
      {1, 88, false}, {2, 88, true}, {4, 88, true}, {2, 19, false}, {4, 19, false},
  };
  for (const Case& c : cases) {
    LoggedServices log;
    log.services.SetLogLevel(c.level);
    log.services.SetLastError(c.code, u"Eng_hun");
    const std::vector<std::string> lines = log.CurrentLines();
    ASSERT_EQ(lines.size(), c.logged ? 2u : 1u) << c.level << " " << c.code;
    if (c.logged) {
      EXPECT_TRUE(IsLogLine(lines[1], LineTail(2, "Error 88", "Table \"Eng_hun\" not found")))
          << lines[1];
    }
  }
}

TEST_F(SessionLogTest, LinesAreWrittenInUtf8AndOnlyUpToTheLogLevel) {
  services.SetLogLevel(2);
  services.SetLastError(190, {});
  services.Log(3, u"Cursor", u"too detailed");
  services.Log(2, u"Kereső", u"ő");
  const std::vector<std::string> lines = CurrentLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(IsLogLine(lines[1], LineTail(2, "Error 190", "Ungültige Relationstabelle")))
      << lines[1];
  // "Kereső" is six characters (seven bytes) right-aligned in twenty.
  EXPECT_TRUE(IsLogLine(lines[2], "  2" + std::string(15, ' ') + "Kereső ő")) << lines[2];
}

TEST_F(SessionLogTest, ALogThatCannotBeCreatedStoresErrorThreeAndStaysOff) {
  const std::string missing = dir.File("missing");
  services.SetPrivateDir(u16(missing));
  EXPECT_EQ(services.SetLogLevel(2), -3);
  EXPECT_EQ(services.LogLevel(), 0);
  EXPECT_EQ(services.LastErrorCode(), 3);
  EXPECT_EQ(u8(services.LastErrorMsg()),
            "Error while writing to file \"" + missing + "/VxbLog42_01.txt\"");
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(PrivateDirectory, AlwaysEndsInADelimiterAndDefaultsToTheTemporaryDirectory) {
  TVxbServices services;
  std::string temporary = std::filesystem::temp_directory_path().string();
  if (temporary.back() != '/') temporary += '/';
  EXPECT_EQ(u8(services.PrivateDir()), temporary);

  services.SetPrivateDir(u"/data/vexilo");
  EXPECT_EQ(u8(services.PrivateDir()), "/data/vexilo/");
  services.SetPrivateDir(u"/data/vexilo/");
  EXPECT_EQ(u8(services.PrivateDir()), "/data/vexilo/");
  services.SetPrivateDir(u"");
  EXPECT_EQ(u8(services.PrivateDir()), temporary);
}

}  // namespace
}  // namespace vexilo::errors
