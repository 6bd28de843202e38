#include "directorycheck.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

DirectoryCheck::DirectoryCheck(const QString& path)
    : m_path(path)
{
}

template <class Read>
void DirectoryCheck::withConnection(Read&& read) const
{
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(m_path);
        if (!db.open())
            qFatal("cannot open %s: %s", qPrintable(m_path), qPrintable(db.lastError().text()));
        read(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

namespace {

std::vector<BookFile::Row> select(QSqlDatabase& db, const QString& sql)
{
    std::vector<BookFile::Row> result;
    QSqlQuery query(db);
    if (!query.exec(sql))
        qFatal("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
    while (query.next())
        result.push_back({query.value(0).toLongLong(), query.value(1).toString(), query.value(2),
                          query.value(3).toLongLong()});
    return result;
}

} // namespace

QString DirectoryCheck::integrity() const
{
    QStringList findings;
    withConnection([&](QSqlDatabase& db) {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("pragma integrity_check"))) {
            findings.append(query.lastError().text());
            return;
        }
        while (query.next())
            findings.append(query.value(0).toString());
    });
    return findings.join(u'\n');
}

std::vector<BookFile::Row> DirectoryCheck::rows() const
{
    std::vector<BookFile::Row> result;
    withConnection([&](QSqlDatabase& db) {
        result = select(db, QStringLiteral("select code, name, tel, parent from book order by code"));
    });
    return result;
}

std::vector<BookFile::Row> DirectoryCheck::orphans() const
{
    std::vector<BookFile::Row> result;
    withConnection([&](QSqlDatabase& db) {
        result = select(db, QStringLiteral("select code, name, tel, parent from book b where parent <> 0 and "
                                           "not exists (select 1 from book f where f.code = b.parent and f.tel = 0) "
                                           "order by code"));
    });
    return result;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

void writeFileBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QStringList folderEntries(const QString& dir)
{
    return QDir(dir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden, QDir::Name);
}

QString describe(const BookFile::Row& row)
{
    return QStringLiteral("(%1, \"%2\", %3, %4)")
        .arg(row.code)
        .arg(row.name.left(40), row.tel.toString())
        .arg(row.parent);
}

QString describe(const std::vector<BookFile::Row>& rows)
{
    QStringList texts;
    for (const auto& row : rows)
        texts.append(describe(row));
    return texts.join(QStringLiteral(", "));
}
