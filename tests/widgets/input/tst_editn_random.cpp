#include "InputTestSupport.h"
#include "TEditN.h"
#include "THintController.h"

#include <QLineEdit>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QVBoxLayout>
#include <cmath>
#include <memory>

// Long random key sequences typed into every kind of field: nothing may crash, and after every key
// the value properties must agree with the text the field shows, OnChange must have been raised
// once per text change and the messages must fit the text.
class tst_TEditNRandom : public QObject
{
    Q_OBJECT

private:
    TFormatSettings m_savedSettings;

    static TDateTime FixedNow() { return FromQDateTime(QDateTime(QDate(2026, 12, 6), QTime(14, 5, 9))); }

    struct TKeyStroke
    {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QString text;
    };

    static TKeyStroke RandomKey(QRandomGenerator &random)
    {
        static const QString printable = QStringLiteral("0123456789012345678901234567890123456789-+,.,. ab(xZ#$%'/:");
        const int roll = int(random.bounded(100));
        if (roll < 70) {
            const QChar ch = printable.at(int(random.bounded(qsizetype(printable.size()))));
            const Qt::Key key = ch.isLetter() ? Qt::Key(Qt::Key_A + (ch.toUpper().unicode() - 'A')) : Qt::Key(ch.unicode());
            return {key, ch.isUpper() ? Qt::ShiftModifier : Qt::NoModifier, QString(ch)};
        }
        static const TKeyStroke controls[] = {
            {Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b")},
            {Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b")},
            {Qt::Key_Delete, Qt::NoModifier, QString()},
            {Qt::Key_Left, Qt::NoModifier, QString()},
            {Qt::Key_Right, Qt::NoModifier, QString()},
            {Qt::Key_Home, Qt::NoModifier, QString()},
            {Qt::Key_End, Qt::NoModifier, QString()},
            {Qt::Key_Home, Qt::ShiftModifier, QString()},
            {Qt::Key_Left, Qt::ShiftModifier, QString()},
            {Qt::Key_A, Qt::ControlModifier, QString()},
            {Qt::Key_Insert, Qt::NoModifier, QString()},
            {Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b")},
            {Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r")},
            {Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t")},
        };
        return controls[random.bounded(int(std::size(controls)))];
    }

    // What the values must be for the text a number field shows (empty: nothing to check).
    static void CheckNumberValues(const TEditN &edit, QStringList &failures, const QString &context)
    {
        const QString text = edit.text();
        const bool decimal = edit.EditType() == TEditN::etFloat;
        const QRegularExpression clean(decimal ? QStringLiteral("^[-0-9.,]*$") : QStringLiteral("^[-0-9]*$"));
        if (!clean.match(text).hasMatch())
            failures << context + QStringLiteral(": unclean text '%1'").arg(text);
        if (text.isEmpty())
            return;
        double expectedFloat = 0;
        qint32 expectedInteger = 0;
        if (text != QStringLiteral("-")) {
            QString number = text;
            const qsizetype minus = number.indexOf(u'-', 1);
            if (minus > 0) {
                number.remove(minus, 1);
                number.prepend(u'-');
            }
            double value = 0;
            if (TryStrToFloat(number, value, FormatSettings())) {
                if (!decimal) {
                    if (std::fabs(value) <= 2147483647.0) {
                        expectedInteger = qint32(value);
                        expectedFloat = value;
                    }
                } else if (std::fabs(value) < 2147483648.0) {
                    expectedFloat = value;
                    expectedInteger = qint32(std::trunc(value));
                } else {
                    expectedFloat = value;
                    expectedInteger = edit.ValueInteger(); // the low 32 bits: not recomputed here
                }
            }
        }
        if (edit.ValueFloat() != expectedFloat || edit.ValueInteger() != expectedInteger)
            failures << context + QStringLiteral(": '%1' holds %2 / %3").arg(text).arg(edit.ValueFloat()).arg(edit.ValueInteger());
    }

private slots:
    void init()
    {
        m_savedSettings = FormatSettings();
        SetFormatSettings(DayMonthYear());
        TCustomEditN::SetInsertToggle(false);
    }
    void cleanup()
    {
        TCustomEditN::SetInsertToggle(false);
        SetFormatSettings(m_savedSettings);
    }

    void randomKeysKeepTheFieldConsistent_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("precision");
        QTest::addColumn<int>("align");
        QTest::addColumn<quint32>("seed");
        QTest::newRow("text") << int(TEditN::etString) << 0 << int(TEditN::etAlignCenter) << 11u;
        QTest::newRow("whole number") << int(TEditN::etInteger) << 0 << int(TEditN::etAlignValue) << 12u;
        QTest::newRow("decimal") << int(TEditN::etFloat) << 2 << int(TEditN::etAlignValue) << 13u;
        QTest::newRow("decimal, no precision") << int(TEditN::etFloat) << 0 << int(TEditN::etAlignRight) << 14u;
        QTest::newRow("date") << int(TEditN::etDate) << 0 << int(TEditN::etAlignNone) << 15u;
        QTest::newRow("time") << int(TEditN::etTime) << 0 << int(TEditN::etAlignNone) << 16u;
    }
    void randomKeysKeepTheFieldConsistent()
    {
        QFETCH(int, type);
        QFETCH(int, precision);
        QFETCH(int, align);
        QFETCH(quint32, seed);
        THintController hints;
        TMessageCapture capture;
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *edit = new TEditN(&window, &FixedNow);
        auto *other = new QLineEdit(&window);
        layout->addWidget(edit);
        layout->addWidget(other);
        edit->SetEditType(TEditN::TEditTypes(type));
        edit->SetEditPrecision(precision);
        edit->SetEditAlign(TEditN::TEditAlign(align));
        edit->SetEditLengthAlign(6);
        edit->SetFirstCharUpper(true);
        edit->setFocus();
        QVERIFY(ShowActive(window));

        // What each event did: the text after every text change was handled (seen after the field's
        // own handling of it) and the text every OnChange saw.
        QStringList handled, notified;
        connect(edit, &QLineEdit::textChanged, edit, [&] { handled << edit->text(); });
        edit->OnChange = [&](QObject *) { notified << edit->text(); };
        const bool number = type == TEditN::etInteger || type == TEditN::etFloat;

        QRandomGenerator random(seed);
        QStringList failures;
        constexpr int kKeys = 4000;
        for (int i = 0; i < kKeys && failures.size() < 5; ++i) {
            if (!edit->hasFocus())
                edit->setFocus(Qt::TabFocusReason);
            const TKeyStroke stroke = RandomKey(random);
            const QString before = edit->text();
            const bool typing = !stroke.text.isEmpty() && stroke.text.at(0).unicode() >= 32;
            const QString context = QStringLiteral("key %1 (%2 after '%3')").arg(i).arg(stroke.text.isEmpty() ? QString::number(stroke.key, 16) : stroke.text, before);
            handled.clear();
            notified.clear();
            const qsizetype messagesBefore = capture.Messages.size();
            const bool focusedBefore = edit->hasFocus();
            QKeyEvent press(QEvent::KeyPress, stroke.key, stroke.modifiers, stroke.text);
            QApplication::sendEvent(edit->hasFocus() ? static_cast<QWidget *>(edit) : other, &press);
            QKeyEvent release(QEvent::KeyRelease, stroke.key, stroke.modifiers, stroke.text);
            QApplication::sendEvent(edit->hasFocus() ? static_cast<QWidget *>(edit) : other, &release);

            const QString text = edit->text();
            // Every text change raises OnChange once, seeing the text its handling left, except a
            // number text that ends as a lone "-".
            QStringList expectedNotified;
            for (const QString &after : std::as_const(handled))
                if (!number || after != QStringLiteral("-"))
                    expectedNotified << after;
            if (notified != expectedNotified)
                failures << context + QStringLiteral(": OnChange saw [%1], changes left [%2]").arg(notified.join(u'|'), handled.join(u'|'));
            const QStringList messages = capture.Messages.mid(messagesBefore);
            if (focusedBefore && edit->hasFocus()) {
                // One keystroke: a message at most once, and only for a text that cannot be a value.
                if (QSet<QString>(messages.begin(), messages.end()).size() != messages.size())
                    failures << context + QStringLiteral(": a message shown twice: %1").arg(messages.join(u'|'));
                if (number && text != before && !text.isEmpty() && text != QStringLiteral("-")) {
                    QString signedText = text;
                    if (const qsizetype minus = signedText.indexOf(u'-', 1); minus > 0)
                        signedText.remove(minus, 1).prepend(u'-');
                    double value = 0;
                    const bool readable = TryStrToFloat(signedText, value, FormatSettings());
                    QStringList expected;
                    if (!readable)
                        expected << QString::fromLatin1(TEditN::NumberMessage);
                    else if (type == TEditN::etInteger && std::fabs(value) > 2147483647.0)
                        expected << QString::fromLatin1(TEditN::RangeMessage);
                    if (messages != expected)
                        failures << context + QStringLiteral(": '%1' showed [%2]").arg(text, messages.join(u'|'));
                }
            }
            if (edit->hasFocus()) {
                if (edit->Color() != edit->ColorOnFocus())
                    failures << context + QStringLiteral(": focused, wrong colour");
                if (typing && edit->MaxLength() > 0 && text.size() > before.size() && text.size() > edit->MaxLength())
                    failures << context + QStringLiteral(": typed past MaxLength %1").arg(edit->MaxLength());
                // Separators come only from the completion on exit; typing never adds one.
                if ((type == TEditN::etDate || type == TEditN::etTime) && typing
                    && !QRegularExpression(QStringLiteral("^[0-9#$%']$")).match(stroke.text).hasMatch() && text != before)
                    failures << context + QStringLiteral(": '%1' let into a date or time field").arg(stroke.text);
            } else if (edit->Color() != edit->ColorOnNotFocus()) {
                failures << context + QStringLiteral(": not focused, wrong colour");
            }
            if (type == TEditN::etInteger || type == TEditN::etFloat)
                CheckNumberValues(*edit, failures, context);
            if (!edit->hasFocus()) {
                // Just left by Tab: the exit formatting ran.
                if (type == TEditN::etFloat && precision > 0
                    && !QRegularExpression(QStringLiteral("^[^.]*\\.[0-9]{%1}$").arg(precision)).match(text).hasMatch()
)
                    failures << context + QStringLiteral(": '%1' left without %2 decimals").arg(text).arg(precision);
                if (type == TEditN::etDate) {
                    TDateTime date = 0;
                    if (TryStrToDate(text, date, FormatSettings()) ? edit->ValueDate() != date
                                                                   : capture.Messages.last() != "Date incorrect")
                        failures << context + QStringLiteral(": date '%1' and value %2 disagree").arg(text).arg(edit->ValueDate());
                }
                if (type == TEditN::etTime) {
                    TDateTime time = 0;
                    // An incorrect time leaves the current time, seconds included, whatever the text shows.
                    const bool incorrect = !capture.Messages.isEmpty() && capture.Messages.last() == "Time incorrect"
                                           && capture.Messages.size() > messagesBefore;
                    const TDateTime now = FixedNow() - std::floor(FixedNow());
                    if (!TryStrToTime(text, time, FormatSettings())
                        || std::fabs(edit->ValueTime() - (incorrect ? now : time)) > 1e-9)
                        failures << context + QStringLiteral(": time '%1' and value %2 disagree").arg(text).arg(edit->ValueTime());
                }
            }
        }
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(tst_TEditNRandom)
#include "tst_editn_random.moc"
