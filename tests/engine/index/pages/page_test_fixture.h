// The fixture of the page cache tests: a fresh directory, an operating-system
// file system rooted in it, and a page manager of the test's own (so cache
// figures and storage handles start from nothing). Files are prepared and
// checked through the standard library, independently of the code under test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "engine/index/pages/client_storage.h"
#include "engine/index/pages/page_manager.h"
#include "engine/index/pages/page_site.h"
#include "fs/os_file_system.h"
#include "fs/text.h"
#include "tests/fs/fs_test_support.h"
#include "tests/support/temp_dir.h"

namespace vexilo::index::testing {

using fs::testing::Pattern;
using fs::testing::ReadAll;
using fs::testing::WriteAll;

inline constexpr int32_t kTile = 8192;

class PageCacheFixture : public ::testing::Test {
 protected:
  PageCacheFixture() { FileSystem.SetBaseDirectory(fs::u16(Dir.Path().string())); }

  // A closed client storage of `name` for client `clientHdl`.
  std::unique_ptr<TVxbClientStorage> Client(const std::string& name, TVxbClientHdl clientHdl = 1,
                                            const TvwCryptor* cryptor = nullptr) {
    auto client = std::make_unique<TVxbClientStorage>(Manager, FileSystem, clientHdl, cryptor);
    client->SetName(fs::u16(name));
    return client;
  }
  // An open client storage of `name` with page size `pageSize` (0: keep).
  std::unique_ptr<TVxbClientStorage> Opened(const std::string& name, int32_t pageSize = 0,
                                            TVxbClientHdl clientHdl = 1) {
    auto client = Client(name, clientHdl);
    if (pageSize > 0) client->SetPageSize(pageSize);
    client->Open(false, false);
    return client;
  }
  std::string Path(const std::string& name) const { return Dir.File(name); }
  // Writes `size` pattern bytes as file `name` and returns them.
  std::string MakeFile(const std::string& name, size_t size) {
    std::string content = Pattern(size);
    WriteAll(Path(name), content);
    return content;
  }
  std::string FileBytes(const std::string& name) const { return ReadAll(Path(name)); }

  vexilo::testing::TempDir Dir;
  fs::TvwOSFileSystem FileSystem;
  TVxbPageManager Manager;
};

// The bytes a site shows, as a string.
inline std::string PageBytes(TVxbStoragePageSite& site) {
  return std::string(reinterpret_cast<const char*>(site.GetMemory()), static_cast<size_t>(site.GetPageSize()));
}

}  // namespace vexilo::index::testing
