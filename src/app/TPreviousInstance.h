#pragma once

#include <QString>
#include <functional>
#include <memory>

// The single-instance guard's record. The program makes one at the top of main, before its
// application object, and keeps it for the life of the process: it takes a per-user lock named
// after the program file, and remembers whether an earlier copy of the same program file holds
// that lock already. Programs that make none (tests, benchmarks) run unguarded. The copy holding
// the lock later listens on a local socket of the same name, through which later copies ask it to
// come forward. The lock dies with its process: a killed copy leaves a lock file that the next start
// takes over, and a socket file that the next lock holder replaces. The lock and the socket are
// the system's own (TPreviousInstanceUnix.cpp, TPreviousInstanceWin.cpp).
class TPreviousInstance
{
public:
    // Takes the lock. Only the first record alive in a process acts; a later one stays out of the
    // way (it never takes the lock, so it cannot mistake its own process for an earlier copy).
    TPreviousInstance();
    // Gives the lock up (an orderly end); the record is no longer the process's.
    ~TPreviousInstance();
    TPreviousInstance(const TPreviousInstance &) = delete;
    TPreviousInstance &operator=(const TPreviousInstance &) = delete;

    // The record of this process, as the program made it; nullptr when it made none.
    static TPreviousInstance *Instance();

    // The name of the lock for a program file: the directory and everything from the first "."
    // on are removed, the first character keeps its case and the rest is lower-cased
    // ("C:\Golf\SCORES.V2.EXE" and "/opt/golf/SCORES.V2" both give "Scores").
    static QString MutexName(const QString &programFile);
    // The running program's file, as the system knows it (empty when it cannot tell).
    static QString ProgramFile();

    // The lock's name; empty when the program file gave none (the guard then stays out of the way).
    QString Name() const { return m_name; }
    // An earlier copy of the same program file runs for this user.
    bool PreviousRunning() const { return m_previousRunning; }
    // This copy holds the lock (it is the one later copies reach).
    bool HoldsLock() const { return m_holdsLock; }
    // The record was made before the application object, as the program makes it.
    bool MadeBeforeApplication() const { return m_madeBeforeApplication; }
    // The local socket's name (a path in the per-user runtime folder on Unix).
    QString ServerName() const;

    // The copy holding the lock answers later copies from now on (needs the application object;
    // a second call only replaces the action). `bringForward` runs on each request.
    void Listen(std::function<void()> bringForward);
    bool Listening() const;
    // Asks the copy holding the lock to come forward; true once it has done so.
    bool AskPreviousForward() const;

private:
    struct Platform; // the lock and the socket, as the system provides them
    struct PlatformDeleter
    {
        void operator()(Platform *platform) const;
    };

    // Per system. The outcome of taking the lock file in the runtime folder.
    enum class LockOutcome { Taken, HeldByAnother, Unavailable };
    LockOutcome TakeLock(const QString &lockFile);
    // Starts answering requests on the socket; false when the system refuses it.
    bool StartServer(const QString &serverName);
    bool ServerRunning() const;
    // Sends the one request and waits for its answer; true when the holder has come forward.
    bool SendForwardRequest(const QString &serverName, int waitMs) const;
    // Gives the lock up and removes its file (an orderly end).
    void ReleaseLock();

    // The request a later copy sends and the holder's answer once it has come forward; anything
    // else is answered with "?\n".
    static constexpr char kForwardRequest[] = "forward\n";
    static constexpr char kForwardDone[] = "done\n";

    QString m_name;
    std::unique_ptr<Platform, PlatformDeleter> m_platform;
    std::function<void()> m_bringForward;
    bool m_previousRunning = false;
    bool m_holdsLock = false;
    bool m_madeBeforeApplication = false;
};
