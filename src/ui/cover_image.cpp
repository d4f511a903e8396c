#include "ui/cover_image.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include "tags/cover_art.h"

namespace sonvaro {

QSize CoverFit(QSize size, int maxSide) {
    if (size.isEmpty() || maxSide < 1) return {};
    if (size.width() <= maxSide && size.height() <= maxSide) return size;
    return size.scaled(maxSide, maxSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

QImage DecodeCover(std::string_view bytes, int maxSide) {
    if (bytes.empty() || maxSide < 1) return {};
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    if (!buffer.open(QIODevice::ReadOnly)) return {};
    // Only the picture formats covers come in, told by their first bytes: no
    // guessing among every reader Qt has (vector pictures, TGA without a signature).
    const std::string_view extension = CoverExtension(bytes);
    if (extension.empty()) return {};
    QImageReader reader(&buffer, QByteArray(extension.data(), static_cast<qsizetype>(extension.size())));
    const QSize size = reader.size();
    if (size.isEmpty()) return {};
    const qint64 pixels = static_cast<qint64>(size.width()) * size.height();
    // JPEG is decoded at the reduced size (at most an eighth of each side); the
    // other formats are decoded whole and scaled after.
    if (pixels > kMaxCoverPixels || (extension != "jpg" && pixels * 4 > kMaxCoverDecodeBytes)) return {};
    const QSize fit = CoverFit(size, maxSide);
    if (fit != size) reader.setScaledSize(fit);
    QImage image = reader.read();
    if (image.isNull()) return {};
    // A reader that ignored the scaled size leaves it to us.
    if (image.width() > maxSide || image.height() > maxSide)
        image = image.scaled(maxSide, maxSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    // One format for every cover: a single-frame image without palette.
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                         : QImage::Format_RGB32);
}

}  // namespace sonvaro
