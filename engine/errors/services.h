// TVxbServices: a session's services object, as far as errors and logging
// reach. It holds the session's last error (engine error number, message and,
// for errors found in an expression or program text, the line and position
// of the error) and the session log with its level, station number and
// private directory.
//
// Every storing operation returns the negated stored engine error number, so
// storage code can write `return services.SetLastError(...)`. Number 9999
// (internal control flow) is never stored: it leaves the last error as it
// was. Number 19 ("Record not found") is stored but not logged; every other
// stored error is logged at level 2.
//
// The last error survives until the next error is stored or ClearLastError
// is called; successful operations do not clear it.
//
// One object per session, owned by the session; not thread-safe (a session is
// used by one thread at a time).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "engine/errors/compiler_error.h"
#include "engine/errors/engine_exception.h"
#include "engine/errors/session_log.h"
#include "fs/format.h"

namespace vexilo::errors {

class TVxbServices {
 public:
  // Level at which stored errors are logged.
  static constexpr int kErrorLogLevel = 2;
  static constexpr int kMaxLogLevel = 4;

  // No last error, log level 0, station 0, the system's temporary directory
  // as private directory.
  TVxbServices();
  // Closes the session log as SetLogLevel(0) does.
  ~TVxbServices();
  TVxbServices(const TVxbServices&) = delete;
  TVxbServices& operator=(const TVxbServices&) = delete;

  // Station number: names the session's log files.
  uint32_t Station() const { return FStation; }
  void SetStation(uint32_t station) { FStation = station; }

  // The private directory, always ending in a path delimiter. Setting the
  // empty text selects the system's temporary directory. The directory is not
  // created here.
  const std::u16string& PrivateDir() const { return FPrivateDir; }
  void SetPrivateDir(std::u16string_view directory);

  // The stored last error: positive engine error number, 0 when none.
  int16_t LastErrorCode() const { return FLastErrorCode; }
  const std::u16string& LastErrorMsg() const { return FLastErrorMsg; }
  const std::u16string& LastErrorUnitName() const { return FLastErrorUnitName; }
  // The line in which the error was found, tabs replaced by blanks.
  const std::u16string& LastErrorLine() const { return FLastErrorLine; }
  int32_t LastErrorLineNo() const { return FLastErrorLineNo; }
  int32_t LastErrorPos() const { return FLastErrorPos; }

  // Forgets the last error: code 0, empty texts, line number and position 0.
  void ClearLastError();

  // Stores an exception: a compiler error with its position, any other with
  // its code and message as they are.
  int16_t SetLastError(const EVxbEngine& exc);
  // Stores template `code` formatted with `description`; when the argument
  // does not fit, "Invalid error message: " and the template.
  int16_t SetLastError(int16_t code, std::u16string_view description);
  // As above with an argument list.
  int16_t SetLastError(int16_t code, fs::FormatArgs args);
  int16_t SetLastError(int16_t code, std::initializer_list<fs::FormatArg> args) {
    return SetLastError(code, fs::FormatArgs(args.begin(), args.size()));
  }
  // Stores the code and message of `exc`, its unit name, line, line number,
  // and its character number as the position.
  int16_t SetLastCompilerError(const EVxbCompilerError& exc);
  // SetLastError(code, description), then the error line `expression` and
  // the position `position` (its character index in the line).
  int16_t SetLastErrorPos(int16_t code, std::u16string_view description, int32_t position,
                          std::u16string_view expression);
  // Stores `msg` as given with `code`, then line and position as above.
  int16_t SetLastErrorMsgPos(int16_t code, std::u16string_view msg, int32_t position,
                             std::u16string_view expression);

  // The stored error as an exception to raise again; none when no error is
  // stored.
  std::optional<EVxbEngine> CreateLastErrorExc() const;

  // Copies the last error for a caller of the engine: `errCode` gets the
  // negated engine error number (0 when none), `errMsg` the message cut to
  // `maxLen` characters and terminated (room for maxLen + 1). Returns 0.
  int16_t GetLastError(int16_t& errCode, char16_t* errMsg, int maxLen) const;
  // Copies the error line the same way; returns the stored position.
  int32_t GetLastErrorPos(char16_t* errLine, int maxLen) const;

  // Log level 0 (off) to 4.
  int LogLevel() const { return FLogLevel; }
  // Sets the log level, taken into 0 to 4. Switching on opens a new log
  // generation in the private directory; switching off closes it. Returns 0,
  // or -3 with engine error 3 stored (and the level left at 0) when the log
  // file cannot be created.
  int16_t SetLogLevel(int level);
  // Writes a line of level `level` when the log is on and its level is not
  // below `level`.
  void Log(int level, std::u16string_view subsystem, std::u16string_view message);

 private:
  // The step every storing operation ends in; returns -FLastErrorCode.
  int16_t StoreLastError(int16_t code, std::u16string message);
  // Sets the error line and position of an error just stored.
  void StoreErrorLine(int16_t code, std::u16string line, int32_t position);

  int16_t FLastErrorCode = 0;
  std::u16string FLastErrorMsg;
  std::u16string FLastErrorUnitName;
  std::u16string FLastErrorLine;
  int32_t FLastErrorLineNo = 0;
  int32_t FLastErrorPos = 0;

  uint32_t FStation = 0;
  std::u16string FPrivateDir;
  int FLogLevel = 0;
  TVxbSessionLog FLog;
};

}  // namespace vexilo::errors
