// Pictures of the program's windows without a screen: each window is shown,
// rendered into a PNG named after it (Form1.png, Form2.png, ..., and
// DictionaryBuild.png, the first start's busy dialog, and DictionaryRows.png,
// the first rows of the dictionary in a grid bound to the main window's data
// source, when the working directory holds a dictionary) and hidden again,
// so that the windows can be looked at on a machine without a display.
#pragma once

#include <QString>

namespace vexilo::app {

// Saves every window of the running program (TForms must be alive) into
// `directory`, creating it when needed. Message boxes raised meanwhile are
// not shown: their texts go to the standard error stream and their questions
// are answered "Nem". False when a file cannot be written.
bool SaveScreenshots(const QString& directory);

}  // namespace vexilo::app
