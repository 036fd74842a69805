#include "engine/api/shared_file_systems.h"

#include <algorithm>

namespace vexilo::api {

TVxbSharedFileSystems& TVxbSharedFileSystems::Instance() {
  static TVxbSharedFileSystems instance(index::TVxbPageManager::Instance());
  return instance;
}

fs::TvwFileSystem& TVxbSharedFileSystems::Acquire(std::u16string_view directory) {
  const std::lock_guard<std::mutex> guard(FMutex);
  if (fs::TvwFileSystem* registered = FPageManager.GetFileSystem(directory)) {
    for (TEntry& entry : FEntries) {
      if (entry.FFileSystem.get() == registered) ++entry.FUsers;
    }
    return *registered;
  }
  TEntry entry;
  entry.FOsFileSystem = std::make_unique<fs::TvwOSFileSystem>();
  entry.FOsFileSystem->SetBaseDirectory(directory);
  entry.FFileSystem = std::make_unique<TVxbSerializedFileSystem>(*entry.FOsFileSystem);
  entry.FUsers = 1;
  FPageManager.AddFileSystem(directory, *entry.FFileSystem);
  fs::TvwFileSystem* registered = FPageManager.GetFileSystem(directory);
  FEntries.push_back(std::move(entry));
  return *registered;
}

void TVxbSharedFileSystems::Release(fs::TvwFileSystem& fileSystem) {
  const std::lock_guard<std::mutex> guard(FMutex);
  FPageManager.ReleaseFileSystem(fileSystem);
  const auto found = std::find_if(FEntries.begin(), FEntries.end(),
                                  [&](const TEntry& entry) { return entry.FFileSystem.get() == &fileSystem; });
  if (found != FEntries.end() && --found->FUsers == 0) FEntries.erase(found);
}

size_t TVxbSharedFileSystems::Count() const {
  const std::lock_guard<std::mutex> guard(FMutex);
  return FEntries.size();
}

}  // namespace vexilo::api
