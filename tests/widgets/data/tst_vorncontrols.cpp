#include "Exceptions.h"
#include "VornControls.h"
#include "VornTestKit.h"

#include <QEnterEvent>
#include <QPainter>

#include <climits>

namespace {

using Sides = TVornBevel::TVornBorderSides;

// Runs DrawBevel on a bare 12 x 10 image filled with black; returns the image and the content rect.
QImage DrawOnImage(const TVornBevel &bevel, TRect &rect, TColor color, bool transparent)
{
    QImage image(12, 10, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    {
        TCanvas canvas(painter);
        bevel.DrawBevel(canvas, rect, color, transparent);
    }
    return image;
}

class CountingLabel : public TVornCustomLabel
{
public:
    using TVornCustomLabel::TVornCustomLabel;
    int bevelChanges = 0;

protected:
    void BevelChanged(QObject *sender) override
    {
        ++bevelChanges;
        TVornCustomLabel::BevelChanged(sender);
    }
};

void SendEnter(QWidget *widget)
{
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(widget, &enter);
}

void SendLeave(QWidget *widget)
{
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &leave);
}

} // namespace

class tst_VornControls : public QObject
{
    Q_OBJECT

private slots:
    void bevelSideSizeCountsRingAndDrawnBevels_data()
    {
        QTest::addColumn<int>("inner");
        QTest::addColumn<int>("outer");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("border");
        QTest::addColumn<int>("expected");
        QTest::newRow("default") << int(TVornBevel::bvNone) << int(TVornBevel::bvRaised) << 1 << 0 << 1;
        QTest::newRow("no bevels") << int(TVornBevel::bvNone) << int(TVornBevel::bvNone) << 1 << 0 << 0;
        QTest::newRow("both and ring") << int(TVornBevel::bvLowered) << int(TVornBevel::bvRaised) << 2 << 3 << 7;
        QTest::newRow("huge values do not overflow") << int(TVornBevel::bvLowered) << int(TVornBevel::bvRaised)
                                                     << 2147483647 << 2147483647 << 2147483647;
    }
    void bevelSideSizeCountsRingAndDrawnBevels()
    {
        QFETCH(int, inner);
        QFETCH(int, outer);
        QFETCH(int, width);
        QFETCH(int, border);
        QFETCH(int, expected);
        TVornBevel bevel;
        bevel.SetBevelInner(TVornBevel::TVornBevelStyle(inner));
        bevel.SetBevelOuter(TVornBevel::TVornBevelStyle(outer));
        bevel.SetBevelWidth(width);
        bevel.SetBorderWidth(border);
        bevel.SetBevelBorders(Sides(TVornBevel::bsLeft)); // ignored by the size
        QCOMPARE(bevel.BevelSideSize(), expected);
    }

    void settersNotifyOnlyOnChangeAssignAlwaysOnce()
    {
        TVornBevel bevel;
        int changes = 0;
        QObject *sender = nullptr;
        bevel.OnChange = [&](QObject *from) { ++changes; sender = from; };
        bevel.SetBevelOuter(TVornBevel::bvRaised);
        bevel.SetBevelWidth(1);
        bevel.SetHighLightColor(clBtnHighlight);
        QCOMPARE(changes, 0);
        bevel.SetBevelInner(TVornBevel::bvLowered);
        bevel.SetShadowColor(clNavy);
        QCOMPARE(changes, 2);
        QCOMPARE(sender, &bevel);

        TVornBevel same;
        same.Assign(&bevel);
        changes = 0;
        bevel.Assign(&same); // nothing differs, still one notification
        QCOMPARE(changes, 1);

        TVornBevel other;
        other.SetBorderWidth(4);
        other.SetBevelBorders(Sides(TVornBevel::bsTop));
        other.SetBorderStyle(Tk::bsSingle);
        bevel.Assign(&other);
        QCOMPARE(changes, 2);
        QCOMPARE(bevel.BorderWidth(), 4);
        QCOMPARE(bevel.BevelInner(), TVornBevel::bvNone);
        QCOMPARE(bevel.ShadowColor(), clBtnShadow);
        QCOMPARE(bevel.BorderStyle(), Tk::bsSingle);
        QCOMPARE(bevel.BevelBorders(), Sides(TVornBevel::bsTop));

        QObject stranger;
        EXPECT_FAILURE(bevel.Assign(&stranger), "Cannot assign a QObject to a TVornBevel");
        QCOMPARE(changes, 2);
        QCOMPARE(bevel.BorderWidth(), 4);
        EXPECT_FAILURE(bevel.SetBevelWidth(0), "BevelWidth must be at least 1");
    }

    void raisedBevelOfWidthTwoPixelForPixel()
    {
        TVornBevel bevel;
        bevel.SetBevelWidth(2);
        bevel.SetHighLightColor(clRed);
        bevel.SetShadowColor(clBlue);
        TRect rect{0, 0, 12, 10};
        const QImage image = DrawOnImage(bevel, rect, clWhite, false);
        QCOMPARE(rect, (TRect{3, 3, 9, 7}));
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 12; ++x) {
                TColor expected = clBlack;
                for (int frame = 1; frame >= 0; --frame) { // inner frame first, the outer one wins
                    const int l = frame, t = frame, r = 11 - frame, b = 9 - frame;
                    const bool inFrame = x >= l && x <= r && y >= t && y <= b;
                    if (!inFrame)
                        continue;
                    if (x == r || y == b)
                        expected = clBlue;
                    else if (x == l || y == t)
                        expected = clRed;
                }
                QVERIFY2(PixelAt(image, x, y) == expected, qPrintable(QString("pixel %1,%2").arg(x).arg(y)));
            }
        }
        // The top-right and bottom-left corners end in the shadow colour.
        QCOMPARE(PixelAt(image, 11, 0), clBlue);
        QCOMPARE(PixelAt(image, 0, 9), clBlue);
    }

    void chosenSidesAndTransparentRing_data()
    {
        QTest::addColumn<int>("outer");
        QTest::addColumn<int>("sides");
        QTest::addColumn<int>("border");
        QTest::addColumn<bool>("transparent");
        QTest::addColumn<TRect>("content");
        QTest::addColumn<int>("paintedColumns"); // left columns in the widget's colour (the ring, rows 1-9)
        QTest::newRow("top and bottom only") << int(TVornBevel::bvRaised) << int(TVornBevel::bsTop | TVornBevel::bsBottom)
                                             << 0 << false << TRect{1, 2, 11, 8} << 0;
        QTest::newRow("transparent ring insets all sides") << int(TVornBevel::bvNone) << int(TVornBevel::bsLeft) << 3 << true
                                                           << TRect{4, 4, 8, 6} << 0;
        QTest::newRow("opaque ring insets its side") << int(TVornBevel::bvNone) << int(TVornBevel::bsLeft) << 3 << false
                                                     << TRect{4, 1, 11, 9} << 3;
        QTest::newRow("no frame: one pixel") << int(TVornBevel::bvNone) << 0xF << 0 << false << TRect{1, 1, 11, 9} << 0;
    }
    void chosenSidesAndTransparentRing()
    {
        QFETCH(int, outer);
        QFETCH(int, sides);
        QFETCH(int, border);
        QFETCH(bool, transparent);
        QFETCH(TRect, content);
        QFETCH(int, paintedColumns);
        TVornBevel bevel;
        bevel.SetBevelOuter(TVornBevel::TVornBevelStyle(outer));
        bevel.SetBevelBorders(Sides::fromInt(sides));
        bevel.SetBorderWidth(border);
        bevel.SetHighLightColor(clRed);
        bevel.SetShadowColor(clBlue);
        TRect rect{0, 0, 12, 10};
        const QImage image = DrawOnImage(bevel, rect, clYellow, transparent);
        QCOMPARE(rect, content);
        if (!(sides & TVornBevel::bsLeft) && outer != TVornBevel::bvNone)
            QCOMPARE(PixelAt(image, 0, 5), clBlack); // no vertical line
        QCOMPARE(ColorBounds(image, image.rect(), clYellow),
                 paintedColumns ? QRect(0, 1, paintedColumns, 9) : QRect());
    }

    void frameTurnedInsideOutIsStillDrawn()
    {
        // Seven frames on 12 x 10: from the sixth on the rectangle is inside out and its lines
        // cross the earlier ones.
        QImage image(12, 10, QImage::Format_RGB32);
        image.fill(Qt::black);
        TRect rect{0, 0, 12, 10};
        {
            QPainter painter(&image);
            TCanvas canvas(painter);
            TVornBevel::DrawFrame(canvas, rect, clRed, clBlue, 7, TVornBevel::AllSides());
        }
        QCOMPARE(rect, (TRect{7, 7, 5, 3}));
        // Frame 6 on (5, 5, 7, 5): the top row from column 5 to 6 is red, then the bottom row
        // y = 4 over the same columns is blue. Frame 7 on (6, 6, 6, 4): the left column x = 6
        // runs from row 3 down to row 5, red.
        QCOMPARE(PixelAt(image, 5, 4), clBlue);
        QCOMPARE(PixelAt(image, 6, 5), clRed);
        QCOMPARE(PixelAt(image, 6, 4), clRed);
        // Where the frames stop when the rectangle runs empty, the fifth frame's colours stay.
        QCOMPARE(PixelAt(image, 7, 5), clBlue);
    }

    void hugeFrameCountInsetsByTheWholeCount_data()
    {
        QTest::addColumn<int>("sides");
        QTest::addColumn<TRect>("after");
        QTest::newRow("all sides") << 0xF << TRect{INT_MAX, INT_MAX, 12 - INT_MAX, 10 - INT_MAX};
        QTest::newRow("left only") << int(TVornBevel::bsLeft) << TRect{INT_MAX, 0, 12, 10};
        QTest::newRow("bottom only") << int(TVornBevel::bsBottom) << TRect{0, 0, 12, 10 - INT_MAX};
        QTest::newRow("no side") << 0 << TRect{0, 0, 12, 10};
    }
    void hugeFrameCountInsetsByTheWholeCount()
    {
        QFETCH(int, sides);
        QFETCH(TRect, after);
        QImage image(12, 10, QImage::Format_RGB32);
        image.fill(Qt::black);
        TRect rect{0, 0, 12, 10};
        {
            QPainter painter(&image);
            TCanvas canvas(painter);
            TVornBevel::DrawFrame(canvas, rect, clRed, clBlue, INT_MAX, Sides::fromInt(sides));
            // The following frames of a bevel start from there.
            TRect again = rect;
            TVornBevel::DrawFrame(canvas, again, clRed, clBlue, INT_MAX, Sides::fromInt(sides));
        }
        QCOMPARE(rect, after);
    }

    void hugeBevelSizesTheLabelWithoutOverflow()
    {
        WideContainer container;
        TVornCustomLabel label(&container);
        label.SetCaption("Ag");
        label.SetAlignment(Tk::taRightJustify);
        label.setGeometry(100, 10, 65, 17);
        label.SetAutoSize(true);
        const int right = label.x() + label.width();
        label.Bevel()->SetBevelOuter(TVornBevel::bvRaised);
        label.Bevel()->SetBevelInner(TVornBevel::bvLowered);
        label.Bevel()->SetBorderWidth(INT_MAX);
        label.Bevel()->SetBevelWidth(INT_MAX);
        QCOMPARE(label.Bevel()->BevelSideSize(), INT_MAX);
        // As large as a widget can be, right edge kept.
        QCOMPARE(label.size(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
        QCOMPARE(label.x() + label.width(), right);
        label.setGeometry(10, 10, 40, 20);
        label.SetLayout(Tk::tlCenter);
        QImage image(60, 40, QImage::Format_RGB32);
        label.render(&image); // the content area lies far outside; nothing to draw there
    }

    void panelFrameNamesAreTheBevels()
    {
        WideContainer container;
        TVornCustomPanel panel(&container);
        panel.setGeometry(10, 10, 60, 40);
        // The toolkit panel's names, as a layout would set them, reach the bevel.
        QVERIFY(panel.setProperty("BorderWidth", 3));
        QVERIFY(panel.setProperty("BevelWidth", 2));
        QVERIFY(panel.setProperty("BevelInner", int(TVornBevel::bvLowered)));
        QVERIFY(panel.setProperty("BevelOuter", int(TVornBevel::bvNone)));
        QVERIFY(panel.setProperty("BorderStyle", int(Tk::bsSingle)));
        QCOMPARE(panel.Bevel()->BorderWidth(), 3);
        QCOMPARE(panel.Bevel()->BevelWidth(), 2);
        QCOMPARE(panel.Bevel()->BevelInner(), TVornBevel::bvLowered);
        QCOMPARE(panel.Bevel()->BevelOuter(), TVornBevel::bvNone);
        QCOMPARE(panel.Bevel()->BorderStyle(), Tk::bsSingle);
        QCOMPARE(panel.contentsMargins(), QMargins(7, 7, 7, 7)); // sunken edge 2, ring 3, inner 2
        QCOMPARE(panel.property("BorderWidth").toInt(), 3);
        // The toolkit panel's own fields reached from its class change neither the room nor the
        // painted border.
        TCustomPanel &plain = panel;
        plain.SetBorderStyle(Tk::bsNone);
        plain.SetBorderWidth(9);
        QCOMPARE(panel.contentsMargins(), QMargins(7, 7, 7, 7));
        panel.SetColor(clYellow);
        container.ShowAndWait();
        const QImage image = container.Render();
        QCOMPARE(PixelAt(image, 10, 20), ColorToRGB(clBtnShadow)); // the sunken edge still painted
        QCOMPARE(PixelAt(image, 13, 20), clYellow);                // then the ring
    }

    void labelFitsTextPlusBevelRoom()
    {
        WideContainer container;
        CountingLabel label(&container);
        QCOMPARE(label.size(), QSize(65, 17));
        label.SetCaption(QStringLiteral("x"));
        label.SetCaption(QString());
        const QFontMetrics metrics(label.font());
        const QSize space = metrics.boundingRect(QRect(0, 0, 100, 100), Qt::TextExpandTabs, QStringLiteral(" ")).size();
        QCOMPARE(label.size(), space + QSize(2, 2));

        label.Bevel()->SetBevelInner(TVornBevel::bvLowered);
        label.Bevel()->SetBevelOuter(TVornBevel::bvRaised);
        label.Bevel()->SetBevelWidth(2);
        QCOMPARE(label.bevelChanges, 3);
        QCOMPARE(label.size(), space + QSize(10, 10));
        label.Bevel()->SetBevelWidth(2);
        QCOMPARE(label.bevelChanges, 3);
        TVornBevel copy;
        label.SetBevel(&copy);
        QCOMPARE(label.bevelChanges, 4);
        QCOMPARE(label.Bevel()->BevelOuter(), TVornBevel::bvRaised);
        label.SetBevel(label.Bevel());
        QCOMPARE(label.bevelChanges, 4);
    }

    void rightJustifiedLabelKeepsItsRightEdge()
    {
        WideContainer container;
        TVornCustomLabel label(&container);
        label.SetAlignment(Tk::taRightJustify);
        label.SetBounds(200, 10, 40, 20);
        label.SetCaption(QStringLiteral("12"));
        const int right = label.x() + label.width();
        label.SetCaption(QStringLiteral("1234567890"));
        QCOMPARE(label.x() + label.width(), right);
        QVERIFY(label.x() < 200);
        label.SetCaption(QStringLiteral("1"));
        QCOMPARE(label.x() + label.width(), right);
    }

    void disabledLabelShowsEngravedText()
    {
        WideContainer container;
        TVornCustomLabel label(&container);
        label.SetTransparent(true);
        label.move(20, 20);
        label.SetCaption(QStringLiteral("Tallimo"));
        label.setEnabled(false);
        container.ShowAndWait();
        const QImage image = container.Render();
        const QRect area = label.geometry();
        const QRect light = ColorBounds(image, area, clBtnHighlight);
        const QRect dark = ColorBounds(image, area, clBtnShadow);
        QVERIFY(!dark.isEmpty());
        QCOMPARE(light.bottomRight(), dark.bottomRight() + QPoint(1, 1));
        QCOMPARE(ColorBounds(image, area, clWindowText), QRect());
    }

    void textLayoutPlacesTextInsideTheBevel_data()
    {
        QTest::addColumn<int>("layout");
        QTest::newRow("top") << int(Tk::tlTop);
        QTest::newRow("center") << int(Tk::tlCenter);
        QTest::newRow("bottom") << int(Tk::tlBottom);
    }
    void textLayoutPlacesTextInsideTheBevel()
    {
        QFETCH(int, layout);
        WideContainer container;
        TVornCustomLabel label(&container);
        label.SetAutoSize(false);
        label.SetBounds(10, 10, 80, 60);
        label.SetColor(clWhite);
        label.SetFontColor(clBlack);
        label.SetLayout(Tk::TTextLayout(layout));
        label.SetCaption(QStringLiteral("Wg"));
        container.ShowAndWait();
        const QImage image = container.Render();
        const QRect ink = ColorBounds(image, label.geometry(), clBlack);
        QVERIFY(!ink.isEmpty());
        const int lineHeight = QFontMetrics(label.font()).height();
        // Text box tops: 1 below the edge; bottom edge at the widget's bottom; centred (60 - 1 -
        // lineHeight - 0 - 1) / 2 lower than the top one.
        const int top = layout == Tk::tlTop ? 11 : layout == Tk::tlBottom ? 10 + 60 - lineHeight
                                                                         : 11 + (60 - 1 - lineHeight - 1) / 2;
        QVERIFY2(ink.top() >= top && ink.bottom() < top + lineHeight,
                 qPrintable(QString("ink %1..%2, box %3..%4").arg(ink.top()).arg(ink.bottom()).arg(top).arg(top + lineHeight - 1)));
    }

    void disabledWidgetKeepsItsMouseFlag_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("graphic control") << "graphic";
        QTest::newRow("label") << "label";
        QTest::newRow("panel") << "panel";
    }
    void disabledWidgetKeepsItsMouseFlag()
    {
        QFETCH(QString, kind);
        WideContainer container;
        QWidget *widget = nullptr;
        QStringList log;
        auto enter = [&](QObject *) { log << "enter"; };
        auto leave = [&](QObject *) { log << "leave"; };
        std::function<bool()> inControl;
        if (kind == "graphic") {
            auto *control = new TVornGraphicControl(&container);
            control->OnMouseEnter = enter;
            control->OnMouseLeave = leave;
            inControl = [control] { return control->MouseInControl(); };
            widget = control;
        } else if (kind == "label") {
            auto *label = new TVornCustomLabel(&container);
            label->OnMouseEnter = enter;
            label->OnMouseLeave = leave;
            inControl = [label] { return label->MouseInControl(); };
            widget = label;
        } else {
            auto *panel = new TVornCustomPanel(&container);
            panel->OnMouseEnter = enter;
            panel->OnMouseLeave = leave;
            inControl = [panel] { return panel->MouseInControl(); };
            widget = panel;
        }
        widget->setEnabled(false);
        SendEnter(widget);
        SendLeave(widget);
        QCOMPARE(log, QStringList());

        widget->setEnabled(true);
        SendEnter(widget);
        QVERIFY(inControl());
        widget->setEnabled(false);
        SendLeave(widget); // not heard while disabled
        QVERIFY(inControl());
        widget->setEnabled(true);
        SendEnter(widget); // still inside as far as the widget knows
        SendLeave(widget);
        SendEnter(widget);
        QCOMPARE(log, (QStringList{"enter", "leave", "enter"}));
    }

    void panelPaintsBevelAndKeepsChildrenInside()
    {
        WideContainer container;
        TVornCustomPanel panel(&container);
        panel.setGeometry(10, 10, 60, 40);
        QCOMPARE(panel.contentsMargins(), QMargins(1, 1, 1, 1));
        panel.Bevel()->SetBevelWidth(2);
        panel.Bevel()->SetBorderWidth(1);
        panel.Bevel()->SetBevelInner(TVornBevel::bvLowered);
        panel.Bevel()->SetBevelBorders(Sides(TVornBevel::bsTop)); // the children's room ignores the sides
        QCOMPARE(panel.contentsMargins(), QMargins(5, 5, 5, 5));
        panel.Bevel()->SetBevelBorders(TVornBevel::AllSides());
        panel.SetColor(clYellow);
        panel.Bevel()->SetBorderStyle(Tk::bsSingle);
        QCOMPARE(panel.contentsMargins(), QMargins(7, 7, 7, 7));
        panel.Bevel()->SetBorderStyle(Tk::bsNone);
        container.ShowAndWait();
        const QImage image = container.Render();
        QCOMPARE(PixelAt(image, 10, 10), ColorToRGB(clBtnHighlight));
        QCOMPARE(PixelAt(image, 69, 49), ColorToRGB(clBtnShadow));
        QCOMPARE(PixelAt(image, 12, 20), clYellow);            // the ring
        QCOMPARE(PixelAt(image, 13, 20), ColorToRGB(clBtnShadow)); // inner lowered bevel, left
        QCOMPARE(PixelAt(image, 30, 30), clYellow);            // the face
        QCOMPARE(PixelAt(image, 15, 20), clYellow);            // the unpainted last ring is the face too
    }
};

QTEST_MAIN(tst_VornControls)
#include "tst_vorncontrols.moc"
