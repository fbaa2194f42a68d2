// Posts in a loop to a table in the folder given as argument and prints the number of every post
// that has returned, so that a test can kill it at any moment and check what survived.
#include "Exceptions.h"
#include "StoreTestSupport.h"
#include "TTable.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int first = QByteArray(argv[2]).toInt();
    try {
        TTable table;
        table.SetDatabaseName(folder);
        table.SetTableName(QStringLiteral("posts.DB"));
        if (!table.Exists())
            table.CreateTable(TableFixture::ClubFields());
        table.Open();
        for (int n = first;; ++n) {
            // A new record, then a change to the first record: both kinds of post.
            table.Insert();
            table.FieldByName(QStringLiteral("Descr"))->SetAsString(QString::number(n));
            table.FieldByName(QStringLiteral("Holes"))->SetAsInteger(n);
            table.Post();
            table.First();
            table.Edit();
            table.FieldByName(QStringLiteral("RATING"))->SetAsFloat(n);
            table.Post();
            std::printf("%d\n", n);
            std::fflush(stdout);
        }
    } catch (const Exception &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
