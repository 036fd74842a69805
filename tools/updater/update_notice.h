// What the updater tells the user about a request, in Hungarian, and which
// program it starts when it is done. No update server is configured, so the
// updater never connects anywhere: it says which version is installed and
// where it would look for a newer one.
#pragma once

#include <QString>
#include <QStringList>

#include "tools/updater/update_request_file.h"

namespace vexilo::updater {

// The notice for `request`: the product and version in use, the server
// folder and description file it would be looked up in, the proxy, and that
// nothing is downloaded.
QString UpdateNotice(const TUpdateRequest& request);

// The program AFTER RUN names, looked for in each of `directories` in turn
// and then on the PATH: by its name as written, then without a ".exe"
// ending, then that in lower case ("Vexilo.exe", "Vexilo", "vexilo").
// Empty when none of them exists.
QString FindAfterRunProgram(const QString& name, const QStringList& directories);

}  // namespace vexilo::updater
