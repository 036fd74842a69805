// Qt's own texts in Hungarian: the standard buttons of message boxes
// ("Igen", "Nem", "OK"), the context menus of edits and the like, from Qt's
// translation file qtbase_hu.qm in Qt's translations directory.
#pragma once

class QCoreApplication;

namespace vexilo::framework {

// Loads qtbase_hu.qm into `app`; false (and nothing changes) when the file is
// missing or unreadable. Loading twice keeps the first translator.
bool InstallHungarianTranslations(QCoreApplication& app);

// Whether Qt's Hungarian texts are in use in this process.
bool HungarianTranslationsInstalled();

}  // namespace vexilo::framework
