#include "Dialogs.h"
#include "Exceptions.h"
#include "TApplication.h"
#include "QtColor.h"
#include "TGraphicControl.h"

#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

namespace {

class ThrowingButton : public QPushButton
{
protected:
    void mousePressEvent(QMouseEvent *) override { throw EDatabaseError("Dataset not in edit or insert mode"); }
};

class EnterLeaveProbe : public TGraphicControl
{
public:
    using TGraphicControl::TGraphicControl;
    QStringList log;

protected:
    void MouseEnter() override { log << "enter"; }
    void MouseLeave() override { log << "leave"; }
};

} // namespace

class tst_ToolkitCore : public QObject
{
    Q_OBJECT

private:
    QList<TMessageRequest> m_messages;
    int m_beeps = 0;

private slots:
    void init()
    {
        m_messages.clear();
        m_beeps = 0;
        SetMessageHandler([this](const TMessageRequest &request) {
            m_messages.append(request);
            return request.DefaultButton;
        });
        SetBeepHandler([this] { ++m_beeps; });
    }
    void cleanup()
    {
        SetMessageHandler({});
        SetBeepHandler({});
    }

    void systemColoursResolveThroughTheFixedTable()
    {
        QCOMPARE(ColorToRGB(clBtnFace), clSilver);
        QCOMPARE(ColorToRGB(clBtnShadow), clGray);
        QCOMPARE(ColorToRGB(clBtnHighlight), clWhite);
        QCOMPARE(ColorToRGB(clWindow), clWhite);
        QCOMPARE(ColorToRGB(clWindowText), clBlack);
        QCOMPARE(ColorToRGB(TColorFromBits(0x80000050)), clBlack);
        QCOMPARE(ColorToRGB(TColorFromBits(0x00A2BDBF)), TColorFromBits(0x00A2BDBF));
        // $00BBGGRR: the low byte is red.
        QCOMPARE(ToQColor(TColorFromBits(0x00A2BDBF)), QColor(0xBF, 0xBD, 0xA2));
        QCOMPARE(FromQColor(QColor(1, 2, 3)), RGBColor(1, 2, 3));
        QCOMPARE(ColorToHex(clBtnFace), QString("$8000000F"));
    }

    void failureInAnEventHandlerIsShownAndTheProgramGoesOn()
    {
        auto *app = qobject_cast<TApplication *>(QCoreApplication::instance());
        QVERIFY(app);
        ThrowingButton button;
        button.show();
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages[0].Caption, QString("Tallimo"));
        QCOMPARE(m_messages[0].Text, QString("Dataset not in edit or insert mode"));
        QCOMPARE(m_messages[0].Buttons, QList<TModalResult>{mrOk});
        // The loop still delivers events afterwards.
        bool delivered = false;
        QMetaObject::invokeMethod(app, [&] { delivered = true; }, Qt::QueuedConnection);
        QTRY_VERIFY(delivered);
    }

    void runGuardedReportsAndSwallows()
    {
        QVERIFY(!RunGuarded([] { throw EConvertError("'x' is not a valid integer value"); }));
        QVERIFY(RunGuarded([] {}));
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages[0].Text, QString("'x' is not a valid integer value"));
    }

    void confirmBoxAsksYesOrNo()
    {
        QCOMPARE(ConfirmBox("Delete record?"), mrYes);
        const TMessageRequest &request = m_messages.last();
        QCOMPARE(request.Caption, QString("Confirm"));
        QCOMPARE(request.Type, mtConfirmation);
        QCOMPARE(request.Buttons, (QList<TModalResult>{mrYes, mrNo}));
        QCOMPARE(request.DefaultButton, mrYes);
        QCOMPARE(request.EscapeButton, mrNo);
    }

    void beepGoesThroughTheHandler()
    {
        AlertBeep();
        AlertBeep();
        QCOMPARE(m_beeps, 2);
    }

    void graphicControlHearsLeaveAndEnterWhileHoldingTheMouse()
    {
        QWidget container;
        container.resize(200, 100);
        auto *probe = new EnterLeaveProbe(&container);
        probe->setGeometry(10, 10, 50, 50);
        container.show();
        QVERIFY(QTest::qWaitForWindowExposed(&container));

        QEnterEvent enter(QPointF(5, 5), QPointF(15, 15), QPointF(15, 15));
        QCoreApplication::sendEvent(probe, &enter);
        QTest::mousePress(probe, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(probe->MouseCaptured());
        QTest::mouseMove(probe, QPoint(80, 5));
        QTest::mouseMove(probe, QPoint(81, 5));
        QTest::mouseMove(probe, QPoint(6, 6));
        QTest::mouseMove(probe, QPoint(90, 90));
        QTest::mouseRelease(probe, Qt::LeftButton, {}, QPoint(90, 90));
        QVERIFY(!probe->MouseCaptured());
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(probe, &leave);
        QCOMPARE(probe->log, (QStringList{"enter", "leave", "enter", "leave"}));
    }

    void graphicControlRunsLoadedOnceAtTheEndOfLoading()
    {
        struct Counting : TGraphicControl {
            int loaded = 0;
            void Loaded() override { ++loaded; }
        } control;
        control.EndLoading();
        QCOMPARE(control.loaded, 0);
        control.BeginLoading();
        QVERIFY(control.IsLoading());
        control.EndLoading();
        control.EndLoading();
        QCOMPARE(control.loaded, 1);
        QVERIFY(!control.IsLoading());
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    tst_ToolkitCore test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_toolkitcore.moc"
