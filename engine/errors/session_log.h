// TVxbSessionLog: the text log file of one session, kept by the session's
// services object (which decides which lines pass its log level). The log is
// a plain UTF-8 text file, not a database file.
//
// Files. "VxbLog<station>_<generation>.txt" in the session's private
// directory, the generation in two digits: generation 1 is the newest log,
// at most five generations are kept. Opening shifts the older generations
// first (5 is deleted, 4 becomes 5, ..., 1 becomes 2, each only where it
// exists) and then creates generation 1 empty.
//
// Line layout (each line ends with a line feed and is flushed at once):
//   date and time   the local date and time, right-aligned in 12 characters
//   blank
//   level           the line's level, right-aligned in 2 characters
//   blank
//   subsystem       right-aligned in 20 characters
//   blank
//   message         the rest of the line
// A field longer than its width is written whole.
//
// Not thread-safe: a session is used by one thread at a time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace vexilo::errors {

class TVxbSessionLog {
 public:
  static constexpr int kGenerationCount = 5;

  TVxbSessionLog() = default;
  TVxbSessionLog(const TVxbSessionLog&) = delete;
  TVxbSessionLog& operator=(const TVxbSessionLog&) = delete;

  // The file name of generation `generation` (1 to 5) of station `station`'s log.
  static std::u16string FileName(uint32_t station, int generation);

  // Shifts the generations in `directory` and creates generation 1; false,
  // with the log closed, when the new file cannot be created. Closes a log
  // that is open first.
  bool Open(const std::filesystem::path& directory, uint32_t station);
  void Close();
  bool IsOpen() const { return FFile.is_open(); }

  // Writes one line in the layout above and flushes it; nothing when closed.
  void WriteLine(int level, std::u16string_view subsystem, std::u16string_view message);

 private:
  std::ofstream FFile;
};

}  // namespace vexilo::errors
