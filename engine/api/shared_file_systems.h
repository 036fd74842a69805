// TVxbSharedFileSystems: the operating-system file systems of the databases
// the sessions of this process have open, one per directory. It owns them;
// the page manager's file-system registry, where each is registered under
// its directory, counts their users. The first session that opens a
// directory creates its file system and registers it; later sessions of the
// same directory get the same object; when the last one releases it, the
// registry closes it and this list frees it.
//
// Each file system handed out is serialized (serialized_file_system.h), so
// the sessions' threads and their unlock threads may share it.
//
// Safe across threads: every operation runs under the list's mutex.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "engine/api/serialized_file_system.h"
#include "engine/index/pages/page_manager.h"
#include "fs/os_file_system.h"

namespace vexilo::api {

class TVxbSharedFileSystems {
 public:
  // The list of the process, over the process's page manager.
  static TVxbSharedFileSystems& Instance();

  // A list over `pageManager` (not owned, must outlive it).
  explicit TVxbSharedFileSystems(index::TVxbPageManager& pageManager) : FPageManager(pageManager) {}
  TVxbSharedFileSystems(const TVxbSharedFileSystems&) = delete;
  TVxbSharedFileSystems& operator=(const TVxbSharedFileSystems&) = delete;

  // The file system of the directory `directory` (its base directory), one
  // user more. Raises what the page manager raises.
  fs::TvwFileSystem& Acquire(std::u16string_view directory);
  // One user less; the last one closes and frees it.
  void Release(fs::TvwFileSystem& fileSystem);

  index::TVxbPageManager& PageManager() const { return FPageManager; }
  // File systems currently held by some session.
  size_t Count() const;

 private:
  struct TEntry {
    std::unique_ptr<fs::TvwOSFileSystem> FOsFileSystem;
    std::unique_ptr<TVxbSerializedFileSystem> FFileSystem;
    int32_t FUsers = 0;
  };

  index::TVxbPageManager& FPageManager;
  mutable std::mutex FMutex;
  std::vector<TEntry> FEntries;
};

}  // namespace vexilo::api
