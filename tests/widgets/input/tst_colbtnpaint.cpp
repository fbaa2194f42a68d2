#include "ColorGlyphs.h"
#include "TColBtn.h"

#include <QApplication>
#include <QTest>

namespace {

constexpr TColor kBackground = TColorFromBits(0x00A2BDBF);
constexpr TColor kSwatch = TColorFromBits(0x0033CC11);

TColor PixelAt(const QImage &image, QPoint at)
{
    return FromQColor(QColor(image.pixel(at)));
}

} // namespace

class tst_ColBtnPaint : public QObject
{
    Q_OBJECT

private slots:
    // Each row: a button of the given kind at (10, 10) and pixels (relative to it) that must be
    // the border, the fill, or neither.
    void swatches_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("down");
        QTest::addColumn<TColor>("border");
        QTest::addColumn<QList<QPoint>>("borderPixels");
        QTest::addColumn<QList<QPoint>>("fillPixels");

        const QList<QPoint> cellBorder{{4, 4}, {15, 4}, {4, 15}, {15, 15}};
        const QList<QPoint> cellFill{{5, 5}, {14, 14}};
        QTest::newRow("cell") << "cell" << QSize(20, 20) << true << false << clGray << cellBorder << cellFill;
        QTest::newRow("cell, disabled") << "cell" << QSize(20, 20) << false << false << clGray << cellBorder << cellFill;
        const QList<QPoint> glyphBorder{{8, 8}, {18, 8}, {8, 18}, {18, 18}};
        const QList<QPoint> glyphFill{{9, 9}, {17, 17}};
        QTest::newRow("glyph") << "glyph" << QSize(22, 22) << true << false << clBlack << glyphBorder << glyphFill;
        QTest::newRow("glyph, disabled") << "glyph" << QSize(22, 22) << false << false << clGray << glyphBorder
                                         << glyphFill;
        QTest::newRow("glyph, down") << "glyph" << QSize(22, 22) << true << true << clBlack
                                     << QList<QPoint>{{9, 9}, {19, 19}} << QList<QPoint>{{10, 10}, {18, 18}};
        QTest::newRow("caption") << "caption" << QSize(160, 20) << true << false << clGray
                                 << QList<QPoint>{{3, 3}, {157, 3}, {157, 17}, {3, 17}, {80, 3}, {5, 5}, {19, 15}}
                                 << QList<QPoint>{{6, 6}, {18, 14}};
    }
    void swatches()
    {
        QFETCH(QString, kind);
        QFETCH(QSize, size);
        QFETCH(bool, enabled);
        QFETCH(bool, down);
        QFETCH(TColor, border);
        QFETCH(QList<QPoint>, borderPixels);
        QFETCH(QList<QPoint>, fillPixels);

        QWidget container;
        QPalette palette;
        palette.setColor(QPalette::Window, ToQColor(kBackground));
        container.setPalette(palette);
        container.setAutoFillBackground(true);
        container.resize(200, 60);
        auto *button = new TColBtn(&container);
        button->setGeometry(10, 10, size.width(), size.height());
        button->SetFlat(true);
        button->SetColor(kSwatch);
        if (kind == QLatin1String("glyph"))
            button->SetGlyph(ColorButtonImage(QStringLiteral("FRCOLOR")));
        if (kind == QLatin1String("caption"))
            button->SetCaption(QStringLiteral("Automatic"));
        button->SetGroupIndex(1);
        button->SetDown(down);
        button->setEnabled(enabled);
        container.show();
        QVERIFY(QTest::qWaitForWindowExposed(&container));
        QImage image(container.size(), QImage::Format_RGB32);
        container.render(&image);

        const QPoint origin(10, 10);
        const TColor fill = enabled ? kSwatch : ColorToRGB(clBtnFace);
        for (const QPoint &at : borderPixels)
            QCOMPARE(PixelAt(image, origin + at), border);
        for (const QPoint &at : fillPixels)
            QCOMPARE(PixelAt(image, origin + at), fill);
        // Just outside the swatch: neither border nor fill.
        const QPoint outside = borderPixels.first() - QPoint(1, 1);
        QVERIFY(PixelAt(image, origin + outside) != border || kind == QLatin1String("glyph"));
        QVERIFY(PixelAt(image, origin + outside) != fill);
    }

    void builtInImages_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("firstEmptyRow");
        QTest::newRow("FRCOLOR") << "FRCOLOR" << QSize(16, 16) << 11;
        QTest::newRow("BKCOLOR") << "BKCOLOR" << QSize(16, 16) << 12;
        QTest::newRow("LNCOLOR") << "LNCOLOR" << QSize(16, 16) << 12;
        QTest::newRow("DROPDOWN") << "DROPDOWN" << QSize(5, 5) << 4;
    }
    void builtInImages()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QFETCH(int, firstEmptyRow);
        const QImage image = ColorButtonImage(name);
        QCOMPARE(image.size(), size);
        const QRgb silver = qRgb(0xC0, 0xC0, 0xC0);
        QCOMPARE(image.pixel(0, size.height() - 1), silver);
        int ink = 0;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                const bool isInk = image.pixel(x, y) == qRgb(0, 0, 0);
                QVERIFY2(!isInk || y < firstEmptyRow, qPrintable(QStringLiteral("ink at %1,%2").arg(x).arg(y)));
                ink += isInk;
            }
        QVERIFY(ink > 0);
        QVERIFY(ColorButtonImage(QStringLiteral("NOSUCH")).isNull());
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    tst_ColBtnPaint test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_colbtnpaint.moc"
