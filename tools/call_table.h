// TCallTable: a table opened the way a program using the engine opens it —
// through the engine call interface only: a session on the table's
// directory, the table opened shared (through its lock file) with the rights
// asked for, and one table handle (a cursor) on it. Everything is given back
// when the object goes, in the order the calls want it.
//
// Records come out as the JSON objects `vxbtool dump` writes: "_recno" and
// every column by name (memo and wide-memo columns as text, blobs in base64,
// read through the blob calls).
//
// Failures raise ECallFailed with the call's result and the session's last
// error message.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/api/calls/call_types.h"

namespace vexilo::tools {

class ECallFailed : public std::runtime_error {
 public:
  ECallFailed(int32_t result, const std::string& message) : std::runtime_error(message), Result(result) {}
  int32_t Result;
};

class TCallTable {
 public:
  // `path`: the table file with or without its extension. `rights`: the
  // rights word of VxbSessOpenTable (0 reads only).
  TCallTable(const std::string& path, uint16_t rights, const std::u16string& password);
  ~TCallTable();
  TCallTable(const TCallTable&) = delete;
  TCallTable& operator=(const TCallTable&) = delete;

  api::TVxbTableHdl Handle() const { return FTable; }
  api::TVxbRltnHdl Relation() const { return FRelation; }
  const std::vector<api::TVxbFieldSpec>& Columns() const { return FColumns; }

  // Raises ECallFailed for a negative `result` of a call named `what`.
  int32_t Check(int32_t result, const char* what) const;
  // The session's last error message, else the text of `result`.
  std::string ErrorText(int32_t result) const;

  // The current record as a JSON object.
  std::string RecordJson() const;
  // A record buffer with `text` in column `fieldNo` (converted to its type);
  // raises ECallFailed for a column that cannot hold a text key.
  std::vector<uint8_t> KeyRecord(int16_t fieldNo, const std::u16string& text) const;
  // The first key column of index `indexName`.
  int16_t FirstKeyColumn(const std::u16string& indexName) const;

 private:
  void Open(const std::string& path, uint16_t rights, const std::u16string& password);
  // Gives back the table handle and the session.
  void Release();

  api::TVxbSessHdl FSession = 0;
  api::TVxbRltnHdl FRelation = 0;
  api::TVxbTableHdl FTable = 0;
  std::vector<api::TVxbFieldSpec> FColumns;
};

}  // namespace vexilo::tools
