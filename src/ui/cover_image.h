// A cover picture's bytes turned into a small image, safely.
#pragma once
#include <QImage>
#include <QSize>
#include <string_view>

namespace sonvaro {

// Larger pictures are refused unread: no cover is worth decoding this much.
constexpr qint64 kMaxCoverPixels = 100'000'000;
// What decoding one picture may allocate.
constexpr qint64 kMaxCoverDecodeBytes = qint64{64} << 20;

// A JPEG, PNG, WebP, GIF or BMP picture (told by its first bytes) scaled,
// keeping its shape, to fit maxSide × maxSide; never enlarged. JPEG is decoded at the reduced size directly;
// no format may make the decoder allocate more than 64 MB. A null image for anything broken, hostile or
// unknown.
QImage DecodeCover(std::string_view bytes, int maxSide);

// The size `size` takes to fit maxSide × maxSide keeping its shape; never enlarged.
QSize CoverFit(QSize size, int maxSide);

}  // namespace sonvaro
