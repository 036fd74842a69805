#include "engine/storage/table/index_places.h"

#include "engine/index/index_file.h"
#include "engine/index/index_names.h"
#include "engine/index/table_file_names.h"
#include "fs/format.h"

namespace vexilo::storage {

TVxbIndexPlaces::TVxbIndexPlaces() = default;

TVxbIndexPlaces::~TVxbIndexPlaces() = default;

index::TVxbIndexFile* TVxbIndexPlaces::Get(int place) const {
  if (place < 0 || place >= kCount) return nullptr;
  return FFiles[static_cast<size_t>(place)].get();
}

int TVxbIndexPlaces::Find(std::u16string_view name) const {
  for (int place = 0; place <= FLast; ++place) {
    if (FFiles[place] && FFiles[place]->IsSameName(name)) return place;
  }
  return -1;
}

int TVxbIndexPlaces::Free(int16_t level) const {
  for (int place = 0; place < PlaceCount(level); ++place) {
    if (!FFiles[place]) return place;
  }
  return -1;
}

void TVxbIndexPlaces::Put(int place, TSlot file) {
  FFiles[static_cast<size_t>(place)] = std::move(file);
  if (place > FLast) FLast = place;
}

void TVxbIndexPlaces::CloseAll() noexcept {
  for (TSlot& file : FFiles) {
    if (file) file->Close(false);
    file.reset();
  }
  FLast = -1;
}

std::vector<std::u16string> TVxbIndexPlaces::IndexNamesArea(const std::vector<std::u16string>& stored) const {
  std::vector<std::u16string> names;
  for (int place = 0; place <= FLast; ++place) {
    const TSlot& file = FFiles[place];
    if (file && (file->GetKind() == index::tikUser || file->GetKind() == index::tikTemporary)) {
      names.push_back(file->GetName());
    }
  }
  for (const std::u16string& name : stored) {
    if (index::IsFullTextIndexName(name)) names.push_back(name);
  }
  return names;
}

std::u16string TVxbIndexPlaces::FilePath(std::u16string_view directory, std::u16string_view tableName,
                                         std::u16string_view indexName, int16_t level) {
  return std::u16string(directory) + index::IndexFileName(tableName, indexName, level);
}

std::u16string TVxbIndexPlaces::TemporaryName(int16_t level, std::u16string_view standardName, int place) {
  if (level >= 4) return fs::FormatMessage(u"tmp%.3d", {fs::FormatArg(place)});
  return fs::FormatMessage(u"%s.$%.2d", {fs::FormatArg(std::u16string(standardName)), fs::FormatArg(place)});
}

}  // namespace vexilo::storage
