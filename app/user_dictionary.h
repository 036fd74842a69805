// The dictionary of a program started from the desktop's menu: its folder is
// $XDG_DATA_HOME/vexilo (~/.local/share/vexilo), which becomes the working
// directory, that is the program directory the windows use. On the first
// start the folder has no dictionary yet; the default one is then built
// there from Debian's FreeDict dictionaries by tools/make-dictionary, while
// a progress dialog shows that the program is busy.
#pragma once

#include <QProgressDialog>
#include <QString>

namespace vexilo::app {

// The busy dialog shown while the default dictionary is built; its button
// cancels the build.
class TDictionaryBuildDialog : public QProgressDialog {
  Q_OBJECT

 public:
  TDictionaryBuildDialog();
};

// $XDG_DATA_HOME/vexilo, made when missing; empty when it cannot be made.
QString UserDictionaryDirectory();

// Whether `directory` holds the dictionary table Eng_hun.
bool HoldsDictionary(const QString& directory);

// Builds the default dictionary into `directory` unless it holds one, with
// the busy dialog; a failure or a cancel is told in a message box. True when
// the directory holds the dictionary afterwards.
bool EnsureDefaultDictionary(const QString& directory);

}  // namespace vexilo::app
