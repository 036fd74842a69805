// The Hungarian texts the data-aware controls show by themselves (the texts
// of the windows are the windows' own).
#pragma once

#include <QString>

namespace vexilo::framework {

// The question a grid or a navigator asks before deleting a record when its
// confirmation is switched on.
inline const QString kDeleteRecordTitle = QStringLiteral("Megerősítés");
inline const QString kDeleteRecordQuestion = QStringLiteral("Törli a rekordot?");

}  // namespace vexilo::framework
