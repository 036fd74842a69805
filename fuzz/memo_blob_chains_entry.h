// The memo/blob chain reader under arbitrary files: one input is a few
// control bytes and a file image; the image is written as a memo or blob
// file, opened, every value it could hold is read, the file is checked, and
// new values are written and read back.
//
// Input layout:
//   | Offset | Size | Meaning                                             |
//   |--------|------|-----------------------------------------------------|
//   | 0      | 1    | bit 0: blob file (else memo); bits 1-2: table level |
//   |        |      | 3 + value (3 to 6)                                  |
//   | 1      | 1    | length limit of memo reads; 255 for none            |
//   | 2      | 2    | one more first block to read (int16, may be bad)    |
//   | 4      | ...  | the file image                                      |
//
// Whatever the image holds, nothing may crash, hang or allocate beyond what
// the file backs, and the store must keep its promises: two values written
// successfully read back as written, before and after the file is closed and
// opened again.
// A broken promise aborts, which the fuzzer reports.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/errors/services.h"
#include "engine/index/pages/client_storage.h"
#include "engine/index/pages/page_manager.h"
#include "engine/storage/values/blob_file.h"
#include "engine/storage/values/memo_file.h"
#include "fs/os_file_system.h"
#include "fs/text.h"

namespace vexilo::fuzz {

namespace detail {

inline void Require(bool promise) {
  if (!promise) std::abort();
}

// What reading `written` back from a memo gives: line breaks as CR LF.
inline std::string MemoAsRead(const std::string& written) {
  std::string result;
  for (size_t i = 0; i < written.size(); ++i) {
    const char c = written[i];
    if (c == '\0' || c == '\x1a') break;
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < written.size() && written[i + 1] == '\n') ++i;
      result += "\r\n";
    } else {
      result += c;
    }
  }
  return result;
}

}  // namespace detail

// Runs one input in `directory` (which must exist). Returns 0.
inline int RunMemoBlobChains(const std::string& directory, const uint8_t* data, size_t size) {
  using storage::TVxbBlobFile;
  using storage::TVxbBlockedBinaryFile;
  using storage::TVxbMemoFile;
  if (size < 4) return 0;
  const bool isBlob = (data[0] & 1) != 0;
  const auto level = static_cast<int16_t>(3 + ((data[0] >> 1) & 3));
  const int32_t maxLen = data[1] == 255 ? -1 : data[1];
  const auto extraBlock = static_cast<int16_t>(data[2] | data[3] << 8);
  const std::string image(reinterpret_cast<const char*>(data) + 4, size - 4);
  const std::string fileName = isBlob ? "fuzz.vxbb" : "fuzz.vxbm";
  std::ofstream(directory + "/" + fileName, std::ios::binary | std::ios::trunc) << image;

  fs::TvwOSFileSystem fileSystem;
  fileSystem.SetBaseDirectory(fs::u16(directory));
  index::TVxbPageManager manager;
  errors::TVxbServices services;
  auto client = std::make_unique<index::TVxbClientStorage>(manager, fileSystem, 1);
  client->SetName(fs::u16(fileName));
  std::unique_ptr<TVxbBlockedBinaryFile> file;
  TVxbMemoFile* memo = nullptr;
  TVxbBlobFile* blob = nullptr;
  if (isBlob) {
    auto owned = std::make_unique<TVxbBlobFile>(services, std::move(client), level, 512);
    blob = owned.get();
    file = std::move(owned);
  } else {
    auto owned = std::make_unique<TVxbMemoFile>(services, std::move(client), level);
    memo = owned.get();
    file = std::move(owned);
  }
  if (file->Open(false, false) != 0) return 0;

  // Every block the header names may start a value; so may one bad number.
  std::vector<int32_t> starts{0, extraBlock};
  for (int32_t b = 1; b <= std::min(file->GetLastBlock(), 48); ++b) starts.push_back(b);
  // The most a value can hold: the file as the cache sees it (whole 8 KiB
  // tiles) plus one block.
  const size_t fileBytes = (image.size() + 8191) / 8192 * 8192 + 65768;
  for (const int32_t start : starts) {
    std::string value;
    if (file->ReadString(start, value) == 0) {
      // Nothing beyond what the file backs (a memo line break doubles).
      detail::Require(value.size() <= 2 * fileBytes);
    }
    if (memo) {
      std::string limited;
      if (memo->ReadMemo(start, limited, true, maxLen) == 0 && maxLen >= 0) {
        detail::Require(limited.size() <= static_cast<size_t>(maxLen));
      }
      const int32_t length = memo->CalcMemoLength(start);
      if (length >= 0 && file->ReadString(start, value) == 0) {
        detail::Require(static_cast<size_t>(length) == value.size());
      }
    } else {
      const int32_t length = blob->CalcBlobLength(start);
      if (length >= 0) detail::Require(static_cast<size_t>(length) <= fileBytes);
      blob->ReadBlobType(start);
      std::u16string wide;
      blob->ReadWideString(start, wide);
    }
  }
  file->Check(
      [&](const storage::TVxbChainVisitor& visit) {
        for (size_t i = 0; i < starts.size(); ++i) visit(static_cast<int32_t>(i), u"F", starts[i]);
      },
      [](std::u16string_view, std::u16string_view) {});

  // Two new values: both must read back as written, before and after the
  // file is closed and opened again.
  const std::string first = image.substr(0, std::min<size_t>(image.size(), 700));
  const std::string second = image.substr(image.size() / 2, 300) + "tail";
  const int32_t a = file->WriteString(0, first);
  const int32_t b = file->WriteString(0, second);
  const auto readsBack = [&](int32_t blockIdx, const std::string& written) {
    if (blockIdx <= 0) return;
    std::string back;
    detail::Require(file->ReadString(blockIdx, back) == 0);
    detail::Require(back == (memo ? detail::MemoAsRead(written) : written));
  };
  readsBack(a, first);
  readsBack(b, second);
  if (file->Flush() == 0) {
    file->Close();
    if (file->Open(false, false) != 0) return 0;
    readsBack(a, first);
    readsBack(b, second);
  }
  // Replacing and freeing values the image holds: whatever it holds, no harm.
  if (starts.size() > 2) file->WriteString(starts[2], "x");
  if (a > 0) file->FreeValue(a);
  file->Check([](const storage::TVxbChainVisitor&) {}, [](std::u16string_view, std::u16string_view) {});
  file->Empty();
  file->Close();
  return 0;
}

}  // namespace vexilo::fuzz
