// Draws the main window's picture, resources/main_picture.png (537 x 313):
// an open dictionary under a winter night sky with the program's name. The
// PNG is committed; run this again only to change the picture:
//   ninja -C BUILD vexilo_make_picture && BUILD/app/vexilo_make_picture
//   app/resources/main_picture.png
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <cstdio>

namespace {

constexpr int kWidth = 537;
constexpr int kHeight = 313;

void DrawSky(QPainter& p) {
  QLinearGradient sky(0, 0, 0, kHeight);
  sky.setColorAt(0.0, QColor(0x10, 0x24, 0x3a));
  sky.setColorAt(0.55, QColor(0x1f, 0x4a, 0x6c));
  sky.setColorAt(1.0, QColor(0x2d, 0x66, 0x86));
  p.fillRect(0, 0, kWidth, kHeight, sky);

  // A fixed seed keeps the stars where they are from one run to the next.
  QRandomGenerator stars(1962);
  for (int i = 0; i < 90; ++i) {
    const int x = stars.bounded(kWidth);
    const int y = stars.bounded(150);
    const int alpha = 90 + stars.bounded(150);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 240, 255, alpha));
    const qreal r = stars.bounded(3) == 0 ? 1.4 : 0.8;
    p.drawEllipse(QPointF(x, y), r, r);
  }

  QRadialGradient glow(QPointF(440, 60), 90);
  glow.setColorAt(0.0, QColor(200, 225, 245, 90));
  glow.setColorAt(1.0, QColor(200, 225, 245, 0));
  p.setBrush(glow);
  p.drawEllipse(QPointF(440, 60), 90, 90);
}

void DrawIcebergs(QPainter& p) {
  QPainterPath far;
  far.moveTo(0, 238);
  far.lineTo(60, 196);
  far.lineTo(98, 214);
  far.lineTo(150, 170);
  far.lineTo(205, 222);
  far.lineTo(260, 236);
  far.lineTo(0, 236);
  far.closeSubpath();
  QLinearGradient ice(0, 170, 0, 240);
  ice.setColorAt(0.0, QColor(0xe8, 0xf2, 0xf8));
  ice.setColorAt(1.0, QColor(0x8f, 0xb4, 0xcc));
  p.setPen(QPen(QColor(0xc8, 0xdc, 0xea), 1));
  p.setBrush(ice);
  p.drawPath(far);

  QPainterPath near;
  near.moveTo(300, 240);
  near.lineTo(350, 206);
  near.lineTo(372, 214);
  near.lineTo(410, 180);
  near.lineTo(452, 222);
  near.lineTo(537, 216);
  near.lineTo(537, 240);
  near.closeSubpath();
  p.setBrush(ice);
  p.drawPath(near);

  QLinearGradient sea(0, 236, 0, kHeight);
  sea.setColorAt(0.0, QColor(0x1a, 0x3c, 0x58));
  sea.setColorAt(1.0, QColor(0x0c, 0x1d, 0x2e));
  p.setPen(Qt::NoPen);
  p.setBrush(sea);
  p.drawRect(0, 236, kWidth, kHeight - 236);

  p.setPen(QPen(QColor(160, 200, 225, 70), 1));
  for (int y = 246; y < kHeight; y += 9) p.drawLine(20 + (y % 3) * 11, y, 250 + (y % 5) * 20, y);
}

void DrawBook(QPainter& p) {
  const QPointF spineTop(160, 92);
  const QPointF spineBottom(160, 262);

  // Cover under the pages.
  QPainterPath cover;
  cover.moveTo(30, 108);
  cover.quadTo(95, 90, spineTop.x(), spineTop.y() + 6);
  cover.quadTo(225, 90, 290, 108);
  cover.lineTo(290, 272);
  cover.quadTo(225, 256, spineBottom.x(), spineBottom.y() + 10);
  cover.quadTo(95, 256, 30, 272);
  cover.closeSubpath();
  p.setPen(QPen(QColor(0x3a, 0x1e, 0x12), 1.5));
  p.setBrush(QColor(0x7a, 0x2e, 0x22));
  p.drawPath(cover);

  const QColor paper(0xfb, 0xf6, 0xe8);
  const QColor edge(0xc9, 0xbd, 0xa0);
  QPainterPath left;
  left.moveTo(38, 102);
  left.quadTo(100, 82, spineTop.x(), spineTop.y());
  left.lineTo(spineBottom.x(), spineBottom.y());
  left.quadTo(100, 244, 38, 264);
  left.closeSubpath();
  QPainterPath right;
  right.moveTo(282, 102);
  right.quadTo(220, 82, spineTop.x(), spineTop.y());
  right.lineTo(spineBottom.x(), spineBottom.y());
  right.quadTo(220, 244, 282, 264);
  right.closeSubpath();
  QLinearGradient leftShade(38, 0, 160, 0);
  leftShade.setColorAt(0.0, paper);
  leftShade.setColorAt(0.85, paper);
  leftShade.setColorAt(1.0, edge);
  QLinearGradient rightShade(282, 0, 160, 0);
  rightShade.setColorAt(0.0, paper);
  rightShade.setColorAt(0.85, paper);
  rightShade.setColorAt(1.0, edge);
  p.setPen(QPen(edge, 1));
  p.setBrush(leftShade);
  p.drawPath(left);
  p.setBrush(rightShade);
  p.drawPath(right);

  // Entries: the headword in bold, its translation after a dash.
  struct Entry {
    const char* headword;
    const char* translation;
  };
  const Entry leftPage[] = {{"apple", "alma"}, {"book", "könyv"},   {"bridge", "híd"},
                            {"winter", "tél"}, {"star", "csillag"}, {"word", "szó"}};
  const Entry rightPage[] = {{"alma", "apple"}, {"fény", "light"}, {"jég", "ice"},
                             {"könyv", "book"}, {"tenger", "sea"}, {"víz", "water"}};
  QFont bold(QStringLiteral("DejaVu Serif"));
  bold.setPixelSize(12);
  bold.setBold(true);
  QFont plain(QStringLiteral("DejaVu Serif"));
  plain.setPixelSize(12);
  plain.setItalic(true);
  auto drawPage = [&](const Entry* entries, int count, int x, int y0) {
    for (int i = 0; i < count; ++i) {
      const int y = y0 + i * 22;
      p.setFont(bold);
      p.setPen(QColor(0x1b, 0x2f, 0x4a));
      const QString head = QString::fromUtf8(entries[i].headword);
      p.drawText(x, y, head);
      const int w = QFontMetrics(bold).horizontalAdvance(head);
      p.setFont(plain);
      p.setPen(QColor(0x5a, 0x3a, 0x2a));
      p.drawText(x + w + 4, y, QString::fromUtf8("– ") + QString::fromUtf8(entries[i].translation));
    }
  };
  drawPage(leftPage, 6, 52, 122);
  drawPage(rightPage, 6, 172, 122);

  p.setPen(QPen(QColor(0x9c, 0x8e, 0x70), 1));
  p.drawLine(spineTop, spineBottom);
}

void DrawTitle(QPainter& p) {
  QFont title(QStringLiteral("DejaVu Serif"));
  title.setPixelSize(46);
  title.setBold(true);
  title.setItalic(true);
  p.setFont(title);
  p.setPen(QColor(0, 0, 0, 110));
  p.drawText(QPointF(314, 84), QStringLiteral("Vexilo"));
  p.setPen(QColor(0xf2, 0xf8, 0xfc));
  p.drawText(QPointF(311, 81), QStringLiteral("Vexilo"));

  QFont subtitle(QStringLiteral("DejaVu Sans"));
  subtitle.setPixelSize(14);
  p.setFont(subtitle);
  p.setPen(QColor(0xbf, 0xd8, 0xea));
  p.drawText(QPointF(314, 108), QString::fromUtf8("Angol–magyar szótár"));
  p.drawText(QPointF(314, 128), QString::fromUtf8("English–Hungarian dictionary"));

  // Red, white and green under the Hungarian line, blue, white and red under
  // the English one.
  const QColor hu[] = {QColor(0xce, 0x29, 0x39), QColor(0xf4, 0xf4, 0xf4),
                       QColor(0x47, 0x70, 0x50)};
  const QColor en[] = {QColor(0x01, 0x21, 0x69), QColor(0xf4, 0xf4, 0xf4),
                       QColor(0xc8, 0x10, 0x2e)};
  for (int i = 0; i < 3; ++i) {
    p.fillRect(314 + i * 20, 138, 20, 4, en[i]);
    p.fillRect(384 + i * 20, 138, 20, 4, hu[i]);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    DrawSky(p);
    DrawIcebergs(p);
    DrawBook(p);
    DrawTitle(p);
  }
  if (!image.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
