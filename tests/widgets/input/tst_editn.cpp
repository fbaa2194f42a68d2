#include "InputTestSupport.h"
#include "TEditN.h"
#include "THintController.h"

#include <QLineEdit>
#include <QPalette>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <cmath>
#include <memory>

namespace {

// Sunday 6 December 2026, 14:05:09: the fixed "now" of the completion tables.
TDateTime FixedNow()
{
    return FromQDateTime(QDateTime(QDate(2026, 12, 6), QTime(14, 5, 9)));
}

const QString kNumberMessage = QString::fromLatin1(TEditN::NumberMessage);
const QString kRangeMessage = QString::fromLatin1(TEditN::RangeMessage);

} // namespace

class tst_TEditN : public QObject
{
    Q_OBJECT

private:
    TFormatSettings m_savedSettings;
    std::unique_ptr<THintController> m_hints;
    std::unique_ptr<TMessageCapture> m_capture;
    std::unique_ptr<QWidget> m_window;
    TEditN *m_edit = nullptr;
    QLineEdit *m_next = nullptr;
    int m_changes = 0;
    QList<QChar> m_keys;

    // A fresh window holding the field under test and a plain box after it in the tab order; the
    // field takes the format settings in force now.
    void Build(TEditN::TEditTypes type)
    {
        m_window.reset();
        m_window = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(m_window.get());
        m_edit = new TEditN(m_window.get(), &FixedNow);
        m_edit->SetEditType(type);
        m_next = new QLineEdit(m_window.get());
        layout->addWidget(m_edit);
        layout->addWidget(m_next);
        m_changes = 0;
        m_keys.clear();
        m_edit->OnChange = [this](QObject *) { ++m_changes; };
        m_edit->OnKeyPress = [this](QObject *, QChar &key) { m_keys.append(key); };
        m_next->setFocus(); // the field starts without the focus
        QVERIFY(ShowActive(*m_window));
        QVERIFY(m_next->hasFocus());
    }
    void Enter() { m_edit->setFocus(Qt::OtherFocusReason); QVERIFY(m_edit->hasFocus()); }
    void Leave() { m_next->setFocus(Qt::OtherFocusReason); QVERIFY(m_next->hasFocus()); }
    QStringList &Messages() { return m_capture->Messages; }

private slots:
    void initTestCase() { m_hints = std::make_unique<THintController>(); }
    void cleanupTestCase() { m_hints.reset(); }

    void init()
    {
        m_savedSettings = FormatSettings();
        SetFormatSettings(DayMonthYear());
        TCustomEditN::SetInsertToggle(false);
        m_capture = std::make_unique<TMessageCapture>();
    }
    void cleanup()
    {
        m_window.reset();
        m_edit = nullptr;
        m_capture.reset();
        TCustomEditN::SetInsertToggle(false);
        SetFormatSettings(m_savedSettings);
    }

    void newFieldHasTheDocumentedDefaults()
    {
        TEditN edit(nullptr, &FixedNow);
        QCOMPARE(edit.Color(), clSilver);
        QCOMPARE(edit.palette().color(QPalette::Base), ToQColor(clSilver));
        QCOMPARE(edit.ColorOnFocus(), clWhite);
        QCOMPARE(edit.FontColorOnFocus(), clRed);
        QCOMPARE(edit.FontColorOnNotFocus(), clBlack);
        QCOMPARE(edit.FontColorOnOverWrite(), clBlue);
        QCOMPARE(edit.EditType(), TEditN::etString);
        QCOMPARE(edit.EditAlign(), TEditN::etAlignNone);
        QCOMPARE(edit.EditKeyByTab(), QChar(9));
        QCOMPARE(edit.FirstCharUpList(), QString(" ("));
        QVERIFY(edit.TextHint());
        QCOMPARE(edit.MaxLength(), 0);
        QCOMPARE(edit.ValueDate(), 46362.0);
        QCOMPARE(edit.ValueTime(), FixedNow() - 46362.0);
        // Published by name for the layout loader.
        QCOMPARE(edit.property("EditType").toInt(), int(TEditN::etString));
        QVERIFY(edit.setProperty("EditAlign", int(TEditN::etAlignRight)));
        QCOMPARE(edit.EditAlign(), TEditN::etAlignRight);
        QCOMPARE(edit.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    }

    void focusChangesColoursAndWidthAndRaisesEnterAndExitOnce()
    {
        Build(TEditN::etString);
        QStringList log;
        m_edit->SetWidthOnFocus(150);
        m_edit->resize(60, m_edit->height());
        m_edit->OnEnter = [&](QObject *sender) {
            QCOMPARE(sender, m_edit);
            log << QStringLiteral("enter %1").arg(m_edit->width());
        };
        m_edit->OnExit = [&](QObject *) { log << QStringLiteral("exit %1").arg(m_edit->width()); };
        Enter();
        QCOMPARE(m_edit->Color(), clWhite);
        QCOMPARE(m_edit->FontColor(), clRed);
        QCOMPARE(m_edit->palette().color(QPalette::Text), ToQColor(clRed));
        Leave();
        QCOMPARE(m_edit->Color(), clSilver);
        QCOMPARE(m_edit->FontColor(), clBlack);
        QCOMPARE(log, QStringList({"enter 150", "exit 60"}));
    }

    void integerTextIsCleanedWhileTypingAndOrderedOnExit()
    {
        Build(TEditN::etInteger);
        Enter();
        QTest::keyClicks(m_edit, "12a-3");
        QCOMPARE(m_edit->text(), QString("12-3"));
        QCOMPARE(m_edit->ValueInteger(), -123);
        QCOMPARE(m_edit->ValueFloat(), -123.0);
        QCOMPARE(m_edit->MaxLength(), 11); // a "-" in a field without a limit sets one
        // The rejected letter still reached OnKeyPress, as the swallowed code 15.
        QCOMPARE(m_keys, QList<QChar>({u'1', u'2', QChar(15), u'-', u'3'}));
        Leave();
        QCOMPARE(m_edit->text(), QString("-123"));
        QCOMPARE(m_edit->ValueInteger(), -123);
        QVERIFY(Messages().isEmpty());
    }

    void wholeNumberRange_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<qint32>("value");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("above") << "2147483648" << 0 << QStringList{kRangeMessage};
        QTest::newRow("below") << "-2147483648" << 0 << QStringList{kRangeMessage};
        QTest::newRow("highest") << "2147483647" << 2147483647 << QStringList();
        QTest::newRow("lowest") << "-2147483647" << -2147483647 << QStringList();
    }
    void wholeNumberRange()
    {
        QFETCH(QString, typed);
        QFETCH(qint32, value);
        QFETCH(QStringList, messages);
        Build(TEditN::etInteger);
        Enter();
        QTest::keyClicks(m_edit, typed);
        QCOMPARE(m_edit->text(), typed);
        QCOMPARE(m_edit->ValueInteger(), value);
        QCOMPARE(Messages(), messages);
    }

    void decimalKeysBecomeTheLocaleSeparator_data()
    {
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<double>("value");
        QTest::addColumn<qint32>("whole");
        QTest::newRow("comma to point") << QChar('.') << "3,5" << "3.5" << 3.5 << 3;
        QTest::newRow("second separator swallowed") << QChar('.') << "3.5,.7" << "3.57" << 3.57 << 3;
        QTest::newRow("truncated toward zero") << QChar('.') << "-3.9" << "-3.9" << -3.9 << -3;
        QTest::newRow("point to comma") << QChar(',') << "3.9" << "3,9" << 3.9 << 3;
        QTest::newRow("space never enters") << QChar('.') << "1 2" << "12" << 12.0 << 12;
    }
    void decimalKeysBecomeTheLocaleSeparator()
    {
        QFETCH(QChar, separator);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(double, value);
        QFETCH(qint32, whole);
        SetFormatSettings(DayMonthYear(separator));
        Build(TEditN::etFloat);
        Enter();
        QCOMPARE(m_edit->MaxLength(), 16);
        QTest::keyClicks(m_edit, typed);
        QCOMPARE(m_edit->text(), shown);
        QCOMPARE(m_edit->ValueFloat(), value);
        QCOMPARE(m_edit->ValueInteger(), whole);
        QVERIFY(Messages().isEmpty());
    }

    void typingOverAWholeSelectionSkipsTheFilter()
    {
        Build(TEditN::etFloat);
        m_edit->setText("12.5");
        Enter();
        m_edit->selectAll();
        QTest::keyClick(m_edit, ',');
        QCOMPARE(m_edit->text(), QString(","));
        QCOMPARE(Messages(), QStringList{kNumberMessage});
        QCOMPARE(m_edit->ValueFloat(), 0.0);
        QCOMPARE(m_edit->ValueInteger(), 0);
        m_edit->selectAll();
        QTest::keyClick(m_edit, '5');
        QCOMPARE(m_edit->text(), QString("5"));
        QCOMPARE(m_edit->ValueFloat(), 5.0);
        // Without a selection from the start the filter applies again: a letter inserts nothing.
        QTest::keyClick(m_edit, 'x');
        QCOMPARE(m_edit->text(), QString("5"));
    }

    void pastedTextIsCleanedAndTheCaretFollowsIt()
    {
        Build(TEditN::etInteger);
        Enter();
        QTest::keyClicks(m_edit, "19");
        m_edit->setCursorPosition(1);
        m_edit->insert("a+b2c"); // as a paste would
        QCOMPARE(m_edit->text(), QString("129"));
        QCOMPARE(m_edit->cursorPosition(), 2);
        QCOMPARE(m_edit->ValueInteger(), 129);
        QVERIFY(Messages().isEmpty());
    }

    // Cleaning sets the text again: that change is handled first, then the one that caused it goes
    // on with the cleaned text. Each raises OnChange; a message is shown once per keystroke.
    void cleanedTextIsAChangeInsideTheChange_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("set");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("changes");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<double>("value");
        const int whole = TEditN::etInteger, decimal = TEditN::etFloat;
        QTest::newRow("clean text") << whole << "" << "12" << "12" << 1 << QStringList() << 12.0;
        QTest::newRow("letter removed") << whole << "" << "1x2" << "12" << 2 << QStringList() << 12.0;
        QTest::newRow("plus removed too") << whole << "" << "+7" << "7" << 2 << QStringList() << 7.0;
        QTest::newRow("letter and plus") << whole << "" << "a+7" << "7" << 3 << QStringList() << 7.0;
        QTest::newRow("plus alone") << whole << "" << "+" << "" << 2 << QStringList{kNumberMessage} << 0.0;
        QTest::newRow("nothing left keeps the value") << decimal << "4.5" << "abc" << "" << 2 << QStringList() << 4.5;
        QTest::newRow("minus left: no change") << whole << "" << "x-" << "-" << 0 << QStringList() << 0.0;
        QTest::newRow("unreadable, one message") << decimal << "" << "x1.2.3" << "1.2.3" << 2 << QStringList{kNumberMessage} << 0.0;
        QTest::newRow("out of range, one message") << whole << "" << "x9999999999" << "9999999999" << 2 << QStringList{kRangeMessage} << 0.0;
    }
    void cleanedTextIsAChangeInsideTheChange()
    {
        QFETCH(int, type);
        QFETCH(QString, before);
        QFETCH(QString, set);
        QFETCH(QString, shown);
        QFETCH(int, changes);
        QFETCH(QStringList, messages);
        QFETCH(double, value);
        Build(TEditN::TEditTypes(type));
        m_edit->setText(before);
        m_changes = 0;
        QStringList seen;
        m_edit->OnChange = [&](QObject *) {
            ++m_changes;
            seen << m_edit->text();
        };
        m_edit->setText(set);
        QCOMPARE(m_edit->text(), shown);
        QCOMPARE(m_changes, changes);
        QCOMPARE(Messages(), messages);
        QCOMPARE(m_edit->ValueFloat(), value);
        // Every OnChange sees the text as it finally stands.
        QCOMPARE(seen, QStringList(QList<QString>(changes, shown)));
    }

    void typedLetterOverTheWholeNumberRaisesTwoChanges()
    {
        Build(TEditN::etFloat);
        m_edit->setText("12.5");
        Enter();
        m_edit->selectAll();
        m_changes = 0;
        QTest::keyClick(m_edit, 'q');
        QCOMPARE(m_edit->text(), QString());
        QCOMPARE(m_changes, 2); // the emptied text, then the typed one it came from
        QCOMPARE(m_edit->ValueFloat(), 12.5);
        m_edit->setText("7.5");
        m_edit->selectAll();
        QTest::keyClick(m_edit, ',');
        m_edit->setCursorPosition(0);
        m_edit->insert("z"); // as a paste would
        QCOMPARE(m_edit->text(), QString(","));
        QCOMPARE(Messages(), QStringList({kNumberMessage, kNumberMessage})); // once per keystroke
    }

    void spaceInAWholeNumberStillSetsTheMinusLimit_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QChar>("key");
        QTest::addColumn<int>("limit");
        QTest::newRow("space after a minus") << int(TEditN::etInteger) << QChar(' ') << 11;
        QTest::newRow("digit after a minus") << int(TEditN::etInteger) << QChar('4') << 11;
        QTest::newRow("decimal: no such rule") << int(TEditN::etFloat) << QChar(' ') << 0;
    }
    void spaceInAWholeNumberStillSetsTheMinusLimit()
    {
        QFETCH(int, type);
        QFETCH(QChar, key);
        QFETCH(int, limit);
        Build(TEditN::TEditTypes(type));
        m_edit->setText("-5");
        Enter();
        m_edit->SetMaxLength(0);
        m_edit->end(false);
        QTest::keyClick(m_edit, key.toLatin1());
        QCOMPARE(m_edit->MaxLength(), limit);
        QVERIFY(!m_edit->text().contains(u' '));
    }

    void twoDigitYearIsPlacedByTheFieldsClock()
    {
        // Day-first or month-first, the year the field completes has four digits; only a
        // year-first order reads the first two digits as a year.
        TFormatSettings yearFirst = DayMonthYear();
        yearFirst.ShortDateFormat = QStringLiteral("yyyy/MM/dd");
        SetFormatSettings(yearFirst);
        Build(TEditN::etDate);
        m_edit->SetClock([] { return FromQDate(QDate(1950, 6, 1)); });
        Enter();
        QTest::keyClicks(m_edit, "25030015");
        Leave();
        QCOMPARE(m_edit->text(), QString("25/03/0015"));
        QCOMPARE(m_edit->ValueDate(), FromQDate(QDate(1925, 3, 15))); // within 50 years of 1950
        QVERIFY(Messages().isEmpty());
    }

    void minusAloneRaisesNoChangeAndZeroesTheValues()
    {
        Build(TEditN::etInteger);
        Enter();
        QTest::keyClick(m_edit, '7');
        QCOMPARE(m_edit->ValueInteger(), 7);
        QCOMPARE(m_changes, 1);
        m_edit->selectAll();
        QTest::keyClick(m_edit, '-');
        QCOMPARE(m_edit->text(), QString("-"));
        QCOMPARE(m_changes, 1);
        QCOMPARE(m_edit->ValueInteger(), 0);
        QCOMPARE(m_edit->ValueFloat(), 0.0);
    }

    void exitFormatsNumbers_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("align");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("precision");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<double>("value");
        QTest::newRow("empty gets decimals") << int(TEditN::etFloat) << int(TEditN::etAlignRight) << 0 << 2 << "" << "0.00" << 0.0;
        QTest::newRow("decimals appended") << int(TEditN::etFloat) << int(TEditN::etAlignRight) << 0 << 2 << "7" << "7.00" << 7.0;
        QTest::newRow("cut, not rounded") << int(TEditN::etFloat) << int(TEditN::etAlignRight) << 0 << 2 << "7.129" << "7.12" << 7.12;
        QTest::newRow("one decimal padded") << int(TEditN::etFloat) << int(TEditN::etAlignNone) << 0 << 3 << "7.1" << "7.100" << 7.1;
        QTest::newRow("zeros after minus") << int(TEditN::etFloat) << int(TEditN::etAlignValue) << 6 << 2 << "-5" << "-05.00" << -5.0;
        QTest::newRow("minus moved, zeros") << int(TEditN::etFloat) << int(TEditN::etAlignValue) << 6 << 1 << "5-" << "-005.0" << -5.0;
        QTest::newRow("whole zeros") << int(TEditN::etInteger) << int(TEditN::etAlignValue) << 4 << 0 << "5-" << "-005" << -5.0;
        QTest::newRow("whole long enough") << int(TEditN::etInteger) << int(TEditN::etAlignValue) << 3 << 0 << "1234" << "1234" << 1234.0;
        QTest::newRow("whole right: no zeros") << int(TEditN::etInteger) << int(TEditN::etAlignRight) << 5 << 0 << "42" << "42" << 42.0;
    }
    void exitFormatsNumbers()
    {
        QFETCH(int, type);
        QFETCH(int, align);
        QFETCH(int, length);
        QFETCH(int, precision);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(double, value);
        Build(TEditN::TEditTypes(type));
        m_edit->SetEditAlign(TEditN::TEditAlign(align));
        m_edit->SetEditLengthAlign(length);
        m_edit->SetEditPrecision(precision);
        QString exitText;
        m_edit->OnExit = [&](QObject *) { exitText = m_edit->text(); };
        Enter();
        QTest::keyClicks(m_edit, typed);
        Leave();
        QCOMPARE(m_edit->text(), shown);
        QCOMPARE(exitText, shown); // formatted before OnExit
        QCOMPARE(m_edit->ValueFloat(), value);
        QVERIFY(Messages().isEmpty());
    }

    void longFormattedTextIsNotCutByTheTypingLimit()
    {
        Build(TEditN::etFloat);
        m_edit->SetEditPrecision(2);
        Enter();
        QTest::keyClicks(m_edit, "12345678901234567");
        QCOMPARE(m_edit->text(), QString("1234567890123456")); // 16 typed at most
        Leave();
        QCOMPARE(m_edit->text(), QString("1234567890123456.00"));
        m_edit->setText("0000000000000000000007");
        QCOMPARE(m_edit->text().size(), 22);
        QCOMPARE(m_edit->ValueInteger(), 7);
    }

    void dateCompletion_data()
    {
        QTest::addColumn<bool>("monthFirst");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<bool>("incorrect");
        const QDate today(2026, 12, 6);
        QTest::newRow("empty is today") << false << "" << "06/12/2026" << today << false;
        QTest::newRow("one digit") << false << "5" << "05/12/2026" << QDate(2026, 12, 5) << false;
        QTest::newRow("two digits") << false << "25" << "25/12/2026" << QDate(2026, 12, 25) << false;
        QTest::newRow("three digits") << false << "253" << "25/03/2026" << QDate(2026, 3, 25) << false;
        QTest::newRow("four digits") << false << "2503" << "25/03/2026" << QDate(2026, 3, 25) << false;
        QTest::newRow("five digits") << false << "25039" << "25/03/2029" << QDate(2029, 3, 25) << false;
        QTest::newRow("six digits") << false << "250399" << "25/03/2099" << QDate(2099, 3, 25) << false;
        QTest::newRow("seven digits") << false << "2503199" << "25/03/2199" << QDate(2199, 3, 25) << false;
        QTest::newRow("eight digits") << false << "25031999" << "25/03/1999" << QDate(1999, 3, 25) << false;
        QTest::newRow("separators are not typed") << false << "1/2/2027" << "122027" << QDate() << true;
        QTest::newRow("no such day") << false << "3113" << "3113" << QDate() << true;
        QTest::newRow("month-day-year: month 25") << true << "2503" << "2503" << QDate() << true;
        QTest::newRow("month-day-year: valid") << true << "0325" << "03/25/2026" << QDate(2026, 3, 25) << false;
    }
    void dateCompletion()
    {
        QFETCH(bool, monthFirst);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QDate, date);
        QFETCH(bool, incorrect);
        SetFormatSettings(monthFirst ? MonthDayYear() : DayMonthYear());
        Build(TEditN::etDate);
        Enter();
        QCOMPARE(m_edit->MaxLength(), 10);
        QTest::keyClicks(m_edit, typed);
        Leave();
        QCOMPARE(m_edit->text(), shown); // an incorrect date stays as typed
        if (incorrect) {
            QCOMPARE(Messages(), QStringList{"Date incorrect"});
            QCOMPARE(m_edit->ValueDate(), 46362.0);
            QCOMPARE(m_edit->ValueInteger(), 46362);
        } else {
            QVERIFY(Messages().isEmpty());
            QCOMPARE(m_edit->ValueDate(), FromQDate(date));
            QCOMPARE(m_edit->ValueFloat(), FromQDate(date));
            QCOMPARE(m_edit->ValueInteger(), qint32(FromQDate(date)));
        }
    }

    void timeCompletion_data()
    {
        QTest::addColumn<bool>("seconds");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<bool>("incorrect");
        QTest::newRow("empty is now") << false << "" << "14:05" << QTime(14, 5) << false;
        QTest::newRow("one digit") << false << "9" << "09:00" << QTime(9, 0) << false;
        QTest::newRow("three digits") << false << "123" << "12:03" << QTime(12, 3) << false;
        QTest::newRow("four digits") << false << "0930" << "09:30" << QTime(9, 30) << false;
        QTest::newRow("fifth ignored") << false << "09307" << "09:30" << QTime(9, 30) << false;
        QTest::newRow("hour 93") << false << "930" << "14:05" << QTime() << true;
        QTest::newRow("minute 61") << false << "2561" << "14:05" << QTime() << true;
        QTest::newRow("seconds: empty") << true << "" << "14:05:09" << QTime(14, 5, 9) << false;
        QTest::newRow("seconds: two digits") << true << "23" << "23:00:00" << QTime(23, 0) << false;
        QTest::newRow("seconds: five digits") << true << "12345" << "12:34:05" << QTime(12, 34, 5) << false;
        QTest::newRow("seconds: six digits") << true << "123456" << "12:34:56" << QTime(12, 34, 56) << false;
        QTest::newRow("seconds: second 60") << true << "123460" << "14:05:09" << QTime() << true;
    }
    void timeCompletion()
    {
        QFETCH(bool, seconds);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QTime, time);
        QFETCH(bool, incorrect);
        Build(TEditN::etTime);
        m_edit->SetTimeSeconds(seconds);
        m_edit->SetValueInteger(77);
        Enter();
        QCOMPARE(m_edit->MaxLength(), seconds ? 8 : 5);
        QTest::keyClicks(m_edit, typed);
        Leave();
        QCOMPARE(m_edit->text(), shown);
        QCOMPARE(Messages(), incorrect ? QStringList{"Time incorrect"} : QStringList());
        // An incorrect time shows the current one; the value is the current time of day, seconds
        // included even when the text shows none.
        const TDateTime expected = incorrect ? FixedNow() - std::floor(FixedNow()) : FromQTime(time);
        QCOMPARE(m_edit->ValueTime(), expected);
        QCOMPARE(m_edit->ValueFloat(), expected);
        QCOMPARE(m_edit->ValueInteger(), 77);
    }

    void textPadding_data()
    {
        QTest::addColumn<int>("align");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("centre, odd rest") << int(TEditN::etAlignCenter) << 10 << "abc" << "    abc   ";
        QTest::newRow("centre, even rest") << int(TEditN::etAlignCenter) << 10 << "ab" << "    ab    ";
        QTest::newRow("centre, 2.5 to even") << int(TEditN::etAlignCenter) << 8 << "abc" << "  abc   ";
        QTest::newRow("left drops leading") << int(TEditN::etAlignLeft) << 5 << "  ab" << "ab   ";
        QTest::newRow("left, spaces only") << int(TEditN::etAlignLeft) << 3 << "  " << "   ";
        QTest::newRow("right") << int(TEditN::etAlignRight) << 5 << "ab" << "   ab";
        QTest::newRow("value adds nothing") << int(TEditN::etAlignValue) << 5 << "ab" << "ab";
        QTest::newRow("none adds nothing") << int(TEditN::etAlignNone) << 5 << "ab" << "ab";
        QTest::newRow("long enough") << int(TEditN::etAlignRight) << 2 << "abc" << "abc";
    }
    void textPadding()
    {
        QFETCH(int, align);
        QFETCH(int, length);
        QFETCH(QString, text);
        QFETCH(QString, shown);
        Build(TEditN::etString);
        m_edit->SetEditAlign(TEditN::TEditAlign(align));
        m_edit->SetEditLengthAlign(length);
        m_edit->setText(text);
        Enter();
        Leave();
        QCOMPARE(m_edit->text(), shown);
    }

    void capitalisation_data()
    {
        QTest::addColumn<bool>("upper");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("words") << true << "new york" << "New York";
        QTest::newRow("after parenthesis") << true << "x(y" << "X(Y";
        QTest::newRow("only last character counts") << true << "ab c" << "Ab C";
        QTest::newRow("off") << false << "new york" << "new york";
    }
    void capitalisation()
    {
        QFETCH(bool, upper);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        Build(TEditN::etString);
        m_edit->SetFirstCharUpper(upper);
        Enter();
        QTest::keyClicks(m_edit, typed);
        QCOMPARE(m_edit->text(), shown);
    }

    void capitalisationRulesUseTheWholeTextNotTheCaret()
    {
        Build(TEditN::etString);
        m_edit->SetFirstCharUpper(true);
        Enter();
        QTest::keyClicks(m_edit, "ab ");
        m_edit->setCursorPosition(1);
        QTest::keyClick(m_edit, 'x'); // the text ends in a space
        QCOMPARE(m_edit->text(), QString("AXb "));
        m_edit->selectAll();
        QTest::keyClick(m_edit, 'q');
        QCOMPARE(m_edit->text(), QString("Q"));
        m_edit->setText("lower");
        Leave();
        QCOMPARE(m_edit->text(), QString("Lower"));
    }

    void editKeyByTabMovesFocusAndInsertsNothing()
    {
        Build(TEditN::etString);
        m_edit->SetEditKeyByTab(QChar(13));
        Enter();
        QTest::keyClicks(m_edit, "ab");
        QSignalSpy returns(m_edit, &QLineEdit::returnPressed);
        QTest::keyClick(m_edit, Qt::Key_Return);
        QVERIFY(m_next->hasFocus());
        QCOMPARE(m_edit->text(), QString("ab"));
        QCOMPARE(returns.count(), 0);
        QCOMPARE(m_keys.size(), 2); // OnKeyPress is not raised for the tab key
    }

    void escapeRestoresTheEntryText()
    {
        Build(TEditN::etInteger);
        m_edit->setText("42");
        Enter();
        m_edit->end(false);
        QTest::keyClicks(m_edit, "17");
        QCOMPARE(m_edit->ValueInteger(), 4217);
        QTest::keyClick(m_edit, Qt::Key_Escape);
        QCOMPARE(m_edit->text(), QString("42"));
        QCOMPARE(m_edit->ValueInteger(), 42);
        QCOMPARE(m_keys.last(), QChar(15));
    }

    void overwriteModeReplacesTheNextCharacter()
    {
        Build(TEditN::etString);
        m_edit->setText("abcd");
        Enter();
        m_edit->setCursorPosition(1);
        QTest::keyClick(m_edit, Qt::Key_Insert);
        QVERIFY(m_edit->OverwriteMode());
        QTest::keyClick(m_edit, 'X');
        QCOMPARE(m_edit->text(), QString("aXcd"));
        QCOMPARE(m_edit->FontColor(), clBlue);
        QTest::keyClick(m_edit, Qt::Key_Backspace); // removes the character after the caret
        QCOMPARE(m_edit->text(), QString("aXd"));
        m_edit->end(false);
        QTest::keyClick(m_edit, 'e'); // at the end it appends
        QCOMPARE(m_edit->text(), QString("aXde"));
        QTest::keyClick(m_edit, Qt::Key_Insert);
        QVERIFY(!m_edit->OverwriteMode());
        m_edit->setCursorPosition(0);
        QTest::keyClick(m_edit, 'z');
        QCOMPARE(m_edit->text(), QString("zaXde"));
        QCOMPARE(m_edit->FontColor(), clRed);
    }

    void rejectedKeyInOverwriteModeKeepsTheText()
    {
        Build(TEditN::etInteger);
        m_edit->setText("123");
        Enter();
        m_edit->setCursorPosition(0);
        TCustomEditN::SetInsertToggle(true);
        QTest::keyClick(m_edit, 'a');
        QCOMPARE(m_edit->text(), QString("123"));
        QTest::keyClick(m_edit, '9');
        QCOMPARE(m_edit->text(), QString("923"));
        QCOMPARE(m_edit->ValueInteger(), 923);
    }

    void readOnlyFieldBecomesEditableOnFocus()
    {
        Build(TEditN::etString);
        m_edit->SetReadOnly(true);
        QTest::keyClicks(m_edit, "no");
        QCOMPARE(m_edit->text(), QString());
        Enter();
        QTest::keyClicks(m_edit, "yes");
        QCOMPARE(m_edit->text(), QString("yes"));
        QVERIFY(m_edit->ReadOnly());
    }

    void contextMenuFocusIsNotAnExit()
    {
        Build(TEditN::etDate);
        int exits = 0;
        m_edit->OnExit = [&](QObject *) { ++exits; };
        Enter();
        QTest::keyClicks(m_edit, "25");
        QFocusEvent popupOut(QEvent::FocusOut, Qt::PopupFocusReason);
        QApplication::sendEvent(m_edit, &popupOut);
        QCOMPARE(exits, 0);
        QCOMPARE(m_edit->text(), QString("25"));
        Leave();
        QCOMPARE(exits, 1);
        QCOMPARE(m_edit->text(), QString("25/12/2026"));
    }

};

QTEST_MAIN(tst_TEditN)
#include "tst_editn.moc"
