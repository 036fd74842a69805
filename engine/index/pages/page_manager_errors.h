// The exceptions of the page manager. Opening, creating, reading and writing
// storages through the page cache raise them; the table and index layers
// catch them and turn them into engine error numbers.
//
// Each carries a text made of what was being done (the action), ": " and why
// (the reason); a few carry one text only. Message() gives it in UTF-16,
// what() in UTF-8.
//
//   EVxbPageManager                any failure of the page manager
//   +- EVxbPMStorageNotFound       the file of a storage does not exist
//   +- EVxbPMStorageAccessDenied   the file cannot be opened as asked
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace vexilo::index {

class EVxbPageManager : public std::runtime_error {
 public:
  // The text "action: reason".
  EVxbPageManager(std::u16string_view action, std::u16string_view reason);
  // A text without a separate reason.
  explicit EVxbPageManager(std::u16string_view message);

  const std::u16string& Message() const { return FMessage; }
  // What was being done; the whole message when there is no reason.
  const std::u16string& Action() const { return FAction; }
  // Why it failed; empty when the message has no separate reason.
  const std::u16string& Reason() const { return FReason; }

 private:
  std::u16string FAction;
  std::u16string FReason;
  std::u16string FMessage;
};

class EVxbPMStorageNotFound : public EVxbPageManager {
 public:
  using EVxbPageManager::EVxbPageManager;
};

class EVxbPMStorageAccessDenied : public EVxbPageManager {
 public:
  using EVxbPageManager::EVxbPageManager;
};

}  // namespace vexilo::index
