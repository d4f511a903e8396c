#pragma once
#include <QString>

namespace sonvaro {

// The help page for a program in `programFolder`: beside it (the build tree),
// then in the data folder relative to it (an installed or DESTDIR tree), then
// where the install put it. Empty when none exists.
QString FindHelpFile(const QString& programFolder);

// Where the installed help should be; what the message names when none is found.
QString InstalledHelpFile();

}  // namespace sonvaro
