#pragma once

// PNG decoding with libpng, independent of Qt's own image plugins.

#include <QImage>

class QByteArray;

namespace velmora {

// Decodes PNG bytes held in memory into a QImage of format
// QImage::Format_ARGB32: 32-bit, alpha kept straight (not premultiplied), so
// every pixel reads back exactly as it is stored in the file. Colour types,
// palettes, grey levels and 16-bit samples are all converted to 8-bit RGBA.
//
// Returns a null QImage for anything that is not a complete, valid PNG
// (empty, truncated or corrupt data) and for images beyond kMaxPngPixels,
// which are refused before any pixel memory is allocated.
QImage decodePng(const QByteArray &png);

// The largest picture decodePng accepts, in pixels (128 MiB of ARGB).
inline constexpr qint64 kMaxPngPixels = qint64(32) * 1024 * 1024;

} // namespace velmora
