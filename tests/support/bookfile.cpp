#include "bookfile.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QtTest>

BookFile::BookFile(NoFile)
    : m_oldCwd(QDir::currentPath())
    , m_connectionName(QUuid::createUuid().toString())
{
    QVERIFY(m_dir.isValid());
    QDir::setCurrent(m_dir.path());
}

BookFile::BookFile(const QString& columns)
    : BookFile(NoFile{})
{
    exec(QStringLiteral("create table book (%1)").arg(columns));
}

BookFile::~BookFile()
{
    close();
    QDir::setCurrent(m_oldCwd);
}

void BookFile::close()
{
    if (QSqlDatabase::contains(m_connectionName)) {
        QSqlDatabase::database(m_connectionName, false).close();
        QSqlDatabase::removeDatabase(m_connectionName);
    }
}

QString BookFile::path() const
{
    return m_dir.filePath(QStringLiteral("quorvelin.mdb"));
}

QSqlDatabase BookFile::connection()
{
    if (!QSqlDatabase::contains(m_connectionName)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        db.setDatabaseName(path());
    }
    QSqlDatabase db = QSqlDatabase::database(m_connectionName);
    if (!db.isOpen())
        qFatal("cannot open %s", qPrintable(path()));
    return db;
}

void BookFile::exec(const QString& sql)
{
    QSqlQuery query(connection());
    if (!query.exec(sql))
        qFatal("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
}

QVariant BookFile::value(const QString& sql)
{
    QSqlQuery query(connection());
    if (!query.exec(sql))
        qFatal("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
    return query.next() ? query.value(0) : QVariant();
}

void BookFile::add(qint64 code, const QString& name, const QVariant& tel, qint64 parent)
{
    QSqlQuery query(connection());
    query.prepare(QStringLiteral("insert into book values (?, ?, ?, ?)"));
    query.addBindValue(code);
    query.addBindValue(name);
    query.addBindValue(tel);
    query.addBindValue(parent);
    if (!query.exec())
        qFatal("insert: %s", qPrintable(query.lastError().text()));
}

std::vector<BookFile::Row> BookFile::rows()
{
    return rows(QStringLiteral("1"));
}

std::vector<BookFile::Row> BookFile::rows(const QString& where)
{
    std::vector<Row> result;
    QSqlQuery query(connection());
    if (!query.exec(QStringLiteral("select code, name, tel, parent from book where %1 order by code").arg(where)))
        qFatal("select: %s", qPrintable(query.lastError().text()));
    while (query.next())
        result.push_back({query.value(0).toLongLong(), query.value(1).toString(), query.value(2),
                          query.value(3).toLongLong()});
    return result;
}

int BookFile::count()
{
    return int(rows().size());
}
