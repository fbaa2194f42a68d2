#include "InputTestSupport.h"
#include "TEditN.h"
#include "THintController.h"

#include <QCursor>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QScreen>
#include <memory>

class tst_THintController : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<THintController> m_hints;
    std::unique_ptr<QWidget> m_window;
    TEditN *m_long = nullptr;
    TEditN *m_short = nullptr;
    QWidget *m_focusHolder = nullptr;

    static constexpr const char *kLongText = "A name much too long for its little box";

    THintController &Hints() { return *m_hints; }
    // Moves the mouse onto a field as the window system would report it.
    static void MoveOver(QWidget *field, QPoint at = QPoint(5, 5)) { QTest::mouseMove(field, at); }

private slots:
    void init()
    {
        QCursor::setPos(QPoint(0, 0)); // away from every field: the next move is a real one
        m_hints = std::make_unique<THintController>();
        m_window = std::make_unique<QWidget>();
        m_window->setGeometry(100, 100, 400, 100);
        auto *layout = new QHBoxLayout(m_window.get());
        m_focusHolder = new QLineEdit(m_window.get());
        m_long = new TEditN(m_window.get());
        m_long->setText(QString::fromLatin1(kLongText));
        m_long->setFixedWidth(60);
        m_short = new TEditN(m_window.get());
        m_short->setText("ok");
        m_short->setFixedWidth(80);
        layout->addWidget(m_focusHolder);
        layout->addWidget(m_long);
        layout->addWidget(m_short);
        m_focusHolder->setFocus();
        QVERIFY(ShowActive(*m_window));
        QCOMPARE(Hints().EditCount(), 2);
    }
    void cleanup()
    {
        m_window.reset();
        QCOMPARE(Hints().EditCount(), 0); // fields leave the controller when they go
        m_hints.reset();
    }

    void tipShowsAboutSixHundredMillisecondsAfterTheMouseArrives()
    {
        QElapsedTimer clock;
        clock.start();
        MoveOver(m_long);
        QCOMPARE(Hints().State(), THintController::hsTracking);
        QCOMPARE(Hints().CurrentEdit(), m_long);
        QVERIFY(!Hints().isVisible());
        MoveOver(m_long, QPoint(8, 6)); // movement over the same field does not restart counting
        QTRY_COMPARE(Hints().State(), THintController::hsShowing);
        QVERIFY(clock.elapsed() >= 2 * THintController::HintInterval * 9 / 10);
        QVERIFY(Hints().isVisible());
        QCOMPARE(Hints().TipText(), QString::fromLatin1(kLongText));
        QCOMPARE(Hints().TipFont(), m_long->font());
    }

    void fittingTextShowsNoTipAndReturnsToIdle()
    {
        MoveOver(m_short);
        QCOMPARE(Hints().State(), THintController::hsTracking);
        QTRY_COMPARE(Hints().State(), THintController::hsIdle);
        QVERIFY(!Hints().isVisible());
        QCOMPARE(Hints().CurrentEdit(), nullptr);
    }

    void focusedFieldOrTextHintOffOffersNoTip()
    {
        m_long->setFocus();
        MoveOver(m_long);
        QCOMPARE(Hints().State(), THintController::hsIdle);
        m_focusHolder->setFocus();
        m_long->SetTextHint(false);
        MoveOver(m_long);
        QCOMPARE(Hints().State(), THintController::hsIdle);
    }

    void movingToAnotherFieldRestartsForThatField()
    {
        m_short->setText(QString::fromLatin1(kLongText) + " too");
        MoveOver(m_long);
        QTRY_COMPARE(Hints().State(), THintController::hsShowing);
        MoveOver(m_short);
        QVERIFY(!Hints().isVisible());
        QCOMPARE(Hints().State(), THintController::hsTracking);
        QCOMPARE(Hints().CurrentEdit(), m_short);
        QTRY_COMPARE(Hints().State(), THintController::hsShowing);
        QCOMPARE(Hints().TipText(), m_short->text());
    }

    void movingOntoTheTipHidesItUntilTheMouseRestsAgain()
    {
        MoveOver(m_long);
        QTRY_VERIFY(Hints().isVisible());
        QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), Hints().mapToGlobal(QPointF(3, 3)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&Hints(), &move);
        QVERIFY(!Hints().isVisible());
        QCOMPARE(Hints().State(), THintController::hsIdle);
        MoveOver(m_long, QPoint(7, 7));
        QTRY_VERIFY(Hints().isVisible());
    }

    void keyClickOrLeavingWithdrawsTheTip_data()
    {
        QTest::addColumn<int>("action");
        QTest::newRow("key down") << 0;
        QTest::newRow("mouse press") << 1;
        QTest::newRow("mouse leaves") << 2;
    }
    void keyClickOrLeavingWithdrawsTheTip()
    {
        QFETCH(int, action);
        MoveOver(m_long);
        QTRY_VERIFY(Hints().isVisible());
        if (action == 0) {
            QKeyEvent key(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
            QApplication::sendEvent(m_long, &key);
        } else if (action == 1) {
            QTest::mousePress(m_long, Qt::LeftButton);
            QTest::mouseRelease(m_long, Qt::LeftButton);
        } else {
            MoveOver(m_focusHolder);
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(m_long, &leave);
        }
        QVERIFY(!Hints().isVisible());
        QCOMPARE(Hints().State(), THintController::hsIdle);
    }

    void leaveWithTheMouseStillOverTheFieldKeepsTheTip()
    {
        // The tip itself covering the field is reported as the mouse leaving the field.
        MoveOver(m_long);
        QTRY_VERIFY(Hints().isVisible());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(m_long, &leave);
        QVERIFY(Hints().isVisible());
        QApplication::sendEvent(m_short, &leave);
        QVERIFY(Hints().isVisible());
    }

    void destroyingTheFieldHidesItsTip()
    {
        MoveOver(m_long);
        QTRY_VERIFY(Hints().isVisible());
        delete m_long;
        m_long = nullptr;
        QVERIFY(!Hints().isVisible());
        QCOMPARE(Hints().State(), THintController::hsIdle);
        QCOMPARE(Hints().CurrentEdit(), nullptr);
        QCOMPARE(Hints().EditCount(), 1);
    }

    void removingAFieldKeepsTheListsInStep()
    {
        // Three fields; the middle one goes. The last must still get its own show operation.
        QStringList asked;
        QWidget a, b, c;
        Hints().AddEdit(&a, [&](const QPoint &) { asked << "a"; return false; });
        Hints().AddEdit(&b, [&](const QPoint &) { asked << "b"; return false; });
        Hints().AddEdit(&c, [&](const QPoint &) { asked << "c"; return false; });
        Hints().RemoveEdit(&b);
        Hints().TrackEdit(&c, 0, 0);
        QTRY_COMPARE(asked, QStringList{"c"});
        QCOMPARE(Hints().State(), THintController::hsIdle);
        Hints().RemoveEdit(&a);
        Hints().RemoveEdit(&c);
        // An unknown field is never asked.
        Hints().TrackEdit(&b, 0, 0);
        QTRY_COMPARE(Hints().State(), THintController::hsIdle);
        QCOMPARE(asked, QStringList{"c"});
    }

    void tipLiesOverTheFieldText()
    {
        MoveOver(m_long);
        QTRY_VERIFY(Hints().isVisible());
        const int textWidth = QFontMetrics(m_long->font()).horizontalAdvance(m_long->text());
        // A sunken edge: the client origin is 2 pixels in, the tip starts one before it.
        const QPoint origin = m_long->mapToGlobal(QPoint(1, 1));
        QCOMPARE(Hints().geometry(), QRect(origin.x(), origin.y(), textWidth + 6, m_long->height() - 2));
    }

    void tipIsKeptOnTheDesktop_data()
    {
        QTest::addColumn<QRect>("asked");
        const QRect desktop = QGuiApplication::primaryScreen()->geometry();
        QTest::newRow("past the right") << QRect(desktop.right() - 20, 100, 120, 16);
        QTest::newRow("past the bottom") << QRect(100, desktop.bottom() - 5, 120, 16);
        QTest::newRow("past the left") << QRect(desktop.left() - 30, 100, 120, 16);
        QTest::newRow("corner") << QRect(desktop.right() - 10, desktop.bottom() - 10, 120, 16);
    }
    void tipIsKeptOnTheDesktop()
    {
        QFETCH(QRect, asked);
        const QRect desktop = QGuiApplication::primaryScreen()->geometry();
        Hints().ShowTip(asked, "tip");
        const QRect shown = Hints().geometry();
        QCOMPARE(shown.size(), QSize(asked.width(), asked.height() + 4));
        QVERIFY2(desktop.contains(shown), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(shown.x()).arg(shown.y()).arg(shown.width()).arg(shown.height())));
        Hints().CancelTip();
    }

    void tipIsAquaInABlackFrame()
    {
        QFont font = m_long->font();
        font.setPixelSize(13);
        Hints().SetTipFont(font);
        Hints().ShowTip(QRect(200, 200, 120, 20), QString());
        QImage image(Hints().size(), QImage::Format_RGB32);
        image.fill(Qt::red);
        Hints().render(&image);
        QCOMPARE(image.pixelColor(0, 0), QColor(Qt::black));
        QCOMPARE(image.pixelColor(image.width() - 1, image.height() - 1), QColor(Qt::black));
        QCOMPARE(image.pixelColor(1, 1), QColor(0, 255, 255));
        QCOMPARE(image.pixelColor(image.width() / 2, image.height() / 2), QColor(0, 255, 255));
        // Text is black, drawn with "&" as a plain character.
        Hints().ShowTip(QRect(200, 200, 120, 20), "&&&&&&&&");
        image.fill(Qt::red);
        Hints().render(&image);
        int black = 0;
        for (int x = 2; x < 40; ++x)
            for (int y = 2; y < image.height() - 2; ++y)
                black += qGray(image.pixel(x, y)) < 60 ? 1 : 0;
        QVERIFY(black > 10);
        QVERIFY(Hints().testAttribute(Qt::WA_ShowWithoutActivating));
        QCOMPARE(Hints().focusPolicy(), Qt::NoFocus);
    }
};

QTEST_MAIN(tst_THintController)
#include "tst_hintcontroller.moc"
