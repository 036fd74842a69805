// TVxbDatabaseList: every database component of the process, in creation
// order, behind one lock. A component adds itself when constructed and
// removes itself when destroyed; every scan (the name checks, the lookup by
// name, automatic numbering, finding the component of a session or of a
// cursor for the engine's callbacks) runs under the lock.
//
// The list also keeps the automatic components that datasets create for a
// database name no component has; such a component is destroyed through the
// list when its last dataset leaves it.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace vexilo::dataset {

class TVxbDatabase;

// Asked for the key of table `tableName`: fills `key` and sets `retry` to
// have the open tried again with it.
using TVxbPasswordEvent =
    std::function<void(TVxbDatabase& sender, std::u16string_view tableName, std::u16string& key, bool& retry)>;

class TVxbDatabaseList {
 public:
  static TVxbDatabaseList& Instance();

  void Add(TVxbDatabase& database);
  void Remove(TVxbDatabase& database);

  // Runs `visit` on each component under the lock until it answers true;
  // gives the component it stopped at, or nullptr. `visit` must not reach
  // the list again.
  TVxbDatabase* FindIf(const std::function<bool(TVxbDatabase&)>& visit);

  // The component whose DatabaseName is `name` (case ignored), leaving out
  // `skip`: nullptr when none; raises EDatabaseError "Database name "%s" is
  // not unique" when there are several.
  TVxbDatabase* FindByName(std::u16string_view name, const TVxbDatabase* skip = nullptr);

  // Keeps an automatic component until DestroyAutomatic.
  TVxbDatabase& AdoptAutomatic(std::unique_ptr<TVxbDatabase> database);
  void DestroyAutomatic(TVxbDatabase& database);

  // The password handler for every component without an OnPassword of its
  // own (empty: none).
  void SetPasswordHandler(TVxbPasswordEvent handler);
  TVxbPasswordEvent PasswordHandler();

 private:
  TVxbDatabaseList() = default;

  std::mutex FLock;
  std::vector<TVxbDatabase*> FItems;
  std::vector<std::unique_ptr<TVxbDatabase>> FAutomatic;
  TVxbPasswordEvent FPasswordHandler;
};

}  // namespace vexilo::dataset
