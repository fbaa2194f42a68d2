#include "PictureData.h"

#include "Exceptions.h"
#include "JpegImage.h"

#include <QSysInfo>
#include <png.h>

#include <mutex>
#include <utility>

namespace {

bool IsPng(const QByteArray &data) { return data.startsWith("\x89PNG\r\n\x1a\n"); }
bool IsJpeg(const QByteArray &data) { return data.startsWith("\xff\xd8\xff"); }

std::mutex g_aheadMutex;
QList<std::pair<QByteArray, QImage>> g_decodedAhead;

} // namespace

QImage DecodePng(const QByteArray &data)
{
    if (QImage ready = TakePictureDecodedAhead(data); !ready.isNull())
        return ready;
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

void DecodePicturesAhead(const QList<QByteArray> &pictures)
{
    for (const QByteArray &data : pictures) {
        if (!IsPng(data) && !IsJpeg(data))
            continue; // what Qt's readers decode is left to them
        QImage image;
        try {
            image = DecodePicture(data);
        } catch (const EInvalidOperation &) {
            continue; // reported by the call that needs the picture
        }
        const std::lock_guard<std::mutex> lock(g_aheadMutex);
        g_decodedAhead.append({data, image});
    }
}

QImage TakePictureDecodedAhead(const QByteArray &data)
{
    const std::lock_guard<std::mutex> lock(g_aheadMutex);
    for (qsizetype i = 0; i < g_decodedAhead.size(); ++i)
        if (g_decodedAhead.at(i).first == data)
            return g_decodedAhead.takeAt(i).second;
    return QImage();
}
