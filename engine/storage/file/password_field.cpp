#include "engine/storage/file/password_field.h"

#include <algorithm>

namespace vexilo::storage {

namespace {

constexpr std::string_view kFastMarker = "_en:td_";
constexpr std::string_view kBlowfishMarker = "_en:bf_";
constexpr std::string_view kRijndaelMarker = "_en:rj_";
constexpr size_t kClassicFieldLength = 10;

}  // namespace

std::u16string ScramblePassword(std::u16string_view password) {
  std::u16string result(password.rbegin(), password.rend());
  for (char16_t& c : result) c = static_cast<char16_t>(~c);
  return result;
}

std::string ScrambleAnsiPassword(std::string_view password) {
  std::string result(password.rbegin(), password.rend());
  for (char& c : result) c = static_cast<char>(~static_cast<unsigned char>(c));
  return result;
}

std::u16string EncodePasswordField(int16_t level, std::u16string_view password,
                                   const types::TVxbCollation& collation) {
  if (level >= 6) return ScramblePassword(password);
  return collation.AnsiToWide(ScrambleAnsiPassword(collation.WideToAnsi(password)));
}

bool PasswordFieldMatches(int16_t level, std::u16string_view field, std::u16string_view password,
                          const types::TVxbCollation& collation) {
  if (level >= 6) return ScramblePassword(field) == password;
  return ScrambleAnsiPassword(collation.WideToAnsi(field)) == collation.WideToAnsi(password);
}

std::string EncodeClassicPasswordField(int16_t level, TVxbEncryptionMethod method, std::u16string_view password,
                                       const types::TVxbCollation& collation) {
  std::string value;
  switch (method) {
    case temNone: break;
    case temFastEncrypt: value = kFastMarker; break;
    case temBlowfish: value = kBlowfishMarker; break;
    case temRijndael: value = kRijndaelMarker; break;
    default:
      value = collation.WideToAnsi(password);
      if (level < 4) value = collation.UpperAnsi(value);
      break;
  }
  value.resize(std::min(value.size(), kClassicFieldLength));
  return ScrambleAnsiPassword(value);
}

TVxbClassicPassword DecodeClassicPasswordField(std::string_view field) {
  TVxbClassicPassword result;
  result.Value = ScrambleAnsiPassword(field);
  if (result.Value.empty()) result.Method = temNone;
  else if (result.Value == kFastMarker) result.Method = temFastEncrypt;
  else if (result.Value == kBlowfishMarker) result.Method = temBlowfish;
  else if (result.Value == kRijndaelMarker) result.Method = temRijndael;
  else result.Method = temProtection;
  return result;
}

}  // namespace vexilo::storage
