// The page cache's hot paths: a site showing the page it already shows,
// reading numbers from a pinned page, and pinning a page that is cached but
// not shown (the hash lookup), as an index search does at every level.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "engine/index/pages/client_storage.h"
#include "engine/index/pages/page_manager.h"
#include "engine/index/pages/page_site.h"
#include "fs/os_file_system.h"
#include "fs/text.h"

namespace vexilo::index {
namespace {

constexpr int32_t kPages = 256;
constexpr int32_t kPageSize = 4096;

// A file of kPages pages in a fresh directory, open through a manager of its
// own with room for all of it.
class CachedFile {
 public:
  CachedFile() {
    FDir = std::filesystem::temp_directory_path() / ("vexilo-page-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(FDir);
    std::ofstream(FDir / "bench.dat", std::ios::binary) << std::string(size_t{kPages} * kPageSize, '\x5A');
    FFileSystem.SetBaseDirectory(fs::u16(FDir.string()));
    FManager.RegisterClient(1, 64 * 1024);
    FStorage = std::make_unique<TVxbClientStorage>(FManager, FFileSystem, 1);
    FStorage->SetName(u"bench.dat");
    FStorage->SetPageSize(kPageSize);
    FStorage->Open(false, false);
  }
  ~CachedFile() {
    FStorage.reset();
    std::error_code ignored;
    std::filesystem::remove_all(FDir, ignored);
  }
  TVxbClientStorage& Storage() { return *FStorage; }

 private:
  std::filesystem::path FDir;
  fs::TvwOSFileSystem FFileSystem;
  TVxbPageManager FManager;
  std::unique_ptr<TVxbClientStorage> FStorage;
};

void BM_LoadPageAlreadyShown(benchmark::State& state) {
  CachedFile file;
  auto site = file.Storage().ReadPage(7);
  for (auto _ : state) {
    site->LoadPage(7);
    benchmark::DoNotOptimize(site->ReadInt32(100));
  }
}
BENCHMARK(BM_LoadPageAlreadyShown);

void BM_ReadInt32FromPinnedPage(benchmark::State& state) {
  CachedFile file;
  auto site = file.Storage().ReadPage(3);
  int32_t offset = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(site->ReadInt32(offset));
    offset = (offset + 4) & (kPageSize - 4);
  }
}
BENCHMARK(BM_ReadInt32FromPinnedPage);

void BM_LoadCachedPageNotShown(benchmark::State& state) {
  CachedFile file;
  auto site = file.Storage().CreatePageSite();
  for (int32_t pageNo = 0; pageNo < kPages; ++pageNo) site->LoadPage(pageNo);  // warm the cache
  int32_t pageNo = 0;
  for (auto _ : state) {
    site->LoadPage(pageNo);
    pageNo = (pageNo + 37) % kPages;  // a different tile each time
  }
}
BENCHMARK(BM_LoadCachedPageNotShown);

}  // namespace
}  // namespace vexilo::index
