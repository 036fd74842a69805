#include "engine/storage/file/index_name_area.h"

#include <algorithm>
#include <string_view>

#include "engine/errors/error_codes.h"
#include "engine/storage/file/header_stream.h"
#include "engine/types/memory.h"

namespace vexilo::storage {

using types::TvwMemory;

namespace {

constexpr size_t kWideEntrySize = 90;
constexpr size_t kShortEntrySize = 45;

bool IsWideArea(int16_t level) { return level >= 5; }

}  // namespace

int32_t IndexNameAreaSize(int16_t level) {
  if (level >= 5) return 4502;
  if (level == 4) return 2252;
  if (level >= 2) return 677;
  return 67;
}

int IndexNameAreaEntries(int16_t level) {
  if (level >= 4) return 50;
  if (level >= 2) return 15;
  return 1;
}

std::vector<std::u16string> DecodeIndexNameArea(std::span<const uint8_t> area, int16_t level,
                                                const types::TVxbCollation& collation) {
  std::vector<std::u16string> names;
  if (area.size() < static_cast<size_t>(IndexNameAreaSize(level))) RaiseDamagedHeader();
  const int16_t count = TvwMemory::ReadInt16(area.data(), 0);
  if (count <= 0) return names;
  if (count > IndexNameAreaEntries(level)) RaiseDamagedHeader();
  for (int i = 0; i < count; ++i) {
    if (IsWideArea(level)) {
      const size_t entry = 2 + kWideEntrySize * static_cast<size_t>(i);
      const uint16_t length = TvwMemory::ReadUInt16(area.data(), entry);
      if (length > kMaxIndexNameLength) RaiseDamagedHeader();
      names.push_back(TvwMemory::ReadWPWideString(area.data(), entry, kWideEntrySize));
    } else {
      const size_t entry = 2 + kShortEntrySize * static_cast<size_t>(i);
      const uint8_t length = TvwMemory::ReadUInt8(area.data(), entry);
      if (length > kMaxIndexNameLength) RaiseDamagedHeader();
      names.push_back(collation.AnsiToWide(TvwMemory::ReadBPAnsiString(area.data(), entry, kShortEntrySize)));
    }
  }
  return names;
}

std::vector<uint8_t> EncodeIndexNameArea(const std::vector<std::u16string>& names, int16_t level,
                                         const types::TVxbCollation& collation) {
  std::vector<uint8_t> area(static_cast<size_t>(IndexNameAreaSize(level)), 0);
  const size_t count = std::min(names.size(), static_cast<size_t>(IndexNameAreaEntries(level)));
  TvwMemory::WriteInt16(area.data(), 0, static_cast<int16_t>(count));
  for (size_t i = 0; i < count; ++i) {
    if (IsWideArea(level)) {
      TvwMemory::WriteWPWideString(area.data(), 2 + kWideEntrySize * i, names[i],
                                   static_cast<int>(kMaxIndexNameLength));
    } else {
      TvwMemory::WriteBPAnsiString(area.data(), 2 + kShortEntrySize * i, collation.WideToAnsi(names[i]),
                                   static_cast<int>(kMaxIndexNameLength));
    }
  }
  return area;
}

int16_t CheckIndexNames(const std::vector<std::u16string>& names, int16_t level,
                        const types::TVxbCollation& collation, std::u16string& badName) {
  if (names.size() > static_cast<size_t>(IndexNameAreaEntries(level))) return errors::vxbErrTooManyIndexes;
  for (const auto& name : names) {
    const size_t length = IsWideArea(level) ? name.size() : collation.WideToAnsi(name).size();
    if (length > kMaxIndexNameLength) {
      badName = name;
      return errors::vxbErrInvalidIndexName;
    }
  }
  return 0;
}

}  // namespace vexilo::storage
