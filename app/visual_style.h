// The program's visual style, "Iceberg Classico": a style sheet carried among
// the program's resources that gives every window a cool, light blue-grey
// classic look on top of Qt's Fusion style.
#pragma once

#include <QString>

class QApplication;

namespace vexilo::app {

// The name of the style the program starts with.
inline const QString kVisualStyleName = QStringLiteral("Iceberg Classico");

// Makes the program's resources (style sheet, pictures) reachable; call once
// before anything reads them. Safe to call again.
void InitResources();

// Applies the visual style called `name` to `app`. When the style is unknown
// or its sheet cannot be read, a warning is reported through Qt's message
// handler, nothing changes and the result is false.
bool ApplyVisualStyle(QApplication& app, const QString& name);

}  // namespace vexilo::app
