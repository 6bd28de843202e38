// quorvelin-tool: finds, exports, imports, checks, backs up and publishes a
// Quorvelin directory from the command line.

#include "tools/cli/cli.h"
#include "tools/cli/terminal.h"

#include <QCoreApplication>
#include <QFile>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvelin-tool"));
    QFile out, err, in;
    // Messages and the progress line show when written, not at the end.
    if (!out.open(stdout, QIODevice::WriteOnly) || !err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered)
        || !in.open(stdin, QIODevice::ReadOnly))
        return Command::Failed;
    Cli cli(out, err, &in);
    cli.setProgressShown(Terminal::errorIsTerminal());
    const int status = cli.run(QCoreApplication::arguments());
    // A full disk or a closed pipe shows only when the buffer is written.
    if (!out.flush())
        return Command::Failed;
    return status;
}
