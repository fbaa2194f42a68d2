#include "SafetySupport.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace Safety;

namespace {

bool Run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// A mount made for one test and undone when it goes; Ok() is false where mounting is not allowed.
class Mount
{
public:
    Mount(const QStringList &arguments, const QString &target) : m_target(target)
    {
        m_ok = Run(QStringLiteral("mount"), arguments);
    }
    ~Mount()
    {
        if (m_ok)
            Run(QStringLiteral("umount"), {m_target});
    }
    bool Ok() const { return m_ok; }

private:
    QString m_target;
    bool m_ok = false;
};

QString MakeFolderWithPlayer(const QString &folder)
{
    QDir().mkpath(folder);
    const Outcome added = RunCli(folder, {QStringLiteral("add-player"), QStringLiteral("--name"), QStringLiteral("Ada")});
    return added.Status == 0 ? QString() : added.Err;
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

const QStringList kEnterRound{QStringLiteral("enter-round"), QStringLiteral("--player"), QStringLiteral("1"),
                              QStringLiteral("--score"), QStringLiteral("80"), QStringLiteral("--rating"), QStringLiteral("2")};

} // namespace

// Damaged, foreign and unusual table files and folders: a clear message naming the file, a
// failure status, and the file's bytes as they were.
class tst_BadFiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void damagedPlayerTableIsReportedAndLeftAsItIs_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("said");
        QTest::newRow("truncated") << "truncated" << "hcap.DB";
        QTest::newRow("random bytes") << "random" << "not a table file";
        QTest::newRow("a folder") << "folder" << "hcap.DB";
        QTest::newRow("another program's tables") << "foreign" << "holds no table 'hcap'";
    }
    void damagedPlayerTableIsReportedAndLeftAsItIs()
    {
        QFETCH(QString, damage);
        QFETCH(QString, said);
        const QString folder = m_dir.filePath(damage);
        QCOMPARE(MakeFolderWithPlayer(folder), QString());
        const QString path = QDir(folder).filePath(QStringLiteral("hcap.DB"));
        if (damage == QLatin1String("truncated")) {
            // Enough players that their records lie beyond the cut.
            for (int i = 0; i < 300; ++i)
                Sql(path, "INSERT INTO hcap (Descr) VALUES ('a name long enough to fill pages quickly')");
            QFile file(path);
            QVERIFY(file.resize(file.size() / 2));
        } else if (damage == QLatin1String("random")) {
            QByteArray bytes(8192, Qt::Uninitialized);
            QRandomGenerator random(7);
            for (char &byte : bytes)
                byte = char(random.bounded(256));
            WriteFile(path, bytes);
        } else if (damage == QLatin1String("folder")) {
            QVERIFY(QFile::remove(path));
            QVERIFY(QDir().mkdir(path));
        } else {
            QVERIFY(QFile::remove(path));
            QVERIFY(Sql(path, "CREATE TABLE scores (a, b); INSERT INTO scores VALUES (1, 2)"));
        }
        const QByteArray before = Checksum(path);
        for (const QStringList &command : {QStringList{QStringLiteral("players")}, kEnterRound}) {
            const Outcome outcome = RunCli(folder, command);
            QVERIFY2(outcome.Status != 0, qPrintable(command.first()));
            QVERIFY2(outcome.Err.contains(path), qPrintable(outcome.Err));
            QVERIFY2(outcome.Err.contains(said), qPrintable(outcome.Err));
            QCOMPARE(Checksum(path), before);
        }
    }

    void emptyTableFilesLeftByACutStartAreMadeIntoTables_data()
    {
        QTest::addColumn<QByteArray>("setup");
        QTest::newRow("zero bytes") << QByteArray();
        QTest::newRow("header only") << QByteArray("PRAGMA journal_mode=WAL; PRAGMA user_version=0;");
    }
    void emptyTableFilesLeftByACutStartAreMadeIntoTables()
    {
        QFETCH(QByteArray, setup);
        const QString folder = m_dir.filePath(QStringLiteral("empty") + QString::fromLatin1(QTest::currentDataTag()));
        QDir().mkpath(folder);
        for (const QString &name : {QStringLiteral("hcap.DB"), QStringLiteral("refer.db")}) {
            const QString path = QDir(folder).filePath(name);
            WriteFile(path, {});
            if (!setup.isEmpty())
                QVERIFY(Sql(path, setup.constData()));
        }
        const Outcome added = RunCli(folder, {QStringLiteral("add-player"), QStringLiteral("--name"), QStringLiteral("Ada")});
        QVERIFY2(added.Status == 0, qPrintable(added.Err));
        QVERIFY(RunCli(folder, {QStringLiteral("players")}).Out.contains(QStringLiteral("1,Ada")));
        // The settings table got its one record.
        QCOMPARE(RunCli(folder, {QStringLiteral("export"), QStringLiteral("--table"), QStringLiteral("refer")}).Out.count(QLatin1Char('\n')), 2);
    }

    void foreignFileIsReadWithoutChange()
    {
        const QString folder = m_dir.filePath(QStringLiteral("foreign"));
        QDir().mkpath(folder);
        const QString path = QDir(folder).filePath(QStringLiteral("hcap.DB"));
        QVERIFY(Sql(path, "PRAGMA journal_mode=DELETE; CREATE TABLE hcap (ID INTEGER PRIMARY KEY, Descr VARCHAR(40), Homeclub INTEGER,"
                          " CalChcap REAL, Hcap REAL); INSERT INTO hcap VALUES (4, 'Cy', NULL, 12, 11)"));
        const QByteArray before = Checksum(path);
        const Outcome listed = RunCli(folder, {QStringLiteral("players")});
        QVERIFY2(listed.Status == 0, qPrintable(listed.Err));
        QVERIFY(listed.Out.contains(QStringLiteral("4,Cy")));
        QCOMPARE(Checksum(path), before);
        QVERIFY(!QFile::exists(path + QStringLiteral("-wal")));
    }

    void linkToAMissingTableIsNeverReplaced()
    {
        const QString folder = m_dir.filePath(QStringLiteral("link"));
        QDir().mkpath(folder);
        const QString path = QDir(folder).filePath(QStringLiteral("hcap.DB"));
        const QString target = m_dir.filePath(QStringLiteral("elsewhere/hcap.DB"));
        QVERIFY(QFile::link(target, path));
        for (int attempt = 0; attempt < 2; ++attempt) {
            const Outcome outcome = RunCli(folder, {QStringLiteral("add-player"), QStringLiteral("--name"), QStringLiteral("Ada")});
            QVERIFY(outcome.Status != 0);
            QVERIFY2(outcome.Err.contains(path) && outcome.Err.contains(target), qPrintable(outcome.Err));
            QCOMPARE(QFileInfo(path).symLinkTarget(), target);
            QVERIFY(!QFileInfo::exists(target));
        }
    }

    void recordNumbersBeyondTheFieldAreRefusedBeforeStoring()
    {
        const QString folder = m_dir.filePath(QStringLiteral("numbers"));
        QCOMPARE(MakeFolderWithPlayer(folder), QString());
        const QString path = QDir(folder).filePath(QStringLiteral("hcap.DB"));
        QVERIFY(Sql(path, "INSERT INTO hcap (ID, Descr) VALUES (2147483647, 'Last')"));
        for (int attempt = 0; attempt < 2; ++attempt) {
            const Outcome outcome = RunCli(folder, {QStringLiteral("add-player"), QStringLiteral("--name"), QStringLiteral("Over")});
            QVERIFY(outcome.Status != 0);
            QVERIFY2(outcome.Err.contains(path) && outcome.Err.contains(QStringLiteral("2147483647")), qPrintable(outcome.Err));
        }
        const Outcome listed = RunCli(folder, {QStringLiteral("players")});
        QVERIFY(!listed.Out.contains(QStringLiteral("Over")));
        QCOMPARE(listed.Out.count(QLatin1Char('\n')), 3); // header, Ada, Last
    }

    void readOnlyTableFileIsListedAndNotChanged()
    {
        const QString folder = m_dir.filePath(QStringLiteral("rofile"));
        QCOMPARE(MakeFolderWithPlayer(folder), QString());
        const QString path = QDir(folder).filePath(QStringLiteral("hcap.DB"));
        Mount bind({QStringLiteral("--bind"), path, path}, path);
        if (!bind.Ok())
            QSKIP("mounting is not allowed here");
        QVERIFY(Run(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,ro,bind"), path}));
        const QByteArray before = Checksum(path);
        const Outcome listed = RunCli(folder, {QStringLiteral("players")});
        QVERIFY2(listed.Status == 0, qPrintable(listed.Err));
        QVERIFY(listed.Out.contains(QStringLiteral("1,Ada")));
        const Outcome entered = RunCli(folder, kEnterRound);
        QVERIFY(entered.Status != 0);
        QVERIFY2(entered.Err.contains(path) && entered.Err.contains(QStringLiteral("write-protected")), qPrintable(entered.Err));
        QCOMPARE(Checksum(path), before);
    }

    void readOnlyFolderIsListedAndSaysWhy()
    {
        const QString folder = m_dir.filePath(QStringLiteral("rofolder"));
        QDir().mkpath(folder);
        Mount tmpfs({QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"), QStringLiteral("size=4m"), QStringLiteral("tmpfs"), folder}, folder);
        if (!tmpfs.Ok())
            QSKIP("mounting is not allowed here");
        QCOMPARE(MakeFolderWithPlayer(folder), QString());
        QVERIFY(Run(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,ro"), folder}));
        const QString path = QDir(folder).filePath(QStringLiteral("hcap.DB"));
        const QByteArray before = Checksum(path);
        const Outcome listed = RunCli(folder, {QStringLiteral("players")});
        QVERIFY2(listed.Status == 0, qPrintable(listed.Err));
        QVERIFY(listed.Out.contains(QStringLiteral("1,Ada")));
        const Outcome entered = RunCli(folder, kEnterRound);
        QVERIFY(entered.Status != 0);
        QVERIFY2(entered.Err.contains(path) && entered.Err.contains(QStringLiteral("cannot be changed")), qPrintable(entered.Err));
        QCOMPARE(Checksum(path), before);
    }

    void fullFolderFailsTheWriteAndKeepsTheData()
    {
        const QString folder = m_dir.filePath(QStringLiteral("full"));
        QDir().mkpath(folder);
        Mount tmpfs({QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"), QStringLiteral("size=1m"), QStringLiteral("tmpfs"), folder}, folder);
        if (!tmpfs.Ok())
            QSKIP("mounting is not allowed here");
        QCOMPARE(MakeFolderWithPlayer(folder), QString());
        const QString path = QDir(folder).filePath(QStringLiteral("hcap.DB"));
        const QString history = RunCli(folder, {QStringLiteral("history"), QStringLiteral("--player"), QStringLiteral("1")}).Out;
        // Fill what is left of the folder.
        {
            QFile filler(QDir(folder).filePath(QStringLiteral("filler")));
            QVERIFY(filler.open(QIODevice::WriteOnly));
            const QByteArray block(4096, 'x');
            while (filler.write(block) == block.size() && filler.flush()) {
            }
        }
        const QByteArray before = Checksum(path);
        const Outcome entered = RunCli(folder, kEnterRound);
        QVERIFY(entered.Status != 0);
        QVERIFY2(entered.Err.contains(path), qPrintable(entered.Err));
        QCOMPARE(Checksum(path), before);
        QVERIFY(QFile::remove(QDir(folder).filePath(QStringLiteral("filler"))));
        QCOMPARE(IntegrityCheck(path), QStringLiteral("ok"));
        QCOMPARE(RunCli(folder, {QStringLiteral("history"), QStringLiteral("--player"), QStringLiteral("1")}).Out, history);
    }
};

QTEST_GUILESS_MAIN(tst_BadFiles)
#include "tst_badfiles.moc"
