#include "Exceptions.h"
#include "JpegImage.h"
#include "PictureData.h"

#include <QBuffer>
#include <QTest>
#include <algorithm>
#include <functional>

namespace {

QByteArray Saved(const QImage &image, const char *format)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return data;
}

// Red across, green down, blue fixed: every pixel differs from its neighbours.
QImage Gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / (width - 1), y * 255 / (height - 1), 90));
    return image;
}

bool Refused(const std::function<QImage()> &decode)
{
    try {
        decode();
    } catch (const EInvalidOperation &error) {
        return error.Message().startsWith("The picture cannot be read");
    }
    return false;
}

} // namespace

class tst_Pictures : public QObject
{
    Q_OBJECT

private slots:
    void jpegRoundTripKeepsThePicture()
    {
        const QImage source = Gradient(64, 48);
        const QImage decoded = DecodeJpeg(EncodeJpeg(source, 95));
        QCOMPARE(decoded.size(), source.size());
        QCOMPARE(decoded.format(), QImage::Format_RGB32);
        int worst = 0;
        for (int y = 0; y < decoded.height(); ++y)
            for (int x = 0; x < decoded.width(); ++x) {
                const QRgb got = decoded.pixel(x, y);
                const QRgb wanted = source.pixel(x, y);
                QCOMPARE(qAlpha(got), 255); // opaque, as RGB32 must be
                worst = std::max({worst, qAbs(qRed(got) - qRed(wanted)), qAbs(qGreen(got) - qGreen(wanted)),
                              qAbs(qBlue(got) - qBlue(wanted))});
            }
        QVERIFY2(worst <= 12, qPrintable(QString::number(worst)));
    }

    void damagedJpegIsRefused()
    {
        const QByteArray whole = EncodeJpeg(Gradient(64, 48), 90);
        QVERIFY(Refused([&] { return DecodeJpeg(whole.left(whole.size() / 2)); }));
        QVERIFY(Refused([] { return DecodeJpeg(QByteArray()); }));
        QVERIFY(Refused([] { return DecodeJpeg(QByteArray("\xff\xd8\xff\xe0 not really", 15)); }));
    }

    void pngKeepsEveryPixelAndItsAlpha()
    {
        QImage source(5, 3, QImage::Format_ARGB32);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                source.setPixel(x, y, qRgba(x * 60, y * 100, 255 - x * 50, x * 60 + y));
        const QImage decoded = DecodePng(Saved(source, "PNG"));
        QCOMPARE(decoded.format(), QImage::Format_ARGB32);
        QCOMPARE(decoded, source);
        // Opaque pictures and palettes come out the same way.
        const QImage opaque = Gradient(9, 7);
        QCOMPARE(DecodePng(Saved(opaque, "PNG")), opaque.convertToFormat(QImage::Format_ARGB32));
        const QImage indexed = opaque.convertToFormat(QImage::Format_Indexed8);
        QCOMPARE(DecodePng(Saved(indexed, "PNG")), indexed.convertToFormat(QImage::Format_ARGB32));
    }

    void damagedPngIsRefused()
    {
        QByteArray data = Saved(Gradient(16, 16), "PNG");
        QVERIFY(Refused([&] { return DecodePng(data.left(data.size() - 20)); }));
        QVERIFY(Refused([] { return DecodePng(QByteArray()); }));
        QVERIFY(Refused([] { return DecodePng(QByteArray("\x89PNG\r\n\x1a\n", 8)); }));
        const qsizetype pixels = data.indexOf("IDAT") + 6;
        data[pixels] = char(data[pixels] ^ 0x5a); // the compressed pixels broken
        QVERIFY(Refused([&] { return DecodePng(data); }));
    }

    void anyPictureGoesToItsDecoder()
    {
        const QImage source = Gradient(8, 8);
        QCOMPARE(DecodePicture(Saved(source, "PNG")).format(), QImage::Format_ARGB32);
        QCOMPARE(DecodePicture(EncodeJpeg(source, 90)).format(), QImage::Format_RGB32);
        // Other formats through Qt's readers.
        QCOMPARE(DecodePicture(Saved(source, "BMP")).convertToFormat(QImage::Format_RGB32), source);
        QVERIFY(Refused([] { return DecodePicture(QByteArray("neither a picture nor anything else")); }));
    }
};

QTEST_MAIN(tst_Pictures)
#include "tst_pictures.moc"
