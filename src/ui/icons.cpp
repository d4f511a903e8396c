#include "ui/icons.h"

#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <map>

// Resources of a static library are registered by hand.
static void RegisterResources() {
    Q_INIT_RESOURCE(sonvaro_ui);
}

namespace sonvaro {

void EnsureResources() {
    static const bool done = (RegisterResources(), true);
    (void)done;
}

QIcon Icon(const QString& name) {
    static const std::map<QString, QString> kTheme = {{"play", "media-playback-start"},
                                                      {"pause", "media-playback-pause"},
                                                      {"stop", "media-playback-stop"},
                                                      {"prev", "media-skip-backward"},
                                                      {"next", "media-skip-forward"},
                                                      {"record", "media-record"},
                                                      {"mute", "audio-volume-muted"},
                                                      {"repeat", "media-playlist-repeat"},
                                                      {"shuffle", "media-playlist-shuffle"},
                                                      {"open", "document-open"},
                                                      {"playlist", "view-media-playlist"},
                                                      {"library", "folder-music"},
                                                      {"equalizer", "media-eq"},
                                                      {"settings", "preferences-system"},
                                                      {"task", "appointment-new"},
                                                      {"sort", "view-sort-ascending"},
                                                      {"find", "edit-find"},
                                                      {"add-file", "list-add"},
                                                      {"add-folder", "folder-new"},
                                                      {"generate", "media-playlist-append"},
                                                      {"copy", "edit-copy"},
                                                      {"save", "document-save"},
                                                      {"select-all", "edit-select-all"},
                                                      {"remove", "list-remove"},
                                                      {"clear", "edit-clear"},
                                                      {"tag", "document-edit"},
                                                      {"refresh", "view-refresh"},
                                                      {"info", "dialog-information"},
                                                      {"log", "text-x-generic"},
                                                      {"update", "system-software-update"},
                                                      {"web", "internet-web-browser"},
                                                      {"mail", "mail-send"},
                                                      {"help", "help-contents"},
                                                      {"exit", "application-exit"}};
    EnsureResources();
    const QString bundled = QStringLiteral(":/icons/") + name + QStringLiteral(".svg");
    const QIcon fallback = QFile::exists(bundled) ? QIcon(bundled) : QIcon();
    const auto it = kTheme.find(name);
    if (it == kTheme.end()) return fallback;
    return QIcon::fromTheme(it->second, fallback);
}

QIcon AppIcon() {
    EnsureResources();
    return QIcon::fromTheme(QStringLiteral("sonvaro"), QIcon(QStringLiteral(":/icons/sonvaro.svg")));
}

QIcon PlayingRowSymbol(const QColor& colour) {
    QIcon icon;
    for (int size : {16, 32}) {  // sharp on scaled screens too
        QPixmap picture(size, size);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        const double u = size / 16.0;
        QPainterPath triangle;
        triangle.moveTo(4 * u, 3 * u);
        triangle.lineTo(13 * u, 8 * u);
        triangle.lineTo(4 * u, 13 * u);
        triangle.closeSubpath();
        painter.fillPath(triangle, colour);
        painter.end();
        icon.addPixmap(picture, QIcon::Normal);
        icon.addPixmap(picture, QIcon::Selected);
    }
    return icon;
}

}  // namespace sonvaro
