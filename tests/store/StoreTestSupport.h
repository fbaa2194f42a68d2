#pragma once

#include "TTable.h"

#include <QTemporaryDir>
#include <QTest>

// A folder of real table files for one test, with a small club-like table.
class TableFixture
{
public:
    TableFixture()
    {
        QVERIFY(m_dir.isValid());
    }

    QString Folder() const { return m_dir.path(); }
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
};

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
