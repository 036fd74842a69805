// TVxbMemoFile: the memo file of a table (`.mmo` below level 6, `.vxbm` at
// level 6, named after the table file), which holds the text of its Memo
// columns. Texts are ANSI bytes in the column's code page; converting them
// from and to UTF-16 is the caller's business (through the column's
// collation).
//
// Blocks are always 256 bytes (the header's block size is never read back).
// A memo's chain of blocks (layout of the chain store: blocked_binary_file.h):
//
//   | Offset | Size | Meaning                                               |
//   |--------|------|-------------------------------------------------------|
//   | 0      | 4    | NextBlock: the next block of the memo; -1 in the last |
//   | 4      | 252  | text bytes                                            |
//
// The text ends at the first byte 0 or 26 (Ctrl-Z); a block whose 252 text
// bytes hold neither continues in the block its NextBlock names (read with
// the top four bits cleared). A line break is stored as one byte 13 (CR).
// Writers end every memo with a byte 0, which takes a block of its own when
// the text fills its last block exactly, and store nothing after it: a text
// is written up to its first byte 0 or 26, since no reader could get further.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/storage/values/blocked_binary_file.h"

namespace vexilo::storage {

class TVxbMemoFile : public TVxbBlockedBinaryFile {
 public:
  static constexpr int32_t kBlockSize = 256;
  static constexpr uint8_t kLineBreak = 13;
  static constexpr uint8_t kTerminator = 0;
  static constexpr uint8_t kCtrlZ = 26;

  // The memo file of the table file `tableFileName` at table level `level`.
  static std::u16string FileNameFor(std::u16string_view tableFileName, int16_t level);

  // A closed memo file of a table of level `version` on `storage` (owned).
  TVxbMemoFile(errors::TVxbServices& services, std::unique_ptr<index::TVxbClientStorage> storage,
               int16_t version);

  // The whole memo at `blockIdx` with its line breaks as CR LF.
  int16_t ReadString(int32_t blockIdx, std::string& s) override;
  // The memo at `blockIdx`: each stored CR becomes CR LF (one blank when
  // `supressCrLf` is set), a stored LF one blank; at most `maxLen` bytes
  // (below 0: no limit), never ending in half a line break.
  int16_t ReadMemo(int32_t blockIdx, std::string& s, bool supressCrLf, int32_t maxLen);
  // Writes `s` as a new memo (CR LF and a lone LF stored as one CR), then
  // frees the memo at `blockIdx`; returns the new first block, 0 for an
  // empty text.
  int32_t WriteString(int32_t blockIdx, std::string_view s) override;
  // The length ReadString would give: stored bytes plus one for each CR.
  int32_t CalcMemoLength(int32_t blockIdx);

 protected:
  TChainEnd EndsValueByContent(const uint8_t* block, int32_t position, int64_t& state) const override;

 private:
  // Walks the memo at `blockIdx`, handing each stored text byte to `take`
  // until the terminator or until `take` returns false.
  void WalkText(int32_t blockIdx, const std::function<bool(uint8_t)>& take);
};

}  // namespace vexilo::storage
