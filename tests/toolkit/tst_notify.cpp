#include "ControlsTestKit.h"
#include "TCustomLabel.h"
#include "TSpeedButton.h"
#include "TStaticText.h"

#include <QMetaProperty>
#include <QPointer>
#include <QSignalSpy>

namespace {

// Opens the placement to the test.
class ProbeButton : public TSpeedButton
{
public:
    using TSpeedButton::TSpeedButton;
    void Place(QRect &glyphRect, QRect &textRect) const { CalcLayout(rect(), glyphRect, textRect); }
};

QImage SolidGlyph(QSize size)
{
    QImage glyph(size, QImage::Format_RGB32);
    glyph.fill(Qt::darkGreen);
    glyph.setPixel(0, size.height() - 1, qRgb(255, 0, 255)); // the transparent colour
    return glyph;
}

// The glyph and caption of Button lie inside the two-pixel edge, also one pixel right and down.
bool ContentClearOfEdge(const ProbeButton &button)
{
    QRect glyphRect;
    QRect textRect;
    button.Place(glyphRect, textRect);
    const QRect inner = button.rect().adjusted(2, 2, -2, -2);
    for (const QRect &part : {glyphRect, textRect})
        if (!part.isEmpty() && (!inner.contains(part) || !inner.contains(part.translated(1, 1))))
            return false;
    return true;
}

} // namespace

class tst_ToolkitNotify : public QObject
{
    Q_OBJECT

private slots:
    void downNamesItsSignal()
    {
        TSpeedButton button;
        const QMetaProperty down = button.metaObject()->property(button.metaObject()->indexOfProperty("Down"));
        QVERIFY(down.hasNotifySignal());
        QCOMPARE(down.notifySignal().name(), QByteArray("DownChanged"));
    }

    // GIVEN three buttons of one group WHEN the user clicks them THEN every button whose Down
    // changed announces it once; clicks that leave Down as it was announce nothing.
    void clicksInAGroupAnnounceEachChangeOnce()
    {
        Container container;
        TSpeedButton first(&container);
        TSpeedButton second(&container);
        TSpeedButton ungrouped(&container);
        first.SetGroupIndex(1);
        second.SetGroupIndex(1);
        second.move(30, 0);
        ungrouped.move(60, 0);
        QSignalSpy firstSpy(&first, &TSpeedButton::DownChanged);
        QSignalSpy secondSpy(&second, &TSpeedButton::DownChanged);
        QSignalSpy ungroupedSpy(&ungrouped, &TSpeedButton::DownChanged);
        container.ShowAndWait();

        QTest::mouseClick(&first, Qt::LeftButton);
        QCOMPARE(firstSpy.count(), 1);
        QCOMPARE(firstSpy.at(0).at(0).toBool(), true);
        QCOMPARE(secondSpy.count(), 0);

        QTest::mouseClick(&second, Qt::LeftButton);
        QCOMPARE(secondSpy.count(), 1);
        QCOMPARE(secondSpy.at(0).at(0).toBool(), true);
        QCOMPARE(firstSpy.count(), 2);
        QCOMPARE(firstSpy.at(1).at(0).toBool(), false);

        // Down already, and the group needs one down: nothing changes.
        QTest::mouseClick(&second, Qt::LeftButton);
        second.SetDown(true);
        second.SetDown(false);
        QCOMPARE(secondSpy.count(), 1);
        QCOMPARE(firstSpy.count(), 2);

        second.SetAllowAllUp(true);
        QTest::mouseClick(&second, Qt::LeftButton);
        QCOMPARE(secondSpy.count(), 2);
        QCOMPARE(secondSpy.at(1).at(0).toBool(), false);
        QCOMPARE(firstSpy.count(), 2);

        QTest::mouseClick(&ungrouped, Qt::LeftButton);
        QCOMPARE(ungroupedSpy.count(), 0);
    }

    // A handler deleting a button of the group while the group settles: the remaining buttons are
    // still told, and nothing touches the deleted one.
    void handlerMayDeleteAGroupMember()
    {
        Container container;
        auto *first = new TSpeedButton(&container);
        auto *second = new TSpeedButton(&container);
        auto *third = new TSpeedButton(&container);
        for (TSpeedButton *button : {first, second, third})
            button->SetGroupIndex(1);
        second->SetDown(true);
        QSignalSpy thirdSpy(third, &TSpeedButton::DownChanged);
        QPointer<TSpeedButton> watched(second);
        connect(first, &TSpeedButton::DownChanged, second, [second] { delete second; });
        container.ShowAndWait();

        QTest::mouseClick(first, Qt::LeftButton);
        QVERIFY(first->Down());
        QVERIFY(!watched);
        QCOMPARE(thirdSpy.count(), 0);

        // The handler may also delete the button that went down itself.
        third->SetAllowAllUp(true);
        connect(third, &TSpeedButton::DownChanged, third, [third] { delete third; });
        QSignalSpy firstSpy(first, &TSpeedButton::DownChanged);
        third->SetDown(true);
        QCOMPARE(firstSpy.count(), 1);
        QVERIFY(!first->Down());

        // Deleted by the handler while going down under the mouse: no click follows.
        int clicks = 0;
        first->OnClick = [&clicks](QObject *) { ++clicks; };
        QPointer<TSpeedButton> watchedFirst(first);
        connect(first, &TSpeedButton::DownChanged, first, [first] { delete first; });
        QTest::mouseClick(first, Qt::LeftButton);
        QVERIFY(!watchedFirst);
        QCOMPARE(clicks, 0);
    }

    // A label's hint is the size AutoSize gives it, whichever way the label is sized now.
    void labelHintIsItsAutoSize_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("staticText");
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("word") << QStringLiteral("Par") << false;
        QTest::newRow("accelerator") << QStringLiteral("&Handicap index") << false;
        QTest::newRow("two lines") << QStringLiteral("Course\nrating") << false;
        QTest::newRow("framed static") << QStringLiteral("Slope") << true;
    }
    void labelHintIsItsAutoSize()
    {
        QFETCH(QString, caption);
        QFETCH(bool, staticText);
        Container container;
        TCustomLabel *label = staticText ? static_cast<TCustomLabel *>(new TStaticText(&container))
                                         : new TLabel(&container);
        if (auto *framed = qobject_cast<TStaticText *>(label))
            framed->SetBorderStyle(Tk::sbsSunken);
        label->SetAutoSize(false);
        label->setGeometry(10, 10, 200, 60);
        label->SetCaption(caption);
        const QSize hint = label->sizeHint();
        QCOMPARE(label->size(), QSize(200, 60)); // asking does not resize
        label->SetAutoSize(true);
        QCOMPARE(label->size(), hint);
        QCOMPARE(label->sizeHint(), hint);
    }

    void longerCaptionWidensTheLabelHint()
    {
        Container container;
        TLabel label(&container);
        label.SetCaption(QStringLiteral("Par"));
        const QSize shortHint = label.sizeHint();
        label.SetCaption(QStringLiteral("Par 72"));
        QVERIFY(label.sizeHint().width() > shortHint.width());
        QCOMPARE(label.sizeHint().height(), shortHint.height());
    }

    // A speed button at its hint shows everything clear of its edge, also pressed; one pixel less
    // in the direction the content is laid out does not.
    void speedButtonHintIsTheSmallestThatFits_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QSize>("glyph");
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("margin");
        QTest::addColumn<int>("spacing");
        QTest::newRow("caption") << QStringLiteral("&Next") << QSize() << int(Tk::blGlyphLeft) << -1 << 4;
        QTest::newRow("glyph") << QString() << QSize(16, 16) << int(Tk::blGlyphLeft) << -1 << 4;
        QTest::newRow("glyph left") << QStringLiteral("Save") << QSize(16, 16) << int(Tk::blGlyphLeft) << -1 << 4;
        QTest::newRow("glyph right") << QStringLiteral("Save") << QSize(16, 16) << int(Tk::blGlyphRight) << 5 << 2;
        QTest::newRow("glyph top") << QStringLiteral("Save") << QSize(20, 12) << int(Tk::blGlyphTop) << -1 << 4;
        QTest::newRow("glyph bottom spread") << QStringLiteral("Save") << QSize(20, 12) << int(Tk::blGlyphBottom) << 3 << -1;
        QTest::newRow("all spread") << QStringLiteral("Save") << QSize(16, 16) << int(Tk::blGlyphLeft) << -1 << -1;
    }
    void speedButtonHintIsTheSmallestThatFits()
    {
        QFETCH(QString, caption);
        QFETCH(QSize, glyph);
        QFETCH(int, layout);
        QFETCH(int, margin);
        QFETCH(int, spacing);
        Container container;
        ProbeButton button(&container);
        button.SetCaption(caption);
        if (glyph.isValid())
            button.SetGlyph(SolidGlyph(glyph));
        button.SetLayout(Tk::TButtonLayout(layout));
        button.SetMargin(margin);
        button.SetSpacing(spacing);

        const QSize hint = button.sizeHint();
        button.resize(hint);
        QVERIFY(ContentClearOfEdge(button));
        const bool horizontal = layout == int(Tk::blGlyphLeft) || layout == int(Tk::blGlyphRight);
        button.resize(horizontal ? hint - QSize(1, 0) : hint - QSize(0, 1));
        QVERIFY(!ContentClearOfEdge(button));
        QCOMPARE(button.minimumSizeHint(), hint);
    }
};

QTEST_MAIN(tst_ToolkitNotify)
#include "tst_notify.moc"
