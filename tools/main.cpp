// quorvelin-init: makes a directory file for Quorvelin, which itself only
// ever opens one that exists.

#include "bookwriter.h"
#include "samplebook.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvelin-init"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Creates DIR/quorvelin.mdb, a new Quorvelin directory with an empty book table.\n"
        "DIR defaults to the working directory and is created if missing.\n"
        "An existing quorvelin.mdb is never opened or changed."));
    parser.addHelpOption();
    const QCommandLineOption sample(QStringLiteral("sample"),
                                    QStringLiteral("Add a small demonstration tree of folders and entries."));
    parser.addOption(sample);
    parser.addPositionalArgument(QStringLiteral("DIR"),
                                 QStringLiteral("Folder for quorvelin.mdb (default: the working directory)."),
                                 QStringLiteral("[DIR]"));
    parser.process(app); // answers --help, and refuses unknown options

    QTextStream err(stderr);
    const QStringList arguments = parser.positionalArguments();
    if (arguments.size() > 1) {
        err << "quorvelin-init: expected at most one folder, got " << arguments.size()
            << "; see --help.\n";
        return 1;
    }
    const QString dir = arguments.isEmpty() ? QDir::currentPath() : arguments.first();
    const QString path = QDir(dir).absoluteFilePath(QStringLiteral("quorvelin.mdb"));

    const std::vector<SampleBook::Row> rows =
        parser.isSet(sample) ? SampleBook::rows() : std::vector<SampleBook::Row>();
    BookWriter writer(path);
    if (!writer.create(rows)) {
        err << "quorvelin-init: " << writer.errorString() << '\n';
        return 1;
    }
    QTextStream out(stdout);
    out << "Created " << QDir::toNativeSeparators(path);
    if (rows.empty())
        out << ", an empty directory.\n";
    else
        out << " with " << rows.size() << " sample records.\n";
    return 0;
}
