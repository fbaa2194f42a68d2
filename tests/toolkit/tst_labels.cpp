#include "ControlsTestKit.h"
#include "TApplication.h"
#include "TCustomLabel.h"
#include "TCustomPanel.h"
#include "TStaticText.h"

#include <QLineEdit>

class tst_Labels : public QObject
{
    Q_OBJECT

private:
    // An opaque white label of fixed size, so that text placement can be read off its pixels.
    static TLabel *FixedLabel(QWidget *parent, const QRect &bounds, const QString &caption)
    {
        auto *label = new TLabel(parent);
        label->SetAutoSize(false);
        label->setGeometry(bounds);
        label->SetColor(clWhite);
        label->SetCaption(caption);
        return label;
    }

private slots:
    void opaqueLabelFillsTransparentLabelShowsContainer_data()
    {
        QTest::addColumn<bool>("transparent");
        QTest::addColumn<TColor>("expected");
        QTest::newRow("opaque") << false << clWhite;
        QTest::newRow("transparent") << true << kBackground;
    }
    void opaqueLabelFillsTransparentLabelShowsContainer()
    {
        QFETCH(bool, transparent);
        QFETCH(TColor, expected);
        Container container;
        TLabel *label = FixedLabel(&container, QRect(10, 10, 120, 30), QStringLiteral("I"));
        label->SetTransparent(transparent);
        container.ShowAndWait();
        const QImage image = container.Render();
        QCOMPARE(PixelAt(image, 128, 37), expected);
        QCOMPARE(PixelAt(image, 60, 12), expected);
        QVERIFY(InkBounds(image, QRect(10, 10, 20, 20), expected).isValid()); // the "I" itself
    }

    void textIsPlacedByAlignmentAndLayout_data()
    {
        QTest::addColumn<Tk::TAlignment>("alignment");
        QTest::addColumn<Tk::TTextLayout>("layout");
        for (auto alignment : {Tk::taLeftJustify, Tk::taRightJustify, Tk::taCenter})
            for (auto layout : {Tk::tlTop, Tk::tlCenter, Tk::tlBottom})
                QTest::addRow("%d/%d", int(alignment), int(layout)) << alignment << layout;
    }
    void textIsPlacedByAlignmentAndLayout()
    {
        QFETCH(Tk::TAlignment, alignment);
        QFETCH(Tk::TTextLayout, layout);
        Container container;
        const QRect bounds(20, 20, 200, 80);
        TLabel *label = FixedLabel(&container, bounds, QStringLiteral("Mm"));
        label->SetAlignment(alignment);
        label->SetLayout(layout);
        container.ShowAndWait();
        const QRect ink = InkBounds(container.Render(), bounds, clWhite).translated(-bounds.topLeft());
        QVERIFY(ink.isValid());
        const int lineHeight = label->fontMetrics().height();
        switch (alignment) {
        case Tk::taLeftJustify: QVERIFY(ink.left() <= 2); break;
        case Tk::taRightJustify: QVERIFY(ink.right() >= 196); break;
        case Tk::taCenter: QVERIFY(qAbs(ink.center().x() - 100) <= 2); break;
        }
        switch (layout) {
        case Tk::tlTop: QVERIFY(ink.bottom() < lineHeight); break;
        case Tk::tlBottom: QVERIFY(ink.top() >= 80 - lineHeight); break;
        case Tk::tlCenter: QVERIFY(ink.top() >= (80 - lineHeight) / 2 && ink.bottom() < (80 + lineHeight) / 2 + 1); break;
        }
    }

    void acceleratorIsUnderlinedAndDoubledAmpersandShowsOne()
    {
        Container container;
        TLabel *marked = FixedLabel(&container, QRect(10, 10, 60, 30), QStringLiteral("&W"));
        TLabel *plain = FixedLabel(&container, QRect(10, 50, 60, 30), QStringLiteral("W"));
        container.ShowAndWait();
        QImage image = container.Render();
        const QRect markedInk = InkBounds(image, marked->geometry(), clWhite);
        const QRect plainInk = InkBounds(image, plain->geometry(), clWhite);
        // The same glyph, with an underline below it.
        QCOMPARE(markedInk.top() - 10, plainInk.top() - 50);
        QVERIFY(markedInk.bottom() - 10 > plainInk.bottom() - 50);

        marked->SetShowAccelChar(false);
        image = container.Render();
        QVERIFY(InkBounds(image, marked->geometry(), clWhite).width() > plainInk.width()); // "&" drawn

        TLabel doubled(&container);
        doubled.SetCaption(QStringLiteral("&&"));
        TLabel literal(&container);
        literal.SetShowAccelChar(false);
        literal.SetCaption(QStringLiteral("&"));
        QCOMPARE(doubled.size(), literal.size());
    }

    void autoSizeFitsTextAndKeepsTheRightEdgeOfRightJustifiedText_data()
    {
        QTest::addColumn<Tk::TAlignment>("alignment");
        QTest::newRow("left") << Tk::taLeftJustify;
        QTest::newRow("right") << Tk::taRightJustify;
    }
    void autoSizeFitsTextAndKeepsTheRightEdgeOfRightJustifiedText()
    {
        QFETCH(Tk::TAlignment, alignment);
        Container container;
        TLabel label(&container);
        label.SetAlignment(alignment);
        label.move(100, 10);
        label.SetCaption(QStringLiteral("Short"));
        const QRect before = label.geometry();
        const QFontMetrics metrics = label.fontMetrics();
        QCOMPARE(before.size(), metrics.size(Qt::TextExpandTabs, QStringLiteral("Short")));
        label.SetCaption(QStringLiteral("A much longer caption"));
        QVERIFY(label.width() > before.width());
        if (alignment == Tk::taRightJustify)
            QCOMPARE(label.geometry().right(), before.right());
        else
            QCOMPARE(label.x(), before.x());
    }

    void emptyOrLoneAmpersandCaptionKeepsOneLine_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::newRow("empty") << QString();
        QTest::newRow("ampersand") << QStringLiteral("&");
    }
    void emptyOrLoneAmpersandCaptionKeepsOneLine()
    {
        QFETCH(QString, caption);
        Container container;
        TLabel label(&container);
        label.SetCaption(QStringLiteral("x"));
        label.SetCaption(caption);
        QCOMPARE(label.height(), label.fontMetrics().height());
        QCOMPARE(label.width(), label.fontMetrics().horizontalAdvance(QLatin1Char(' ')));
    }

    void wordWrapBreaksAtWordsWithinTheWidth()
    {
        Container container;
        TLabel label(&container);
        label.SetCaption(QStringLiteral("alpha beta gamma"));
        const int oneLine = label.height();
        label.SetWordWrap(true);
        QCOMPARE(label.height(), oneLine); // wide enough already
        label.SetAutoSize(false);
        label.resize(label.fontMetrics().horizontalAdvance(QStringLiteral("gamma")) + 4, 10);
        label.SetAutoSize(true);
        QCOMPARE(label.height(), 3 * oneLine);
        QVERIFY(label.width() <= label.fontMetrics().horizontalAdvance(QStringLiteral("gamma")) + 4);
    }

    void loadingDefersAutoSizeToLoaded()
    {
        Container container;
        TLabel label(&container);
        label.BeginLoading();
        label.SetCaption(QStringLiteral("A caption wider than the default"));
        QCOMPARE(label.size(), QSize(65, 17));
        label.EndLoading();
        const QString caption = label.Caption();
        QCOMPARE(label.size(), label.fontMetrics().size(Qt::TextExpandTabs, caption));
    }

    void parentColorFollowsTheContainerUntilAColorIsSet()
    {
        Container container;
        TPanel panel(&container);
        TLabel label(&panel);
        QVERIFY(label.ParentColor());
        QCOMPARE(label.Color(), panel.Color());
        panel.SetColor(clNavy);
        QCOMPARE(label.Color(), clNavy);
        TLabel onContainer(&container);
        QCOMPARE(onContainer.Color(), kBackground);

        label.SetColor(clRed);
        QVERIFY(!label.ParentColor());
        panel.SetColor(clYellow);
        QCOMPARE(label.Color(), clRed);
        label.SetParentColor(true);
        QCOMPARE(label.Color(), clYellow);
    }

    void acceleratorFocusesTheFocusControl()
    {
        Container container;
        TLabel label(&container);
        label.SetCaption(QStringLiteral("&Name"));
        auto *edit = new QLineEdit(&container);
        edit->move(100, 10);
        auto *other = new QLineEdit(&container);
        other->move(100, 40);
        label.SetFocusControl(edit);
        container.ShowAndWait();
        container.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&container));
        other->setFocus();
        QTest::keyClick(&container, Qt::Key_N, Qt::AltModifier);
        QVERIFY(edit->hasFocus());

        other->setFocus();
        delete edit;
        QVERIFY(!label.FocusControl());
        QTest::keyClick(&container, Qt::Key_N, Qt::AltModifier); // nothing to focus, nothing breaks
        QVERIFY(other->hasFocus());
    }

    void staticTextBorderAndRoom_data()
    {
        QTest::addColumn<Tk::TStaticBorderStyle>("style");
        QTest::addColumn<TColor>("topLeft");
        QTest::addColumn<TColor>("bottomRight");
        QTest::newRow("sunken") << Tk::sbsSunken << clGray << clWhite;
        QTest::newRow("single") << Tk::sbsSingle << clBlack << clBlack;
    }
    void staticTextBorderAndRoom()
    {
        QFETCH(Tk::TStaticBorderStyle, style);
        QFETCH(TColor, topLeft);
        QFETCH(TColor, bottomRight);
        Container container;
        TStaticText text(&container);
        text.move(10, 10);
        text.SetColor(clSilver);
        text.SetBorderStyle(style);
        text.SetCaption(QStringLiteral("Player"));
        QCOMPARE(text.size(), text.fontMetrics().size(0, QStringLiteral("Player")) + QSize(4, 4));
        container.ShowAndWait();
        const QImage image = container.Render();
        const QRect r = text.geometry();
        QCOMPARE(PixelAt(image, r.left(), r.center().y()), topLeft);
        QCOMPARE(PixelAt(image, r.center().x(), r.top()), topLeft);
        QCOMPARE(PixelAt(image, r.right(), r.center().y()), bottomRight);
        QCOMPARE(PixelAt(image, r.center().x(), r.bottom()), bottomRight);
        QCOMPARE(PixelAt(image, r.left() + 1, r.top() + 1), clSilver);
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    tst_Labels test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_labels.moc"
