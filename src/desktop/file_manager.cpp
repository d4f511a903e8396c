#include "desktop/file_manager.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFile>
#include <QStringList>
#include <QUrl>

#include "core/text.h"

namespace sonvaro {
namespace {

// The file system's own encoding, so a name that is not UTF-8 still names its file.
QUrl LocalUrl(const std::string& path) {
    return QUrl::fromLocalFile(
        QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size()))));
}

}  // namespace

void DesktopFileBrowser::ShowItem(const std::string& path) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{LocalUrl(path).toString()} << QString();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage) OpenFolder(std::string(FolderOf(path)));
}

void DesktopFileBrowser::OpenFolder(const std::string& folder) {
    QDesktopServices::openUrl(LocalUrl(folder));
}

}  // namespace sonvaro
