#pragma once

#include "TDatabase.h"
#include "TTable.h"

#include <QDeadlineTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

// Where one test keeps its tables: a folder of real table files, or, when the tests run with
// TALLIMO_TEST_ENGINE=server, a schema of its own in the PostgreSQL database that
// TALLIMO_TEST_DATABASE names (the test server is thrown away whole). Comes with a small club-like table.
class TableFixture
{
public:
    TableFixture()
    {
        QVERIFY(m_dir.isValid());
        if (!OnServer())
            return;
        const QString name = QStringLiteral("fixture_%1_%2").arg(QCoreApplication::applicationPid()).arg(QRandomGenerator::global()->generate());
        m_database = std::make_unique<TDatabase>();
        m_database->SetDatabaseName(name);
        m_database->SetDriverName(QStringLiteral("POSTGRESQL"));
        m_database->SetParams({QStringLiteral("URL=") + qEnvironmentVariable("TALLIMO_TEST_DATABASE"), QStringLiteral("SCHEMA=") + name});
        m_database->Open();
    }
    static bool OnServer() { return qEnvironmentVariable("TALLIMO_TEST_ENGINE") == QLatin1String("server"); }

    // The name tables give as their DatabaseName: the folder, or the server connection's name.
    QString Folder() const { return m_database ? m_database->DatabaseName() : m_dir.path(); }
    QString FilePath(const QString &name) const { return m_dir.filePath(name); }

    static QList<TFieldInfo> ClubFields()
    {
        return {
            {QStringLiteral("ID"), ftAutoInc, 0, false},
            {QStringLiteral("Descr"), ftString, 40, false},
            {QStringLiteral("RATING"), ftFloat, 0, false},
            {QStringLiteral("Holes"), ftInteger, 0, false},
            {QStringLiteral("Opened"), ftDate, 0, false},
        };
    }

    // A new table with the given records (each: Descr, RATING, Holes), opened in primary order.
    std::unique_ptr<TTable> MakeTable(const QString &name, const QList<std::tuple<QString, QVariant, QVariant>> &records = {})
    {
        auto table = std::make_unique<TTable>();
        table->SetDatabaseName(Folder());
        table->SetTableName(name);
        if (!table->Exists())
            table->CreateTable(ClubFields());
        table->Open();
        for (const auto &[descr, rating, holes] : records) {
            table->Insert();
            table->FieldByName("Descr")->SetAsString(descr);
            table->FieldByName("RATING")->SetValue(rating);
            table->FieldByName("Holes")->SetValue(holes);
            table->Post();
        }
        table->First();
        return table;
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TDatabase> m_database;
};

// Tests of what only table files have (their bytes, their damage, SQLite's own view of them).
#define FILE_ENGINE_ONLY()                                                              \
    do {                                                                                \
        if (TableFixture::OnServer())                                                   \
            QSKIP("a property of table files");                                         \
    } while (false)

// Runs a statement and expects the store's failure with exactly this message.
#define EXPECT_FAILURE(statement, message)                                              \
    do {                                                                                \
        bool raised_ = false;                                                           \
        try {                                                                           \
            statement;                                                                  \
        } catch (const Exception &error_) {                                             \
            raised_ = true;                                                             \
            QCOMPARE(error_.Message(), QString(message));                               \
        }                                                                               \
        QVERIFY2(raised_, qPrintable(QStringLiteral("expected the failure: ") + QString(message))); \
    } while (false)

// The name of the table's current record.
inline QString Descr(TTable &table) { return table.FieldByName("Descr")->AsString(); }

// Waits, up to the deadline, for the table to report another user's change and show it. (The
// report comes once, so it cannot sit inside QTRY_VERIFY, which evaluates its condition again.)
inline bool CatchesUpWithin(TTable &table, int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    do {
        if (table.RefreshIfChangedElsewhere())
            return true;
        QTest::qWait(20);
    } while (!deadline.hasExpired());
    return false;
}
