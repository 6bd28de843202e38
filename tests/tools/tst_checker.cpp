// check and check --repair on directory files with each kind of damage: the
// damage is reported as what it is, and the repair leaves a file that passes
// with every record kept, where a user can find it.

#include "bookfile.h"

#include "tools/directory/checker.h"
#include "tools/directory/tree.h"

#include "store/database.h"
#include "store/transaction.h"

#include <QtTest>

#include <QSqlQuery>

#include <map>
#include <set>

using Kind = Checker::Problem::Kind;
Q_DECLARE_METATYPE(QList<Kind>)

namespace {

struct Row
{
    qint64 rowid;
    QVariant code, name, tel, parent;
};

// Read with plain SQL, not with the Tree under test.
std::vector<Row> rawRows(const QString& path)
{
    std::vector<Row> rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot open %s", qPrintable(path));
        QSqlQuery query(db);
        query.exec(QStringLiteral("select rowid, code, name, tel, parent from book order by rowid"));
        while (query.next())
            rows.push_back({query.value(0).toLongLong(), query.value(1), query.value(2), query.value(3), query.value(4)});
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    return rows;
}

// "path|name|tel" for every row of a file whose codes are unique.
QStringList lines(const std::vector<Row>& rows)
{
    std::map<qint64, const Row*> byCode;
    for (const Row& r : rows)
        byCode[r.code.toLongLong()] = &r;
    QStringList result;
    for (const Row& r : rows) {
        QStringList path;
        qint64 parent = r.parent.toLongLong();
        for (size_t steps = 0; parent != 0 && byCode.count(parent) && steps < rows.size(); ++steps) {
            path.prepend(byCode.at(parent)->name.toString());
            parent = byCode.at(parent)->parent.toLongLong();
        }
        result.append(QStringLiteral("/%1|%2|%3").arg(path.join(u'/'), r.name.toString()).arg(r.tel.toLongLong()));
    }
    return result;
}

QList<Kind> problemKinds(const QString& path)
{
    store::Database database(path);
    QList<Kind> kinds;
    for (const Checker::Problem& p : Checker::structure(Tree::load(database)))
        kinds.append(p.kind);
    if (!Checker::integrity(database).isEmpty())
        kinds.append(Kind::Integrity);
    std::sort(kinds.begin(), kinds.end());
    return kinds;
}

} // namespace

class TestChecker : public QObject
{
    Q_OBJECT

private slots:
    void repairs_data();
    void repairs();
    void cleanFileNeedsNothing();
    void namesAsTheyAre();
};

void TestChecker::repairs_data()
{
    QTest::addColumn<QString>("schema");      // empty: code is the primary key
    QTest::addColumn<QStringList>("damage");  // statements run on the sound base tree
    QTest::addColumn<QList<Kind>>("reported");
    QTest::addColumn<QStringList>("repaired"); // lines the repaired file must hold

    const QString loose = QStringLiteral("code integer, name text, tel integer, parent integer");
    auto insert = [](const QString& values) { return QStringLiteral("insert into book values (%1)").arg(values); };

    QTest::newRow("folder missing") << QString() << QStringList{insert("10, 'Orphan', 5551000, 999")}
                                    << QList<Kind>{Kind::MissingParent} << QStringList{"/Recovered|Orphan|5551000"};
    QTest::newRow("folder is text") << QString() << QStringList{insert("10, 'Text parent', 5551003, 'x'")}
                                    << QList<Kind>{Kind::MissingParent} << QStringList{"/Recovered|Text parent|5551003"};
    QTest::newRow("folder is an entry") << QString() << QStringList{insert("10, 'Under taxi', 5551001, 5")}
                                        << QList<Kind>{Kind::ParentNotFolder}
                                        << QStringList{"/Recovered|Under taxi|5551001", "/|Taxi|5550150"};
    QTest::newRow("two folders in a cycle")
        << QString() << QStringList{insert("10, 'Loop A', 0, 11"), insert("11, 'Loop B', 0, 10"), insert("12, 'In loop', 5551002, 11")}
        << QList<Kind>{Kind::Cycle}
        << QStringList{"/Recovered|Loop A|0", "/Recovered/Loop A|Loop B|0", "/Recovered/Loop A/Loop B|In loop|5551002"};
    QTest::newRow("folder inside itself") << QString() << QStringList{insert("10, 'Self', 0, 10")}
                                          << QList<Kind>{Kind::Cycle} << QStringList{"/Recovered|Self|0"};
    QTest::newRow("entry inside itself") << QString() << QStringList{insert("10, 'Self entry', 5551010, 10")}
                                         << QList<Kind>{Kind::ParentNotFolder} << QStringList{"/Recovered|Self entry|5551010"};
    QTest::newRow("formatted number") << QString() << QStringList{insert("10, 'Dashed', '555-1004', 1")}
                                      << QList<Kind>{Kind::BadTel} << QStringList{"/Work|Dashed|5551004"};
    QTest::newRow("number with an extension") << QString() << QStringList{insert("10, 'Desk', '555 1004 ext. 12', 1")}
                                              << QList<Kind>{Kind::BadTel} << QStringList{"/Work|Desk (ext. 12)|5551004"};
    QTest::newRow("words for a number") << QString() << QStringList{insert("10, 'Words', 'ask reception', 1")}
                                        << QList<Kind>{Kind::BadTel} << QStringList{"/Work|Words [tel: ask reception]|0"};
    QTest::newRow("negative number") << QString() << QStringList{insert("10, 'Negative', -5551006, 0")}
                                     << QList<Kind>{Kind::BadTel} << QStringList{"/|Negative|5551006"};
    QTest::newRow("fraction") << QString() << QStringList{insert("10, 'Half', 5.5, 0")}
                              << QList<Kind>{Kind::BadTel} << QStringList{"/|Half [tel: 5.5]|0"};
    QTest::newRow("no number, entries inside")
        << QString() << QStringList{insert("10, 'Null folder', NULL, 0"), insert("11, 'Inside', 5551005, 10")}
        << QList<Kind>{Kind::ParentNotFolder, Kind::BadTel}
        << QStringList{"/|Null folder|0", "/Null folder|Inside|5551005"};
    QTest::newRow("Recovered already there")
        << QString() << QStringList{insert("9, 'Recovered', 0, 0"), insert("10, 'Orphan', 5551000, 999")}
        << QList<Kind>{Kind::MissingParent} << QStringList{"/|Recovered|0", "/Recovered|Orphan|5551000"};
    QTest::newRow("code shared by a folder and an entry")
        << loose << QStringList{insert("10, 'Dup entry', 5551007, 0"), insert("10, 'Dup folder', 0, 0"),
                                insert("11, 'Inside dup', 5551008, 10")}
        << QList<Kind>{Kind::DuplicateCode} << QStringList{"/Dup folder|Inside dup|5551008", "/|Dup entry|5551007"};
    QTest::newRow("code missing") << loose << QStringList{insert("NULL, 'No code', 5551009, 0"), insert("'x', 'Text code', 0, 1")}
                                  << QList<Kind>{Kind::BadCode, Kind::BadCode}
                                  << QStringList{"/|No code|5551009", "/Work|Text code|0"};
    QTest::newRow("index out of step with its table")
        << QString()
        << QStringList{"pragma writable_schema=on",
                       "update sqlite_schema set sql='create index book_parent on book (tel)' where name='book_parent'"}
        << QList<Kind>{Kind::Integrity} << QStringList{};
    QTest::newRow("several at once")
        << QString() << QStringList{insert("10, 'Orphan', 5551000, 999"), insert("11, 'Loop', 0, 11"),
                                    insert("12, 'Dashed', '(555) 1004', 11")}
        << QList<Kind>{Kind::Cycle, Kind::MissingParent, Kind::BadTel}
        << QStringList{"/Recovered|Orphan|5551000", "/Recovered|Loop|0", "/Recovered/Loop|Dashed|5551004"};
}

void TestChecker::repairs()
{
    QFETCH(QString, schema);
    QFETCH(QStringList, damage);
    QFETCH(QList<Kind>, reported);
    QFETCH(QStringList, repaired);

    std::unique_ptr<BookFile> book = schema.isEmpty() ? std::make_unique<BookFile>() : std::make_unique<BookFile>(schema);
    book->exec(QStringLiteral("create index book_parent on book (parent)"));
    book->add(1, "Work", 0, 0);
    book->add(2, "Reception", 5550110, 1);
    book->add(3, "Sales", 0, 1);
    book->add(4, "Nora", 5550111, 3);
    book->add(5, "Taxi", 5550150, 0);
    for (const QString& sql : damage)
        book->exec(sql);
    const std::vector<Row> before = rawRows(book->path());

    std::sort(reported.begin(), reported.end());
    QCOMPARE(problemKinds(book->path()), reported);

    {
        store::Database database(book->path());
        const bool integrityFailed = !Checker::integrity(database).isEmpty();
        store::Transaction transaction(database);
        const Checker::Plan plan = Checker::plan(Tree::load(database), integrityFailed);
        QVERIFY(!plan.empty());
        QVERIFY(!plan.actions.isEmpty());
        Checker::apply(database, plan);
        transaction.Commit();
    }
    QCOMPARE(problemKinds(book->path()), QList<Kind>{});

    // Nothing lost: every row is still there, under its name (a number that
    // was no number kept after it), with its number if it had one.
    const std::vector<Row> after = rawRows(book->path());
    std::map<qint64, const Row*> byRowid;
    for (const Row& r : after)
        byRowid[r.rowid] = &r;
    for (const Row& old : before) {
        QVERIFY2(byRowid.count(old.rowid), qPrintable(old.name.toString()));
        const Row& now = *byRowid.at(old.rowid);
        QVERIFY2(now.name.toString().startsWith(old.name.toString()), qPrintable(now.name.toString()));
        if (old.tel.typeId() == QMetaType::LongLong && old.tel.toLongLong() >= 0)
            QCOMPARE(now.tel, old.tel);
    }
    QVERIFY(after.size() - before.size() <= 1); // at most the Recovered folder
    const QStringList found = lines(after);
    QCOMPARE(found.count(QStringLiteral("/|Recovered|0")), found.contains(QStringLiteral("/|Recovered|0")) ? 1 : 0);
    for (const QString& line : repaired + QStringList{"/|Work|0", "/Work|Reception|5550110", "/Work|Sales|0",
                                                      "/Work/Sales|Nora|5550111", "/|Taxi|5550150"})
        QVERIFY2(found.contains(line), qPrintable(line + QStringLiteral(" not in:\n") + found.join(u'\n')));
}

void TestChecker::cleanFileNeedsNothing()
{
    BookFile book;
    book.add(1, "Work", 0, 0);
    book.add(2, "Recovered", 0, 1);
    book.add(3, "Nora", 5550111, 2);
    store::Database database(book.path());
    const Tree tree = Tree::load(database);
    QVERIFY(Checker::structure(tree).empty());
    QVERIFY(Checker::integrity(database).isEmpty());
    QVERIFY(Checker::plan(tree, false).empty());
}

// A name is shown as it is, though it holds what a message's own markers
// look like.
void TestChecker::namesAsTheyAre()
{
    BookFile book(QStringLiteral("code integer, name text, tel integer, parent integer"));
    book.add(7, "A %2 B", 5550101, 0);
    book.add(7, "C %1 D", 5550102, 0);
    store::Database database(book.path(), store::Database::Access::ReadOnly);
    const Tree tree = Tree::load(database);
    const std::vector<Checker::Problem> problems = Checker::structure(tree);
    QCOMPARE(problems.size(), size_t(1));
    QCOMPARE(problems[0].text, QStringLiteral("code 7 is used by 2 records: \"A %2 B\", \"C %1 D\""));
    const QString actions = Checker::plan(tree, false).actions.join(u'\n');
    QVERIFY2(actions.contains(QStringLiteral("\"C %1 D\": code 7 was taken; given code 8")), qPrintable(actions));
}

QTEST_GUILESS_MAIN(TestChecker)
#include "tst_checker.moc"
