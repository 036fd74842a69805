#include "engine/storage/file/table_cryptor.h"

namespace vexilo::storage {

TVxbEncryptionMethod EncryptionMethodFromCode(uint8_t code) {
  const uint8_t value = code & 0x7F;
  if (value >= temProtection && value <= temRijndael) return static_cast<TVxbEncryptionMethod>(value);
  return temNone;
}

const char16_t* EncryptionMethodName(TVxbEncryptionMethod method) {
  switch (method) {
    case temProtection: return u"temProtection";
    case temClassic: return u"temClassic";
    case temFastEncrypt: return u"temFastEncrypt";
    case temBlowfish: return u"temBlowfish";
    case temRijndael: return u"temRijndael";
    default: return u"temNone";
  }
}

}  // namespace vexilo::storage
