#include "bareconnection.h"

#include "measure.h"

#include <QSqlError>

BareConnection::BareConnection(const QString& path)
    : m_name(QStringLiteral("bench-%1").arg(++s_count))
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(path);
    require(db.open(), QStringLiteral("cannot open %1: %2").arg(path, db.lastError().text()));
}

BareConnection::~BareConnection()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase BareConnection::db() const
{
    return QSqlDatabase::database(m_name, false);
}

void BareConnection::exec(const QString& sql)
{
    QSqlQuery query(db());
    require(query.exec(sql), sql + QStringLiteral(": ") + query.lastError().text());
}

qint64 BareConnection::scalar(const QString& sql)
{
    QSqlQuery query(db());
    query.setForwardOnly(true);
    require(query.exec(sql) && query.next(), sql + QStringLiteral(": ") + query.lastError().text());
    return query.value(0).toLongLong();
}

QSqlQuery BareConnection::prepare(const QString& sql)
{
    QSqlQuery query(db());
    query.setForwardOnly(true);
    require(query.prepare(sql), sql + QStringLiteral(": ") + query.lastError().text());
    return query;
}

QSqlQuery BareConnection::query(const QString& sql, const QVariantList& values)
{
    QSqlQuery q = prepare(sql);
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values[i]);
    require(q.exec(), sql + QStringLiteral(": ") + q.lastError().text());
    return q;
}
