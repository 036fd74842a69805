// TvwLog: the rotating diagnostic log (the page manager writes to it under
// the subsystem name "Page Manager"). Logging is off until a severity
// threshold of 0 or more is set; then each message with a severity at or
// below the threshold becomes one line of the current log file.
//
// Files. The log keeps a set of numbered files named after FilePath with a
// four-digit number between the base name and the extension: the default
// path "<temporary directory>/Log.txt" gives Log0001.txt, Log0002.txt, ...
// Opening a file (at the first threshold >= 0, and whenever the current file
// has reached LogFileSize bytes) deletes the lowest-numbered files of the set
// until LogFileCount - 1 remain and creates the next number; past 9999 the
// remaining files are first renumbered from 0001. A file is held open for
// reading and writing with deny-write sharing.
//
// Lines. Formatted: "SEV yyyy-mm-dd hh:nn:ss.zzz message"; CSV (separator
// ";"): "SEV;timestamp;subsystem;message", after the header line
// "SEVERITY";"TIMESTAMP";"SUBSYSTEM"; and the caller's header. SEV is "ERR"
// for severity 1, "War" for 2 and three blanks for any other; the timestamp
// is local time; every line ends with CR LF and is written in UTF-8 (the
// log's stand-in for the ANSI code page).
//
// A TvwLog may be used from several threads; its operations are serialized.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "fs/file_system_stream.h"
#include "fs/format.h"
#include "fs/os_file_system.h"

namespace vexilo::fs {

enum class TvwLogFormat { lfFormatted = 0, lfCSV = 1 };

class TvwLog {
 public:
  TvwLog();
  ~TvwLog();
  TvwLog(const TvwLog&) = delete;
  TvwLog& operator=(const TvwLog&) = delete;

  // A negative value closes the open file (logging off); 0 or more opens a
  // log file when none is open. Raises EvwFileSystemError "Cannot create log
  // file ..." when the file cannot be created; the threshold is then kept.
  void SetSeverityThreshold(int32_t value);
  int32_t SeverityThreshold() const;

  // Writes `msg` formatted with `args` (the pattern itself when they do not
  // fit) when `severity` is at or below the threshold.
  void Log(int32_t severity, std::u16string_view subSystem, std::u16string_view msg, FormatArgs args);
  void Log(int32_t severity, std::u16string_view subSystem, std::u16string_view msg,
           std::initializer_list<FormatArg> args = {}) {
    Log(severity, subSystem, msg, FormatArgs(args.begin(), args.size()));
  }

  // Formats and stores the text that follows the CSV header's own columns.
  void SetLogHeader(std::u16string_view header, FormatArgs args);
  void SetLogHeader(std::u16string_view header, std::initializer_list<FormatArg> args = {}) {
    SetLogHeader(header, FormatArgs(args.begin(), args.size()));
  }

  // These take effect when the next file is opened.
  void SetFilePath(std::u16string_view value);
  void SetLogFileCount(int32_t value);
  void SetLogFileSize(int64_t value);
  // Also sets the separator: " " for formatted lines, ";" for CSV.
  void SetLogFormat(TvwLogFormat value);

  std::u16string FilePath() const;
  // The full name of the open log file; empty when none is open.
  std::u16string CurrentFileName() const;

 private:
  void OpenLogFile();
  void CloseLogFile();
  void WriteText(std::u16string_view text);

  mutable std::mutex FMutex;
  std::u16string FFilePath;
  TvwLogFormat FFormat = TvwLogFormat::lfFormatted;
  std::u16string FSeparator = u" ";
  int32_t FSeverityThreshold = -1;
  int32_t FLogFileCount = 5;
  int64_t FLogFileSize = 20480000;
  int64_t FCurrentLogFileSize = 0;
  std::u16string FHeader;
  TvwOSFileSystem FFileSystem;
  std::unique_ptr<TvwFileSystemStream> FFile;
  std::u16string FCurrentFileName;
};

}  // namespace vexilo::fs
