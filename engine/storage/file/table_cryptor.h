// TVxbTableCryptor: a table's encryption settings — the method stored in its
// header and the password the opener or creator supplies — and the cipher
// that records and definition blocks pass through.
//
// The methods are stored as the ordinals below. The ciphers behind every
// method but temNone belong to table encryption, which this build does not
// have: Init refuses them, and the data file then refuses the table with
// engine error 187 ("This feature is not supported: %s") instead of reading
// enciphered bytes as plain ones. temNone enciphers nothing; a table with
// that method may still carry a password, which its header keeps scrambled
// (password_field.h) and which an opener must supply.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace vexilo::storage {

enum TVxbEncryptionMethod : uint8_t {
  temNone = 1,
  temProtection = 2,
  temClassic = 3,
  temFastEncrypt = 4,
  temBlowfish = 5,
  temRijndael = 6,
};

// The method of a stored method code: bit 7 is ignored, 2 to 6 name a
// method, any other value (0 included) is temNone.
TVxbEncryptionMethod EncryptionMethodFromCode(uint8_t code);
// The method's name ("temNone", ...).
const char16_t* EncryptionMethodName(TVxbEncryptionMethod method);

class TVxbTableCryptor {
 public:
  explicit TVxbTableCryptor(std::u16string password = {}, TVxbEncryptionMethod method = temNone)
      : FPassword(std::move(password)), FMethod(method) {}

  const std::u16string& Password() const { return FPassword; }
  void SetPassword(std::u16string password) { FPassword = std::move(password); }
  TVxbEncryptionMethod Method() const { return FMethod; }
  void SetMethod(TVxbEncryptionMethod method) { FMethod = method; }

  // Prepares the cipher of the method with the password. False when this
  // build has no cipher for the method (every method but temNone).
  bool Init() const { return FMethod == temNone; }
  // In-place transforms of one block of `size` bytes (the identity for
  // temNone).
  void EncryptBlock(uint8_t* block, size_t size) const { (void)block, (void)size; }
  void DecryptBlock(uint8_t* block, size_t size) const { (void)block, (void)size; }

 private:
  std::u16string FPassword;
  TVxbEncryptionMethod FMethod;
};

}  // namespace vexilo::storage
