// The consistency check of a memo or blob file: every block of the file is
// either in the free list or in exactly one value's chain. The check reads
// each block's link once, walks the free list and every value's chain over
// those links, and reports what does not fit. Every walk is bounded by the
// block count, so a damaged file is reported, never followed forever.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/storage/values/blocked_binary_file.h"
#include "engine/types/memory.h"
#include "fs/format.h"

namespace vexilo::storage {

using types::TvwMemory;

namespace {

enum class TBlockUse : uint8_t { kUnknown, kFree, kUsed };

}  // namespace

int16_t TVxbBlockedBinaryFile::Check(const TVxbChainSource& chains, const TVxbCheckReport& report) {
  const auto say = [&](std::u16string_view message) { report(FKind.Word, message); };
  if (IsOpen() && FDamaged) {
    say(u"Storage file is corrupt");
    return 0;
  }
  return static_cast<int16_t>(Guard([&]() -> int32_t {
    RequireReadable();
    int32_t blockCount = FLastBlock;
    const int32_t fileBlocks = std::max(0, FStorage->GetPageCount() - 1);
    if (fileBlocks < blockCount) {
      say(u"Wrong block count");
      blockCount = fileBlocks;
    }
    const size_t slots = static_cast<size_t>(blockCount) + 1;
    std::vector<int32_t> links(slots, 0);
    std::vector<TBlockUse> use(slots, TBlockUse::kUnknown);
    for (int32_t blockNo = 1; blockNo <= blockCount; ++blockNo) {
      ReadBlock(blockNo, TempBlock());
      links[static_cast<size_t>(blockNo)] = TvwMemory::ReadInt32(TempBlock(), kNextBlockOffset);
    }
    const auto inFile = [&](int32_t blockNo) { return blockNo >= 1 && blockNo <= blockCount; };

    for (int32_t blockNo = FNextBlock; inFile(blockNo); blockNo = links[static_cast<size_t>(blockNo)]) {
      TBlockUse& blockUse = use[static_cast<size_t>(blockNo)];
      if (blockUse == TBlockUse::kFree) {
        say(u"Freelist contains cycles");
        break;
      }
      blockUse = TBlockUse::kFree;
    }

    if (chains) {
      chains([&](int32_t recordNo, std::u16string_view fieldName, int32_t blockIdx) {
        if (blockIdx == 0) return;
        const auto finding = [&](std::u16string_view pattern) {
          say(fs::FormatMessage(pattern, {fs::FormatArg(recordNo), fs::FormatArg(fieldName)}));
        };
        if (!inFile(blockIdx)) {
          finding(u"Record %d, field %s - Points to non-existing block.");
          return;
        }
        int64_t state = 0;
        int32_t blockNo = blockIdx;
        for (int32_t position = 0;; ++position) {
          TBlockUse& blockUse = use[static_cast<size_t>(blockNo)];
          if (blockUse == TBlockUse::kFree) {
            finding(u"Record %d, field %s - Chain contains unused block.");
            return;
          }
          if (blockUse == TBlockUse::kUsed) {
            finding(u"Record %d, field %s - Block is used twice.");
            return;
          }
          blockUse = TBlockUse::kUsed;
          const int32_t following = links[static_cast<size_t>(blockNo)];
          if (FVersion >= 5) {
            if (following == kEndOfChain) return;
          } else {
            ReadBlock(blockNo, TempBlock());
            const TChainEnd end = EndsValueByContent(TempBlock(), position, state);
            if (end == TChainEnd::kLast) return;
            if (end == TChainEnd::kInvalid) {
              finding(u"Record %d, field %s - Invalid block in chain.");
              return;
            }
          }
          if (!inFile(following)) {
            finding(u"Record %d, field %s - Invalid block in chain.");
            return;
          }
          blockNo = following;
        }
      });
    }

    for (int32_t blockNo = 1; blockNo <= blockCount; ++blockNo) {
      if (use[static_cast<size_t>(blockNo)] == TBlockUse::kUnknown) say(u"Unused block not in freelist");
    }
    return 0;
  }));
}

}  // namespace vexilo::storage
