// Finding names and numbers anywhere in a directory file, five levels deep,
// in Latin and Arabic, past damaged rows.

#include "bookfile.h"

#include "tools/directory/finder.h"
#include "tools/directory/tree.h"
#include "tools/formats/folderpath.h"

#include "store/database.h"

#include <QtTest>

class TestFindTree : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void finds_data();
    void finds();
    void pathsAndDetachedRecords();
    void placedUpToTheDeepestPath();

private:
    std::unique_ptr<BookFile> m_book;
};

void TestFindTree::initTestCase()
{
    m_book = std::make_unique<BookFile>();
    BookFile& b = *m_book;
    b.add(1, "Work", 0, 0);
    b.add(2, "Reception", 5550110, 1);
    b.add(3, "Sales", 0, 1);
    b.add(4, "Europe", 0, 3);
    b.add(5, "North", 0, 4);
    b.add(6, "Oslo", 0, 5);
    b.add(7, "Ingrid Berg", qint64(4722334455), 6);
    b.add(8, "Café Ørje", qint64(4769811000), 6);
    b.add(9, "عائلة", 0, 0);
    b.add(10, "أحمد", 5550130, 9);
    b.add(11, "كَرِيم", 5550131, 9);
    b.add(12, "NORA ELLIS", 5550111, 0);
    b.add(13, "24/7 desk", 0, 0);
    b.add(14, "Night line", 5550199, 13);
    b.add(15, "Ｆｕｌｌ ｗｉｄｔｈ", 5550198, 0);
    // Damage: records the top level cannot reach, and a number that is text.
    b.add(20, "Ingrid Ghost", qint64(4722334400), 999);
    b.add(21, "Loop", 0, 22);
    b.add(22, "Ingrid Loop", 0, 21);
    b.add(23, "Ingrid Text", "47-22", 0);
}

void TestFindTree::cleanupTestCase()
{
    m_book.reset();
}

void TestFindTree::finds_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("found"); // path|name|tel, in tree order

    const QString oslo = QStringLiteral("/Work/Sales/Europe/North/Oslo");
    QTest::newRow("name five levels down") << "ingrid" << QStringList{oslo + "|Ingrid Berg|4722334455"};
    QTest::newRow("folder by name") << "NORTH" << QStringList{"/Work/Sales/Europe|North|0"};
    QTest::newRow("partial number with formatting") << "+47 (22) 33-4" << QStringList{oslo + "|Ingrid Berg|4722334455"};
    QTest::newRow("dotted number") << "698.11" << QStringList{oslo + "|Café Ørje|4769811000"};
    QTest::newRow("number in several folders")
        << "555 01" << QStringList{"/Work|Reception|5550110", "/عائلة|أحمد|5550130", "/عائلة|كَرِيم|5550131",
                                   "/|NORA ELLIS|5550111", "/24\\/7 desk|Night line|5550199", "/|Ｆｕｌｌ ｗｉｄｔｈ|5550198"}
                           ;
    QTest::newRow("upper case with accents") << "CAFÉ ØRJE" << QStringList{oslo + "|Café Ørje|4769811000"};
    QTest::newRow("accent ignored") << "cafe" << QStringList{oslo + "|Café Ørje|4769811000"};
    QTest::newRow("upper-case name, lower-case text") << "nora ellis" << QStringList{"/|NORA ELLIS|5550111"};
    QTest::newRow("alef without hamza") << "احمد" << QStringList{"/عائلة|أحمد|5550130"};
    QTest::newRow("arabic without vowel marks") << "كريم" << QStringList{"/عائلة|كَرِيم|5550131"};
    QTest::newRow("arabic with tatweel") << "كــريم" << QStringList{"/عائلة|كَرِيم|5550131"};
    QTest::newRow("arabic-indic digits") << "٤٧٦٩٨" << QStringList{oslo + "|Café Ørje|4769811000"};
    QTest::newRow("full-width letters") << "full" << QStringList{"/|Ｆｕｌｌ ｗｉｄｔｈ|5550198"};
    QTest::newRow("digits in a folder name") << "24/7" << QStringList{"/|24/7 desk|0"};
    QTest::newRow("nothing") << "zebra" << QStringList{};
}

void TestFindTree::finds()
{
    QFETCH(QString, text);
    QFETCH(QStringList, found);

    store::Database database(m_book->path());
    // As find loads it: the folders, and only the records that match.
    const Finder finder(text);
    const Tree tree = Tree::load(database, finder.candidates(),
                                 [&](const Tree::Record& r) { return finder.matches(r.name, r.telValue.value_or(0)); });
    QStringList lines;
    for (const size_t i : finder.find(tree)) {
        const Tree::Record& r = tree.records()[i];
        lines.append(QStringLiteral("%1|%2|%3").arg(FolderPath::format(tree.pathOf(i)), r.name).arg(*r.telValue));
    }
    QCOMPARE(lines, found);
}

void TestFindTree::pathsAndDetachedRecords()
{
    store::Database database(m_book->path());
    const Tree tree = Tree::load(database);
    QCOMPARE(tree.detachedCount(), size_t(4)); // the orphan, both loop folders, the text number
    // Counted the same where they are left out.
    QCOMPARE(Tree::load(database, Finder("nothing like it").candidates(), [](const Tree::Record&) { return false; })
                 .detachedCount(),
             size_t(4));
    const std::vector<size_t> oslo = tree.folders({"Work", "Sales", "Europe", "North", "Oslo"});
    QCOMPARE(oslo.size(), size_t(1));
    QCOMPARE(tree.records()[oslo.front()].name, QStringLiteral("Oslo"));
    QCOMPARE(tree.pathOf(oslo.front()), (QStringList{"Work", "Sales", "Europe", "North"}));
    QVERIFY(tree.folders({"Work", "Oslo"}).empty());
    QCOMPARE(tree.maxCode(), std::optional<qint64>(23));
}

void TestFindTree::placedUpToTheDeepestPath()
{
    // A chain of folders whose last holds what a path cannot reach, an
    // entry in each of the last two, and one at the top after them.
    const qint64 depth = FolderPath::MaxDepth + 1;
    std::vector<Tree::Record> records;
    const auto add = [&](qint64 code, qint64 tel, qint64 parent) {
        Tree::Record r;
        r.rowid = code;
        r.code = code;
        r.tel = tel;
        r.parent = parent;
        r.name = QString::number(code);
        records.push_back(r);
    };
    for (qint64 level = 1; level <= depth; ++level)
        add(level, 0, level - 1);
    add(depth + 1, 5550101, depth - 1);
    add(depth + 2, 5550102, depth);
    add(depth + 3, 5550103, 0);
    const Tree tree(std::move(records));
    const std::vector<Tree::Placed> placed = tree.place({Tree::Top});
    QCOMPARE(placed.size(), size_t(depth + 3));
    std::map<QString, const Tree::Placed*> byName;
    for (const Tree::Placed& p : placed)
        byName[p.record.name] = &p;
    const Tree::Placed& deepest = *byName[QString::number(depth + 1)];
    QVERIFY(!deepest.tooDeep);
    QCOMPARE(deepest.record.path.size(), FolderPath::MaxDepth);
    QCOMPARE(deepest.record.path.last(), QString::number(depth - 1));
    QCOMPARE(byName[QString::number(depth)]->record.path.size(), FolderPath::MaxDepth);
    QVERIFY(byName[QString::number(depth + 2)]->tooDeep);
    QVERIFY(byName[QString::number(depth + 2)]->record.path.isEmpty());
    QCOMPARE(byName[QString::number(depth + 3)]->record.path, QStringList());
    // Left out of what a file carries.
    QCOMPARE(tree.flatten({Tree::Top}).size(), size_t(depth + 2));
}

QTEST_GUILESS_MAIN(TestFindTree)
#include "tst_findtree.moc"
