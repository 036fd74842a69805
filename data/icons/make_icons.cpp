// Draws Vexilo's icon into PNG files of the usual icon sizes:
//   vexilo_make_icons DIR   writes DIR/NxN/apps/vexilo.png for each size.
// The shapes are those of vexilo.svg, on its 256-unit grid.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <cstdio>

namespace {

void DrawIcon(QPainter& painter) {
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x1f, 0x4e, 0x9c));
  painter.drawRoundedRect(QRectF(8, 8, 240, 240), 40, 40);
  painter.setBrush(QColor(0xff, 0xd4, 0x2a));
  const QPolygonF v({{48, 44}, {100, 44}, {128, 148}, {156, 44}, {208, 44}, {152, 196}, {104, 196}});
  painter.drawPolygon(v);
  painter.setBrush(QColor(0xce, 0x29, 0x39));
  painter.drawRect(QRectF(48, 208, 53.33, 20));
  painter.setBrush(Qt::white);
  painter.drawRect(QRectF(101.33, 208, 53.34, 20));
  painter.setBrush(QColor(0x47, 0x70, 0x50));
  painter.drawRect(QRectF(154.67, 208, 53.33, 20));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  const QDir target(QString::fromLocal8Bit(argv[1]));
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 256.0, size / 256.0);
    DrawIcon(painter);
    painter.end();
    const QString folder = QStringLiteral("%1x%1/apps").arg(size);
    if (!target.mkpath(folder) || !image.save(target.filePath(folder + QStringLiteral("/vexilo.png")))) {
      std::fprintf(stderr, "cannot write %s\n", qUtf8Printable(target.filePath(folder)));
      return 1;
    }
  }
  return 0;
}
