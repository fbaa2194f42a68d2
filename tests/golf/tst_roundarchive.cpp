// The round archive in a real data location (a folder of files, or a server database when the
// tests run over the server): a location made before rounds were kept, the "Enter" action
// archiving its round with the player record, deleting a player, and damaged archive content.
#include "Dialogs.h"
#include "EnterRound.h"
#include "Exceptions.h"
#include "GolfTables.h"
#include "LocationSupport.h"
#include "RoundArchive.h"
#include "TTable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

using namespace Golf;

Q_DECLARE_METATYPE(std::optional<int>)
Q_DECLARE_METATYPE(Golf::TRoundInput)

namespace {

// Runs SQL on a table file as another program would.
void Sql(const QString &file, const char *sql)
{
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(file).constData(), &db), SQLITE_OK);
    char *error = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &error);
    const QString message = error ? QString::fromUtf8(error) : QString();
    sqlite3_free(error);
    sqlite3_close(db);
    QVERIFY2(rc == SQLITE_OK, qPrintable(message));
}

struct HistorySlot
{
    int Score;
    int Rating;
    QDate Played;
};

} // namespace

class tst_RoundArchive : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestLocation::TLocation> m_location;

    QString Folder() const { return m_location->Path(); }
    QString PlayersFile() const { return QDir(Folder()).filePath(kPlayersTable); }

    // Changes the archive behind the program's back, as another tool would: SQL on the players'
    // file, or on the server in the schema the program keeps its tables in.
    void Tamper(const char *fileSql, const QString &serverSql)
    {
        if (TestLocation::OnServer()) {
            const QString error = TestLocation::ServerSql(Folder(), QStringLiteral("SET search_path = tallimo; ") + serverSql);
            QVERIFY2(error.isEmpty(), qPrintable(error));
        } else {
            Sql(PlayersFile(), fileSql);
        }
    }

    // The folder as a build that kept no rounds made it: its three tables, nothing beside them.
    void MakeFolderWithoutRounds()
    {
        for (const QString &name : TableNames()) {
            TTable table;
            table.SetDatabaseName(Folder());
            table.SetTableName(name);
            table.CreateTable(FieldsOf(name));
        }
    }

    // A player record with its twelve-round history given newest first, as the slots hold it.
    qint32 AddPlayer(const QString &name, const QList<HistorySlot> &history, std::optional<qint32> club = std::nullopt)
    {
        TTable players;
        players.SetDatabaseName(Folder());
        players.SetTableName(kPlayersTable);
        players.Open();
        players.Insert();
        players.FieldByName("Descr")->SetAsString(name);
        if (club)
            players.FieldByName("Homeclub")->SetAsInteger(*club);
        for (int slot = 1; slot <= history.size(); ++slot) {
            players.FieldByName(QString("S%1").arg(slot))->SetAsInteger(history[slot - 1].Score);
            players.FieldByName(QString("C%1").arg(slot))->SetAsInteger(history[slot - 1].Rating);
            if (history[slot - 1].Played.isValid())
                players.FieldByName(QString("D%1").arg(slot))->SetAsDateTime(FromQDate(history[slot - 1].Played));
        }
        players.Post();
        return players.FieldByName("ID")->AsInteger();
    }

    qint32 AddClub(const QString &name, double rating, std::optional<int> slope, std::optional<int> par)
    {
        TTable clubs;
        clubs.SetDatabaseName(Folder());
        clubs.SetTableName(kClubsTable);
        clubs.Open();
        clubs.Insert();
        clubs.FieldByName("Descr")->SetAsString(name);
        clubs.FieldByName("RATING")->SetAsFloat(rating);
        if (slope)
            clubs.FieldByName("Slope")->SetAsInteger(*slope);
        if (par)
            clubs.FieldByName("Par")->SetAsInteger(*par);
        clubs.Post();
        return clubs.FieldByName("ID")->AsInteger();
    }

    static QList<int> Scores(const TPlayerRounds &record)
    {
        QList<int> scores;
        for (const TArchivedRound &round : record.Rounds)
            scores << round.Score;
        return scores;
    }

private slots:
    void init()
    {
        m_location = std::make_unique<TestLocation::TLocation>();
        SetMessageHandler([](const TMessageRequest &request) { return request.EscapeButton; });
        SetBeepHandler([] {});
    }
    void cleanup()
    {
        m_location.reset();
        SetMessageHandler({});
        SetBeepHandler({});
        ResetFormatSettings();
    }

    void upgradeKeepsEveryHistoryRoundOldestFirst()
    {
        MakeFolderWithoutRounds();
        // Newest first, as the slots hold them; the third slot is empty, the fifth has r = 40.
        const qint32 ann = AddPlayer("Ann", {{84, 1, QDate(2026, 3, 3)}, {88, 2, QDate(2026, 2, 2)}, {0, 0, QDate()},
                                             {90, 0, QDate(2026, 1, 1)}, {85, 40, QDate(2025, 12, 1)}});
        const qint32 bob = AddPlayer("Bob", {});
        PrepareDataFolder(Folder());

        TRoundArchive archive(Folder());
        const TPlayerRounds record = archive.Load(ann);
        QCOMPARE(Scores(record), (QList<int>{85, 90, 88, 84}));
        const TArchivedRound &second = record.Rounds[2];
        QCOMPARE(second.Played, QDate(2026, 2, 2));
        QCOMPARE(second.RatingTenths, 700); // 72 - 2
        QCOMPARE(second.Slope, 113);
        QCOMPARE(second.Pcc, 0);
        QCOMPARE(record.Rounds[0].RatingTenths, 320);
        QVERIFY(record.Problems.isEmpty());
        // The round rated 32.0 is kept but left out: three rounds count, 84 - 71.0 = 13.0 less 2.0.
        QCOMPARE(record.Index.History.size(), 3);
        QCOMPARE(record.Index.IndexTenths, std::optional<int>(110));
        QVERIFY(archive.Load(bob).Rounds.isEmpty());

        // The player table is exactly what it was; the clubs gained Slope and Par.
        TTable players;
        players.SetDatabaseName(Folder());
        players.SetTableName(kPlayersTable);
        players.Open();
        QCOMPARE(players.FieldCount(), PlayerFields().size());
        TTable clubs;
        clubs.SetDatabaseName(Folder());
        clubs.SetTableName(kClubsTable);
        clubs.Open();
        QCOMPARE(clubs.FieldCount(), ClubFields().size() + 2);
        QVERIFY(clubs.FindField("Slope"));
        QVERIFY(clubs.FindField("Par"));

        // A second start takes nothing over again.
        PrepareDataFolder(Folder());
        QCOMPARE(TRoundArchive(Folder()).Load(ann).Rounds.size(), 4);
    }

    void upgradeLeavesForeignFilesAlone()
    {
        FILES_ONLY("about files of other programs in the data folder");
        QDir().mkpath(Folder());
        QFile players(PlayersFile());
        QVERIFY(players.open(QIODevice::WriteOnly));
        players.write("not a table at all");
        players.close();
        const QString clubsFile = QDir(Folder()).filePath(kClubsTable);
        Sql(clubsFile, "CREATE TABLE other (a INTEGER)");
        auto bytes = [](const QString &path) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        const QByteArray playersBefore = bytes(PlayersFile()), clubsBefore = bytes(clubsFile);
        PrepareDataFolder(Folder());
        QCOMPARE(bytes(PlayersFile()), playersBefore);
        QCOMPARE(bytes(clubsFile), clubsBefore);
        // Asking for rounds there reports the file instead of reading it.
        const TPlayerRounds record = TRoundArchive(Folder()).Load(1);
        QVERIFY(record.Rounds.isEmpty());
        QCOMPARE(record.Problems.size(), 1);
        QVERIFY(record.Problems.first().contains(kPlayersTable));
    }

    void enterArchivesItsRoundWithThePlayerRecord_data()
    {
        QTest::addColumn<std::optional<int>>("clubSlope");
        QTest::addColumn<int>("slope");
        QTest::newRow("home club with a slope") << std::optional<int>(125) << 125;
        QTest::newRow("home club without one") << std::optional<int>() << 113;
    }
    void enterArchivesItsRoundWithThePlayerRecord()
    {
        QFETCH(std::optional<int>, clubSlope);
        QFETCH(int, slope);
        PrepareDataFolder(Folder());
        const qint32 club = AddClub("Lakeside", 3, clubSlope, 72);
        const qint32 ann = AddPlayer("Ann", {}, club);
        TFormatSettings fs;
        fs.ShortDateFormat = "dd/MM/yyyy";
        fs.DateSeparator = '/';
        SetFormatSettings(fs);

        TTable players;
        players.SetDatabaseName(Folder());
        players.SetTableName(kPlayersTable);
        players.Open();
        QVERIFY(EnterRound(players, {"91", "2", "05/11/2026", false}));

        const TPlayerRounds record = TRoundArchive(Folder()).Load(ann);
        QCOMPARE(record.Rounds.size(), 1);
        const TArchivedRound &round = record.Rounds.first();
        QCOMPARE(round.Score, 91);
        QCOMPARE(round.RatingTenths, 700);
        QCOMPARE(round.Slope, slope);
        QCOMPARE(round.Pcc, 0);
        QCOMPARE(round.Played, QDate(2026, 11, 5));
        QVERIFY(round.Entered.isValid());
    }

    void enterStoresNothingWhenTheRoundCannotBeArchived()
    {
        PrepareDataFolder(Folder());
        const qint32 ann = AddPlayer("Ann", {{90, 0, QDate(2026, 1, 1)}});
        Tamper("CREATE TRIGGER refuse BEFORE INSERT ON rounds BEGIN SELECT RAISE(ABORT, 'disk full'); END",
               "CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RAISE EXCEPTION 'disk full'; END$$; "
               "CREATE TRIGGER refuse BEFORE INSERT ON rounds FOR EACH ROW EXECUTE FUNCTION refuse()");
        TTable players;
        players.SetDatabaseName(Folder());
        players.SetTableName(kPlayersTable);
        players.Open();
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, EnterRound(players, {"80", "1", DateToStr(FromQDate(QDate(2026, 2, 1))), false}));

        TTable fresh;
        fresh.SetDatabaseName(Folder());
        fresh.SetTableName(kPlayersTable);
        fresh.Open();
        QCOMPARE(fresh.FieldByName("S1")->AsInteger(), 90);
        QCOMPARE(fresh.FieldByName("S2")->AsInteger(), 0);
        QCOMPARE(players.FieldByName("S1")->AsInteger(), 90);
        QVERIFY(TRoundArchive(Folder()).Load(ann).Rounds.isEmpty());
    }

    void deletingAPlayerDeletesTheirRounds()
    {
        PrepareDataFolder(Folder());
        const qint32 ann = AddPlayer("Ann", {});
        const qint32 bob = AddPlayer("Bob", {});
        {
            TRoundArchive archive(Folder());
            archive.Add(ann, {QDate(2026, 1, 1), 85, 720, 113, 0, {}});
            archive.Add(bob, {QDate(2026, 1, 2), 95, 720, 113, 0, {}});
        }
        TTable players;
        players.SetDatabaseName(Folder());
        players.SetTableName(kPlayersTable);
        players.Open();
        QVERIFY(players.FindKey(QString::number(ann)));
        players.Delete();

        TRoundArchive archive(Folder());
        QVERIFY(!archive.HasPlayer(ann));
        QVERIFY(archive.Load(ann).Rounds.isEmpty());
        QCOMPARE(archive.Load(bob).Rounds.size(), 1);
        QVERIFY(archive.CheckArchive().isEmpty());
    }

    void changesAreStoredWhenTheyReturn()
    {
        PrepareDataFolder(Folder());
        const qint32 ann = AddPlayer("Ann", {});
        TRoundArchive writer(Folder());
        const qint64 id = writer.Add(ann, {QDate(2026, 4, 1), 85, 715, 130, 1, {}});
        // Another connection, as another copy of the program would have.
        QCOMPARE(TRoundArchive(Folder()).Load(ann).Rounds.first().RatingTenths, 715);

        writer.Update(id, {QDate(2026, 4, 2), 87, 702, 118, -1, {}});
        const TArchivedRound edited = TRoundArchive(Folder()).Load(ann).Rounds.first();
        QCOMPARE(edited.Id, id);
        QCOMPARE(edited.Played, QDate(2026, 4, 2));
        QCOMPARE(edited.Score, 87);
        QCOMPARE(edited.RatingTenths, 702);
        QCOMPARE(edited.Slope, 118);
        QCOMPARE(edited.Pcc, -1);

        writer.Remove(id);
        QVERIFY(TRoundArchive(Folder()).Load(ann).Rounds.isEmpty());
    }

    void refusedRoundsStoreNothing_data()
    {
        QTest::addColumn<TRoundInput>("round");
        QTest::addColumn<QString>("message");
        QTest::newRow("slope") << TRoundInput{QDate(2026, 1, 1), 85, 720, 160, 0, {}} << "Slope 160 is outside 55..155";
        QTest::newRow("rating") << TRoundInput{QDate(2026, 1, 1), 85, 905, 113, 0, {}} << "Rating 90.5 is outside 40.0..90.0";
        QTest::newRow("future") << TRoundInput{QDate::currentDate().addDays(1), 85, 720, 113, 0, {}}
                                << QString("Date %1 is in the future").arg(QDate::currentDate().addDays(1).toString(Qt::ISODate));
    }
    void refusedRoundsStoreNothing()
    {
        QFETCH(TRoundInput, round);
        QFETCH(QString, message);
        PrepareDataFolder(Folder());
        const qint32 ann = AddPlayer("Ann", {});
        TRoundArchive archive(Folder());
        const qint64 id = archive.Add(ann, {QDate(2026, 1, 1), 85, 720, 113, 0, {}});
        try {
            archive.Add(ann, round);
            QFAIL("the round was taken");
        } catch (const EConvertError &error) {
            QCOMPARE(error.Message(), message);
        }
        try {
            archive.Update(id, round);
            QFAIL("the change was taken");
        } catch (const EConvertError &error) {
            QCOMPARE(error.Message(), message);
        }
        const TPlayerRounds record = archive.Load(ann);
        QCOMPARE(record.Rounds.size(), 1);
        QCOMPARE(record.Rounds.first().Score, 85);
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, archive.Add(ann + 100, {QDate(2026, 1, 1), 85, 720, 113, 0, {}}));
    }

    void damagedContentIsReportedAndTheRestShows()
    {
        PrepareDataFolder(Folder());
        const qint32 ann = AddPlayer("Ann", {});
        TRoundArchive archive(Folder());
        for (int day = 1; day <= 3; ++day)
            archive.Add(ann, {QDate(2026, 1, day), 80 + day, 720, 113, 0, {}});
        const QByteArray damage = QString("INSERT INTO rounds (PlayerID, Played, Score, Rating, Slope, PCC) VALUES "
                                          "(%1, 'soon', 85, 72, 113, 0), (%1, '2026-01-05', 85, 'high', 113, 0), "
                                          "(%1, '2026-01-06', 85, 72.25, 113, 0), (%1, NULL, NULL, NULL, NULL, NULL), "
                                          "(999, '2026-01-07', 85, 72, 113, 0)").arg(ann).toUtf8();
        // The server's columns keep their types: no text in a date or a number there, but a
        // missing date or rating, a rating finer than a tenth and a round of no player can be.
        Tamper(damage.constData(),
               QString("INSERT INTO rounds (\"PlayerID\", \"Played\", \"Score\", \"Rating\", \"Slope\", \"PCC\") VALUES "
                       "(%1, NULL, 85, 72, 113, 0), (%1, '2026-01-05', 85, NULL, 113, 0), "
                       "(%1, '2026-01-06', 85, 72.25, 113, 0), (%1, NULL, NULL, NULL, NULL, NULL), "
                       "(999, '2026-01-07', 85, 72, 113, 0)").arg(ann));

        const TPlayerRounds record = TRoundArchive(Folder()).Load(ann);
        QCOMPARE(record.Rounds.size(), 7);
        QVERIFY2(record.Problems.size() >= 3, qPrintable(record.Problems.join('\n')));
        // The three good rounds still give their index: 81 - 72 = 9.0 less 2.0.
        QCOMPARE(record.Index.IndexTenths, std::optional<int>(70));
        int leftOut = 0;
        for (const TRoundResult &result : record.Index.Rounds)
            if (!result.DifferentialTenths) {
                ++leftOut;
                QVERIFY(!result.Note.isEmpty());
            }
        QCOMPARE(leftOut, 4);
        QCOMPARE(archive.CheckArchive(), QStringList{"1 kept round belongs to no player"});
    }

    void foreignRoundsTableIsReportedNotUsed()
    {
        PrepareDataFolder(Folder());
        const qint32 ann = AddPlayer("Ann", {});
        Tamper("DROP TABLE rounds; CREATE TABLE rounds (Who TEXT, Score TEXT)",
               "DROP TABLE rounds; CREATE TABLE rounds (\"Who\" text, \"Score\" text)");
        TRoundArchive archive(Folder());
        const TPlayerRounds record = archive.Load(ann);
        QVERIFY(record.Rounds.isEmpty());
        if (TestLocation::OnServer()) {
            // A server table without a numbering column of its own cannot be opened at all.
            QCOMPARE(record.Problems.size(), 1);
            QVERIFY2(record.Problems.first().contains("'rounds'"), qPrintable(record.Problems.first()));
        } else {
            QCOMPARE(record.Problems, QStringList{"The table 'rounds' has no field 'PlayerID'"});
        }
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, archive.Add(ann, {QDate(2026, 1, 1), 85, 720, 113, 0, {}}));
    }

    void homeClubGivesTheCourseHandicap_data()
    {
        QTest::addColumn<std::optional<int>>("slope");
        QTest::addColumn<std::optional<int>>("par");
        QTest::addColumn<std::optional<int>>("handicap");
        // Index 14.3 at a club rated 0.5 below 72 (71.5), slope 130, par 72: 16.45 - 0.5 = 15.95.
        QTest::newRow("slope and par") << std::optional<int>(130) << std::optional<int>(72) << std::optional<int>(16);
        QTest::newRow("no par") << std::optional<int>(130) << std::optional<int>() << std::optional<int>();
        QTest::newRow("no slope") << std::optional<int>() << std::optional<int>(72) << std::optional<int>();
    }
    void homeClubGivesTheCourseHandicap()
    {
        QFETCH(std::optional<int>, slope);
        QFETCH(std::optional<int>, par);
        QFETCH(std::optional<int>, handicap);
        PrepareDataFolder(Folder());
        const qint32 club = AddClub("Lakeside", 0.5, slope, par);
        const qint32 ann = AddPlayer("Ann", {}, club);
        TRoundArchive archive(Folder());
        // Five rounds, the lowest 14.3 above a rating of 72.0: index 14.3.
        for (int day = 1; day <= 5; ++day)
            archive.Add(ann, {QDate(2026, 2, day), 86 + day, 727, 113, 0, {}});
        const TPlayerRounds record = archive.Load(ann);
        QCOMPARE(record.Index.IndexTenths, std::optional<int>(143));
        QCOMPARE(record.CourseHandicap, handicap);
        QCOMPARE(record.HomeTee.has_value(), handicap.has_value());
        if (record.HomeTee)
            QCOMPARE(record.HomeTee->RatingTenths, 715);
    }
};

QTEST_GUILESS_MAIN(tst_RoundArchive)
#include "tst_roundarchive.moc"
