// quorvelin-init: makes a directory file for Quorvelin, which itself only
// ever opens one that exists. Kept for the scripts and habits that use it;
// it does what "quorvelin-tool --file DIR/quorvelin.mdb init" does.

#include "tools/directory/newdirectory.h"
#include "tools/formats/printable.h"
#include "tools/formats/toolerror.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvelin-init"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Creates DIR/quorvelin.mdb, a new Quorvelin directory with an empty book table.\n"
        "DIR defaults to the working directory and is created if missing.\n"
        "An existing quorvelin.mdb is never opened or changed.\n"
        "quorvelin-tool init does the same; quorvelin-tool --help lists what else it does."));
    parser.addHelpOption();
    const QCommandLineOption sample(QStringLiteral("sample"),
                                    QStringLiteral("Add a small demonstration tree of folders and entries."));
    parser.addOption(sample);
    parser.addPositionalArgument(QStringLiteral("DIR"),
                                 QStringLiteral("Folder for quorvelin.mdb (default: the working directory)."),
                                 QStringLiteral("[DIR]"));
    parser.process(app); // answers --help, and refuses unknown options

    // As quorvelin-tool's: 2 is a failure.
    constexpr int Failed = 2;
    QFile out, err;
    if (!out.open(stdout, QIODevice::WriteOnly) || !err.open(stderr, QIODevice::WriteOnly))
        return Failed;
    const QStringList arguments = parser.positionalArguments();
    if (arguments.size() > 1) {
        err.write(QStringLiteral("quorvelin-init: expected at most one folder, got %1; see --help.\n")
                      .arg(arguments.size())
                      .toUtf8());
        return Failed;
    }
    const QString dir = arguments.isEmpty() ? QDir::currentPath() : arguments.first();
    // The folder's name as the terminal may show it, as quorvelin-tool says it.
    try {
        out.write(Printable::text(NewDirectory::create(QDir(dir).absoluteFilePath(QStringLiteral("quorvelin.mdb")),
                                                       parser.isSet(sample)),
                                  Printable::Layout::Lines)
                      .toUtf8());
    } catch (const ToolError& error) {
        err.write(QStringLiteral("quorvelin-init: %1\n").arg(Printable::text(error.message())).toUtf8());
        return Failed;
    }
    return 0;
}
