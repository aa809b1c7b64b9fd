#pragma once
// The program's name and version label, as every layer shows them.

#include <QString>

namespace zov {

// Shown in the main window's caption, the about box and printed pages; compared with the
// published version by the update check.
inline const QString ProgramTitle = QStringLiteral("Zovaran");
inline const QString VersionLabel = QStringLiteral("2.6H");

} // namespace zov
