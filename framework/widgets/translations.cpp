#include "framework/widgets/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>
#include <memory>

namespace vexilo::framework {

namespace {

// Owned by the application object (its Qt parent); gone with it.
QPointer<QTranslator> GTranslator;

}  // namespace

bool InstallHungarianTranslations(QCoreApplication& app) {
  if (GTranslator) return true;
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QStringLiteral("qtbase_hu"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      !QCoreApplication::installTranslator(translator.get())) {
    return false;
  }
  translator->setParent(&app);  // the application owns it from here on
  GTranslator = translator.release();
  return true;
}

bool HungarianTranslationsInstalled() { return !GTranslator.isNull(); }

}  // namespace vexilo::framework
