// The plain values the engine call interface exchanges with its callers:
// the handle types, the records a call fills or reads, and the callbacks a
// caller may install. Nothing here refers to engine objects; a caller of the
// call interface (the dataset layer, vxbtool) needs this header and the
// call headers only.
//
// Texts inside the records are fixed-capacity UTF-16 arrays, always
// terminated: a capacity of N + 1 holds at most N characters.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vexilo::api {

using TVxbSessHdl = int16_t;
// (session handle - 1) * 256 + the relation's index in its session.
using TVxbRltnHdl = int16_t;
using TVxbTableHdl = int16_t;
using TVxbStmtHdl = int16_t;

// Encryption methods of a database or table.
enum TVxbEncryptionMethod : int16_t {
  temNone = 0,
  temBlowfish = 1,
  temRijndael128 = 2,
  temRijndael256 = 3,
  temRijndael128Bit = 4,
  temRijndael256Bit = 5,
};

struct TVxbNetParams {
  char16_t NetDirs[256] = {};
  char16_t PrivateDir[256] = {};
  uint32_t StationNo = 0;
  char16_t StationName[41] = {};
  char16_t ReadOnlyDirs[257] = {};
  // Milliseconds.
  int32_t ServerTimeout = 0;
};

struct TVxbDatabaseInfo {
  int16_t ManagementLevel = 0;
  int16_t EncryptionMethod = temNone;
};

struct TVxbTableInfo {
  char16_t FileName[256] = {};
  int16_t Level = 0;
  // The collation's name.
  char16_t Language[41] = {};
  int16_t EncryptionMethod = temNone;
  int32_t Capacity = 0;
};

// One column of a table as the call interface describes it.
struct TVxbFieldSpec {
  // 1-based.
  int16_t No = 0;
  char16_t Name[41] = {};
  uint8_t Options = 0;
  char16_t RangeOrFormula[256] = {};
  char16_t SelectOrLink[2001] = {};
  // The column type code.
  int16_t FldType = 0;
  // The type's parameter, such as a string's length.
  int32_t Param = 0;
  // The column's place in the record buffer.
  int16_t InternalPosition = 0;
  int16_t InternalSize = 0;
};

struct TVxbRltnInfo {
  int32_t nRecs = 0;
  int32_t nFields = 0;
  int32_t RecSize = 0;
  int32_t FSize = 0;
  int32_t TotalSize = 0;
  int16_t MemoOkay = 0;
  int16_t BlobOkay = 0;
};

// One session slot of a table's lock file.
struct TVxbTableUserInfo {
  uint32_t StationNo = 0;
  char16_t StationName[41] = {};
  uint8_t InUse = 0;
  // 1 read, 2 upgrade, -1 write, 0 none.
  int8_t Lock = 0;
  // The record the session edits, 0 none.
  int32_t EditRecNo = 0;
};

struct TVxbTableUsage {
  int32_t ItemCount = 0;
  int32_t UserCount = 0;
  int32_t ReadCount = 0;
  int32_t UpgradeCount = 0;
  int32_t WriteCount = 0;
  int32_t WaitCount = 0;
  int32_t WaitWriteCount = 0;
  int32_t UpdateCount = 0;
  static constexpr int kMaxUsers = 64;
  TVxbTableUserInfo UserInfo[kMaxUsers] = {};
};

// Asked when a table needs a password: writes at most 80 characters into
// `key` and answers 0, or declines with another value.
using TVxbPasswordProc = std::function<int(TVxbSessHdl sessionHdl, std::u16string_view tableName,
                                           std::u16string& key)>;
// Called after a record of the cursor's relation was deleted: the deleted
// record number and the number of the record that moved into it (0: none).
using TVxbTableOnChangeProc =
    std::function<void(TVxbSessHdl sessionHdl, TVxbTableHdl tableHdl, int32_t deletedRecNo, int32_t movedRecNo)>;
// Progress of a long operation: done and total; an answer of 1 stops it.
using TVxbProgressProc = std::function<int(int32_t done, int32_t total)>;

}  // namespace vexilo::api
