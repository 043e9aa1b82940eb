#include "png_image.h"

#include <QByteArray>

#include <png.h>

namespace velmora {

QImage decodePng(const QByteArray &png)
{
    if (png.isEmpty())
        return {};

    png_image image {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png.constData(), static_cast<size_t>(png.size())))
        return {}; // libpng has already released the image

    // The header's size is the attacker's choice: refuse absurd sizes before
    // allocating, instead of failing (or exhausting memory) in the allocator.
    const qint64 pixels = qint64(image.width) * qint64(image.height);
    if (pixels == 0 || pixels > kMaxPngPixels) {
        png_image_free(&image);
        return {};
    }

    // RGBA in byte order matches Format_RGBA8888 on every byte order; libpng
    // gives straight (non-premultiplied) alpha for 8-bit sRGB output.
    image.format = PNG_FORMAT_RGBA;
    // Without this, libpng takes 16-bit samples lacking gamma information for
    // linear light and brightens them; writers mean sRGB, as with 8 bits.
    // (Set here: beginning the read clears the flags.)
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    QImage pixelsOut(static_cast<int>(image.width), static_cast<int>(image.height), QImage::Format_RGBA8888);
    if (pixelsOut.isNull()) {
        png_image_free(&image);
        return {};
    }
    const auto stride = static_cast<png_int_32>(pixelsOut.bytesPerLine());
    if (!png_image_finish_read(&image, nullptr, pixelsOut.bits(), stride, nullptr))
        return {}; // truncated or corrupt data; libpng has released the image

    return pixelsOut.convertToFormat(QImage::Format_ARGB32);
}

} // namespace velmora
