// The password field of a table header: how a table's password is scrambled
// to be stored and recognised again when the table is opened.
//
// Scrambling reverses the order of the characters and replaces each by its
// bitwise complement (8 bits per ANSI character, 16 per UTF-16 code unit);
// doing it twice gives the original back.
//
//   level 6     the UTF-16 password, scrambled, in a fixed wide string of 40
//   level 5     the password in the table's ANSI code page, its bytes
//               scrambled, converted back to UTF-16 with that code page, in
//               a fixed wide string of 40
//   levels 1-4  a short string of 10: a value (upper-cased below level 4)
//               cut to 10 characters, then scrambled; the value names the
//               method: empty for temNone, the password for temProtection and
//               temClassic, "_en:td_" / "_en:bf_" / "_en:rj_" for
//               temFastEncrypt / temBlowfish / temRijndael
#pragma once

#include <string>
#include <string_view>

#include "engine/storage/file/table_cryptor.h"
#include "engine/types/collation.h"

namespace vexilo::storage {

// Longest password the fixed wide field of levels 5 and 6 holds.
inline constexpr size_t kMaxPasswordLength = 40;

std::u16string ScramblePassword(std::u16string_view password);
std::string ScrambleAnsiPassword(std::string_view password);

// The field of a level-5 or level-6 header for `password`; `collation` gives
// the code page of level 5.
std::u16string EncodePasswordField(int16_t level, std::u16string_view password, const types::TVxbCollation& collation);
// True when a level-5 or level-6 field holds `password`.
bool PasswordFieldMatches(int16_t level, std::u16string_view field, std::u16string_view password,
                          const types::TVxbCollation& collation);

// The ANSI bytes of a level-1-4 field (without its length byte) for
// `method` and `password`.
std::string EncodeClassicPasswordField(int16_t level, TVxbEncryptionMethod method, std::u16string_view password,
                                       const types::TVxbCollation& collation);
// The method a level-1-4 field names, and the value it holds unscrambled.
struct TVxbClassicPassword {
  TVxbEncryptionMethod Method = temNone;
  std::string Value;
};
TVxbClassicPassword DecodeClassicPasswordField(std::string_view field);

}  // namespace vexilo::storage
