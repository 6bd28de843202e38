#include "store/database.h"

#include "store/recordset.h"
#include "store/storeerror.h"
#include "store/transaction.h"

#include <QAtomicInteger>
#include <QSqlError>
#include <QUrl>

namespace store {

namespace {

QString errorText(const QSqlError& error)
{
    const QString driver = error.driverText().trimmed();
    const QString database = error.databaseText().trimmed();
    if (database.isEmpty() || driver == database)
        return driver.isEmpty() ? error.text() : driver;
    if (driver.isEmpty())
        return database;
    return database + QStringLiteral(" (") + driver + u')';
}

QString uniqueConnectionName()
{
    static QAtomicInteger<quint64> next;
    return QStringLiteral("quorvelin-%1").arg(next.fetchAndAddRelaxed(1));
}

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
        const QString message = errorText(m_connection.lastError());
        m_connection = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        throw StoreError(message);
    }
    if (readOnly)
        return;
    try {
        // A rollback journal with a full sync at every commit: a command that
        // was committed survives a crash or a power cut, one that was not
        // leaves no trace. A file another tool left in WAL mode is switched
        // back, so every directory is kept the same way.
        execute(QStringLiteral("pragma journal_mode=DELETE"));
        execute(QStringLiteral("pragma synchronous=FULL"));
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
        const QString message = errorText(query.lastError());
        query.finish();
        release(sql, std::move(query));
        throw StoreError(message);
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
            const QString message = errorText(query.lastError());
            release(QStringLiteral("pragma user_version"), std::move(query));
            throw StoreError(message);
        }
        const qint64 version = query.value(0).toLongLong();
        release(QStringLiteral("pragma user_version"), std::move(query));
        execute(QStringLiteral("pragma user_version=%1").arg(version));
    } catch (const StoreError& error) {
        throw StoreError(m_fileName + QStringLiteral(" cannot be written: ") + error.message());
    }
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
        throw StoreError(errorText(query.lastError()));
    return query;
}

void Database::release(const QString& sql, QSqlQuery&& query)
{
    query.finish();
    m_prepared[sql].push_back(std::move(query));
}

} // namespace store
