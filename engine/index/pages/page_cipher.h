// The encryption hook of the page cache. A storage opened with a cipher keeps
// plain bytes in the cache: each tile-sized block of a buffer is decrypted
// right after it is read and encrypted just before it is written (and
// decrypted again after the write). The ciphers themselves live elsewhere;
// the cache needs nothing but these two interfaces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vexilo::index {

// A block cipher working in place. Blocks handed to it by the page cache are
// exactly one tile long; other users may hand it blocks of other sizes.
class TVxbEncryption {
 public:
  virtual ~TVxbEncryption() = default;
  virtual void EncryptBlock(uint8_t* block, size_t size) = 0;
  virtual void DecryptBlock(uint8_t* block, size_t size) = 0;
};

// The factory of a table's cipher, held by each client storage of the table.
// A storage creates its own cipher from the first opener's factory; later
// openers of the same file must bring a factory that recognises it.
class TvwCryptor {
 public:
  virtual ~TvwCryptor() = default;
  // A new cipher object with this factory's method and key.
  virtual std::unique_ptr<TVxbEncryption> CreateEncryption() const = 0;
  // True when `encryption` enciphers exactly as this factory's ciphers do.
  virtual bool IsCorrectEncryption(const TVxbEncryption& encryption) const = 0;
};

}  // namespace vexilo::index
