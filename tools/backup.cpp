#include "backup.h"

#include "flatrecord.h"

#include "store/storeerror.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sqlite3.h>

namespace {

class Connection
{
public:
    Connection(const QString& path, int flags)
    {
        const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr);
        if (rc != SQLITE_OK) {
            const QString message = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(rc));
            sqlite3_close(m_db);
            m_db = nullptr;
            throw ToolError(QStringLiteral("cannot open %1: %2").arg(path, message));
        }
        sqlite3_busy_timeout(m_db, 5000);
    }
    ~Connection() { sqlite3_close(m_db); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* get() const { return m_db; }
    QString error() const { return QString::fromUtf8(sqlite3_errmsg(m_db)); }

private:
    sqlite3* m_db = nullptr;
};

QString timeStamp()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

void copyInto(const QString& source, const QString& dest)
{
    // Read-write without create: a missing source is an error, and a hot
    // journal left by a crash is rolled back before the copy, as the program
    // itself would on opening.
    Connection from(source, SQLITE_OPEN_READWRITE);
    Connection to(dest, SQLITE_OPEN_READWRITE);
    sqlite3_exec(to.get(), "pragma synchronous=FULL", nullptr, nullptr, nullptr);
    sqlite3_backup* backup = sqlite3_backup_init(to.get(), "main", from.get(), "main");
    if (!backup)
        throw ToolError(QStringLiteral("cannot copy %1: %2").arg(source, to.error()));
    int rc = SQLITE_OK;
    // All pages in one step, under one read lock: the copy is of one moment.
    // A writer holding the file makes the step busy; it is tried again for a
    // while, as the program's own statements wait.
    for (int attempt = 0; attempt < 100; ++attempt) {
        rc = sqlite3_backup_step(backup, -1);
        if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED)
            break;
        QThread::msleep(100);
    }
    const int finished = sqlite3_backup_finish(backup);
    if (rc == SQLITE_BUSY)
        throw ToolError(QStringLiteral("cannot copy: ") + store::StoreError::busyMessage(source));
    if (rc != SQLITE_DONE)
        throw ToolError(QStringLiteral("cannot copy %1: %2").arg(source, QString::fromUtf8(sqlite3_errstr(rc))));
    if (finished != SQLITE_OK)
        throw ToolError(QStringLiteral("cannot copy %1: %2").arg(source, to.error()));
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
        copyInto(source, target);
    } catch (...) {
        QFile::remove(target + QStringLiteral("-journal"));
        QFile::remove(target);
        throw;
    }
    return target;
}
