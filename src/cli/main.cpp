#include "CliCommands.h"
#include "Csv.h"

#include <QCoreApplication>
#include <QTextStream>
#include <csignal>
#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
#ifdef SIGXFSZ
    // Past a file size limit a write then fails and is reported, instead of the signal ending
    // the program in the middle of a file.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tallimo"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    // An argument that is not UTF-8 would reach the commands with its bytes replaced.
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView bytes(argv[i], qsizetype(std::strlen(argv[i])));
        if (Csv::IsValidUtf8(bytes))
            continue;
        QString shown;
        for (const char ch : bytes)
            shown += uchar(ch) < 0x80 ? QString(QLatin1Char(ch)) : QStringLiteral("\\x%1").arg(uchar(ch), 2, 16, QLatin1Char('0'));
        err << "tallimo-cli: the argument '" << shown << "' is not valid UTF-8\n";
        return Cli::kExitUsage;
    }
    return Cli::Run(QCoreApplication::arguments().mid(1), out, err);
}
