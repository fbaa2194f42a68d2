#include "InputTestSupport.h"
#include "TDBEditN.h"
#include "TField.h"
#include "THintController.h"
#include "TTable.h"

#include <QClipboard>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <memory>

// The bound edit over a real player table in a temporary folder.
class tst_TDBEditN : public QObject
{
    Q_OBJECT

private:
    TFormatSettings m_savedSettings;
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<THintController> m_hints;
    std::unique_ptr<TMessageCapture> m_capture;
    std::unique_ptr<TTable> m_table;
    std::unique_ptr<TDataSource> m_source;
    std::unique_ptr<QWidget> m_window;
    TDBEditN *m_name = nullptr;     // bound to Descr, a text field of 30 characters
    TDBEditN *m_handicap = nullptr; // bound to Hcap, a decimal number
    QLineEdit *m_other = nullptr;

    QStringList &Messages() { return m_capture->Messages; }
    QString Stored(const char *field) const { return m_table->FieldByName(field)->AsString(); }
    void Focus(QWidget *widget)
    {
        widget->setFocus(Qt::OtherFocusReason);
        QVERIFY(widget->hasFocus());
    }

private slots:
    void init()
    {
        m_savedSettings = FormatSettings();
        SetFormatSettings(DayMonthYear());
        m_capture = std::make_unique<TMessageCapture>();
        m_hints = std::make_unique<THintController>();
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());

        m_table = std::make_unique<TTable>();
        m_table->SetDatabaseName(m_folder->path());
        m_table->SetTableName("hcap.DB");
        m_table->CreateTable({{"Descr", ftString, 30, false}, {"Hcap", ftFloat, 0, false}});
        m_table->Open();
        for (const auto &[name, handicap] : {std::pair{"Jones", 12.5}, std::pair{"Miller", 20.0}}) {
            m_table->Insert();
            m_table->FieldByName("Descr")->SetAsString(name);
            m_table->FieldByName("Hcap")->SetAsFloat(handicap);
            m_table->Post();
        }
        m_table->First();
        m_source = std::make_unique<TDataSource>();
        m_source->SetDataSet(m_table.get());

        m_window = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(m_window.get());
        m_other = new QLineEdit(m_window.get());
        m_name = new TDBEditN(m_window.get());
        m_name->SetDataSource(m_source.get());
        m_name->SetDataField("Descr");
        m_handicap = new TDBEditN(m_window.get());
        m_handicap->SetDataSource(m_source.get());
        m_handicap->SetDataField("Hcap");
        layout->addWidget(m_other);
        layout->addWidget(m_name);
        layout->addWidget(m_handicap);
        m_other->setFocus();
        QVERIFY(ShowActive(*m_window));
    }
    void cleanup()
    {
        m_window.reset();
        m_source.reset();
        m_table.reset();
        m_folder.reset();
        m_hints.reset();
        m_capture.reset();
        SetFormatSettings(m_savedSettings);
    }

    void showsTheCurrentRecordAndFollowsMoves()
    {
        QCOMPARE(m_name->text(), QString("Jones"));
        QCOMPARE(m_handicap->text(), QString("12.5"));
        QCOMPARE(m_handicap->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
        QCOMPARE(m_name->MaxLength(), 30);
        QVERIFY(m_name->isReadOnly()); // the table is browsing
        QVERIFY(!m_name->ReadOnly());
        m_table->Next();
        QCOMPARE(m_name->text(), QString("Miller"));
        QCOMPARE(m_handicap->text(), QString("20"));
        m_table->Close();
        QCOMPARE(m_name->text(), QString());
        QCOMPARE(m_name->Field(), nullptr);
    }

    void typingReleasedBoxAsksTheStoreToEditAndLeavingWritesTheField_data()
    {
        QTest::addColumn<bool>("upper");
        QTest::addColumn<QString>("written");
        QTest::newRow("capitalised") << true << "Smith";
        QTest::newRow("as typed") << false << "smith";
    }
    void typingReleasedBoxAsksTheStoreToEditAndLeavingWritesTheField()
    {
        QFETCH(bool, upper);
        QFETCH(QString, written);
        m_name->SetFirstCharUpper(upper);
        int exits = 0;
        m_name->OnExit = [&](QObject *) {
            ++exits;
            QCOMPARE(Stored("Descr"), written); // written before OnExit
        };
        Focus(m_name);
        QVERIFY(!m_name->isReadOnly());
        QCOMPARE(m_name->Color(), clWhite);
        m_name->selectAll();
        QCOMPARE(m_table->State(), dsBrowse);
        QTest::keyClicks(m_name, "smith");
        QCOMPARE(m_table->State(), dsEdit);
        QCOMPARE(m_name->text(), written);
        Focus(m_other);
        QCOMPARE(exits, 1);
        QCOMPARE(m_name->Color(), clSilver);
        QCOMPARE(m_table->State(), dsEdit); // written, not posted
        m_table->Post();
        m_table->First();
        QCOMPARE(Stored("Descr"), written);
        QCOMPARE(m_name->text(), written);
        QVERIFY(Messages().isEmpty());
    }

    void letterInNumberFieldBeepsAndInsertsNothing()
    {
        Focus(m_handicap);
        m_handicap->end(false);
        QTest::keyClick(m_handicap, 'a');
        QCOMPARE(m_capture->Beeps, 1);
        QCOMPARE(m_handicap->text(), QString("12.5"));
        QCOMPARE(m_table->State(), dsBrowse);
        QTest::keyClick(m_handicap, '0');
        QCOMPARE(m_handicap->text(), QString("12.50"));
        QCOMPARE(m_table->State(), dsEdit);
        QCOMPARE(m_capture->Beeps, 1);
    }

    void pastedTextThatDoesNotConvertKeepsTheFocusUntilEscape()
    {
        QGuiApplication::clipboard()->setText("abc");
        Focus(m_handicap);
        m_handicap->selectAll();
        QTest::keyClick(m_handicap, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(m_handicap->text(), QString("abc"));
        QCOMPARE(m_table->State(), dsEdit);
        int exits = 0;
        m_handicap->OnExit = [&](QObject *) { ++exits; };
        m_other->setFocus(Qt::TabFocusReason);
        QCOMPARE(Messages(), QStringList{"'abc' is not a valid floating point value for field 'Hcap'"});
        QVERIFY(m_handicap->hasFocus());
        QCOMPARE(m_handicap->selectedText(), QString("abc"));
        QCOMPARE(m_handicap->Color(), clWhite);
        QCOMPARE(exits, 0);
        // Escape shows the stored value again; then the field can be left.
        QTest::keyClick(m_handicap, Qt::Key_Escape);
        QCOMPARE(m_handicap->text(), QString("12.5"));
        QCOMPARE(m_handicap->selectedText(), QString("12.5"));
        Focus(m_other);
        QCOMPARE(exits, 1);
        QCOMPARE(Messages().size(), 1);
        m_table->Post();
        QCOMPARE(m_table->FieldByName("Hcap")->AsFloat(), 12.5);
    }

    void escapeRestoresTheStoredValue()
    {
        Focus(m_name);
        m_name->end(false);
        QTest::keyClicks(m_name, " jr");
        QCOMPARE(m_name->text(), QString("Jones jr"));
        QTest::keyClick(m_name, Qt::Key_Escape);
        QCOMPARE(m_name->text(), QString("Jones"));
        QCOMPARE(m_name->selectedText(), QString("Jones"));
        Focus(m_other);
        m_table->Post();
        QCOMPARE(Stored("Descr"), QString("Jones"));
    }

    void writeRefusedOutsideEditStateKeepsTheFocus()
    {
        m_source->SetAutoEdit(false);
        Focus(m_name);
        m_name->selectAll();
        QTest::keyClicks(m_name, "Brown"); // the released box takes it, the store does not edit
        QCOMPARE(m_name->text(), QString("Brown"));
        QCOMPARE(m_table->State(), dsBrowse);
        m_other->setFocus(Qt::TabFocusReason);
        QVERIFY(!m_other->hasFocus());
        QVERIFY(m_name->hasFocus());
        QCOMPARE(Messages(), QStringList{"Dataset not in edit or insert mode"});
        QCOMPARE(Stored("Descr"), QString("Jones"));
    }

    void deleteAndBackspaceAskToEdit_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("shown");
        QTest::newRow("delete") << int(Qt::Key_Delete) << "ones";
        QTest::newRow("backspace") << int(Qt::Key_Backspace) << "Jones";
    }
    void deleteAndBackspaceAskToEdit()
    {
        QFETCH(int, key);
        QFETCH(QString, shown);
        Focus(m_name);
        m_name->setCursorPosition(0);
        QTest::keyClick(m_name, Qt::Key(key));
        QCOMPARE(m_table->State(), dsEdit);
        QCOMPARE(m_name->text(), shown);
    }

    void editKeyByTabMovesOnAndOverwriteReplaces()
    {
        m_name->SetEditKeyByTab(QChar(13));
        Focus(m_name);
        m_name->setCursorPosition(0);
        TCustomEditN::SetInsertToggle(true);
        QTest::keyClick(m_name, 'B');
        TCustomEditN::SetInsertToggle(false);
        QCOMPARE(m_name->text(), QString("Bones"));
        QCOMPARE(m_name->FontColor(), clBlue);
        QTest::keyClick(m_name, Qt::Key_Return);
        QVERIFY(m_handicap->hasFocus());
        QCOMPARE(Stored("Descr"), QString("Bones"));
    }

    void readOnlyBindingIsReleasedOnFocusButNeverWritten()
    {
        m_name->SetReadOnly(true);
        Focus(m_name);
        QVERIFY(!m_name->isReadOnly());
        QVERIFY(m_name->ReadOnly());
        m_name->selectAll();
        QTest::keyClicks(m_name, "X");
        QCOMPARE(m_table->State(), dsBrowse); // a read-only link never asks to Edit
        m_other->setFocus(Qt::TabFocusReason);
        QVERIFY(m_name->hasFocus()); // the change cannot be written
        QCOMPARE(Messages().size(), 1);
    }

    void destroyedSourceOrTableLeavesAnEmptyUnboundField()
    {
        m_source.reset();
        QCOMPARE(m_name->DataSource(), nullptr);
        QCOMPARE(m_name->text(), QString());
        Focus(m_name);
        QTest::keyClicks(m_name, "free");
        Focus(m_other);
        QVERIFY(Messages().isEmpty());
    }

    void longNameShowsTheTipOnlyWhileNotFocused()
    {
        m_name->setFixedWidth(40);
        m_table->Edit();
        m_table->FieldByName("Descr")->SetAsString("Montgomery-Fitzwilliam");
        m_table->Post();
        QCOMPARE(m_name->text(), QString("Montgomery-Fitzwilliam"));
        QCursor::setPos(0, 0);
        QTest::mouseMove(m_name, QPoint(4, 4));
        QTRY_COMPARE(m_hints->State(), THintController::hsShowing);
        QCOMPARE(m_hints->TipText(), QString("Montgomery-Fitzwilliam"));
        QTest::mouseClick(m_name, Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
        QVERIFY(m_name->hasFocus());
        QVERIFY(!m_hints->isVisible()); // the mouse press withdrew it
        m_hints->CancelTip();
        QTest::mouseMove(m_name, QPoint(6, 6));
        QCOMPARE(m_hints->State(), THintController::hsIdle);
    }
};

QTEST_MAIN(tst_TDBEditN)
#include "tst_dbeditn.moc"
