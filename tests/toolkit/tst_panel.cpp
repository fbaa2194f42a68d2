#include "ControlsTestKit.h"
#include "TApplication.h"
#include "TCustomPanel.h"

class tst_Panel : public QObject
{
    Q_OBJECT

private slots:
    // Each row: the frame settings and the colours expected along the top-left and bottom-right
    // edges, from the outside in; the first pixel past the frame must be the face.
    void frameIsPaintedFromTheOutsideIn_data()
    {
        QTest::addColumn<Tk::TBevelCut>("outer");
        QTest::addColumn<Tk::TBevelCut>("inner");
        QTest::addColumn<int>("bevelWidth");
        QTest::addColumn<int>("borderWidth");
        QTest::addColumn<QList<TColor>>("topLeft");
        QTest::addColumn<QList<TColor>>("bottomRight");
        const TColor face = clSilver;
        const TColor light = clWhite;
        const TColor dark = clGray;
        QTest::newRow("default raised") << Tk::bvRaised << Tk::bvNone << 1 << 0
                                        << QList<TColor>{light, face} << QList<TColor>{dark, face};
        QTest::newRow("lowered, two wide") << Tk::bvLowered << Tk::bvNone << 2 << 0
                                           << QList<TColor>{dark, dark, face} << QList<TColor>{light, light, face};
        QTest::newRow("raised, ring, lowered") << Tk::bvRaised << Tk::bvLowered << 1 << 2
                                               << QList<TColor>{light, face, face, dark, face}
                                               << QList<TColor>{dark, face, face, light, face};
        QTest::newRow("space keeps room") << Tk::bvSpace << Tk::bvRaised << 1 << 0
                                          << QList<TColor>{face, light, face} << QList<TColor>{face, dark, face};
        QTest::newRow("none") << Tk::bvNone << Tk::bvNone << 1 << 0 << QList<TColor>{face} << QList<TColor>{face};
    }
    void frameIsPaintedFromTheOutsideIn()
    {
        QFETCH(Tk::TBevelCut, outer);
        QFETCH(Tk::TBevelCut, inner);
        QFETCH(int, bevelWidth);
        QFETCH(int, borderWidth);
        QFETCH(QList<TColor>, topLeft);
        QFETCH(QList<TColor>, bottomRight);
        Container container;
        TPanel panel(&container);
        panel.setGeometry(10, 10, 100, 50);
        panel.SetBevelOuter(outer);
        panel.SetBevelInner(inner);
        panel.SetBevelWidth(bevelWidth);
        panel.SetBorderWidth(borderWidth);
        container.ShowAndWait();
        const QImage image = container.Render();
        for (int i = 0; i < topLeft.size(); ++i) {
            QCOMPARE(PixelAt(image, 10 + i, 35), topLeft[i]);
            QCOMPARE(PixelAt(image, 60, 10 + i), topLeft[i]);
            QCOMPARE(PixelAt(image, 109 - i, 35), bottomRight[i]);
            QCOMPARE(PixelAt(image, 60, 59 - i), bottomRight[i]);
        }
        // Corners: top-right and bottom-left end in the bottom-right colour.
        QCOMPARE(PixelAt(image, 109, 10), bottomRight[0]);
        QCOMPARE(PixelAt(image, 10, 59), bottomRight[0]);
        // Children keep clear of the frame.
        const int room = topLeft.size() - 1;
        QCOMPARE(panel.contentsRect(), QRect(room, room, 100 - 2 * room, 50 - 2 * room));
    }

    void windowBorderSurroundsTheBevels_data()
    {
        QTest::addColumn<bool>("ctl3D");
        QTest::addColumn<QList<TColor>>("topLeft");
        QTest::addColumn<QList<TColor>>("bottomRight");
        QTest::newRow("sunken edge") << true << QList<TColor>{clGray, clBlack, clWhite}
                                     << QList<TColor>{clWhite, TColorFromBits(0xDFDFDF), clGray};
        QTest::newRow("line") << false << QList<TColor>{clBlack, clWhite} << QList<TColor>{clBlack, clGray};
    }
    void windowBorderSurroundsTheBevels()
    {
        QFETCH(bool, ctl3D);
        QFETCH(QList<TColor>, topLeft);
        QFETCH(QList<TColor>, bottomRight);
        Container container;
        TPanel panel(&container);
        panel.setGeometry(0, 0, 60, 30);
        panel.SetCtl3D(ctl3D);
        panel.SetBorderStyle(Tk::bsSingle);
        container.ShowAndWait();
        const QImage image = container.Render();
        for (int i = 0; i < topLeft.size(); ++i) {
            QCOMPARE(PixelAt(image, i, 15), topLeft[i]);
            QCOMPARE(PixelAt(image, 59 - i, 15), bottomRight[i]);
        }
        QCOMPARE(panel.contentsRect().left(), topLeft.size());
    }

    void propertiesAreReachableByName()
    {
        TPanel panel;
        QVERIFY(panel.setProperty("BevelInner", QStringLiteral("bvLowered")));
        QVERIFY(panel.setProperty("Alignment", int(Tk::taRightJustify)));
        QVERIFY(panel.setProperty("Color", int(clRed)));
        QCOMPARE(panel.BevelInner(), Tk::bvLowered);
        QCOMPARE(panel.Alignment(), Tk::taRightJustify);
        QCOMPARE(panel.Color(), clRed);
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    tst_Panel test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_panel.moc"
