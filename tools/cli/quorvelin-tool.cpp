// quorvelin-tool: finds, exports, imports, checks, backs up and publishes a
// Quorvelin directory from the command line.

#include "tools/cli/cli.h"
#include "tools/cli/terminal.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>

#include <memory>

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    // print lays out text with the fonts a QGuiApplication finds. It shows
    // no window, so the offscreen platform, which needs no display, is
    // always the right one; every other command starts without any of it.
    std::unique_ptr<QCoreApplication> app;
    if (Cli::laysOutText(arguments)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Starting the platform, Qt warns of what a desktop session has
        // and a terminal or a timer may not (XDG_RUNTIME_DIR), none of which
        // printing uses: the tool says only its own words.
        const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        app = std::make_unique<QGuiApplication>(argc, argv);
        qInstallMessageHandler(previous);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
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
