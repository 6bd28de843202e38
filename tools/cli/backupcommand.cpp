#include "tools/cli/backupcommand.h"

#include "tools/directory/backup.h"

#include <QCommandLineParser>

QString BackupCommand::help() const
{
    return QStringLiteral(R"(Usage: quorvelin-tool [--file PATH] backup DEST

Copies the directory file to DEST with the engine's online backup: the copy
is consistent even while Quorvelin has the file open and is writing to it.
DEST must not exist yet; when DEST is a folder, the copy goes into it as
NAME-backup-TIME.mdb. The copy is a directory file Quorvelin opens as it is.
)");
}

int BackupCommand::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    int status = Ok;
    if (!parse(arguments, parser, status))
        return status;
    if (parser.positionalArguments().size() != 1)
        return fail(QStringLiteral("expected one DEST. See quorvelin-tool backup --help."));
    const QString written = Backup::copy(requireFile(), parser.positionalArguments().first());
    print(QStringLiteral("Copied %1 to %2.\n").arg(m_context.file, written));
    return Ok;
}
