#include "dataset/database_list.h"

#include <algorithm>

#include "dataset/database.h"
#include "framework/core/database_error.h"
#include "framework/core/name_compare.h"

namespace vexilo::dataset {

namespace {
constexpr char16_t kNameNotUnique[] = u"Database name \"%s\" is not unique";
}  // namespace

TVxbDatabaseList& TVxbDatabaseList::Instance() {
  static TVxbDatabaseList* instance = new TVxbDatabaseList();  // lives to the end of the process
  return *instance;
}

void TVxbDatabaseList::Add(TVxbDatabase& database) {
  std::lock_guard guard(FLock);
  FItems.push_back(&database);
}

void TVxbDatabaseList::Remove(TVxbDatabase& database) {
  std::lock_guard guard(FLock);
  std::erase(FItems, &database);
}

TVxbDatabase* TVxbDatabaseList::FindIf(const std::function<bool(TVxbDatabase&)>& visit) {
  std::lock_guard guard(FLock);
  for (TVxbDatabase* database : FItems) {
    if (visit(*database)) return database;
  }
  return nullptr;
}

TVxbDatabase* TVxbDatabaseList::FindByName(std::u16string_view name, const TVxbDatabase* skip) {
  std::lock_guard guard(FLock);
  TVxbDatabase* found = nullptr;
  for (TVxbDatabase* database : FItems) {
    if (database == skip || !framework::SameText(database->DatabaseName(), name)) continue;
    if (found != nullptr) throw framework::EDatabaseError::CreateFmt(kNameNotUnique, {name});
    found = database;
  }
  return found;
}

TVxbDatabase& TVxbDatabaseList::AdoptAutomatic(std::unique_ptr<TVxbDatabase> database) {
  std::lock_guard guard(FLock);
  FAutomatic.push_back(std::move(database));
  return *FAutomatic.back();
}

void TVxbDatabaseList::DestroyAutomatic(TVxbDatabase& database) {
  std::unique_ptr<TVxbDatabase> owned;
  {
    std::lock_guard guard(FLock);
    auto it = std::find_if(FAutomatic.begin(), FAutomatic.end(),
                           [&](const std::unique_ptr<TVxbDatabase>& item) { return item.get() == &database; });
    if (it == FAutomatic.end()) return;
    owned = std::move(*it);
    FAutomatic.erase(it);
  }
  // Destroyed outside the lock: the destructor removes the component from
  // the list.
  owned.reset();
}

void TVxbDatabaseList::SetPasswordHandler(TVxbPasswordEvent handler) {
  std::lock_guard guard(FLock);
  FPasswordHandler = std::move(handler);
}

TVxbPasswordEvent TVxbDatabaseList::PasswordHandler() {
  std::lock_guard guard(FLock);
  return FPasswordHandler;
}

}  // namespace vexilo::dataset
