// The two message tables of the engine: the templates of the engine error
// numbers (1 to 190) and the texts of the call result codes. Both are compiled
// in, filled before any session exists, and only read afterwards.
#pragma once

#include <cstdint>
#include <string_view>

namespace vexilo::errors {

// The template of engine error `code`; the empty text for numbers without a
// slot (unassigned numbers, anything outside 1 to 190, and 9999).
std::u16string_view EngineMessageTemplate(int code);

// The fixed text of engine error 9999.
std::u16string_view InternalExceptionText();

// The text of call result code `code`; "Unknown error" for codes the table
// does not hold.
std::u16string_view CallResultMessage(int code);

}  // namespace vexilo::errors
