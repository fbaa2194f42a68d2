#include "TJustOne32.h"
#include "TPreviousInstance.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#ifndef Q_OS_WIN
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

constexpr int kWaitMs = 20000;

} // namespace

// Real copies of a small guarded program, started under chosen file names with their own
// runtime folder, so that the lock and the socket are this test's alone.
class tst_InstanceGuard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_runtime.isValid());
        QVERIFY(m_bin.isValid());
    }

    void cleanup()
    {
        for (const auto &process : std::as_const(m_processes))
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(kWaitMs);
            }
        m_processes.clear();
    }

    void lockNameFromTheProgramFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("name");
        QTest::newRow("windows path") << "C:\\Golf\\SCORES.V2.EXE" << "Scores";
        QTest::newRow("unix path") << "/opt/golf/SCORES.V2" << "Scores";
        QTest::newRow("no directory, no dot") << "Tallimo" << "Tallimo";
        QTest::newRow("first letter keeps its case") << "/usr/bin/tALLIMO" << "tallimo";
        QTest::newRow("lower case stays") << "/usr/bin/tallimo" << "tallimo";
        QTest::newRow("dot in the directory only") << "/home/a.b/Golf" << "Golf";
        QTest::newRow("mixed separators") << "C:\\x/y\\GOLF.exe" << "Golf";
        QTest::newRow("one letter") << "/bin/q" << "q";
        QTest::newRow("a dot first leaves nothing") << "/opt/.hidden" << "";
        QTest::newRow("a folder") << "/opt/golf/" << "";
    }

    void lockNameFromTheProgramFile()
    {
        QFETCH(QString, file);
        QFETCH(QString, name);
        QCOMPARE(TPreviousInstance::MutexName(file), name);
    }

    void recordIsMadeBeforeTheApplication()
    {
        // This test program holds the guard too, made as the program makes it (main, below).
        const TPreviousInstance *guard = TPreviousInstance::Instance();
        QVERIFY(guard);
        QVERIFY(guard->MadeBeforeApplication());
        QCOMPARE(guard->Name(), QString("tst_instanceguard"));
        QVERIFY(guard->HoldsLock());
        QVERIFY(!guard->PreviousRunning());
        TJustOne32 component;
        component.SetAbout("about");
        QCOMPARE(component.About(), QString("about"));
        QVERIFY(guard->Listening());
        const QMetaProperty about = component.metaObject()->property(component.metaObject()->indexOfProperty("About"));
        QVERIFY(!about.isStored());
    }

    void aSecondRecordInTheSameProcessLeavesTheLockAlone()
    {
        TPreviousInstance *first = TPreviousInstance::Instance();
        QVERIFY(first);
        {
            TPreviousInstance second;
            QCOMPARE(TPreviousInstance::Instance(), first);
            QVERIFY(!second.PreviousRunning());
            QVERIFY(!second.HoldsLock());
        }
        QCOMPARE(TPreviousInstance::Instance(), first);
        QVERIFY(first->HoldsLock());
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        QVERIFY(QFile::exists(QDir(runtime).filePath(first->Name() + ".lock")));
    }

    void aSecondCopyBringsTheFirstForwardAndEnds_data()
    {
        QTest::addColumn<bool>("minimized");
        QTest::addColumn<QByteArray>("forward");
        QTest::newRow("first copy minimised") << true << QByteArray("restored");
        QTest::newRow("first copy behind another window") << false << QByteArray("activated");
    }

    void aSecondCopyBringsTheFirstForwardAndEnds()
    {
        QFETCH(bool, minimized);
        QFETCH(QByteArray, forward);
        const QString program = Probe("SCORES.V2");
        QProcess *first = Start(program, minimized);
        QCOMPARE(ReadLine(first, "ready"), QByteArray("ready previous=0 name=Scores beforeApp=1 listening=1"));

        QProcess *second = Start(program, false);
        QCOMPARE(ReadLine(second, "ready"), QByteArray("ready previous=1 name=Scores beforeApp=1 listening=0"));
        QCOMPARE(ReadLine(second, "ended"), QByteArray("ended 0"));
        QVERIFY(second->waitForFinished(kWaitMs));
        QCOMPARE(second->exitCode(), 0);

        QCOMPARE(ReadLine(first, forward), forward);
        QCOMPARE(first->state(), QProcess::Running);
    }

    void copiesWithDifferentFileNamesBothRun()
    {
        QProcess *first = Start(Probe("SCORES.V2"), false);
        QCOMPARE(ReadLine(first, "ready"), QByteArray("ready previous=0 name=Scores beforeApp=1 listening=1"));
        QProcess *other = Start(Probe("golfbook"), false);
        QCOMPARE(ReadLine(other, "ready"), QByteArray("ready previous=0 name=golfbook beforeApp=1 listening=1"));
        // Both wait for their user; a third copy of the second program reaches the second only.
        QProcess *third = Start(Probe("golfbook"), false);
        QCOMPARE(ReadLine(third, "ended"), QByteArray("ended 0"));
        QCOMPARE(ReadLine(other, "activated"), QByteArray("activated"));
        QCOMPARE(first->state(), QProcess::Running);
        QCOMPARE(other->state(), QProcess::Running);
    }

    void aKilledFirstCopyDoesNotStopTheNextStart()
    {
        const QString program = Probe("Scores");
        QProcess *first = Start(program, false);
        QCOMPARE(ReadLine(first, "ready"), QByteArray("ready previous=0 name=Scores beforeApp=1 listening=1"));
        first->kill();
        QVERIFY(first->waitForFinished(kWaitMs));
        // What the killed copy leaves behind: its lock file and its socket file.
        QVERIFY(QFile::exists(QDir(m_runtime.path()).filePath("Scores.lock")));
        QVERIFY(QFile::exists(QDir(m_runtime.path()).filePath("Scores.socket")));

        QProcess *next = Start(program, false);
        QCOMPARE(ReadLine(next, "ready"), QByteArray("ready previous=0 name=Scores beforeApp=1 listening=1"));
        // And the new first copy is the one later copies reach.
        QProcess *later = Start(program, false);
        QCOMPARE(ReadLine(later, "ended"), QByteArray("ended 0"));
        QCOMPARE(ReadLine(next, "activated"), QByteArray("activated"));
    }

    void aFirstCopyThatEndedLeavesNoLock()
    {
        const QString program = Probe("Tidy");
        QProcess *brief = Start(program, false, {"brief"});
        QCOMPARE(ReadLine(brief, "ready"), QByteArray("ready previous=0 name=Tidy beforeApp=1 listening=1"));
        QCOMPARE(ReadLine(brief, "ended"), QByteArray("ended 0"));
        QVERIFY(brief->waitForFinished(kWaitMs));
        QVERIFY(!QFile::exists(QDir(m_runtime.path()).filePath("Tidy.lock")));
        QProcess *next = Start(program, false);
        QCOMPARE(ReadLine(next, "ready"), QByteArray("ready previous=0 name=Tidy beforeApp=1 listening=1"));
    }

#ifndef Q_OS_WIN
    void strangersOnTheSocketChangeNothing()
    {
        const QString program = Probe("Quiet");
        QProcess *first = Start(program, false);
        QCOMPARE(ReadLine(first, "ready"), QByteArray("ready previous=0 name=Quiet beforeApp=1 listening=1"));
        const QByteArray socketPath = QFile::encodeName(QDir(m_runtime.path()).filePath("Quiet.socket"));

        // One connects and never speaks; another asks for something else.
        const int silent = Connect(socketPath);
        QVERIFY(silent >= 0);
        const int stranger = Connect(socketPath);
        QVERIFY(stranger >= 0);
        QCOMPARE(::send(stranger, "hello\n", 6, MSG_NOSIGNAL), ssize_t(6));
        QCOMPARE(ReadAnswer(stranger), QByteArray("?\n"));
        ::close(stranger);
        QVERIFY(!first->waitForReadyRead(300));

        // The silent one holds nobody up: a later copy still brings the first forward.
        QProcess *later = Start(program, false);
        QCOMPARE(ReadLine(later, "ended"), QByteArray("ended 0"));
        QCOMPARE(ReadLine(first, "activated"), QByteArray("activated"));
        ::close(silent);
        QCOMPARE(first->state(), QProcess::Running);
    }
#endif

private:
#ifndef Q_OS_WIN
    static int Connect(const QByteArray &path)
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (size_t(path.size()) >= sizeof address.sun_path)
            return -1;
        memcpy(address.sun_path, path.constData(), size_t(path.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }

    static QByteArray ReadAnswer(int fd)
    {
        QByteArray answer;
        pollfd readable{fd, POLLIN, 0};
        while (!answer.contains('\n') && ::poll(&readable, 1, kWaitMs) > 0) {
            char buffer[64];
            const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            answer.append(buffer, got);
        }
        return answer;
    }
#endif

    // A copy of the probe under the given file name.
    QString Probe(const QString &fileName)
    {
        const QString target = QDir(m_bin.path()).filePath(fileName);
        if (!QFile::exists(target)) {
            if (!QFile::copy(QStringLiteral(INSTANCE_PROBE), target))
                return QString();
            QFile::setPermissions(target, QFile::permissions(target) | QFile::ExeOwner);
        }
        return target;
    }

    QProcess *Start(const QString &program, bool minimized, QStringList arguments = {})
    {
        if (minimized)
            arguments << "minimized";
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", m_runtime.path());
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(QProcess::SeparateChannels);
        process->start(program, arguments);
        process->waitForStarted(kWaitMs);
        m_processes.push_back(std::move(process));
        return m_processes.back().get();
    }

    // The next output line starting with the prefix (earlier other lines are skipped); empty
    // when the process ends or stays silent first.
    static QByteArray ReadLine(QProcess *process, const QByteArray &prefix)
    {
        for (;;) {
            while (process->canReadLine()) {
                const QByteArray line = process->readLine().trimmed();
                if (line.startsWith(prefix))
                    return line;
            }
            if (process->state() == QProcess::NotRunning || !process->waitForReadyRead(kWaitMs)) {
                if (process->canReadLine())
                    continue;
                return QByteArray("<no line: ") + process->readAllStandardError().right(300) + '>';
            }
        }
    }

    QTemporaryDir m_runtime;
    QTemporaryDir m_bin;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

// The guard's record comes first, before the application object, as in the program's main.
int main(int argc, char **argv)
{
    TPreviousInstance guard;
    QApplication app(argc, argv);
    tst_InstanceGuard test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_instanceguard.moc"
