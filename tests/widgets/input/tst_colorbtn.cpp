#include "ColorGlyphs.h"
#include "CustomColors.h"
#include "Dialogs.h"
#include "TColPickDlg.h"
#include "TColorBtn.h"
#include "TColorPicker.h"
#include "TLayout.h"

#include <QApplication>
#include <QColorDialog>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kRedCell = 18; // row 2, column 2

// The values under "SoftWare" / "Tallimo" / Key, as the settings store holds them.
QMap<QString, QString> StoredValues(const QString &key)
{
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("SoftWare"), QStringLiteral("Tallimo"));
    store.beginGroup(key);
    QMap<QString, QString> values;
    for (const QString &name : store.childKeys())
        values.insert(name, store.value(name).toString());
    return values;
}

void Store(const QString &key, const QMap<QString, QString> &values)
{
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("SoftWare"), QStringLiteral("Tallimo"));
    store.beginGroup(key);
    for (auto it = values.begin(); it != values.end(); ++it)
        store.setValue(it.key(), it.value());
}

QMap<QString, QString> AllWhite()
{
    QMap<QString, QString> values;
    for (int i = 0; i < kCustomColorCount; ++i)
        values.insert(CustomColorValueName(i), QStringLiteral("FFFFFF"));
    return values;
}

QList<TColBtn *> DownButtons(const TColorPicker *picker)
{
    QList<TColBtn *> down;
    for (TColBtn *button : picker->findChildren<TColBtn *>())
        if (button->Down())
            down.append(button);
    return down;
}

} // namespace

class tst_ColorBtn : public QObject
{
    Q_OBJECT

    QTemporaryDir m_settingsDir;
    QWidget *m_window = nullptr;
    TColorBtn *m_button = nullptr;
    int m_clicks = 0;

    // Waits for the colour dialog of Picker, gives it Color and closes it with OK or Cancel.
    static bool AnswerDialog(TColorPicker *picker, const QColor &color, bool ok)
    {
        QColorDialog *dialog = picker->ColorDialog();
        if (!QTest::qWaitFor([dialog] { return dialog->isVisible(); }))
            return false;
        dialog->setCurrentColor(color);
        ok ? dialog->accept() : dialog->reject();
        return true;
    }

    TColPickDlg *DropDown()
    {
        m_button->DropDown();
        TColPickDlg *dropDown = m_button->DropDownWindow();
        if (dropDown && !QTest::qWaitForWindowActive(dropDown))
            return nullptr;
        return dropDown;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_settingsDir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settingsDir.path());
        SetApplicationTitle(QStringLiteral("Tallimo"));
    }

    void init()
    {
        QDir(m_settingsDir.path() + QStringLiteral("/SoftWare")).removeRecursively();
        CustomColors().fill(clRed); // what an earlier palette may have left in memory
        m_window = new QWidget;
        m_window->setGeometry(40, 40, 300, 300);
        m_button = new TColorBtn(m_window);
        m_button->SetBounds(20, 10, 0, 22);
        m_button->SetRegKey(QStringLiteral("Pelmark"));
        m_clicks = 0;
        m_button->OnClick = [this](QObject *sender) {
            QCOMPARE(sender, m_button);
            const TColPickDlg *dropDown = m_button->DropDownWindow();
            QVERIFY2(!dropDown || !dropDown->isVisible(), "the palette is off the screen before OnClick");
            ++m_clicks;
        };
        m_window->show();
        QApplication::setActiveWindow(m_window);
        QVERIFY(QTest::qWaitForWindowActive(m_window));
    }

    void cleanup()
    {
        delete m_window;
        // The drop-down and its colour dialog go with the button.
        QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    // GIVEN no stored custom colours WHEN the red cell is accepted THEN the button takes red, raises
    // OnClick once and the 16 white custom colours (not the choice) are written.
    void firstChoiceWritesWhiteCustomColours()
    {
        QVERIFY(StoredValues(QStringLiteral("Pelmark")).isEmpty());
        TColPickDlg *dropDown = DropDown();
        QVERIFY(dropDown);
        for (int i = 0; i < kCustomColorCount; ++i)
            QCOMPARE(dropDown->ColPick->CustomCell(i)->Color(), clWhite);
        QVERIFY2(StoredValues(QStringLiteral("Pelmark")).isEmpty(), "loading must not create the keys");

        QTest::mouseClick(dropDown->ColPick->PaletteCell(kRedCell), Qt::LeftButton);
        QCOMPARE(m_button->ActiveColor(), TColorFromBits(0x0000FF));
        QCOMPARE(m_button->TargetColor(), TColorFromBits(0x0000FF));
        QCOMPARE(m_button->ColorPart()->Color(), TColorFromBits(0x0000FF));
        QVERIFY(!m_button->AutomaticChosen());
        QCOMPARE(m_clicks, 1);
        QCOMPARE(StoredValues(QStringLiteral("Pelmark")), AllWhite());
        QTRY_VERIFY(!m_button->DropDownWindow());
    }

    // Stored values that are missing or not 1 to 8 hexadecimal digits load as white.
    void badStoredValuesLoadWhite_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<TColor>("loaded");
        QTest::newRow("plain") << "0080FF" << TColorFromBits(0x0080FF);
        QTest::newRow("lower case, short") << "ff" << TColorFromBits(0xFF);
        QTest::newRow("system colour") << "80000005" << clWindow;
        QTest::newRow("missing") << QString() << clWhite;
        QTest::newRow("not hex") << "00GG00" << clWhite;
        QTest::newRow("prefixed") << "0x00FF" << clWhite;
        QTest::newRow("spaces") << " 0000FF" << clWhite;
        QTest::newRow("too long") << "1000000FF" << clWhite;
    }
    void badStoredValuesLoadWhite()
    {
        QFETCH(QString, stored);
        QFETCH(TColor, loaded);
        QMap<QString, QString> values{{QStringLiteral("ColorA"), QStringLiteral("123456")}};
        if (!stored.isNull())
            values.insert(QStringLiteral("ColorF"), stored);
        Store(QStringLiteral("Pelmark"), values);
        LoadCustomColors(QStringLiteral("Pelmark"));
        QCOMPARE(CustomColors()[0], TColorFromBits(0x123456));
        QCOMPARE(CustomColors()[5], loaded);
        QCOMPARE(CustomColors()[15], clWhite);
    }

    void savedTableLoadsBackUnderItsOwnKey()
    {
        for (int i = 0; i < kCustomColorCount; ++i)
            CustomColors()[size_t(i)] = RGBColor(i, 2 * i, 255 - i);
        CustomColors()[7] = clInfoBk;
        const TCustomColorTable saved = CustomColors();
        SaveCustomColors(QStringLiteral("Other"));
        const QMap<QString, QString> stored = StoredValues(QStringLiteral("Other"));
        QCOMPARE(stored.value(QStringLiteral("ColorP")), QStringLiteral("F01E0F"));
        QCOMPARE(stored.value(QStringLiteral("ColorH")), QStringLiteral("80000018"));
        LoadCustomColors(QStringLiteral("Pelmark"));
        QCOMPARE(CustomColors()[7], clWhite);
        LoadCustomColors(QStringLiteral("Other"));
        QVERIFY(CustomColors() == saved);
    }

    void automaticChoiceIsReported()
    {
        m_button->SetAutomaticColor(clNavy);
        TColPickDlg *dropDown = DropDown();
        QVERIFY(dropDown);
        QCOMPARE(dropDown->ColPick->AutomaticButton()->Caption(), QStringLiteral("Automatic"));
        QTest::mouseClick(dropDown->ColPick->AutomaticButton(), Qt::LeftButton);
        QCOMPARE(m_button->ActiveColor(), clNavy);
        QVERIFY(m_button->AutomaticChosen());

        dropDown = DropDown();
        QVERIFY(dropDown);
        QTest::mouseClick(dropDown->ColPick->PaletteCell(0), Qt::LeftButton);
        QVERIFY(!m_button->AutomaticChosen());
        QCOMPARE(m_clicks, 2);
    }

    // Enter before any click accepts the colour that was marked, Escape closes without a choice.
    void keysInTheDropDown_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<TColor>("active");
        QTest::addColumn<int>("clicks");
        QTest::newRow("enter") << int(Qt::Key_Return) << clTeal << 1;
        QTest::newRow("keypad enter") << int(Qt::Key_Enter) << clTeal << 1;
        QTest::newRow("escape") << int(Qt::Key_Escape) << clGreen << 0;
        QTest::newRow("other key") << int(Qt::Key_A) << clGreen << 0;
    }
    void keysInTheDropDown()
    {
        QFETCH(int, key);
        QFETCH(TColor, active);
        QFETCH(int, clicks);
        m_button->SetActiveColor(clGreen);
        m_button->SetTargetColor(clTeal);
        TColPickDlg *dropDown = DropDown();
        QVERIFY(dropDown);
        QTest::keyClick(dropDown, Qt::Key(key));
        QCOMPARE(m_button->ActiveColor(), active);
        QCOMPARE(m_clicks, clicks);
        QCOMPARE(StoredValues(QStringLiteral("Pelmark")).isEmpty(), clicks == 0);
        QCOMPARE(dropDown->isVisible(), key == Qt::Key_A);
        QTRY_COMPARE(bool(m_button->DropDownWindow()), key == Qt::Key_A);
    }

    // The last matching palette cell is pressed, else the last matching custom cell, else the
    // Other swatch takes the colour; always exactly one button of the group is down.
    void markingTheCurrentColour_data()
    {
        QTest::addColumn<TColor>("target");
        QTest::addColumn<int>("pressed"); // palette cell, 100 + custom cell, or -1 for the Other swatch
        QTest::newRow("black") << clBlack << 0;
        QTest::newRow("red") << clRed << kRedCell;
        QTest::newRow("white, also a custom colour") << clWhite << 33;
        QTest::newRow("custom, twice") << TColorFromBits(0x123456) << 109;
        QTest::newRow("nowhere") << TColorFromBits(0x010203) << -1;
    }
    void markingTheCurrentColour()
    {
        QFETCH(TColor, target);
        QFETCH(int, pressed);
        Store(QStringLiteral("Pelmark"), {{QStringLiteral("ColorC"), QStringLiteral("123456")},
                                          {QStringLiteral("ColorJ"), QStringLiteral("123456")}});
        m_button->SetTargetColor(target);
        TColPickDlg *dropDown = DropDown();
        QVERIFY(dropDown);
        const TColorPicker *picker = dropDown->ColPick;
        TColBtn *expected = pressed < 0     ? picker->OtherSwatch()
                            : pressed < 100 ? picker->PaletteCell(pressed)
                                            : picker->CustomCell(pressed - 100);
        QCOMPARE(DownButtons(picker), QList<TColBtn *>{expected});
        QCOMPARE(expected->Color(), target);
    }

    // A right-click redefinition lives in the open palette only: Escape loses it, a choice saves it.
    void rightClickRedefinesACustomColour()
    {
        Store(QStringLiteral("Pelmark"), {{QStringLiteral("ColorD"), QStringLiteral("00FF00")}});
        TColPickDlg *dropDown = DropDown();
        QVERIFY(dropDown);
        TColBtn *cell = dropDown->ColPick->CustomCell(3);
        QTest::mousePress(cell, Qt::RightButton);
        QTRY_VERIFY(dropDown->DialogOpen());
        QCOMPARE(dropDown->ColPick->ColorDialog()->currentColor(), QColor(0, 255, 0));
        QVERIFY(AnswerDialog(dropDown->ColPick, QColor(1, 2, 3), true));
        QVERIFY(!dropDown->DialogOpen());
        QCOMPARE(cell->Color(), RGBColor(1, 2, 3));
        QCOMPARE(CustomColors()[3], RGBColor(1, 2, 3));
        QVERIFY(!cell->Down());
        QTRY_VERIFY(dropDown->isActiveWindow());
        QTest::keyClick(dropDown, Qt::Key_Escape);

        QTRY_VERIFY(!m_button->DropDownWindow());
        dropDown = DropDown();
        QVERIFY(dropDown);
        QCOMPARE(dropDown->ColPick->CustomCell(3)->Color(), clLime);
        QTest::mousePress(dropDown->ColPick->CustomCell(15), Qt::RightButton);
        QVERIFY(AnswerDialog(dropDown->ColPick, QColor(0x12, 0x34, 0x56), true));
        QTest::mouseClick(dropDown->ColPick->CustomCell(15), Qt::LeftButton);
        QCOMPARE(m_button->ActiveColor(), RGBColor(0x12, 0x34, 0x56));
        QCOMPARE(StoredValues(QStringLiteral("Pelmark")).value(QStringLiteral("ColorP")), QStringLiteral("563412"));
    }

    // "Other colors": the swatch takes the dialog's colour on OK only, and is chosen by a click.
    void otherColoursFillTheSwatch()
    {
        TColPickDlg *dropDown = DropDown();
        QVERIFY(dropDown);
        TColorPicker *picker = dropDown->ColPick;
        const TColor before = picker->OtherSwatch()->Color();
        QTest::mouseClick(picker->OtherButton(), Qt::LeftButton);
        QVERIFY(AnswerDialog(picker, QColor(9, 9, 9), false));
        QCOMPARE(picker->OtherSwatch()->Color(), before);
        QTest::mouseClick(picker->OtherButton(), Qt::LeftButton);
        QVERIFY(AnswerDialog(picker, QColor(7, 8, 9), true));
        QCOMPARE(picker->OtherSwatch()->Color(), RGBColor(7, 8, 9));
        QCOMPARE(m_clicks, 0);
        QVERIFY(m_button->DropDownWindow());
        QTest::mouseClick(picker->OtherSwatch(), Qt::LeftButton);
        QCOMPARE(m_button->ActiveColor(), RGBColor(7, 8, 9));
        QCOMPARE(m_clicks, 1);
    }

    void losingActivationClosesUnlessTheDialogIsOpen()
    {
        TColPickDlg *dropDown = DropDown();
        QVERIFY(dropDown);
        QTest::mouseClick(dropDown->ColPick->OtherButton(), Qt::LeftButton);
        QColorDialog *dialog = dropDown->ColPick->ColorDialog();
        QTRY_VERIFY(dialog->isActiveWindow());
        QApplication::setActiveWindow(m_window);
        QTRY_VERIFY(!dialog->isActiveWindow());
        QVERIFY(m_button->DropDownWindow());
        dialog->reject();
        QTRY_VERIFY(dropDown->isActiveWindow());

        QApplication::setActiveWindow(m_window); // a click outside
        QTRY_VERIFY(!m_button->DropDownWindow());
        QCOMPARE(m_button->ActiveColor(), clBlack);
        QCOMPARE(m_clicks, 0);
        QVERIFY(StoredValues(QStringLiteral("Pelmark")).isEmpty());
    }

    void dropDownSettingsAndPlace_data()
    {
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("firstRow");
        QTest::addColumn<int>("separator");
        QTest::addColumn<int>("firstCustomRow");
        QTest::addColumn<int>("otherRow");
        QTest::newRow("with Automatic") << true << QSize(170, 210) << 30 << 135 << 140 << 185;
        QTest::newRow("without Automatic") << false << QSize(170, 188) << 8 << 113 << 118 << 163;
    }
    void dropDownSettingsAndPlace()
    {
        QFETCH(bool, automatic);
        QFETCH(QSize, size);
        QFETCH(int, firstRow);
        QFETCH(int, separator);
        QFETCH(int, firstCustomRow);
        QFETCH(int, otherRow);
        m_button->SetIsAutomatic(automatic);
        m_button->SetDropDownFlat(false);
        m_button->SetOtherBtnCaption(QStringLiteral("&More..."));
        bool raisedFirst = false;
        m_button->BeforeDropDown = [&](QObject *) {
            // Stored here, seen by the palette: the custom colours are loaded after this event.
            Store(QStringLiteral("Pelmark"), {{QStringLiteral("ColorB"), QStringLiteral("0000FF")}});
            raisedFirst = !m_button->DropDownWindow();
        };
        TColPickDlg *dropDown = DropDown();
        QVERIFY(dropDown);
        QVERIFY(raisedFirst);
        const TColorPicker *picker = dropDown->ColPick;
        QCOMPARE(picker->CustomCell(1)->Color(), clRed);
        QCOMPARE(picker->size(), size);
        QCOMPARE(dropDown->size(), size);
        QCOMPARE(dropDown->pos(), m_button->mapToGlobal(QPoint(0, 22)));
        QCOMPARE(picker->AutomaticButton()->isVisible(), automatic);
        QCOMPARE(picker->OtherButton()->Caption(), QStringLiteral("&More..."));
        QVERIFY(!picker->PaletteCell(0)->Flat() && !picker->OtherButton()->Flat());
        for (int i = 0; i < TColorPicker::kPaletteCount; ++i) {
            QCOMPARE(picker->PaletteCell(i)->Color(), TColorPicker::kPalette[size_t(i)]);
            QCOMPARE(picker->PaletteCell(i)->geometry(), QRect(5 + 20 * (i % 8), firstRow + 20 * (i / 8), 20, 20));
        }
        QCOMPARE(picker->PaletteCell(kRedCell)->Color(), TColorFromBits(0x0000FF));
        QCOMPARE(picker->SeparatorRect().top(), separator);
        QCOMPARE(picker->CustomCell(15)->geometry(), QRect(145, firstCustomRow + 20, 20, 20));
        QCOMPARE(picker->OtherSwatch()->geometry(), QRect(5, otherRow, 20, 20));
        QCOMPARE(picker->OtherButton()->geometry(), QRect(25, otherRow, 140, 20));
    }

    // Near the screen's bottom-right corner the palette opens above the button, against the edge.
    void dropDownStaysOnTheScreen()
    {
        const QRect room = m_window->screen()->availableGeometry();
        m_window->move(room.right() - 60, room.bottom() - 60);
        const QPoint buttonTop = m_button->mapToGlobal(QPoint(0, 0));
        TColPickDlg *dropDown = DropDown();
        QVERIFY(dropDown);
        QCOMPARE(dropDown->pos(), QPoint(room.right() + 1 - 170, buttonTop.y() - 210));
    }

    void widthFollowsHeight_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("arrow");
        QTest::newRow("default") << 22 << 35 << 13;
        QTest::newRow("30 high") << 30 << 46 << 16;
        QTest::newRow("8 high") << 8 << 16 << 8;
    }
    void widthFollowsHeight()
    {
        QFETCH(int, height);
        QFETCH(int, width);
        QFETCH(int, arrow);
        m_button->SetBounds(0, 0, 200, height);
        QCOMPARE(m_button->size(), QSize(width, height));
        QCOMPARE(m_button->ColorPart()->geometry(), QRect(0, 0, height, height));
        QCOMPARE(m_button->ArrowPart()->geometry(), QRect(height, 0, arrow, height));
        m_button->resize(300, 300);
        QTRY_COMPARE(m_button->width(), TColorBtn::WidthForHeight(300));

        TColorBtn loading;
        loading.BeginLoading();
        loading.SetBounds(0, 0, 100, height);
        QCOMPARE(loading.width(), 100);
        loading.EndLoading();
        QCOMPARE(loading.size(), QSize(width, height));
    }

    void propertiesOfTheButton()
    {
        TColorBtn button;
        QCOMPARE(button.size(), QSize(35, 22));
        QCOMPARE(button.RegKey(), QStringLiteral("Palette0"));
        button.SetRegKey(QStringLiteral("Pelmark"));
        button.SetRegKey(QString());
        QCOMPARE(button.RegKey(), QStringLiteral("Palette0"));

        QCOMPARE(button.Glyph(), ColorButtonImage(QStringLiteral("FRCOLOR")));
        button.SetGlyphType(TColorBtn::gtLines);
        QCOMPARE(button.Glyph(), ColorButtonImage(QStringLiteral("LNCOLOR")));
        button.SetGlyphType(TColorBtn::gtCustom);
        QVERIFY(button.Glyph().isNull());
        button.SetGlyphType(TColorBtn::gtBackground);
        QImage own(16, 16, QImage::Format_RGB32);
        own.fill(Qt::green);
        button.SetGlyph(own);
        QCOMPARE(button.GlyphType(), TColorBtn::gtCustom);
        QCOMPARE(button.Glyph(), own);

        button.SetFlat(true);
        QVERIFY(button.ColorPart()->Flat() && button.ArrowPart()->Flat());
    }

    // The main window's button as its layout describes it: the loader sets every property by name
    // while loading, and the width rule applies once loading ends.
    void mainWindowButtonFromItsLayout()
    {
        const TLayoutObject layout = ParseLayout(QStringLiteral(
            "object Form1: TForm1\n"
            "  object ColorBtn1: TColorBtn\n"
            "    Left = 604\n    Top = 0\n    Width = 50\n    Height = 22\n"
            "    Cursor = crHandPoint\n    Hint = 'Change this application''s color'\n    ShowHint = True\n"
            "    ActiveColor = clBlack\n    TargetColor = clBlack\n    Flat = False\n    DropDownFlat = True\n"
            "    AutomaticColor = clBlack\n    IsAutomatic = True\n    AutoBtnCaption = 'Automatic'\n"
            "    OtherBtnCaption = '&Other colors...'\n    RegKey = 'Pelmark'\n    OnClick = ColorBtn1Click\n"
            "  end\nend\n"));
        TClassRegistry registry;
        registry.Register<TColorBtn>(QStringLiteral("TColorBtn"));
        TLayoutLoader loader(registry);
        QStringList bound;
        loader.SetEventBinder([&bound](QObject *, const QString &event, const QString &handler) {
            bound << event + QLatin1Char('=') + handler;
        });
        QWidget form;
        const QList<QObject *> made = loader.Load(layout, &form);
        QCOMPARE(made.size(), 1);
        auto *button = qobject_cast<TColorBtn *>(made.first());
        QVERIFY(button);
        QCOMPARE(button->geometry(), QRect(604, 0, 35, 22));
        QCOMPARE(button->RegKey(), QStringLiteral("Pelmark"));
        QCOMPARE(button->OtherBtnCaption(), QStringLiteral("&Other colors..."));
        QCOMPARE(button->Hint(), QStringLiteral("Change this application's color"));
        QVERIFY(!button->Flat() && button->DropDownFlat() && button->IsAutomatic());
        QCOMPARE(bound, QStringList{QStringLiteral("OnClick=ColorBtn1Click")});
    }

    void destroyingTheButtonClosesItsDropDown()
    {
        QPointer<TColPickDlg> dropDown = DropDown();
        QVERIFY(dropDown);
        delete m_button;
        QTRY_VERIFY(!dropDown);
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    tst_ColorBtn test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_colorbtn.moc"
