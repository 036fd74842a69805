// TVxbDatabase: properties, connecting and disconnecting.
#include "dataset/database.h"

#include <algorithm>
#include <array>

#include "dataset/action_texts.h"
#include "dataset/call_session_errors.h"
#include "dataset/dataset.h"
#include "dataset/error_check.h"
#include "engine/api/calls/relation_calls.h"
#include "engine/api/calls/session_calls.h"
#include "framework/core/database_error.h"
#include "framework/core/name_compare.h"

namespace vexilo::dataset {
namespace {

constexpr char16_t kDuplicateDatabaseName[] = u"Duplicate database name: \"%s\"";
constexpr char16_t kNameChangeWhenConnected[] = u"Cannot change the database name when connected";
constexpr char16_t kLocationChangeWhenOpen[] = u"Cannot change location while database is open";
constexpr char16_t kPrivateDirChangeWhenOpen[] = u"Cannot change private directory while database is open";
constexpr char16_t kAutoNameWithSeveralSessions[] =
    u"Cannot enable AutoSessionName property with more than one session on a form or data-module";

// Bits of the database open.
constexpr int32_t kOpenReadOnly = 0x1;
constexpr int32_t kOpenExclusive = 0x2;
constexpr int32_t kOpenDeepFlush = 0x4;
constexpr int32_t kOpenSharedReadOnly = 0x8;

constexpr int16_t kDatabaseNotFound = -58;

// Copies `text` into a fixed text field of `N` characters and its terminator.
template <size_t N>
void CopyCut(std::u16string_view text, char16_t (&field)[N]) {
  const size_t count = std::min(text.size(), N - 1);
  std::copy_n(text.data(), count, field);
  field[count] = u'\0';
}

}  // namespace

TVxbDatabase::TVxbDatabase(const void* owner) : FOwner(owner) { TVxbDatabaseList::Instance().Add(*this); }

TVxbDatabase::~TVxbDatabase() {
  try {
    Destroying();
  } catch (...) {
    // A component going away cannot report; the session is gone either way.
  }
  if (FSessionHdl > 0) {
    api::VxbSessDelete(FSessionHdl);
    FSessionHdl = 0;
  }
  TVxbDataSet::ForgetDatabase(*this);
  TVxbDatabaseList::Instance().Remove(*this);
}

// ---- Identity ----

void TVxbDatabase::SetName(std::u16string value) {
  if (FDatabaseName.empty()) FDatabaseName = value;
  TCustomConnection::SetName(std::move(value));
}

void TVxbDatabase::SetDatabaseName(std::u16string value) {
  if (Connected()) throw framework::EDatabaseError(kNameChangeWhenConnected);
  FDatabaseName = std::move(value);
  if (FAutoDatabaseName && !Loading()) ApplyAutoDatabaseName();
}

void TVxbDatabase::SetAutoDatabaseName(bool value) {
  if (value && Connected()) throw framework::EDatabaseError(kNameChangeWhenConnected);
  if (value == FAutoDatabaseName) return;
  FAutoDatabaseName = value;
  if (value && !Loading()) ApplyAutoDatabaseName();
}

void TVxbDatabase::Loaded() {
  TCustomConnection::Loaded();
  if (FAutoDatabaseName) ApplyAutoDatabaseName();
}

void TVxbDatabase::ApplyAutoDatabaseName() {
  auto& list = TVxbDatabaseList::Instance();
  const TVxbDatabase* sibling = list.FindIf(
      [&](TVxbDatabase& other) { return &other != this && FOwner != nullptr && other.FOwner == FOwner; });
  if (sibling != nullptr) throw framework::EDatabaseError(kAutoNameWithSeveralSessions);
  int32_t highest = -1;
  list.FindIf([&](TVxbDatabase& other) {
    if (&other != this) highest = std::max(highest, other.FSessionNumber);
    return false;
  });
  FSessionNumber = highest + 1;
  FDatabaseName = framework::FormatErrorMessage(u"%s_%d", {FDatabaseName, FSessionNumber});
  TVxbDataSet::RenameDatabaseOfOwner(FOwner, FDatabaseName);
}

// ---- Settings ----

void TVxbDatabase::SetLocation(std::u16string value) {
  if (Connected()) throw framework::EDatabaseError(kLocationChangeWhenOpen);
  FLocation = std::move(value);
}

void TVxbDatabase::SetPrivateDir(std::u16string value) {
  if (Connected()) throw framework::EDatabaseError(kPrivateDirChangeWhenOpen);
  FPrivateDir = std::move(value);
}

void TVxbDatabase::DisconnectIfConnected() {
  if (Connected()) SetConnected(false);
}

void TVxbDatabase::SetExclusive(bool value) {
  if (value == FExclusive) return;
  DisconnectIfConnected();
  FExclusive = value;
}

void TVxbDatabase::SetReadOnly(bool value) {
  DisconnectIfConnected();
  FReadOnly = value;
}

void TVxbDatabase::SetSharedReadOnly(bool value) {
  if (value == FSharedReadOnly) return;
  DisconnectIfConnected();
  FSharedReadOnly = value;
}

void TVxbDatabase::SetDatabaseType(TVxbDatabaseType value) {
  if (value == FDatabaseType) return;
  DisconnectIfConnected();
  FDatabaseType = value;
}

void TVxbDatabase::SetIndexPageSize(int32_t value) {
  FIndexPageSize = value;
  if (Connected()) api::VxbSessSetSystemSettings(FSessionHdl, FIndexPageSize, FBlobBlockSize);
}

void TVxbDatabase::SetBlobBlockSize(int32_t value) {
  FBlobBlockSize = value;
  if (Connected()) api::VxbSessSetSystemSettings(FSessionHdl, FIndexPageSize, FBlobBlockSize);
}

void TVxbDatabase::SendSettings() {
  if (Connected()) {
    api::VxbSessSetSettings(FSessionHdl, FCaseSensitive, FCaretSwitch, FAutoCreateIndexes, FLockingTimeout);
  }
}

void TVxbDatabase::SetCaseSensitive(bool value) {
  if (value == FCaseSensitive) return;
  FCaseSensitive = value;
  SendSettings();
}

void TVxbDatabase::SetCaretSwitch(bool value) {
  if (value == FCaretSwitch) return;
  FCaretSwitch = value;
  SendSettings();
}

void TVxbDatabase::SetAutoCreateIndexes(bool value) {
  if (value == FAutoCreateIndexes) return;
  FAutoCreateIndexes = value;
  SendSettings();
}

void TVxbDatabase::SetLogLevel(int32_t value) {
  FLogLevel = value;
  if (Connected()) api::VxbSessSetLogLevel(FSessionHdl, FLogLevel);
}

// ---- Errors ----

void TVxbDatabase::RaiseError(std::u16string_view action, int32_t result) {
  TCallSessionErrors errors(FSessionHdl);
  RaiseEngineError(errors, action, result);
}

int32_t TVxbDatabase::CheckResult(std::u16string_view action, int32_t result) {
  if (result < 0) RaiseError(action, result);
  return result;
}

void TVxbDatabase::CheckConnected() {
  if (!Connected()) throw framework::EDatabaseError(u"Cannot perform this action on a disconnected database");
}

TVxbDatabase* TVxbDatabase::FindBySession(api::TVxbSessHdl sessionHdl) {
  if (sessionHdl <= 0) return nullptr;
  return TVxbDatabaseList::Instance().FindIf(
      [&](TVxbDatabase& database) { return database.FSessionHdl == sessionHdl; });
}

// ---- Datasets ----

void TVxbDatabase::RegisterClient(framework::TDataSet& dataSet, TConnectChangeEvent event) {
  TCustomConnection::RegisterClient(dataSet, std::move(event));
}

void TVxbDatabase::UnRegisterClient(framework::TDataSet& dataSet) {
  TCustomConnection::UnRegisterClient(dataSet);
  if (FAutomatic && DataSetCount() == 0 && !FDisconnecting && !IsDestroying()) {
    TVxbDatabaseList::Instance().DestroyAutomatic(*this);  // the last statement: `this` is gone
  }
}

// ---- Connecting ----

void TVxbDatabase::DoConnect() {
  TCustomConnection::DoConnect();
  const TVxbDatabase* duplicate = TVxbDatabaseList::Instance().FindIf([&](TVxbDatabase& other) {
    return &other != this && other.FSessionHdl > 0 && other.FDatabaseName == FDatabaseName;
  });
  if (duplicate != nullptr) throw framework::EDatabaseError::CreateFmt(kDuplicateDatabaseName, {Name()});

  const api::TVxbSessHdl session = api::VxbCreateSession(FLocation.c_str());
  if (session < 0) {
    TCallSessionErrors errors(session);
    RaiseEngineError(errors, framework::FormatErrorMessage(kActionConnectingToDatabase, {FLocation}), session);
  }
  FSessionHdl = session;
  try {
    ConfigureSession();
    OpenSessionDatabase();
  } catch (...) {
    if (FSessionHdl > 0) api::VxbSessDelete(FSessionHdl);
    FSessionHdl = 0;
    throw;
  }
  OpenTableDefs();
}

void TVxbDatabase::ConfigureSession() {
  api::TVxbNetParams params;
  api::VxbSessGetDefaultNetParams(FSessionHdl, params);
  params.NetDirs[0] = u'\0';
  CopyCut(FPrivateDir, params.PrivateDir);
  CopyCut(FConnectionName, params.StationName);
  FConnectionId = params.StationNo;
  if (FServerTimeout != 0) {
    params.ServerTimeout = FServerTimeout;
  } else {
    FServerTimeout = params.ServerTimeout;
  }
  api::VxbSessSetNetParams(FSessionHdl, params);
  api::VxbSessSetPasswordCallback(
      FSessionHdl, [](api::TVxbSessHdl sessionHdl, std::u16string_view tableName, std::u16string& key) -> int {
        TVxbDatabase* database = FindBySession(sessionHdl);
        if (database == nullptr) return 1;
        return database->AskPassword(tableName, key) ? 0 : 1;
      });
  api::VxbSessSetSystemSettings(FSessionHdl, FIndexPageSize, FBlobBlockSize);
}

void TVxbDatabase::OpenSessionDatabase() {
  int32_t flags = 0;
  if (FReadOnly) flags |= kOpenReadOnly;
  if (FExclusive) flags |= kOpenExclusive;
  if (FFlushMode == TVxbFlushMode::tfmSecure) flags |= kOpenDeepFlush;
  if (FSharedReadOnly) flags |= kOpenSharedReadOnly;
  int16_t result = api::VxbSessOpenDb(FSessionHdl, FLocation.c_str(), FUserName.c_str(), FPassword.c_str(),
                                      FCacheSize, flags);
  // A database that cannot be opened for shared writing (read-only media)
  // is opened read-only for this session alone.
  if (result == kDatabaseNotFound && !FReadOnly && !FExclusive) {
    result = api::VxbSessOpenDb(FSessionHdl, FLocation.c_str(), FUserName.c_str(), FPassword.c_str(), FCacheSize,
                                flags | kOpenReadOnly | kOpenExclusive);
    if (result == 0) {
      FReadOnly = true;
      FExclusive = true;
    }
  }
  if (result != 0) {
    // The error is read before the session goes: deleting it drops its last error.
    TCallSessionErrors errors(FSessionHdl);
    const std::u16string action = framework::FormatErrorMessage(kActionOpeningDatabase, {FLocation});
    try {
      RaiseEngineError(errors, action, result);
    } catch (...) {
      api::VxbSessDelete(FSessionHdl);
      FSessionHdl = 0;
      throw;
    }
  }
  api::TVxbDatabaseInfo info;
  api::VxbSessGetDbInfo(FSessionHdl, info);
  FManagementLevel = info.ManagementLevel == 1 ? TVxbManagementLevel::tmlManaged : TVxbManagementLevel::tmlUnmanaged;
  FEncryptionMethod = static_cast<api::TVxbEncryptionMethod>(info.EncryptionMethod);
  api::VxbSessSetSettings(FSessionHdl, FCaseSensitive, FCaretSwitch, FAutoCreateIndexes, FLockingTimeout);
  // A log that cannot be created leaves the level at 0; the connection stands.
  api::VxbSessSetLogLevel(FSessionHdl, FLogLevel);
  FDatabaseType = api::VxbSessIsSingleFile(FSessionHdl) == 1 ? TVxbDatabaseType::dbtSingleFile
                                                              : TVxbDatabaseType::dbtDirectory;
}

void TVxbDatabase::OpenTableDefs() {
  for (int i = 0; i < FTableDefs.Count(); ++i) {
    const TVxbBaseTableDef& def = FTableDefs[i];
    const api::TVxbRltnHdl opened =
        OpenTableByName(def.Name(), u"", false, TableRightsWord(false, kAllTableRights, TVxbFlushMode::tfmDefault));
    if (opened < 0) RaiseError(framework::FormatErrorMessage(kActionOpeningTable, {def.Name()}), opened);
    const api::TVxbRltnHdl rltnHdl =
        static_cast<api::TVxbRltnHdl>(CheckResult(kActionSettingTableProperties, api::VxbSessFindRltnHdl(FSessionHdl, def.Name().c_str())));
    api::VxbRltnActivateEditLocks(rltnHdl, def.UseEditLocks());
  }
}

void TVxbDatabase::DoDisconnect() {
  FDisconnecting = true;
  struct TReset {
    bool& flag;
    ~TReset() { flag = false; }
  } reset{FDisconnecting};
  for (int i = DataSetCount() - 1; i >= 0; --i) {
    if (i < DataSetCount()) DataSets(i).Close();
  }
  if (FSessionHdl > 0) {
    api::VxbSessCloseDb(FSessionHdl);
    api::VxbSessDelete(FSessionHdl);
  }
  FSessionHdl = 0;
  TCustomConnection::DoDisconnect();
}

}  // namespace vexilo::dataset
