#include "DecorTestKit.h"
#include "TApplication.h"
#include "TLayout.h"
#include "TktBevelButton.h"
#include "TktMultiBevel.h"

#include <QMouseEvent>
#include <QPointer>
#include <QTest>

namespace {

const char *StyleName(TktMBevel::TBevelStyle style)
{
    return style == TktMBevel::bstRaised ? "raised" : style == TktMBevel::bstLowered ? "lowered" : "none";
}

// A shown button whose events are written to a log together with the bevel they saw.
struct Scene
{
    Backdrop container{clSilver, QSize(200, 100)};
    TktBevelButton *button = new TktBevelButton(&container);
    QStringList log;

    Scene()
    {
        button->move(10, 10);
        auto record = [this](const QString &name) {
            return [this, name](QObject *sender) {
                QCOMPARE(sender, button);
                log << name + ":" + StyleName(button->BevelOuter());
            };
        };
        button->OnClick = record("click");
        button->OnEnter = record("enter");
        button->OnExit = record("exit");
        button->OnMouseDown = record("down");
        button->OnMouseUp = record("up");
        container.show();
    }
    void Enter()
    {
        QEnterEvent enter(QPointF(5, 5), QPointF(15, 15), QPointF(15, 15));
        QCoreApplication::sendEvent(button, &enter);
    }
    void Leave()
    {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(button, &leave);
    }
};

void CloseButtonSettings(TktBevelButton *button)
{
    button->resize(109, 35);
    button->SetBevelInner(TktMBevel::bstRaised);
    button->SetBevelOuter(TktMBevel::bstLowered);
    button->SetBorderWidth(2);
    button->SetColorDensity(50);
    button->SetShadowDensity(30);
    button->SetTransparence(TktMBevel::trSemi);
}

} // namespace

class tst_BevelButton : public QObject
{
    Q_OBJECT

private slots:
    void newButtonIsFlatCentredAndTakesNoFocus()
    {
        TktBevelButton button;
        QCOMPARE(button.BevelOuter(), TktMBevel::bstNone);
        QCOMPARE(button.BevelInner(), TktMBevel::bstLowered);
        QCOMPARE(button.CaptionPosition(), TktMBevel::cpCenter);
        QCOMPARE(button.size(), QSize(90, 35));
        QCOMPARE(button.focusPolicy(), Qt::NoFocus);
        // The caption is always centred: the button does not publish its position.
        QCOMPARE(button.metaObject()->indexOfProperty("CaptionPosition"), -1);
        QVERIFY(button.setProperty("Enabled", false));
        QVERIFY(!button.isEnabled());
    }

    void pointerOverRaisesAndLeavingFlattens()
    {
        Scene scene;
        scene.Enter();
        QCOMPARE(scene.button->BevelOuter(), TktMBevel::bstRaised);
        scene.Leave();
        QCOMPARE(scene.button->BevelOuter(), TktMBevel::bstNone);
        QCOMPARE(scene.log, (QStringList{"enter:raised", "exit:none"}));
    }

    void pressAndReleaseReportInOrder_data()
    {
        QTest::addColumn<Qt::MouseButton>("mouseButton");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("left clicks while still lowered")
            << Qt::LeftButton << QStringList{"enter:raised", "down:lowered", "click:lowered", "up:raised"};
        QTest::newRow("right gives no click") << Qt::RightButton << QStringList{"enter:raised", "down:lowered", "up:raised"};
    }
    void pressAndReleaseReportInOrder()
    {
        QFETCH(Qt::MouseButton, mouseButton);
        QFETCH(QStringList, expected);
        Scene scene;
        scene.Enter();
        QTest::mousePress(scene.button, mouseButton, {}, QPoint(20, 10));
        QCOMPARE(scene.button->BevelOuter(), TktMBevel::bstLowered);
        QTest::mouseRelease(scene.button, mouseButton, {}, QPoint(20, 10));
        QCOMPARE(scene.button->BevelOuter(), TktMBevel::bstRaised);
        QCOMPARE(scene.log, expected);
    }

    void releasingOutsideGivesNoClickAndEndsRaised()
    {
        Scene scene;
        scene.Enter();
        QTest::mousePress(scene.button, Qt::LeftButton, {}, QPoint(20, 10));
        QTest::mouseMove(scene.button, QPoint(150, 10));
        QCOMPARE(scene.button->BevelOuter(), TktMBevel::bstNone);
        QTest::mouseRelease(scene.button, Qt::LeftButton, {}, QPoint(150, 10));
        QCOMPARE(scene.button->BevelOuter(), TktMBevel::bstRaised);
        QCOMPARE(scene.log, (QStringList{"enter:raised", "down:lowered", "exit:none", "up:raised"}));
    }

    void rightReleaseOutsideIsNotTheButtons()
    {
        Scene scene;
        scene.Enter();
        QTest::mousePress(scene.button, Qt::RightButton, {}, QPoint(20, 10));
        scene.Leave();
        QTest::mouseRelease(scene.button, Qt::RightButton, {}, QPoint(150, 10));
        QCOMPARE(scene.button->BevelOuter(), TktMBevel::bstNone);
        QCOMPARE(scene.log, (QStringList{"enter:raised", "down:lowered", "exit:none"}));
    }

    void comingBackWhileHeldShowsRaisedUntilRelease()
    {
        Scene scene;
        scene.Enter();
        QTest::mousePress(scene.button, Qt::LeftButton, {}, QPoint(20, 10));
        QTest::mouseMove(scene.button, QPoint(150, 10));
        QTest::mouseMove(scene.button, QPoint(21, 11));
        QCOMPARE(scene.button->BevelOuter(), TktMBevel::bstRaised);
        QTest::mouseRelease(scene.button, Qt::LeftButton, {}, QPoint(21, 11));
        QCOMPARE(scene.log, (QStringList{"enter:raised", "down:lowered", "exit:none", "enter:raised", "click:raised",
                                         "up:raised"}));
    }

    void disabledButtonIgnoresThePointer()
    {
        Scene scene;
        scene.button->SetBevelOuter(TktMBevel::bstLowered);
        scene.button->setEnabled(false);
        scene.Enter();
        QCOMPARE(scene.button->BevelOuter(), TktMBevel::bstLowered);
        scene.Leave();
        QCOMPARE(scene.button->BevelOuter(), TktMBevel::bstLowered);
        QVERIFY(scene.log.isEmpty());
    }

    void clickHandlerMayDeleteTheButton()
    {
        Scene scene;
        QPointer<TktBevelButton> button = scene.button;
        bool mouseUp = false;
        button->OnClick = [](QObject *sender) { delete sender; };
        button->OnMouseUp = [&mouseUp](QObject *) { mouseUp = true; };
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(15, 15), QPointF(15, 15), Qt::LeftButton,
                          Qt::LeftButton, {});
        QCoreApplication::sendEvent(button, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(15, 15), QPointF(15, 15),
                            Qt::LeftButton, {}, {});
        QCoreApplication::sendEvent(button, &release);
        QVERIFY(button.isNull());
        QVERIFY(!mouseUp);
    }

    void controlPageButtonAndFrameLoadFromTheLayout()
    {
        // As the window layout stores them: only values that differ from the creation values.
        const TLayoutObject layout = ParseLayout(R"(object Page: TForm
  object ktMultiBevel1: TktMultiBevel
    Left = 148
    Top = 48
    Width = 345
    Height = 281
    Cursor = crNo
    BevelWidth = 2
    BorderWidth = 1
    CaptionPosition = cpTopLeft
    ShadowColor = clOlive
    Shadowed = True
    ShadowOffsetX = 2
    ShadowOffsetY = 2
    ShadowStyle = ssCopy
  end
  object ktBevelButton1: TktBevelButton
    Left = 488
    Top = 364
    Width = 109
    Height = 35
    Cursor = crHandPoint
    BevelInner = bstRaised
    BevelOuter = bstLowered
    BorderWidth = 2
    Caption = 'Close and exit'
    ColorDensity = 50
    Font.Height = -13
    Font.Name = 'Arial'
    Font.Style = [fsBold]
    ShadowDensity = 30
    Transparence = trSemi
  end
end)");
        TClassRegistry registry;
        registry.Register<TktMultiBevel>("TktMultiBevel");
        registry.Register<TktBevelButton>("TktBevelButton");
        Backdrop page(clSilver, QSize(632, 451));
        TLayoutLoader loader(registry);
        loader.Load(layout, &page);

        auto *frame = page.findChild<TktMultiBevel *>("ktMultiBevel1");
        auto *button = page.findChild<TktBevelButton *>("ktBevelButton1");
        QVERIFY(frame && button);
        QCOMPARE(frame->geometry(), QRect(148, 48, 345, 281));
        QCOMPARE(frame->ShadowStyle(), TktMBevel::ssCopy);
        QCOMPARE(frame->ShadowColor(), clOlive);
        QCOMPARE(button->BevelOuter(), TktMBevel::bstLowered);
        QCOMPARE(button->Transparence(), TktMBevel::trSemi);
        QCOMPARE(button->ColorDensity(), 50);
        QCOMPARE(button->ShadowDensity(), 30); // ColorDensity 50 gives the same as the stored value
        QCOMPARE(button->SemiDensity(), 50);
        QVERIFY(button->font().bold());
        QCOMPARE(button->cursor().shape(), Qt::PointingHandCursor);

        const QImage image = RenderWhole(page);
        QCOMPARE(PixelAt(image, 148 + 344, 48 + 100), clOlive); // the shadow's right edge
        QCOMPARE(PixelAt(image, 148, 48), clWhite);              // the frame's raised outer bevel
        QCOMPARE(PixelAt(image, 488 + 1, 364 + 1), TColorFromBits(0x606068)); // the see-through band
    }

    void bandIsSeeThroughAndTheOuterBevelFollowsTheMouse_data()
    {
        QTest::addColumn<int>("outer");
        QTest::addColumn<TColor>("corner");
        QTest::addColumn<QPoint>("band");
        QTest::addColumn<QPoint>("inner");
        QTest::newRow("rest") << int(TktMBevel::bstNone) << TColorFromBits(0x606068) << QPoint(1, 1) << QPoint(2, 2);
        QTest::newRow("hover") << int(TktMBevel::bstRaised) << clWhite << QPoint(2, 2) << QPoint(3, 3);
        QTest::newRow("pressed") << int(TktMBevel::bstLowered) << clGray << QPoint(2, 2) << QPoint(3, 3);
    }
    void bandIsSeeThroughAndTheOuterBevelFollowsTheMouse()
    {
        QFETCH(int, outer);
        QFETCH(TColor, corner);
        QFETCH(QPoint, band);
        QFETCH(QPoint, inner);
        Backdrop container(clSilver, QSize(200, 100));
        auto *button = new TktBevelButton(&container);
        CloseButtonSettings(button);
        QFont font("Liberation Sans");
        font.setPixelSize(13);
        font.setBold(true);
        button->setFont(font);
        button->SetCaption("Close and exit");
        button->SetBevelOuter(TktMBevel::TBevelStyle(outer));
        const QImage image = RenderWhole(container);
        QCOMPARE(PixelAt(image, 0, 0), corner);
        QCOMPARE(PixelAt(image, band.x(), band.y()), TColorFromBits(0x606068));
        QCOMPARE(PixelAt(image, 108 - band.x(), 34 - band.y()), TColorFromBits(0x606068));
        QCOMPARE(PixelAt(image, inner.x(), inner.y()), clWhite); // the raised inner bevel
        QCOMPARE(PixelAt(image, 108 - inner.x(), 34 - inner.y()), clGray);
        // The centred caption: ink in the middle row band, none next to the inner bevel.
        int ink = 0;
        for (int x = 10; x < 99; ++x)
            ink += PixelAt(image, x, 17) == clBlack;
        QVERIFY(ink > 5);
        QCOMPARE(PixelAt(image, inner.x() + 2, 17), clSilver);
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    tst_BevelButton test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_bevelbutton.moc"
