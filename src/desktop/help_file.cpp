#include "desktop/help_file.h"

#include <QFileInfo>

namespace sonvaro {

QString InstalledHelpFile() {
    return QStringLiteral(SONVARO_HELP_INSTALLED "/index.html");
}

QString FindHelpFile(const QString& programFolder) {
    const QString candidates[] = {
        programFolder + QStringLiteral("/help/index.html"),
        programFolder + QStringLiteral("/" SONVARO_HELP_FROM_BINDIR "/index.html"),
        InstalledHelpFile(),
    };
    for (const QString& candidate : candidates) {
        const QFileInfo file(candidate);
        if (file.isFile() && file.isReadable()) return file.canonicalFilePath();
    }
    return {};
}

}  // namespace sonvaro
