#include "app/program_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace vexilo::app {

namespace {

// The install layout, relative to the program's own directory, and the
// build tree; set by the build.
#ifndef VEXILO_BIN_TO_DOC
#define VEXILO_BIN_TO_DOC "../share/doc/vexilo"
#endif
#ifndef VEXILO_BIN_TO_LIBEXEC
#define VEXILO_BIN_TO_LIBEXEC "../libexec/vexilo"
#endif
#ifndef VEXILO_BUILD_TREE
#define VEXILO_BUILD_TREE ""
#endif
#ifndef VEXILO_SOURCE_TREE
#define VEXILO_SOURCE_TREE ""
#endif

QString ProgramDirectory() { return QCoreApplication::applicationDirPath(); }

QString FirstExisting(const QStringList& candidates, bool executable) {
  for (const QString& candidate : candidates) {
    const QFileInfo info(candidate);
    if (info.isFile() && (!executable || info.isExecutable())) return info.absoluteFilePath();
  }
  return {};
}

// `name` in the folder `relative` to the program's directory.
QString BelowProgram(const char* relative, const QString& name) {
  return QDir(ProgramDirectory()).filePath(QString::fromUtf8(relative) + QLatin1Char('/') + name);
}

QString InTree(const char* tree, const QString& relative) {
  const QString root = QString::fromUtf8(tree);
  return root.isEmpty() ? QString() : root + QLatin1Char('/') + relative;
}

}  // namespace

QString ManualPath() {
  return FirstExisting({QDir::current().filePath(kManualFile),
                        QDir(ProgramDirectory()).filePath(kManualFile),
                        BelowProgram(VEXILO_BIN_TO_DOC, kManualFile)},
                       false);
}

QString UpdaterPath() {
  const QString beside =
      FirstExisting({QDir(ProgramDirectory()).filePath(kUpdaterProgram)}, true);
  return beside.isEmpty() ? kUpdaterProgram : beside;
}

TDictionaryTools DictionaryTools() {
  TDictionaryTools tools;
  const QString script = QStringLiteral("make-dictionary");
  tools.MakeDictionary = FirstExisting(
      {BelowProgram(VEXILO_BIN_TO_LIBEXEC, script), InTree(VEXILO_SOURCE_TREE, "tools/" + script)},
      true);
  tools.Vxbtool = FirstExisting({QDir(ProgramDirectory()).filePath(QStringLiteral("vxbtool")),
                                 InTree(VEXILO_BUILD_TREE, QStringLiteral("tools/vxbtool"))},
                                true);
  tools.Freedict2tsv =
      FirstExisting({BelowProgram(VEXILO_BIN_TO_LIBEXEC, QStringLiteral("freedict2tsv")),
                     InTree(VEXILO_BUILD_TREE, QStringLiteral("tools/freedict/freedict2tsv"))},
                    true);
  return tools;
}

}  // namespace vexilo::app
