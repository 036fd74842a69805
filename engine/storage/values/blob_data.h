// TVxbBlobData: the value of one memo or blob column taken out of its file,
// as the redo log keeps it: ANSI bytes, or UTF-16 text for a wide memo.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vexilo::storage {

struct TVxbBlobData {
  int32_t FieldNo = 0;      // the column number
  std::string AnsiData;     // the bytes of an ANSI memo or a blob
  std::u16string WideData;  // the text of a wide memo
  bool IsWide = false;      // true when WideData holds the value
};

using TVxbBlobDataList = std::vector<TVxbBlobData>;

}  // namespace vexilo::storage
