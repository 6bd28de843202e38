#include "bookwriter.h"

#include "store/statements.h"
#include "store/storeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

BookWriter::BookWriter(const QString& path)
    : m_path(path)
{
}

bool BookWriter::create(const std::vector<SampleBook::Row>& rows)
{
    const QFileInfo info(m_path);
    // A dangling link counts as existing: following it would create a file
    // somewhere the user did not name.
    if (info.exists() || info.isSymLink()) {
        m_error = QStringLiteral("%1 already exists; it was left untouched.").arg(m_path);
        return false;
    }
    if (!QDir().mkpath(info.absolutePath())) {
        m_error = QStringLiteral("cannot create the folder %1.").arg(info.absolutePath());
        return false;
    }
    // Claiming the name with an exclusive create closes the gap between the
    // check above and the engine's open: a file that appeared meanwhile makes
    // this fail instead of being opened. The engine takes an empty file as an
    // empty database.
    QFile claim(m_path);
    if (!claim.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        m_error = QStringLiteral("cannot create %1: %2.").arg(m_path, claim.errorString());
        return false;
    }
    claim.close();

    const QString connectionName = QStringLiteral("quorvelin-init");
    const bool ok = fill(connectionName, rows);
    QSqlDatabase::removeDatabase(connectionName);
    if (!ok) {
        // Both files are ours: the name was free before the claim.
        QFile::remove(m_path + QStringLiteral("-journal"));
        QFile::remove(m_path);
    }
    return ok;
}

bool BookWriter::fill(const QString& connectionName, const std::vector<SampleBook::Row>& rows)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setDatabaseName(m_path);
    auto fail = [&](const QSqlError& error) {
        m_error = QStringLiteral("cannot write %1: %2").arg(m_path, store::StoreError::engineMessage(error, m_path));
        db.close();
        return false;
    };
    if (!db.open())
        return fail(db.lastError());
    QSqlQuery query(db);
    // As the program itself runs: the new file is complete on disk when this
    // ends, or absent.
    if (!query.exec(QStringLiteral("pragma synchronous=FULL")))
        return fail(query.lastError());
    if (!db.transaction())
        return fail(db.lastError());

    const QStringList schema =
        QStringList{QStringLiteral("create table book (code INTEGER PRIMARY KEY, name TEXT, tel INTEGER, parent INTEGER)")}
        + store::Statements::Indexes();
    for (const QString& sql : schema) {
        if (!query.exec(sql))
            return fail(query.lastError());
    }
    if (!query.prepare(QStringLiteral("insert into book (code, name, tel, parent) values (?, ?, ?, ?)")))
        return fail(query.lastError());
    for (const SampleBook::Row& row : rows) {
        query.addBindValue(row.code);
        query.addBindValue(row.name);
        query.addBindValue(row.tel);
        query.addBindValue(row.parent);
        if (!query.exec())
            return fail(query.lastError());
    }
    query.finish();
    if (!db.commit())
        return fail(db.lastError());
    db.close();
    return true;
}
