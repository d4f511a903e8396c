#pragma once
#include <QColor>
#include <QString>
#include <string>

namespace sonvaro {

inline QString ToQt(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
inline std::string FromQt(const QString& text) {
    return text.toUtf8().toStdString();
}

// Colours are stored as 0x00BBGGRR.
inline QColor ColourFromBgr(int32_t c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}
inline int32_t BgrFromColour(const QColor& c) {
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

// A local path as the logic writes it, folders ending in "/".
inline std::string FolderPath(const QString& folder) {
    std::string path = FromQt(folder);
    if (!path.empty() && path.back() != '/') path += '/';
    return path;
}

}  // namespace sonvaro
