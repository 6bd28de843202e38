#include "tools/directory/backup.h"

#include "tools/formats/toolerror.h"

#include "store/onlinebackup.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString timeStamp()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

} // namespace

QString Backup::besideName(const QString& file, const QString& label)
{
    const QFileInfo info(file);
    const QString stem = info.dir().filePath(info.completeBaseName() + u'-' + label + u'-' + timeStamp());
    QString name = stem + QStringLiteral(".mdb");
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = stem + QStringLiteral("-%1.mdb").arg(n);
    return name;
}

QString Backup::copy(const QString& source, const QString& dest)
{
    if (!QFileInfo::exists(source))
        throw ToolError(QStringLiteral("%1 does not exist").arg(source));
    QString target = dest;
    if (QFileInfo(dest).isDir())
        target = besideName(QDir(dest).filePath(QFileInfo(source).fileName()), QStringLiteral("backup"));
    // A dangling link counts as taken: following it would write somewhere
    // the user did not name.
    const QFileInfo info(target);
    if (info.exists() || info.isSymLink())
        throw ToolError(QStringLiteral("%1 already exists; choose a new name").arg(target));
    // Claimed with an exclusive create, so a file that appears meanwhile is
    // never overwritten. The engine takes an empty file as an empty database.
    QFile claim(target);
    if (!claim.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw ToolError(QStringLiteral("cannot create %1: %2").arg(target, claim.errorString()));
    claim.close();
    try {
        store::OnlineBackup::copy(source, target);
    } catch (...) {
        QFile::remove(target + QStringLiteral("-journal"));
        QFile::remove(target);
        throw;
    }
    return target;
}
