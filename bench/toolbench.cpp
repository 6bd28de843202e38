#include "toolbench.h"

#include "bareconnection.h"
#include "measure.h"
#include "toolrun.h"

#include "tools/directory/bookwriter.h"

#include <QFile>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>

#include <functional>

namespace {

// Every folder with its path, walked down from the top level (code 0, path "").
const QString Folders = QStringLiteral(
    "with recursive folder(code, path) as (select 0, '' union all "
    "select b.code, folder.path || '/' || b.name from book b join folder on b.parent = folder.code where b.tel = 0) ");

// The records `where` picks out, each with the path up from it to the top
// level: what find prints.
QString matchesWithPaths(const QString& where)
{
    return QStringLiteral("with recursive m(id, name, tel, up, path) as (select rowid, name, tel, parent, '' from book "
                          "where %1 union all select m.id, m.name, m.tel, f.parent, '/' || f.name || m.path from m "
                          "join book f on f.code = m.up and f.tel = 0 where m.up <> 0) "
                          "select path, name, tel from m where up = 0")
        .arg(where);
}

// How many records hang from nothing the top level reaches: find and
// export warn of them.
const QString Detached = QStringLiteral(
    "with recursive reach(code) as (select code from book where parent = 0 and tel = 0 union "
    "select b.code from book b join reach on b.parent = reach.code where b.tel = 0) "
    "select count(*) from book where parent <> 0 and parent not in (select code from reach)");

struct Row
{
    QString path;
    QString name;
    qint64 tel;
};

// Every record with its folder's path: what export writes.
std::vector<Row> rowsWithPaths(BareConnection& bare)
{
    QSqlQuery q = bare.query(
        Folders + QStringLiteral("select folder.path, b.name, b.tel from folder join book b on b.parent = folder.code"));
    std::vector<Row> rows;
    while (q.next())
        rows.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toLongLong()});
    return rows;
}

// The tool as a user runs it, on `book`; its standard output.
QByteArray tool(const QString& book, const QStringList& arguments)
{
    return runTool(QStringList{QStringLiteral("--file"), book} + arguments);
}

// The floor of find: the matches with their paths, and the damage count.
void find(const QString& book, const QString& where, const QString& value)
{
    BareConnection bare(book);
    QSqlQuery matches = bare.query(matchesWithPaths(where), {value});
    qint64 found = 0;
    for (; matches.next(); ++found)
        matches.value(0).toString();
    require(found > 0, QStringLiteral("the floor found nothing"));
    QSqlQuery detached = bare.query(Detached);
    require(detached.next(), QStringLiteral("no count of detached records"));
}

QString emptyBook(const QString& path)
{
    QFile::remove(path);
    BookWriter writer(path);
    require(writer.create({}), writer.errorString());
    return path;
}

} // namespace

std::vector<ToolBench::Result> ToolBench::run(const QString& book, const QString& folder, int repetitions)
{
    const QString exported = folder + QStringLiteral("/export.csv");
    const QString imported = folder + QStringLiteral("/imported.mdb");
    // Pieces the bench's names and numbers hold a few hundred times.
    const QString piece = QStringLiteral("ra Ber");
    const QString digits = QStringLiteral("12345");

    struct Figure
    {
        const char* name;
        std::function<void()> program;
        std::function<void()> floor;
    };
    const std::vector<Figure> figures = {
        {"find a name", [&] { require(!tool(book, {QStringLiteral("find"), piece}).isEmpty(), "nothing found"); },
         [&] { find(book, QStringLiteral("name like ?"), u'%' + piece + u'%'); }},
        {"find digits", [&] { require(!tool(book, {QStringLiteral("find"), digits}).isEmpty(), "nothing found"); },
         [&] { find(book, QStringLiteral("tel <> 0 and instr(tel, ?) > 0"), digits); }},
        {"export",
         [&] {
             QFile file(exported);
             require(file.open(QIODevice::WriteOnly), QStringLiteral("cannot write ") + exported);
             file.write(tool(book, {QStringLiteral("export")}));
         },
         [&] {
             BareConnection bare(book);
             QSqlQuery detached = bare.query(Detached);
             require(detached.next(), QStringLiteral("no count of detached records"));
             QByteArray text;
             for (const Row& r : rowsWithPaths(bare))
                 text += (r.path + u',' + r.name + u',' + QString::number(r.tel) + QStringLiteral("\r\n")).toUtf8();
             QFile file(folder + QStringLiteral("/floor.csv"));
             require(file.open(QIODevice::WriteOnly) && file.write(text) == text.size(), QStringLiteral("floor.csv"));
         }},
        {"import", [&] { tool(emptyBook(imported), {QStringLiteral("import"), exported}); },
         [&] {
             std::vector<Row> rows;
             {
                 BareConnection source(book);
                 rows = rowsWithPaths(source);
             }
             BareConnection bare(emptyBook(imported));
             bare.query(QStringLiteral("begin"));
             QSqlQuery insert = bare.prepare(QStringLiteral("insert into book (code, name, tel, parent) values (?, ?, ?, ?)"));
             QHash<QString, qint64> folders{{QString(), 0}};
             qint64 code = 0;
             for (const Row& r : rows) {
                 insert.bindValue(0, ++code);
                 insert.bindValue(1, r.name);
                 insert.bindValue(2, r.tel);
                 insert.bindValue(3, folders.value(r.path));
                 require(insert.exec(), insert.lastError().text());
                 if (r.tel == 0)
                     folders.insert(r.path + u'/' + r.name, code);
             }
             insert.finish();
             bare.query(QStringLiteral("commit"));
         }},
        {"check", [&] { tool(book, {QStringLiteral("check")}); },
         [&] {
             BareConnection bare(book);
             for (const char* sql :
                  {"pragma integrity_check",
                   "select count(*) from book b where b.parent <> 0 and not exists "
                   "(select 1 from book f where f.code = b.parent and f.tel = 0)",
                   "select count(*) from (select code from book group by code having count(*) > 1)",
                   "select count(*) from book where typeof(code) <> 'integer' or typeof(tel) <> 'integer' "
                   "or typeof(parent) <> 'integer' or code <= 0 or tel < 0 or parent < 0"}) {
                 QSqlQuery q = bare.query(QString::fromLatin1(sql));
                 while (q.next()) {
                 }
             }
         }},
    };

    // The export the import reads, written once before anything is timed.
    figures[2].program();
    std::vector<Result> results;
    for (const Figure& figure : figures) {
        std::vector<double> program, floor;
        for (int r = 0; r < repetitions; ++r) {
            program.push_back(millisecondsOf(figure.program));
            floor.push_back(millisecondsOf(figure.floor));
        }
        results.push_back({figure.name, median(program), median(floor)});
    }
    return results;
}
