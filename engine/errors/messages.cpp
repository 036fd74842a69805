#include "engine/errors/messages.h"

// Placeholder: the tables are filled in by the message-table work.
namespace vexilo::errors {

std::u16string_view EngineMessageTemplate(int) { return {}; }
std::u16string_view InternalExceptionText() { return u"Non-critical internal VexBase exception"; }
std::u16string_view CallResultMessage(int) { return u"Unknown error"; }

}  // namespace vexilo::errors
