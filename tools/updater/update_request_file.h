// Reading the update request "update.nfo" the dictionary writes: lines ended
// by CR LF (a bare LF is taken too), each the UU encoding of one
// "KEY (padded to 16 characters) : value" line, one byte per character
// (Latin-1). The keys the updater uses:
//   PROGRAM NAME, PROGRAM VERSION   the product and its version
//   SERVER DIR, SERVER INF FILE     where the update description is kept
//   AFTER RUN                       the program to start when done
//   PROXY USING (0 or 1), PROXY HOST, PROXY PORT, ...   "Nil" when unset
#pragma once

#include <QMap>
#include <QString>
#include <stdexcept>

namespace vexilo::updater {

// A request that cannot be read; its message is Hungarian, for the user.
class EUpdateRequest : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TUpdateRequest {
  // Every key with its value, keys without their padding.
  QMap<QString, QString> Values;

  // The value of `key`; empty when the request has none.
  QString Value(const QString& key) const { return Values.value(key); }
};

// Reads and decodes `path`. Throws EUpdateRequest when the file cannot be
// read, a line is not UU-encoded or not "KEY : value", or PROGRAM NAME is
// missing.
TUpdateRequest ReadUpdateRequest(const QString& path);

}  // namespace vexilo::updater
