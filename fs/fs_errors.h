// The exceptions of the file system layer. File systems, streams and the log
// raise them; the table and index layers catch them and turn them into engine
// error numbers.
//
// Every exception carries its message as UTF-16 (Message()) and as UTF-8
// (what()), and the operating-system error code behind it when there is one
// (ErrorCode(), 0 otherwise).
//
//   EvwFileSystemError            any failure of this layer
//   +- EvwInOutError              input/output failures of file systems
//   +- EvwStreamError             failures of a file-system stream
//      +- EvwFileCreateError      a stream could not create its file
//      |  +- EvwFileAlreadyExistsError
//      +- EvwFileOpenError        a stream could not open its file
//         +- EvwFileNotFoundError
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vexilo::fs {

class EvwFileSystemError : public std::runtime_error {
 public:
  explicit EvwFileSystemError(std::u16string message, int32_t errorCode = 0);

  const std::u16string& Message() const { return FMessage; }
  int32_t ErrorCode() const { return FErrorCode; }

 private:
  std::u16string FMessage;
  int32_t FErrorCode;
};

class EvwInOutError : public EvwFileSystemError {
 public:
  using EvwFileSystemError::EvwFileSystemError;
};

class EvwStreamError : public EvwFileSystemError {
 public:
  using EvwFileSystemError::EvwFileSystemError;
};

class EvwFileCreateError : public EvwStreamError {
 public:
  using EvwStreamError::EvwStreamError;
};

class EvwFileOpenError : public EvwStreamError {
 public:
  using EvwStreamError::EvwStreamError;
};

// Creating failed because the file exists (last error 183).
class EvwFileAlreadyExistsError : public EvwFileCreateError {
 public:
  using EvwFileCreateError::EvwFileCreateError;
};

// Opening failed because the file does not exist (last error 2).
class EvwFileNotFoundError : public EvwFileOpenError {
 public:
  using EvwFileOpenError::EvwFileOpenError;
};

}  // namespace vexilo::fs
