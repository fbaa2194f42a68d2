#include "InputTestSupport.h"
#include "TColPickDlg.h"
#include "TColorBtn.h"
#include "TColorPicker.h"
#include "TEditN.h"
#include "THintController.h"

#include <QLineEdit>
#include <QMetaProperty>
#include <QPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

namespace {

constexpr int kRedCell = 18;   // row 2, column 2
constexpr int kBlackCell = 0;  // the palette's first cell
const TColor kRed = TColorFromBits(0x0000FF);

// The signal a property announces its changes with, as a binding would find it.
QByteArray NotifySignalOf(const QObject &object, const char *property)
{
    const QMetaObject *meta = object.metaObject();
    const QMetaProperty metaProperty = meta->property(meta->indexOfProperty(property));
    return metaProperty.hasNotifySignal() ? metaProperty.notifySignal().name() : QByteArray();
}

} // namespace

class tst_InputNotify : public QObject
{
    Q_OBJECT

    QTemporaryDir m_settingsDir;
    std::unique_ptr<THintController> m_hints;

    static TColPickDlg *DropDown(TColorBtn *button)
    {
        button->DropDown();
        TColPickDlg *dropDown = button->DropDownWindow();
        if (dropDown && !QTest::qWaitForWindowActive(dropDown))
            return nullptr;
        return dropDown;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_settingsDir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
        m_hints = std::make_unique<THintController>();
    }
    void cleanupTestCase() { m_hints.reset(); }

    void propertiesNameTheirSignals()
    {
        TColorBtn button;
        TEditN edit;
        QCOMPARE(NotifySignalOf(button, "ActiveColor"), QByteArray("ActiveColorChanged"));
        QCOMPARE(NotifySignalOf(edit, "Text"), QByteArray("TextChanged"));
    }

    // GIVEN a colour button WHEN the user picks red in its palette THEN ActiveColor is announced
    // once, with the choice already complete, before OnClick; picking red again raises OnClick but
    // announces nothing, and neither does code assigning the same colour.
    void pickingInThePaletteAnnouncesTheColourOnce()
    {
        QWidget window;
        window.setGeometry(40, 40, 300, 300);
        auto *button = new TColorBtn(&window);
        button->SetBounds(20, 10, 0, 22);
        QStringList order;
        button->OnClick = [&order](QObject *) { order.append(QStringLiteral("click")); };
        QList<TColor> targetsSeen;
        connect(button, &TColorBtn::ActiveColorChanged, this, [&order, &targetsSeen, button](TColor color) {
            QCOMPARE(button->ActiveColor(), color);
            targetsSeen.append(button->TargetColor());
            order.append(QStringLiteral("colour"));
        });
        QSignalSpy spy(button, &TColorBtn::ActiveColorChanged);
        QVERIFY(ShowActive(window));

        TColPickDlg *dropDown = DropDown(button);
        QVERIFY(dropDown);
        QTest::mouseClick(dropDown->ColPick->PaletteCell(kRedCell), Qt::LeftButton);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<TColor>(), kRed);
        QCOMPARE(order, QStringList({QStringLiteral("colour"), QStringLiteral("click")}));
        QCOMPARE(targetsSeen, QList<TColor>({kRed}));
        QTRY_VERIFY(!button->DropDownWindow());

        dropDown = DropDown(button);
        QVERIFY(dropDown);
        QTest::mouseClick(dropDown->ColPick->PaletteCell(kRedCell), Qt::LeftButton);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(order.count(QStringLiteral("click")), 2);
        QTRY_VERIFY(!button->DropDownWindow());

        button->SetActiveColor(kRed);
        QCOMPARE(spy.count(), 1);
        button->SetActiveColor(clBlack);
        QCOMPARE(spy.count(), 2);
        button->setProperty("ActiveColor", qint32(clBlack));
        QCOMPARE(spy.count(), 2);
    }

    // A handler that closes the colour button's window when the colour changes must not be
    // followed by anything running on the deleted button.
    void handlerMayDeleteTheColourButton()
    {
        auto *window = new QWidget;
        window->setGeometry(40, 40, 300, 300);
        auto *button = new TColorBtn(window);
        button->SetBounds(20, 10, 0, 22);
        button->SetActiveColor(kRed);
        int clicks = 0;
        button->OnClick = [&clicks](QObject *) { ++clicks; };
        connect(button, &TColorBtn::ActiveColorChanged, window, [window] { delete window; });
        QPointer<TColorBtn> watched(button);
        QVERIFY(ShowActive(*window));
        TColPickDlg *dropDown = DropDown(button);
        QVERIFY(dropDown);
        QTest::mouseClick(dropDown->ColPick->PaletteCell(kBlackCell), Qt::LeftButton);
        QVERIFY(!watched);
        QCOMPARE(clicks, 0);
    }

    // GIVEN a text field WHEN the user types, deletes and retypes THEN Text is announced once per
    // keystroke that changes it, with the new text; a keystroke that changes nothing (Backspace at
    // the start, code setting the same text) announces nothing.
    void typingAnnouncesEachChange()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *edit = new TEditN(&window);
        layout->addWidget(edit);
        QSignalSpy spy(edit, &TCustomEditN::TextChanged);
        QVERIFY(ShowActive(window));
        edit->setFocus(Qt::OtherFocusReason);
        QVERIFY(edit->hasFocus());

        QTest::keyClicks(edit, QStringLiteral("par"));
        QCOMPARE(spy.count(), 3);
        QCOMPARE(spy.at(2).at(0).toString(), QStringLiteral("par"));
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(spy.count(), 4);
        QCOMPARE(spy.at(3).at(0).toString(), QStringLiteral("pa"));
        QTest::keyClick(edit, Qt::Key_Home);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(spy.count(), 4);

        edit->SetText(QStringLiteral("pa"));
        QCOMPARE(spy.count(), 4);
        edit->setProperty("Text", QStringLiteral("birdie"));
        QCOMPARE(spy.count(), 5);
        QCOMPARE(edit->Text(), QStringLiteral("birdie"));
    }
};

QTEST_MAIN(tst_InputNotify)
#include "tst_notify.moc"
