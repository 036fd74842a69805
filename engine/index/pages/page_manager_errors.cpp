#include "engine/index/pages/page_manager_errors.h"

#include "fs/text.h"

namespace vexilo::index {

namespace {

std::u16string Join(std::u16string_view action, std::u16string_view reason) {
  std::u16string text(action);
  text += u": ";
  text += reason;
  return text;
}

}  // namespace

EVxbPageManager::EVxbPageManager(std::u16string_view action, std::u16string_view reason)
    : std::runtime_error(fs::Utf16ToUtf8(Join(action, reason))),
      FAction(action),
      FReason(reason),
      FMessage(Join(action, reason)) {}

EVxbPageManager::EVxbPageManager(std::u16string_view message)
    : std::runtime_error(fs::Utf16ToUtf8(message)), FAction(message), FMessage(message) {}

}  // namespace vexilo::index
