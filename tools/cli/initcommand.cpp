#include "tools/cli/initcommand.h"

#include "tools/directory/newdirectory.h"

#include <QCommandLineParser>
#include <QFileInfo>

QString InitCommand::help() const
{
    return QStringLiteral(R"(Usage: quorvelin-tool [--file PATH] init [--sample]

Makes a new directory file, quorvelin.mdb in the working directory or PATH,
with an empty book table; folders on the way to it are made too. An existing
file is never opened or changed.

  --sample   add a small tree of sample folders and entries
)");
}

int InitCommand::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption sample(QStringLiteral("sample"));
    parser.addOption(sample);
    int status = Ok;
    if (!parse(arguments, parser, status))
        return status;
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("takes no arguments; name the file with --file PATH."));
    print(NewDirectory::create(QFileInfo(m_context.file).absoluteFilePath(), parser.isSet(sample)));
    return Ok;
}
