// TStream: a positioned byte stream, the interface through which fields read
// and write blob and memo contents (a dataset creates one per field and
// record), and TMemoryStream, a stream over bytes held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace vexilo::framework {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// A stream could not deliver or take all the bytes asked for.
class EStreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TStream {
 public:
  TStream() = default;
  virtual ~TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Copies up to `count` bytes at the position into `buffer` and advances by
  // what was copied; returns that number (0 at the end).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes `count` bytes at the position and advances; returns the number
  // written.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Moves the position and returns it.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  // Cuts or extends the content to `size` bytes (no effect where a stream
  // does not support it).
  virtual void SetSize(int64_t size);

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  // The length of the content; the position is kept.
  int64_t Size();

  // As Read and Write, but raise EStreamError unless all `count` bytes moved.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  // Everything from the position to the end.
  std::vector<std::byte> ReadRemaining();
  // Copies `count` bytes (0: everything from the start) of `source` into this
  // stream; returns the number copied.
  int64_t CopyFrom(TStream& source, int64_t count);
};

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<std::byte> bytes) : FBytes(std::move(bytes)) {}

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t size) override;

  const std::vector<std::byte>& Bytes() const { return FBytes; }

 private:
  std::vector<std::byte> FBytes;
  int64_t FPosition = 0;
};

}  // namespace vexilo::framework
