#include "engine/types/data_value.h"

#include <cstring>

namespace vexilo::types {

uint8_t* TVxbDataValue::EnsureBuffer(size_t size) {
  if (size > BufferSize) {
    auto grown = std::make_unique<uint8_t[]>(size);
    if (BufferSize) std::memcpy(grown.get(), Buffer.get(), BufferSize);
    Buffer = std::move(grown);
    BufferSize = size;
  }
  return Buffer.get();
}

void TVxbDataValue::Clear() {
  ColumnType = 0;
  std::memset(Inline, 0, sizeof Inline);
  DataPtr = nullptr;
  RefIsText = false;
  RefLength = 0;
  Buffer.reset();
  BufferSize = 0;
  ObjectRef = nullptr;
  HoldsChar = false;
}

}  // namespace vexilo::types
