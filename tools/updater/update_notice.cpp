#include "tools/updater/update_notice.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace vexilo::updater {

namespace {

bool IsNil(const QString& value) {
  return value.isEmpty() || value.compare(QStringLiteral("Nil"), Qt::CaseInsensitive) == 0;
}

QString ProxyLine(const TUpdateRequest& request) {
  if (request.Value(QStringLiteral("PROXY USING")) != QStringLiteral("1")) {
    return QStringLiteral("Proxy: nincs.");
  }
  const QString host = request.Value(QStringLiteral("PROXY HOST"));
  const QString port = request.Value(QStringLiteral("PROXY PORT"));
  QString line = QStringLiteral("Proxy: ") + (IsNil(host) ? QStringLiteral("(nincs megadva)") : host);
  if (!IsNil(port)) line += QLatin1Char(':') + port;
  return line + QLatin1Char('.');
}

QStringList NameVariants(const QString& name) {
  QStringList variants{name};
  if (name.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive)) {
    const QString bare = name.left(name.size() - 4);
    variants << bare << bare.toLower();
  } else {
    variants << name.toLower();
  }
  variants.removeDuplicates();
  return variants;
}

}  // namespace

QString UpdateNotice(const TUpdateRequest& request) {
  const QString program = request.Value(QStringLiteral("PROGRAM NAME"));
  const QString version = request.Value(QStringLiteral("PROGRAM VERSION"));
  const QString folder = request.Value(QStringLiteral("SERVER DIR"));
  const QString description = request.Value(QStringLiteral("SERVER INF FILE"));
  QStringList lines;
  lines << QStringLiteral("Az Ön által használt program: %1, %2 verzió.").arg(program, version);
  lines << QStringLiteral("Újabb verziót a frissítési kiszolgáló „%1” könyvtárában, a „%2” "
                          "leírásban keresnénk.")
               .arg(folder, description);
  lines << ProxyLine(request);
  lines << QStringLiteral("Frissítési kiszolgáló nincs beállítva, ezért most nem történik "
                          "letöltés; a telepített verzió marad használatban.");
  return lines.join(QLatin1Char('\n'));
}

QString FindAfterRunProgram(const QString& name, const QStringList& directories) {
  if (name.isEmpty() || name.contains(QLatin1Char('/'))) return {};
  const QStringList variants = NameVariants(name);
  for (const QString& directory : directories) {
    for (const QString& variant : variants) {
      const QFileInfo candidate(QDir(directory).filePath(variant));
      if (candidate.isFile() && candidate.isExecutable()) return candidate.absoluteFilePath();
    }
  }
  for (const QString& variant : variants) {
    const QString found = QStandardPaths::findExecutable(variant);
    if (!found.isEmpty()) return found;
  }
  return {};
}

}  // namespace vexilo::updater
