// Turns the manual's HTML source into "Leírás.pdf":
//   vexilo_make_manual SOURCE.html PICTURES_DIR OUTPUT.pdf
// Pictures named in <img src="..."> are taken from PICTURES_DIR (the
// program's own windows, saved by `vexilo --screenshot`). The document is
// laid out on A4 pages by Qt's rich-text engine and written with QPdfWriter.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s SOURCE.html PICTURES_DIR OUTPUT.pdf\n", argv[0]);
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  const QString source = QString::fromLocal8Bit(argv[1]);
  const QDir pictures(QString::fromLocal8Bit(argv[2]));
  const QString output = QString::fromLocal8Bit(argv[3]);

  QFile file(source);
  if (!file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "cannot read %s\n", qUtf8Printable(source));
    return 1;
  }
  QTextDocument document;
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPointSize(10);
  document.setDefaultFont(font);
  for (const QString& name : pictures.entryList({QStringLiteral("*.png")}, QDir::Files)) {
    const QImage picture(pictures.filePath(name));
    if (picture.isNull()) {
      std::fprintf(stderr, "cannot read %s\n", qUtf8Printable(pictures.filePath(name)));
      return 1;
    }
    document.addResource(QTextDocument::ImageResource, QUrl(name), picture);
  }
  document.setHtml(QString::fromUtf8(file.readAll()));

  QPdfWriter writer(output);
  writer.setTitle(QStringLiteral("Vexilo – Leírás"));
  writer.setCreator(QStringLiteral("Vexilo"));
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
  writer.setResolution(300);
  document.print(&writer);
  if (!QFile::exists(output) || QFile(output).size() == 0) {
    std::fprintf(stderr, "cannot write %s\n", qUtf8Printable(output));
    return 1;
  }
  return 0;
}
