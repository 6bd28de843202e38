#include "store/database.h"

#include "store/recordset.h"
#include "store/statements.h"
#include "store/storeerror.h"
#include "store/transaction.h"

#include <QAtomicInteger>
#include <QSqlError>
#include <QUrl>

namespace store {

namespace {

QString uniqueConnectionName()
{
    static QAtomicInteger<quint64> next;
    return QStringLiteral("quorvelin-%1").arg(next.fetchAndAddRelaxed(1));
}

// The engine's extended result code for a connection that may only read and
// meets the journal of a command cut short, which it cannot roll back.
constexpr int EngineReadOnlyRollback = 776;

} // namespace

Database::Database(const QString& fileName, Access access)
    : m_fileName(fileName)
    , m_connectionName(uniqueConnectionName())
{
    m_connection = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    // mode=rw opens an existing file for reading and writing and refuses to
    // create a missing one, which is what keeps the program from making an
    // empty directory where the user's file was expected.
    QUrl uri;
    uri.setScheme(QStringLiteral("file"));
    uri.setPath(fileName);
    const bool readOnly = access == Access::ReadOnly;
    m_connection.setDatabaseName(QString::fromUtf8(uri.toEncoded())
                                 + (readOnly ? QStringLiteral("?mode=ro") : QStringLiteral("?mode=rw")));
    m_connection.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    if (!m_connection.open()) {
        const StoreError error = StoreError::fromEngine(m_connection.lastError(), m_fileName);
        m_connection = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        throw error;
    }
    try {
        if (readOnly) {
            rollBackCutCommand();
        } else {
            // A full sync at every commit: a command that was committed
            // survives a crash or a power cut. This is the connection's own
            // setting; the file does not change.
            execute(QStringLiteral("pragma synchronous=FULL"));
        }
    } catch (...) {
        m_connection.close();
        m_connection = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        throw;
    }
}

Database::~Database()
{
    m_prepared.clear();
    m_connection.close();
    m_connection = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

void Database::rollBackCutCommand()
{
    // The engine rolls back a command that a crash or a kill cut short at
    // the next read of the file, whoever reads it; a connection that may only
    // read cannot, and every read would fail. A writing one rolls it back,
    // as any opening by the program or another tool would: the file is then
    // as its last finished command left it, all a reader would see anyway.
    QSqlQuery probe(m_connection);
    if (probe.exec(QStringLiteral("pragma schema_version")))
        return;
    const QSqlError error = probe.lastError();
    if (error.nativeErrorCode().toInt() != EngineReadOnlyRollback) {
        // Busy now, rather than after the first read has waited again;
        // anything else is the first read's to report.
        const StoreError failure = StoreError::fromEngine(error, m_fileName);
        if (failure.busy())
            throw failure;
        return;
    }
    Database writer(m_fileName);
    writer.execute(QStringLiteral("pragma schema_version"));
}

RecordSet Database::OpenRecordset(const Statement& statement)
{
    return RecordSet(*this, statement);
}

void Database::execute(const QString& sql, const QVariantList& values)
{
    QSqlQuery query = acquire(sql);
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
    if (!query.exec()) {
        const StoreError error = StoreError::fromEngine(query.lastError(), m_fileName);
        query.finish();
        release(sql, std::move(query));
        throw error;
    }
    query.finish();
    release(sql, std::move(query));
}

void Database::requireWritable()
{
    try {
        // Page 1 is written back with the value it holds and the write rolled
        // back: the engine refuses it on a read-only file, and in a read-only
        // folder it cannot make the journal; on a writable file nothing
        // reaches the disk but the journal, which goes again.
        Transaction transaction(*this);
        QSqlQuery query = acquire(QStringLiteral("pragma user_version"));
        if (!query.exec() || !query.next()) {
            const StoreError error = StoreError::fromEngine(query.lastError(), m_fileName);
            release(QStringLiteral("pragma user_version"), std::move(query));
            throw error;
        }
        const qint64 version = query.value(0).toLongLong();
        release(QStringLiteral("pragma user_version"), std::move(query));
        execute(QStringLiteral("pragma user_version=%1").arg(version));
    } catch (const StoreError& error) {
        // A file another program is writing to is busy, not unwritable.
        if (error.busy())
            throw;
        throw StoreError(m_fileName + QStringLiteral(" cannot be written: ") + error.message());
    }
}

void Database::requireRowNumbers()
{
    try {
        OpenRecordset(Statements::RowNumbers());
    } catch (const StoreError& error) {
        // Any other failure (no table `book`, a file that is no database, a
        // busy one) is the engine's to name.
        if (!error.message().contains(QStringLiteral("no such column: rowid"), Qt::CaseInsensitive))
            throw;
        throw StoreError(m_fileName
                         + QStringLiteral(" cannot be used: its table book was made WITHOUT ROWID, and Quorvelin "
                                          "needs an ordinary table, whose rows the engine numbers."));
    }
}

void Database::useRollbackJournal()
{
    // A rollback journal, so that a command that was not committed leaves no
    // trace and the file is whole by itself, with nothing beside it to copy.
    // A file another tool left in WAL mode is switched back, so every
    // directory is kept the same way.
    execute(QStringLiteral("pragma journal_mode=DELETE"));
}

QSqlQuery Database::acquire(const QString& sql)
{
    auto it = m_prepared.find(sql);
    if (it != m_prepared.end() && !it->empty()) {
        QSqlQuery query = std::move(it->back());
        it->pop_back();
        return query;
    }
    QSqlQuery query(m_connection);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw StoreError::fromEngine(query.lastError(), m_fileName);
    return query;
}

void Database::release(const QString& sql, QSqlQuery&& query)
{
    query.finish();
    m_prepared[sql].push_back(std::move(query));
}

} // namespace store
