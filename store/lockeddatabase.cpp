#include "store/lockeddatabase.h"

#include "store/recordset.h"
#include "store/statements.h"

#include <QFileInfo>

namespace store {

namespace {

FileLock lockOf(const QString& fileName)
{
    // A file that is not there is refused in the engine's words, as every
    // other file that cannot be used is, not in the system's the lock would
    // give. Opening it to read never creates it.
    if (!QFileInfo::exists(fileName))
        Database(fileName, Database::Access::ReadOnly);
    return FileLock(fileName);
}

} // namespace

LockedDatabase::LockedDatabase(const QString& fileName)
    : m_fileName(fileName)
    , m_lock(lockOf(fileName))
{
}

Database& LockedDatabase::database()
{
    if (m_database)
        return *m_database;
    m_database.emplace(m_fileName);
    try {
        // The fields first, so that a file without `book` or one of its
        // fields is refused in the engine's words: the checks after it take
        // any failure for their own.
        m_database->OpenRecordset(Statements::Fields());
        m_database->requireRowNumbers();
        m_database->requireWritable();
    } catch (...) {
        // Closed again: a later call checks afresh, and nothing unchecked
        // is handed out.
        m_database.reset();
        throw;
    }
    return *m_database;
}

void LockedDatabase::useRollbackJournal()
{
    if (m_rollbackJournal)
        return;
    database().useRollbackJournal();
    m_rollbackJournal = true;
}

Transaction LockedDatabase::begin()
{
    useRollbackJournal();
    return Transaction(*m_database);
}

} // namespace store
