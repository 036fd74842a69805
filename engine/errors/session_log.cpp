#include "engine/errors/session_log.h"

#include <ctime>
#include <iomanip>
#include <locale>
#include <sstream>
#include <system_error>

#include "fs/format.h"
#include "fs/text.h"

namespace vexilo::errors {
namespace {

constexpr size_t kDateTimeWidth = 12;
constexpr size_t kLevelWidth = 2;
constexpr size_t kSubsystemWidth = 20;

// The user's locale for dates and times; the classic one when the
// environment names a locale the system does not have.
const std::locale& UserLocale() {
  static const std::locale locale = [] {
    try {
      return std::locale("");
    } catch (const std::runtime_error&) {
      return std::locale::classic();
    }
  }();
  return locale;
}

// The current local date and time in the user's short date and long time
// format.
std::u16string CurrentDateTimeText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::ostringstream text;
  text.imbue(UserLocale());
  text << std::put_time(&local, "%x %X");
  return fs::Utf8ToUtf16(text.str());
}

void AppendRightAligned(std::u16string& line, std::u16string_view field, size_t width) {
  if (field.size() < width) line.append(width - field.size(), u' ');
  line.append(field);
}

}  // namespace

std::u16string TVxbSessionLog::FileName(uint32_t station, int generation) {
  return fs::FormatMessage(u"VxbLog%d_%.2d.txt", {station, generation});
}

bool TVxbSessionLog::Open(const std::filesystem::path& directory, uint32_t station) {
  Close();
  auto generationPath = [&](int generation) {
    return directory / fs::Utf16ToUtf8(FileName(station, generation));
  };
  // A generation that cannot be removed or renamed is left as it is; the new
  // log is created all the same.
  std::error_code ignored;
  std::filesystem::remove(generationPath(kGenerationCount), ignored);
  for (int generation = kGenerationCount - 1; generation >= 1; --generation) {
    const std::filesystem::path older = generationPath(generation);
    if (std::filesystem::exists(older, ignored)) {
      std::filesystem::rename(older, generationPath(generation + 1), ignored);
    }
  }
  FFile.open(generationPath(1), std::ios::out | std::ios::trunc | std::ios::binary);
  return FFile.is_open();
}

void TVxbSessionLog::Close() {
  if (FFile.is_open()) FFile.close();
  FFile.clear();
}

void TVxbSessionLog::WriteLine(int level, std::u16string_view subsystem,
                               std::u16string_view message) {
  if (!FFile.is_open()) return;
  std::u16string line;
  AppendRightAligned(line, CurrentDateTimeText(), kDateTimeWidth);
  line += u' ';
  AppendRightAligned(line, fs::Utf8ToUtf16(std::to_string(level)), kLevelWidth);
  line += u' ';
  AppendRightAligned(line, subsystem, kSubsystemWidth);
  line += u' ';
  line.append(message);
  line += u'\n';
  FFile << fs::Utf16ToUtf8(line);
  FFile.flush();
}

}  // namespace vexilo::errors
