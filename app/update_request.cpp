#include "app/update_request.h"

#include <QSaveFile>
#include <stdexcept>

#include "app/uu_encoder.h"

namespace vexilo::app {

namespace {

constexpr int kKeyWidth = 16;

QString RequestLine(const char* key, const QString& value) {
  return QString::fromLatin1(key).leftJustified(kKeyWidth, QLatin1Char(' ')) +
         QStringLiteral(": ") + value;
}

}  // namespace

QStringList UpdateRequestLines() {
  const QString nil = QStringLiteral("Nil");
  return {
      RequestLine("PROGRAM NAME", QStringLiteral("Vexilo")),
      RequestLine("PROGRAM VERSION", QStringLiteral("2.0.0.0")),
      RequestLine("PROGRAM TYPE", QStringLiteral("Dictionary")),
      RequestLine("SERVER DIR", QStringLiteral("anon_ftp/updatesb")),
      RequestLine("SERVER INF FILE", QStringLiteral("926hjw-vexilod.cfg")),
      RequestLine("AFTER RUN", QStringLiteral("Vexilo.exe")),
      RequestLine("PROXY USING", QStringLiteral("0")),
      RequestLine("PROXY HOST", nil),
      RequestLine("PROXY USER", nil),
      RequestLine("PROXY PASSWORD", nil),
      RequestLine("PROXY PORT", nil),
      RequestLine("PROXY TYPE", nil),
  };
}

void WriteUpdateRequest(const QString& path, const TUUEncoder& encoder) {
  QByteArray content;
  for (const QString& line : UpdateRequestLines()) {
    content.append(encoder.EncodeLine(line));
    content.append("\r\n");
  }
  // Written whole or not at all: the updater never reads half a request.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
    throw std::runtime_error(("Az állomány nem írható: " + path + " (" + file.errorString() + ")")
                                 .toStdString());
  }
}

}  // namespace vexilo::app
