// Who makes Vexilo, as the about window shows it and its links use it: the
// project's own maintainers and their own address. Kept in one place so that
// a change of address is one edit.
#pragma once

#include <QString>

namespace vexilo::app {

// The author line reads "Készítette: " + kMakerName + ".".
inline const QString kMakerName = QStringLiteral("a Vexilo csapata");
// The project has no postal address nor telephone: letters go by e-mail.
inline const QString kMakerPostalAddress = QStringLiteral("Levelezés e-mailben");
inline const QString kMakerTelephone = QStringLiteral("nincs");
inline const QString kMakerMobile = QStringLiteral("nincs");
inline const QString kMakerEmail =
    QStringLiteral("maintainers@users.noreply.c-seed-cce1bb96.example");
inline const QString kMakerWebAddress = QStringLiteral("https://c-seed-cce1bb96.example/");

}  // namespace vexilo::app
