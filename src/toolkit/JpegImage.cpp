#include "JpegImage.h"

#include "Exceptions.h"
#include "PictureData.h"

#include <QSysInfo>

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace {

struct ErrorManager
{
    jpeg_error_mgr Base;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnError(j_common_ptr info)
{
    auto *manager = reinterpret_cast<ErrorManager *>(info->err);
    (*info->err->format_message)(info, manager->Message);
    std::longjmp(manager->Jump, 1);
}

void OnMessage(j_common_ptr info, int level)
{
    // A warning (level -1) means damaged data that libjpeg would paper over: refuse it.
    if (level < 0)
        OnError(info);
}

} // namespace

namespace {

// Only plain C state lives in the frame that holds the jump point; the picture is owned by the
// caller, so nothing with a destructor is skipped or left half-made by a jump.
bool DecodeInto(const QByteArray &data, QImage *image, char *message)
{
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.Base);
    errors.Base.error_exit = OnError;
    errors.Base.emit_message = OnMessage;
    if (setjmp(errors.Jump)) {
        jpeg_destroy_decompress(&info);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", errors.Message);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(data.constData()), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
#ifdef JCS_EXTENSIONS
    // Straight into the layout of RGB32 (one native word 0xFFRRGGBB per pixel), no conversion after.
    info.out_color_space = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? JCS_EXT_BGRA : JCS_EXT_ARGB;
    const QImage::Format format = QImage::Format_RGB32;
#else
    info.out_color_space = JCS_RGB;
    const QImage::Format format = QImage::Format_RGB888;
#endif
    jpeg_start_decompress(&info);
    *image = QImage(int(info.output_width), int(info.output_height), format);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image->scanLine(int(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

bool EncodeInto(const QImage &image, int quality, unsigned char **buffer, unsigned long *size, char *message)
{
    jpeg_compress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.Base);
    errors.Base.error_exit = OnError;
    if (setjmp(errors.Jump)) {
        jpeg_destroy_compress(&info);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", errors.Message);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, buffer, size);
    info.image_width = JDIMENSION(image.width());
    info.image_height = JDIMENSION(image.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<uchar *>(image.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

QImage DecodeJpeg(const QByteArray &data)
{
    if (QImage ready = TakePictureDecodedAhead(data); !ready.isNull())
        return ready;
    QImage image;
    char message[JMSG_LENGTH_MAX] = {};
    if (data.isEmpty() || !DecodeInto(data, &image, message))
        throw EInvalidOperation(QStringLiteral("The picture cannot be read: %1")
                                    .arg(data.isEmpty() ? QStringLiteral("no data") : QString::fromLatin1(message)));
    return image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
}

QByteArray EncodeJpeg(const QImage &source, int quality)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    char message[JMSG_LENGTH_MAX] = {};
    const bool ok = EncodeInto(image, quality, &buffer, &size, message);
    QByteArray result = ok ? QByteArray(reinterpret_cast<const char *>(buffer), qsizetype(size)) : QByteArray();
    free(buffer);
    if (!ok)
        throw EInvalidOperation(QStringLiteral("The picture cannot be written: %1").arg(QString::fromLatin1(message)));
    return result;
}
