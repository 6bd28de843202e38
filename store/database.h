#pragma once

#include "store/statement.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <vector>

namespace store {

class RecordSet;

// The open directory file. Never created: a missing file is an engine error
// like any other. Opening it changes nothing in the file.
class Database
{
public:
    // ReadOnly is for readers that must leave the file exactly as it is, while
    // the program may have it open: no write can reach it, not even
    // useRollbackJournal's. Only a command a crash cut short is rolled back
    // on opening, as any opening of the file does.
    enum class Access { ReadWrite, ReadOnly };

    // Throws StoreError with the engine's message when the file cannot be opened.
    explicit Database(const QString& fileName, Access access = Access::ReadWrite);
    ~Database();

    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // A result set on the statement's first row, or at its end when empty.
    RecordSet OpenRecordset(const Statement& statement);

    // Runs a statement that returns no rows; throws StoreError on failure.
    void execute(const QString& sql, const QVariantList& values = {});
    void execute(const Statement& statement) { execute(statement.sql, statement.values); }

    // Throws StoreError, naming the file, when the engine can read the file
    // but not write it: a read-only file, or a folder where the journal
    // cannot be made. The engine opens such a file for reading without a
    // word, and the first command would fail after the user typed it. Leaves
    // the file as it was.
    void requireWritable();
    // Throws StoreError, naming the file, when table `book` has no row
    // numbers (it was made WITHOUT ROWID): commands find the one row they act
    // on by its number.
    void requireRowNumbers();

    // Keeps the file with a rollback journal from now on; a file in WAL mode
    // is changed back. Writers call it once the file has passed their checks,
    // so a file that is refused is left as it was. Throws StoreError.
    void useRollbackJournal();

    QString fileName() const { return m_fileName; }

    // Prepared queries are reused: preparing costs more than running the
    // small statements a directory issues. A query taken out is private to its
    // taker until handed back.
    QSqlQuery acquire(const QString& sql);
    void release(const QString& sql, QSqlQuery&& query);

private:
    void rollBackCutCommand();

    QString m_fileName;
    QString m_connectionName;
    QSqlDatabase m_connection;
    QHash<QString, std::vector<QSqlQuery>> m_prepared;
};

} // namespace store
