#include "fs/log.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "fs/fs_errors.h"
#include "fs/platform.h"
#include "fs/text.h"

namespace vexilo::fs {
namespace {

constexpr char16_t kDelimiter = platform::kPathDelimiter;
constexpr int kHighestNumber = 9999;

std::u16string DefaultFilePath() {
  std::error_code error;
  std::filesystem::path dir = std::filesystem::temp_directory_path(error);
  if (error) dir = "/tmp";
  return Utf8ToUtf16((dir / "Log.txt").string());
}

std::u16string_view SeverityName(int32_t severity) {
  switch (severity) {
    case 1: return u"ERR";
    case 2: return u"War";
    default: return u"   ";
  }
}

std::u16string Timestamp() {
  const platform::LocalTime t = platform::Now();
  return FormatMessage(u"%.4d-%.2d-%.2d %.2d:%.2d:%.2d.%.3d",
                       {t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second, t.Millisecond});
}

// The parts of a log file path: "dir/" + base + NNNN + ext.
struct TLogName {
  std::u16string DirPrefix;
  std::u16string Base;
  std::u16string Ext;

  explicit TLogName(std::u16string_view path) {
    const size_t slash = path.find_last_of(kDelimiter);
    const size_t nameStart = slash == std::u16string_view::npos ? 0 : slash + 1;
    DirPrefix = path.substr(0, nameStart);
    const std::u16string_view name = path.substr(nameStart);
    const size_t dot = name.find_last_of(u'.');
    Base = name.substr(0, dot);
    Ext = dot == std::u16string_view::npos ? u"" : name.substr(dot);
  }

  std::u16string File(int number) const {
    return DirPrefix + Base + FormatMessage(u"%.4d", {number}) + Ext;
  }

  // The number of a file of the set, or 0 when `name` is none of them.
  int NumberOf(std::u16string_view name) const {
    if (name.size() != Base.size() + 4 + Ext.size()) return 0;
    if (!name.starts_with(Base) || !name.ends_with(Ext)) return 0;
    int number = 0;
    for (char16_t c : name.substr(Base.size(), 4)) {
      if (c < u'0' || c > u'9') return 0;
      number = number * 10 + (c - u'0');
    }
    return number;
  }
};

}  // namespace

TvwLog::TvwLog() : FFilePath(DefaultFilePath()) {}

TvwLog::~TvwLog() = default;

void TvwLog::SetSeverityThreshold(int32_t value) {
  std::lock_guard<std::mutex> guard(FMutex);
  if (value < 0) {
    CloseLogFile();
  } else if (!FFile) {
    OpenLogFile();
  }
  FSeverityThreshold = value;
}

int32_t TvwLog::SeverityThreshold() const {
  std::lock_guard<std::mutex> guard(FMutex);
  return FSeverityThreshold;
}

void TvwLog::Log(int32_t severity, std::u16string_view subSystem, std::u16string_view msg,
                 FormatArgs args) {
  std::lock_guard<std::mutex> guard(FMutex);
  if (!FFile || severity > FSeverityThreshold) return;
  if (FCurrentLogFileSize >= FLogFileSize) {
    CloseLogFile();
    OpenLogFile();
  }
  std::u16string line(SeverityName(severity));
  line.append(FSeparator).append(Timestamp()).append(FSeparator);
  if (FFormat == TvwLogFormat::lfCSV) line.append(subSystem).append(FSeparator);
  if (auto text = TryFormatMessage(msg, args)) {
    line.append(*text);
  } else {
    line.append(msg);
  }
  line.append(u"\r\n");
  WriteText(line);
}

void TvwLog::SetLogHeader(std::u16string_view header, FormatArgs args) {
  std::u16string text = FormatMessage(header, args);
  std::lock_guard<std::mutex> guard(FMutex);
  FHeader = std::move(text);
}

void TvwLog::SetFilePath(std::u16string_view value) {
  std::lock_guard<std::mutex> guard(FMutex);
  FFilePath = value;
}

void TvwLog::SetLogFileCount(int32_t value) {
  std::lock_guard<std::mutex> guard(FMutex);
  FLogFileCount = value;
}

void TvwLog::SetLogFileSize(int64_t value) {
  std::lock_guard<std::mutex> guard(FMutex);
  FLogFileSize = value;
}

void TvwLog::SetLogFormat(TvwLogFormat value) {
  std::lock_guard<std::mutex> guard(FMutex);
  FFormat = value;
  FSeparator = value == TvwLogFormat::lfCSV ? u";" : u" ";
}

std::u16string TvwLog::FilePath() const {
  std::lock_guard<std::mutex> guard(FMutex);
  return FFilePath;
}

std::u16string TvwLog::CurrentFileName() const {
  std::lock_guard<std::mutex> guard(FMutex);
  return FCurrentFileName;
}

void TvwLog::OpenLogFile() {
  const TLogName names(FFilePath);
  if (!names.DirPrefix.empty()) FFileSystem.ForcePath(names.DirPrefix);

  struct TFound {
    int Number;
    std::u16string Name;
  };
  std::vector<TFound> found;
  {
    TvwFindFileRec rec;
    for (bool more = FFileSystem.FindFirstFile(names.DirPrefix + names.Base + u"????" + names.Ext, 0, rec);
         more; more = FFileSystem.FindNextFile(rec)) {
      if (const int number = names.NumberOf(rec.Name); number > 0) found.push_back({number, rec.Name});
    }
    FFileSystem.FindFileClose(rec);
  }
  std::sort(found.begin(), found.end(), [](const TFound& a, const TFound& b) { return a.Number < b.Number; });

  const size_t keep = static_cast<size_t>(std::max(FLogFileCount - 1, 0));
  size_t first = 0;
  for (; found.size() - first > keep; ++first) FFileSystem.DeleteFile(names.DirPrefix + found[first].Name);
  found.erase(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(first));

  int next = found.empty() ? 1 : found.back().Number + 1;
  if (next > kHighestNumber) {
    for (size_t i = 0; i < found.size(); ++i) {
      const int number = static_cast<int>(i) + 1;
      if (found[i].Number != number) FFileSystem.RenameFile(names.DirPrefix + found[i].Name, names.File(number));
    }
    next = static_cast<int>(found.size()) + 1;
  }

  const std::u16string fileName = names.File(next);
  try {
    { TvwFileSystemStream created(fileName, kStreamCreate, FFileSystem); }
    FFile = std::make_unique<TvwFileSystemStream>(fileName, kOpenReadWrite | kShareDenyWrite, FFileSystem);
  } catch (const EvwFileSystemError& e) {
    throw EvwFileSystemError(FormatMessage(u"Cannot create log file \"%s\"", {fileName}), e.ErrorCode());
  }
  FCurrentFileName = FFileSystem.ExpandFileName(fileName);
  FCurrentLogFileSize = 0;
  if (FFormat == TvwLogFormat::lfCSV) {
    WriteText(u"\"SEVERITY\";\"TIMESTAMP\";\"SUBSYSTEM\";" + FHeader + u"\r\n");
  }
}

void TvwLog::CloseLogFile() {
  FFile.reset();
  FCurrentFileName.clear();
}

void TvwLog::WriteText(std::u16string_view text) {
  const std::string bytes = Utf16ToUtf8(text);
  FFile->Write(bytes.data(), static_cast<int32_t>(bytes.size()));
  FCurrentLogFileSize += static_cast<int64_t>(bytes.size());
}

}  // namespace vexilo::fs
