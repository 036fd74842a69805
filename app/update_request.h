// The update request: the file "update.nfo" that hands the search for a
// newer version to the updater program, vexilo-update. Twelve lines, each the
// UU encoding of one "KEY (padded to 16) : value" line, ended by CR LF:
//
//   PROGRAM NAME    : Vexilo          the product
//   PROGRAM VERSION : 2.0.0.0         its version
//   PROGRAM TYPE    : Dictionary      the kind of program
//   SERVER DIR      : anon_ftp/updatesb      where the update server keeps
//   SERVER INF FILE : 926hjw-vexilod.cfg     its update description
//   AFTER RUN       : Vexilo.exe      the program the updater starts at the end
//   PROXY USING     : 0               no proxy; the other PROXY lines "Nil"
//   PROXY HOST/USER/PASSWORD/PORT/TYPE : Nil
#pragma once

#include <QString>
#include <QStringList>

namespace vexilo::app {

class TUUEncoder;

inline const QString kUpdateRequestFile = QStringLiteral("update.nfo");

// The twelve plain lines, in order.
QStringList UpdateRequestLines();

// Creates or overwrites `path` with the encoded lines. Throws
// std::runtime_error naming the file when it cannot be written.
void WriteUpdateRequest(const QString& path, const TUUEncoder& encoder);

}  // namespace vexilo::app
