// Where the program finds the files that come with it: the manual, the
// updater, and the tools that build the default dictionary. Each is looked
// for in the working directory or beside the program first (a program
// unpacked into one folder), then where `cmake --install` puts it relative
// to the program (bin/, share/doc/vexilo/, libexec/vexilo/), then, for a run
// from the build tree, in the build tree itself.
#pragma once

#include <QString>

namespace vexilo::app {

inline const QString kManualFile = QStringLiteral("Leírás.pdf");
inline const QString kUpdaterProgram = QStringLiteral("vexilo-update");

// The manual "Leírás.pdf"; empty when there is none.
QString ManualPath();

// The updater; its bare name (to be found on the PATH) when it is not
// beside the program.
QString UpdaterPath();

// The programs tools/make-dictionary needs, and the script itself; an entry
// is empty when it was not found.
struct TDictionaryTools {
  QString MakeDictionary;
  QString Vxbtool;
  QString Freedict2tsv;

  bool Complete() const {
    return !MakeDictionary.isEmpty() && !Vxbtool.isEmpty() && !Freedict2tsv.isEmpty();
  }
};
TDictionaryTools DictionaryTools();

}  // namespace vexilo::app
