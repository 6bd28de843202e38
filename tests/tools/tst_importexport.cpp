// Export from one directory file and import into another: the same tree comes
// back, in CSV and in vCard; an import joins the folders already there, adds
// nothing the second time, and one that fails part way stores nothing.

#include "bookfile.h"

#include "tools/directory/importer.h"
#include "tools/directory/samplebook.h"
#include "tools/directory/tree.h"
#include "tools/formats/csvformat.h"
#include "tools/formats/entrymaker.h"
#include "tools/formats/folderpath.h"
#include "tools/formats/vcardformat.h"

#include "store/database.h"
#include "store/storeerror.h"

#include <QtTest>

#include <map>

namespace {

enum class Shape { Sample, Awkward, TenThousand };

void fill(BookFile& book, Shape shape)
{
    book.exec(QStringLiteral("begin"));
    switch (shape) {
    case Shape::Sample:
        for (const SampleBook::Row& r : SampleBook::rows())
            book.add(r.code, r.name, r.tel, r.parent);
        break;
    case Shape::Awkward:
        // Codes with gaps and out of order, names that need quoting or
        // escaping, sibling folders of one name, an empty folder, five levels.
        book.add(50, "Smith, \"Jr\"; & co", 0, 0);
        book.add(7, "O'Brien, \"Bob\"", 5550101, 50);
        book.add(60, "24/7 \\ support", 0, 50);
        book.add(61, "=SUM(A1)", 5550102, 60);
        book.add(70, "Dup", 0, 0);
        book.add(71, "first", 5550103, 70);
        book.add(80, "Dup", 0, 0);
        book.add(81, "second", 5550104, 80);
        book.add(82, "Dup", 0, 80);
        book.add(90, "فارغ", 0, 0); // empty folder
        book.add(91, "عائلة", 0, 0);
        book.add(92, "أصدقاء، \"قدامى\"", 0, 91);
        book.add(93, "ثالث", 0, 92);
        book.add(94, "رابع", 0, 93);
        book.add(95, "خامس", 0, 94);
        book.add(96, "ليلى\nسطر", qint64(966501234567), 95);
        book.add(3, "Taxi", 5550150, 0);
        break;
    case Shape::TenThousand: {
        qint64 code = 1;
        for (int top = 0; top < 10; ++top) {
            const qint64 topCode = code++;
            book.add(topCode, QStringLiteral("Region %1 منطقة").arg(top), 0, 0);
            for (int sub = 0; sub < 10; ++sub) {
                const qint64 subCode = code++;
                book.add(subCode, QStringLiteral("Office %1").arg(sub), 0, topCode);
                for (int n = 0; n < 100; ++n)
                    book.add(code++, QStringLiteral("Person %1, \"%2\"").arg(top * 1000 + sub * 100 + n).arg(n),
                             qint64(20000000000) + top * 1000 + sub * 100 + n, subCode);
            }
        }
        break;
    }
    }
    book.exec(QStringLiteral("commit"));
}

std::vector<FlatRecord> flatten(const QString& path)
{
    store::Database database(path);
    return Tree::load(database).flatten({Tree::Top});
}

QByteArray write(const std::vector<FlatRecord>& records, bool vcard)
{
    return vcard ? VCardFormat::write(records) : CsvFormat::write(records);
}

std::vector<FlatRecord> read(const QByteArray& data, bool vcard)
{
    ImportReport report;
    return EntryMaker::plainEntries(vcard ? VCardFormat::read(data, report)
                                          : CsvFormat::read(data, std::nullopt, report));
}

Importer::Result import(const QString& path, const std::vector<FlatRecord>& records, const QStringList& into = {},
                        Importer::Mode mode = Importer::Mode::Write)
{
    store::Database database(path);
    return Importer::run(database, records, into, mode);
}

// Each row's parent, checked with plain SQL: every parent is a folder of the file.
void requireSoundLinks(BookFile& book)
{
    std::map<qint64, QVariant> tels;
    for (const BookFile::Row& r : book.rows())
        tels[r.code] = r.tel;
    for (const BookFile::Row& r : book.rows()) {
        if (r.parent != 0) {
            QVERIFY2(tels.count(r.parent), qPrintable(r.name));
            QCOMPARE(tels.at(r.parent).toLongLong(), 0);
        }
    }
}

} // namespace

class TestImportExport : public QObject
{
    Q_OBJECT

private slots:
    void rebuildsTheSameTree_data();
    void rebuildsTheSameTree();
    void oneFolderGoesBackWhereItWas();
    void joinsFoldersAlreadyThere();
    void secondImportAddsNothing();
    void failureStoresNothing();
    void deepPath();
};

void TestImportExport::rebuildsTheSameTree_data()
{
    QTest::addColumn<Shape>("shape");
    QTest::addColumn<bool>("vcard");
    for (const bool vcard : {false, true}) {
        const char* format = vcard ? "vcard" : "csv";
        QTest::addRow("sample, %s", format) << Shape::Sample << vcard;
        QTest::addRow("awkward names, %s", format) << Shape::Awkward << vcard;
        QTest::addRow("10,000 entries, %s", format) << Shape::TenThousand << vcard;
    }
}

void TestImportExport::rebuildsTheSameTree()
{
    QFETCH(Shape, shape);
    QFETCH(bool, vcard);

    BookFile source;
    fill(source, shape);
    const std::vector<FlatRecord> exported = flatten(source.path());
    QCOMPARE(exported.size(), size_t(source.count())); // nothing left out

    BookFile target;
    const Importer::Result result = import(target.path(), read(write(exported, vcard), vcard));
    QCOMPARE(result.entries + result.folders, source.count());
    QVERIFY(flatten(target.path()) == exported);

    // Checked apart from the code under test: the same rows, and codes 1 up
    // in an empty file, each folder's made before what it holds.
    const std::vector<BookFile::Row> rows = target.rows();
    QCOMPARE(rows.size(), size_t(source.count()));
    QCOMPARE(rows.front().code, 1);
    QCOMPARE(rows.back().code, qint64(rows.size()));
    for (const BookFile::Row& r : rows)
        QVERIFY(r.parent < r.code);
    requireSoundLinks(target);
    auto sorted = [](std::vector<BookFile::Row> list) {
        QStringList items;
        for (const BookFile::Row& r : list)
            items.append(r.name + u'|' + r.tel.toString());
        items.sort();
        return items;
    };
    QCOMPARE(sorted(rows), sorted(source.rows()));
}

void TestImportExport::oneFolderGoesBackWhereItWas()
{
    BookFile source;
    fill(source, Shape::Sample);
    std::vector<size_t> sales;
    std::vector<FlatRecord> subtree;
    {
        store::Database database(source.path());
        const Tree tree = Tree::load(database);
        sales = tree.folders({"Work", "Sales"});
        QCOMPARE(sales.size(), size_t(1));
        subtree = tree.flatten(sales);
    }
    QCOMPARE(subtree.size(), size_t(3));
    QCOMPARE(subtree.front(), (FlatRecord{{}, "Sales", 0, 0}));

    BookFile target;
    import(target.path(), read(CsvFormat::write(subtree), false), {"Work"});
    const std::vector<FlatRecord> rebuilt = flatten(target.path());
    std::vector<FlatRecord> expected{{{}, "Work", 0, 0}};
    for (FlatRecord r : subtree) {
        r.path.prepend("Work");
        expected.push_back(r);
    }
    QVERIFY(rebuilt == expected);
}

void TestImportExport::joinsFoldersAlreadyThere()
{
    BookFile book;
    book.add(1000, "Work", 0, 0);
    book.add(3, "Old entry", 5550100, 1000);
    const Importer::Result result = import(book.path(), {{{}, "Work", 0, 0},
                                                         {{"Work"}, "New entry", 5550101, 0},
                                                         {{"New", "Deep"}, "Deeper entry", 5550102, 0}});
    QCOMPARE(result.entries, 2);
    QCOMPARE(result.folders, 2); // New and Deep: Work was there

    const std::vector<BookFile::Row> made = book.rows(QStringLiteral("code > 1000"));
    QCOMPARE(made.size(), size_t(4));
    QCOMPARE(book.rows(QStringLiteral("name = 'New entry'")).front().parent, 1000);
    QCOMPARE(book.rows(QStringLiteral("name = 'Work'")).size(), size_t(1));
    requireSoundLinks(book);
}

// Entries already in their folder with the same name and number are counted
// and not added, and sibling folders of one name are matched in turn; a dry
// run works out the same and writes nothing.
void TestImportExport::secondImportAddsNothing()
{
    BookFile source;
    fill(source, Shape::Awkward);
    const std::vector<FlatRecord> exported = flatten(source.path());
    BookFile target;
    const Importer::Result first = import(target.path(), exported, {}, Importer::Mode::DryRun);
    QCOMPARE(target.count(), 0);
    QCOMPARE(first.entries + first.folders, source.count());
    QCOMPARE(import(target.path(), exported).entries, first.entries);

    const std::vector<BookFile::Row> before = target.rows();
    for (const Importer::Mode mode : {Importer::Mode::DryRun, Importer::Mode::Write}) {
        const Importer::Result again = import(target.path(), exported, {}, mode);
        QCOMPARE(again.entries, 0);
        QCOMPARE(again.folders, 0);
        QCOMPARE(again.duplicates, first.entries);
        QCOMPARE(target.rows(), before);
    }
    // A new entry beside one of the same name with another number is added.
    std::vector<FlatRecord> changed = exported;
    changed.push_back({{"Dup"}, "second", 5550199, 0});
    QCOMPARE(import(target.path(), changed).entries, 1);
}

void TestImportExport::failureStoresNothing()
{
    BookFile book;
    book.add(1, "Work", 0, 0);
    // The engine refuses the fifth row, after four were written in the
    // same transaction.
    book.exec(QStringLiteral("create trigger refuse before insert on book when new.name = 'boom' "
                             "begin select raise(abort, 'refused'); end"));
    const std::vector<BookFile::Row> before = book.rows();
    std::vector<FlatRecord> records{{{}, "Work", 0, 0}, {{"Work"}, "a", 1, 0}, {{"New"}, "b", 2, 0},
                                    {{"New"}, "c", 3, 0}, {{}, "boom", 4, 0}};
    QVERIFY_THROWS_EXCEPTION(store::StoreError, import(book.path(), records));
    QCOMPARE(book.rows(), before);
}

void TestImportExport::deepPath()
{
    // The deepest path import takes: folders of one name, each inside the
    // one before.
    BookFile book;
    const QString path = QStringLiteral("/a").repeated(FolderPath::MaxDepth);
    const Importer::Result result =
        import(book.path(), read(("path,name,tel\r\n" + path + ",Deep,5550100\r\n").toUtf8(), false));
    QCOMPARE(result.folders, FolderPath::MaxDepth);
    QCOMPARE(result.entries, 1);
    // Each folder inside the one made before it, and the entry in the last.
    QCOMPARE(book.value("select count(*) from book b join book p on p.code = b.parent and p.code = b.code - 1")
                 .toInt(),
             FolderPath::MaxDepth);
}

QTEST_GUILESS_MAIN(TestImportExport)
#include "tst_importexport.moc"
