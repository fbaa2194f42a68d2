#include "PictureData.h"

#include "Exceptions.h"
#include "JpegImage.h"

#include <QSysInfo>
#include <png.h>


namespace {

bool IsPng(const QByteArray &data) { return data.startsWith("\x89PNG\r\n\x1a\n"); }
bool IsJpeg(const QByteArray &data) { return data.startsWith("\xff\xd8\xff"); }

} // namespace

QImage DecodePng(const QByteArray &data)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    const auto refuse = [&png](const char *why) -> QImage {
        const QString message = QString::fromLatin1(png.message[0] ? png.message : why);
        png_image_free(&png);
        throw EInvalidOperation(QStringLiteral("The picture cannot be read: %1").arg(message));
    };
    if (data.isEmpty())
        return refuse("no data");
    if (!png_image_begin_read_from_memory(&png, data.constData(), size_t(data.size())))
        return refuse("not a PNG picture");
    // ARGB32 holds each pixel as one native 32-bit word 0xAARRGGBB.
    png.format = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;
    QImage image(int(png.width), int(png.height), QImage::Format_ARGB32);
    if (image.isNull())
        return refuse("too large");
    if (!png_image_finish_read(&png, nullptr, image.bits(), png_int_32(image.bytesPerLine()), nullptr))
        return refuse("damaged data");
    png_image_free(&png);
    return image;
}

QImage DecodePicture(const QByteArray &data)
{
    if (IsPng(data))
        return DecodePng(data);
    if (IsJpeg(data))
        return DecodeJpeg(data);
    const QImage image = QImage::fromData(data);
    if (image.isNull())
        throw EInvalidOperation(QStringLiteral("The picture cannot be read: unknown format or damaged data"));
    return image;
}
