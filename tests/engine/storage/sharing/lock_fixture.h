// The fixture of the lock file tests: a fresh directory with a table name in
// it, sessions logged in to its lock file, and the lock file's header and
// slots read and patched with the standard library, independently of the
// code under test.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/storage/sharing/lock_file.h"
#include "fs/os_file_system.h"
#include "fs/text.h"
#include "tests/engine/storage/process_fixture.h"
#include "tests/support/temp_dir.h"

namespace vexilo::storage::testing {

using vexilo::testing::TempDir;

// Header fields as offsets into the lock file.
enum RawField : size_t {
  kRawVersion = 4,
  kRawChangeCount = 6,
  kRawIndexCount = 14,
  kRawReadLocks = 16,
  kRawUpgradeLocks = 18,
  kRawWriteLocks = 20,
  kRawLockWaiters = 22,
  kRawWriteWaiters = 24,
  kRawItemCount = 26,
  kRawSessionCount = 28,
};

inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void PatchFile(const std::string& path, size_t pos, const std::vector<uint8_t>& bytes) {
  std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
  out.seekp(static_cast<std::streamoff>(pos));
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline int64_t RawNumber(const std::vector<uint8_t>& bytes, size_t pos, int size) {
  uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes.at(pos + static_cast<size_t>(i));
  if (size == 2) return static_cast<int16_t>(value);
  if (size == 4) return static_cast<int32_t>(value);
  return static_cast<int64_t>(value);
}

// Polls `condition` every millisecond for up to five seconds.
inline bool Eventually(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < deadline) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

class LockFileTest : public ::testing::Test {
 protected:
  static constexpr int16_t kLevel = 6;

  std::u16string BaseName() const { return fs::u16(Dir.File("Eng_hun")); }
  std::string LockPath() const { return Dir.File("Eng_hun.vxbl"); }
  std::string MovePath() const { return Dir.File("Eng_hun.vxbv"); }

  // A session of this process, logged in.
  std::unique_ptr<TVxbLockFile> LogIn(uint32_t station, std::u16string name = u"",
                                      int32_t attempts = kTableLockAttempts) {
    auto session = std::make_unique<TVxbLockFile>(FileSystem, station, std::move(name), nullptr, attempts);
    session->LogIn(BaseName(), kLevel, false);
    return session;
  }

  std::vector<uint8_t> LockBytes() const { return ReadFileBytes(LockPath()); }
  int64_t Header(RawField field) const {
    return RawNumber(LockBytes(), field, field == kRawChangeCount ? 8 : 2);
  }
  TVxbTableUsage Usage(TVxbLockFile& session) {
    TVxbTableUsage usage;
    session.GetLockInfo(usage);
    return usage;
  }

  TempDir Dir;
  fs::TvwOSFileSystem FileSystem;
};

// The body of a child session: logs in with its own file system and runs
// `steps`, whose result becomes the exit code.
inline std::function<int(const TChannel&)> ChildSession(
    std::u16string baseName, uint32_t station,
    std::function<int(TVxbLockFile&, const TChannel&)> steps, int32_t attempts = kTableLockAttempts) {
  return [baseName, station, steps, attempts](const TChannel& channel) {
    fs::TvwOSFileSystem fileSystem;
    TVxbLockFile session(fileSystem, station, u"Child", nullptr, attempts);
    session.LogIn(baseName, 6, false);
    return steps(session, channel);
  };
}

}  // namespace vexilo::storage::testing
