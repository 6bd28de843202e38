#include "store/onlinebackup.h"

#include "store/storeerror.h"

#include <QFile>
#include <QThread>

#include <sqlite3.h>

namespace store {

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
            throw StoreError(QStringLiteral("cannot open %1: %2").arg(path, message));
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

} // namespace

void OnlineBackup::copy(const QString& source, const QString& dest)
{
    // Read-write without create: a missing source is an error, and a hot
    // journal left by a crash is rolled back before the copy, as the program
    // itself would on opening.
    Connection from(source, SQLITE_OPEN_READWRITE);
    Connection to(dest, SQLITE_OPEN_READWRITE);
    sqlite3_exec(to.get(), "pragma synchronous=FULL", nullptr, nullptr, nullptr);
    sqlite3_backup* backup = sqlite3_backup_init(to.get(), "main", from.get(), "main");
    if (!backup)
        throw StoreError(QStringLiteral("cannot copy %1: %2").arg(source, to.error()));
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
        throw StoreError(QStringLiteral("cannot copy: ") + StoreError::busyMessage(source), true);
    if (rc != SQLITE_DONE)
        throw StoreError(QStringLiteral("cannot copy %1: %2").arg(source, QString::fromUtf8(sqlite3_errstr(rc))));
    if (finished != SQLITE_OK)
        throw StoreError(QStringLiteral("cannot copy %1: %2").arg(source, to.error()));
}

} // namespace store
