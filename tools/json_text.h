// Text forms for vxbtool's JSON output: UTF-16 texts as JSON string
// literals (UTF-8, with the escapes JSON requires) and bytes as base64.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vexilo::tools {

// `text` as a JSON string literal, quotes included. Unpaired surrogates
// become U+FFFD.
std::string JsonString(std::u16string_view text);

// `bytes` in base64 (RFC 4648, with padding).
std::string Base64(std::string_view bytes);

}  // namespace vexilo::tools
