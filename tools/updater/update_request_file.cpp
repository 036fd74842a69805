#include "tools/updater/update_request_file.h"

#include <QFile>

#include "tools/updater/uu_decoder.h"

namespace vexilo::updater {

namespace {

[[noreturn]] void Refuse(const QString& message) { throw EUpdateRequest(message.toStdString()); }

}  // namespace

TUpdateRequest ReadUpdateRequest(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    Refuse(QStringLiteral("A frissítési kérés (%1) nem olvasható: %2").arg(path, file.errorString()));
  }
  TUpdateRequest request;
  int number = 0;
  for (QByteArray line : file.readAll().split('\n')) {
    ++number;
    if (line.endsWith('\r')) line.chop(1);
    if (line.isEmpty()) continue;
    const std::optional<QByteArray> plain = DecodeUULine(line);
    if (!plain) Refuse(QStringLiteral("A frissítési kérés %1. sora hibás (%2).").arg(number).arg(path));
    const QString text = QString::fromLatin1(*plain);
    const qsizetype colon = text.indexOf(QStringLiteral(": "));
    if (colon <= 0) {
      Refuse(QStringLiteral("A frissítési kérés %1. sora nem „kulcs : érték” alakú (%2).")
                 .arg(number)
                 .arg(path));
    }
    request.Values.insert(text.left(colon).trimmed(), text.mid(colon + 2).trimmed());
  }
  if (request.Value(QStringLiteral("PROGRAM NAME")).isEmpty()) {
    Refuse(QStringLiteral("A frissítési kérés (%1) nem nevezi meg a programot.").arg(path));
  }
  return request;
}

}  // namespace vexilo::updater
