#include "CliCommands.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tallimo"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    return Cli::Run(QCoreApplication::arguments().mid(1), out, err);
}
