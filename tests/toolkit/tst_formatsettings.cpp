#include "Exceptions.h"
#include "FormatSettings.h"

#include <QTest>

class tst_FormatSettings : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { ResetFormatSettings(); }

    void localeShortDateIsAlwaysNumeric_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("order");
        QTest::addColumn<QChar>("separator");
        QTest::newRow("C spells the month") << "C" << int(doDMY) << QChar('/');
        QTest::newRow("en_GB") << "en_GB" << int(doDMY) << QChar('/');
        QTest::newRow("en_US") << "en_US" << int(doMDY) << QChar('/');
        QTest::newRow("de_DE") << "de_DE" << int(doDMY) << QChar('.');
        QTest::newRow("ja_JP") << "ja_JP" << int(doYMD) << QChar('/');
    }
    void localeShortDateIsAlwaysNumeric()
    {
        QFETCH(QString, locale);
        QFETCH(int, order);
        QFETCH(QChar, separator);
        const TFormatSettings fs = TFormatSettings::FromLocale(QLocale(locale));
        QCOMPARE(int(fs.DateOrder()), order);
        QCOMPARE(fs.DateSeparator, separator);
        QVERIFY2(!fs.ShortDateFormat.contains("MMM"), qPrintable(fs.ShortDateFormat));
        // A date written in the format reads back as the same date.
        const TDateTime date = FromQDate(QDate(2026, 3, 9));
        TDateTime back = 0;
        QVERIFY(TryStrToDate(DateToStr(date, fs), back, fs));
        QCOMPARE(back, date);
    }

    void germanLocaleUsesDecimalComma()
    {
        const TFormatSettings fs = TFormatSettings::FromLocale(QLocale("de_DE"));
        QCOMPARE(fs.DecimalSeparator, QChar(','));
        double value = 0;
        QVERIFY(TryStrToFloat("3,5", value, fs));
        QCOMPARE(value, 3.5);
        QVERIFY(!TryStrToFloat("3.5", value, fs));
        QCOMPARE(FloatToStr(0.1, fs), QString("0,1"));
    }

    void readsDatesByTheFormatsOrder()
    {
        TFormatSettings fs;
        fs.ShortDateFormat = "MM/dd/yyyy";
        TDateTime value = 0;
        QVERIFY(TryStrToDate("12/31/2025", value, fs));
        QCOMPARE(ToQDate(value), QDate(2025, 12, 31));
        QVERIFY(!TryStrToDate("31/12/2025", value, fs));
        fs.ShortDateFormat = "dd/MM/yyyy";
        QVERIFY(TryStrToDate("31/12/2025", value, fs));
        QVERIFY(TryStrToDate(" 1/2/2025 ", value, fs));
        QCOMPARE(ToQDate(value), QDate(2025, 2, 1));
        QVERIFY(TryStrToDate("1/2", value, fs));
        QCOMPARE(ToQDate(value), QDate(QDate::currentDate().year(), 2, 1));
    }

    void refusesWhatIsNoDate_data()
    {
        QTest::addColumn<QString>("text");
        for (const char *text : {"", "abc", "31/02/2025", "1/13/2025", "1-2-2025", "1//2025", "1/2/3/4", "0/1/2025"})
            QTest::newRow(text) << QString(text);
    }
    void refusesWhatIsNoDate()
    {
        QFETCH(QString, text);
        TFormatSettings fs;
        TDateTime value = 42;
        QVERIFY(!TryStrToDate(text, value, fs));
        QCOMPARE(value, 42.0);
        try {
            StrToDate(text, fs);
            QFAIL("no error raised");
        } catch (const EConvertError &error) {
            QCOMPARE(error.Message(), QString("'%1' is not a valid date").arg(text));
        }
    }

    void twoDigitYearsFallWithinFiftyYears()
    {
        TFormatSettings fs;
        TDateTime value = 0;
        const int thisYear = QDate::currentDate().year();
        QVERIFY(TryStrToDate("1/1/00", value, fs));
        QVERIFY(qAbs(ToQDate(value).year() - thisYear) <= 50);
        QVERIFY(TryStrToDate("1/1/99", value, fs));
        QVERIFY(qAbs(ToQDate(value).year() - thisYear) <= 50);
    }

    void dateTimeCountsDaysFrom1899()
    {
        QCOMPARE(FromQDate(QDate(1899, 12, 30)), 0.0);
        QCOMPARE(FromQDate(QDate(1900, 1, 1)), 2.0);
        QCOMPARE(ToQDate(45000.75), QDate(2023, 3, 15));
        QCOMPARE(ToQTime(45000.75), QTime(18, 0));
        QCOMPARE(ToQDate(-1.0), QDate(1899, 12, 29));
    }

    void integersAreWholeDecimalNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "85" << true << 85;
        QTest::newRow("blanks") << " 85 " << true << 85;
        QTest::newRow("signs") << "-7" << true << -7;
        QTest::newRow("plus") << "+7" << true << 7;
        QTest::newRow("fraction") << "85.5" << false << 0;
        QTest::newRow("letters") << "abc" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("double sign") << "+-1" << false << 0;
        QTest::newRow("too large") << "2147483648" << false << 0;
        QTest::newRow("smallest") << "-2147483648" << true << int(-2147483648LL);
    }
    void integersAreWholeDecimalNumbers()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        qint32 parsed = 0;
        QCOMPARE(TryStrToInt(text, parsed), ok);
        if (ok)
            QCOMPARE(parsed, value);
    }

    void formatFloatPadsAndRounds_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("7") << "00.00" << 7.0 << "07.00";
        QTest::newRow("12") << "00.00" << 12.0 << "12.00";
        QTest::newRow("0") << "00.00" << 0.0 << "00.00";
        QTest::newRow("-3") << "00.00" << -3.0 << "-03.00";
        QTest::newRow("123") << "00.00" << 123.0 << "123.00";
        QTest::newRow("half away") << "0.0" << 0.25 << "0.3";
        QTest::newRow("optional digits") << "0.##" << 1.5 << "1.5";
        QTest::newRow("negative zero") << "0.0" << -0.01 << "0.0";
    }
    void formatFloatPadsAndRounds()
    {
        QFETCH(QString, pattern);
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(FormatFloat(pattern, value, TFormatSettings()), text);
    }

    void floatTextRoundTripsExactly()
    {
        const TFormatSettings fs;
        for (const double value : {0.1, 72.3, -1e-7, 1234567.125, 3.0}) {
            double back = 0;
            QVERIFY(TryStrToFloat(FloatToStr(value, fs), back, fs));
            QCOMPARE(back, value);
        }
        QCOMPARE(FloatToStr(72.3, fs), QString("72.3"));
        QCOMPARE(FloatToStr(3.0, fs), QString("3"));
    }
};

QTEST_GUILESS_MAIN(tst_FormatSettings)
#include "tst_formatsettings.moc"
