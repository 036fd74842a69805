#include "app/visual_style.h"

#include <QApplication>
#include <QFile>
#include <QStyle>
#include <QStyleFactory>
#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitVexiloResources() { Q_INIT_RESOURCE(vexilo); }

namespace vexilo::app {

namespace {

// Style names and the resources holding their sheets.
struct TStyleResource {
  QString Name;
  QString Sheet;
};

QString SheetOf(const QString& name) {
  static const TStyleResource kStyles[] = {
      {kVisualStyleName, QStringLiteral(":/vexilo/iceberg_classico.qss")},
  };
  for (const TStyleResource& style : kStyles) {
    if (style.Name == name) return style.Sheet;
  }
  return {};
}

}  // namespace

void InitResources() { InitVexiloResources(); }

bool ApplyVisualStyle(QApplication& app, const QString& name) {
  const QString sheetPath = SheetOf(name);
  if (sheetPath.isEmpty()) {
    qWarning("Visual style \"%s\" is not known; the default look stays.", qUtf8Printable(name));
    return false;
  }
  QFile sheet(sheetPath);
  if (!sheet.open(QIODevice::ReadOnly | QIODevice::Text)) {
    qWarning("Visual style \"%s\" cannot be read (%s); the default look stays.",
             qUtf8Printable(name), qUtf8Printable(sheet.errorString()));
    return false;
  }
  const QString text = QString::fromUtf8(sheet.readAll());
  if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) app.setStyle(fusion);
  app.setStyleSheet(text);
  return true;
}

}  // namespace vexilo::app
