// Reading, appending, editing and deleting rows through result sets.

#include "store/database.h"
#include "store/recordset.h"
#include "store/statements.h"
#include "store/storeerror.h"
#include "bookfile.h"
#include "walk.h"

#include <QtTest>

#include <limits>

using store::Database;
using store::RecordSet;
using store::Statements;
using store::StoreError;

using Codes = QList<qint64>;

class TestRecordSet : public QObject
{
    Q_OBJECT

private slots:
    void fieldNamesIgnoreCase();
    void namesRoundTrip_data();
    void namesRoundTrip();
    void failedWriteCarriesEngineMessage();
    void realsReadAsNumbers_data();
    void realsReadAsNumbers();
    void deleteThenMoveNext_data();
    void deleteThenMoveNext();
    void nestedWalksDeleteATree_data();
    void nestedWalksDeleteATree();
};

void TestRecordSet::fieldNamesIgnoreCase()
{
    // CODE is no row key here, so an edit that found its row by code would miss.
    BookFile book(QStringLiteral("CODE integer, Name text, TEL integer, Parent integer"));
    book.add(5, QStringLiteral("Ann"), 555, 0);
    Database db(QStringLiteral("quorvelin.mdb"));

    auto set = db.OpenRecordset(Statements::Telephones(0));
    QCOMPARE(set.Field(u"code"), QStringLiteral("5"));
    QCOMPARE(set.Field(u"NAME"), QStringLiteral("Ann"));
    QCOMPARE(set.Field(u"tel"), QStringLiteral("555"));
    QCOMPARE(set.Field(u"pArEnT"), QStringLiteral("0"));
    QVERIFY_THROWS_EXCEPTION(StoreError, set.FieldIndex(u"phone"));
    QVERIFY_THROWS_EXCEPTION(StoreError, set.Field(u"phone"));

    set.AddNew();
    set.SetField(u"code", QStringLiteral("2"));
    set.SetField(u"name", QStringLiteral("Bea"));
    set.SetField(u"Tel", QStringLiteral("0777"));
    set.SetField(u"parent", QStringLiteral("0"));
    set.Update();
    set.Edit();
    set.SetField(u"nAmE", QStringLiteral("Ann B."));
    set.Update();
    QCOMPARE(book.rows(), (std::vector<BookFile::Row>{{2, QStringLiteral("Bea"), 777, 0},
                                                      {5, QStringLiteral("Ann B."), 555, 0}}));
}

void TestRecordSet::namesRoundTrip_data()
{
    QTest::addColumn<QString>("name");

    QTest::newRow("double quotes") << "Jo \"Junior\" Smith";
    QTest::newRow("lone double quote") << "\"";
    QTest::newRow("apostrophe") << "O'Brien";
    QTest::newRow("statement end") << "a; drop table book;";
    QTest::newRow("comment") << "Ann -- office";
    QTest::newRow("closing a quoted name") << "x\") or (1=1) --";
    QTest::newRow("arabic") << "مكتب التسجيل";
    QTest::newRow("arabic and latin") << "كريم (Karim) 2";
    QTest::newRow("emoji") << "☎️ Mom 👩‍👧‍👦";
    QTest::newRow("blanks kept") << "  two  blanks  ";
    QTest::newRow("digits stay text") << "007";
    QTest::newRow("wildcards and backslash") << "100% _sure_ \\ ?";
}

// Written as the windows write them: every value as text, the number as typed.
void TestRecordSet::namesRoundTrip()
{
    QFETCH(QString, name);

    BookFile book;
    Database db(QStringLiteral("quorvelin.mdb"));
    {
        auto set = db.OpenRecordset(Statements::Telephones(0));
        set.AddNew();
        set.SetField(u"code", QStringLiteral("1"));
        set.SetField(u"name", name);
        set.SetField(u"tel", QStringLiteral("0123"));
        set.SetField(u"parent", QStringLiteral("0"));
        set.Update();
    }
    QCOMPARE(book.rows(), (std::vector<BookFile::Row>{{1, name, 123, 0}}));
    QCOMPARE(book.rows().front().tel.typeId(), QMetaType::LongLong);

    // Found again by what the grid shows.
    auto found = db.OpenRecordset(Statements::Telephone(name, QStringLiteral("123"), 0));
    QVERIFY(!found.Eof());
    QCOMPARE(found.Field(u"name"), name);
    QCOMPARE(found.Field(u"tel"), QStringLiteral("123"));

    const QString edited = name + QStringLiteral(" ✓");
    found.Edit();
    found.SetField(u"name", edited);
    found.SetField(u"tel", QStringLiteral("45"));
    found.Update();
    QCOMPARE(book.rows(), (std::vector<BookFile::Row>{{1, edited, 45, 0}}));
    QCOMPARE(db.OpenRecordset(Statements::Record(1)).Field(u"name"), edited);
}

void TestRecordSet::failedWriteCarriesEngineMessage()
{
    BookFile book;
    book.add(1, QStringLiteral("Ann"), 555, 0);
    Database db(QStringLiteral("quorvelin.mdb"));
    auto set = db.OpenRecordset(Statements::Folders(0));
    set.AddNew();
    set.SetField(u"code", QStringLiteral("1"));
    set.SetField(u"name", QStringLiteral("Twin"));
    try {
        set.Update();
        QFAIL("a second row with code 1 was stored");
    } catch (const StoreError& error) {
        // The engine's words, without the driver's ("Unable to fetch row").
        QCOMPARE(error.message(), QStringLiteral("UNIQUE constraint failed: book.code"));
        QVERIFY(!error.busy());
    }
    QCOMPARE(book.count(), 1);
    book.exec(QStringLiteral("alter table book drop column name"));
    try {
        db.OpenRecordset(Statements::Fields());
        QFAIL("a book without name was read");
    } catch (const StoreError& error) {
        QCOMPARE(error.message(), QStringLiteral("no such column: name"));
    }
}

void TestRecordSet::realsReadAsNumbers_data()
{
    QTest::addColumn<QString>("stored"); // as the SQL text of a literal
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("ten digits") << "5550000000" << "5550000000" << QVariant(qint64(5550000000));
    QTest::newRow("exponent form") << "5.55e+09" << "5550000000" << QVariant(qint64(5550000000));
    QTest::newRow("negative zero") << "-0.0" << "0" << QVariant(qint64(0));
    QTest::newRow("lowest integer") << "-9223372036854775808.0" << "-9223372036854775808"
                                    << QVariant(std::numeric_limits<qint64>::min());
    // Beyond the integers, or not whole: still a real, never in exponent
    // form, in the fewest digits that read back as the same real.
    QTest::newRow("two to the 63") << "9223372036854775808.0" << "9223372036854776000"
                                   << QVariant(9223372036854775808.0);
    QTest::newRow("huge") << "1e30" << "1000000000000000000000000000000" << QVariant(1e30);
    QTest::newRow("fraction") << "12.5" << "12.5" << QVariant(12.5);
    QTest::newRow("null") << "NULL" << "" << QVariant();
}

// A column declared REAL, as mdbtools declares Jet's Double.
void TestRecordSet::realsReadAsNumbers()
{
    QFETCH(QString, stored);
    QFETCH(QString, text);
    QFETCH(QVariant, value);

    BookFile book(QStringLiteral("code integer, name varchar, tel real, parent integer"));
    book.exec(QStringLiteral("insert into book values (1, 'Ann', %1, 0)").arg(stored));
    Database db(QStringLiteral("quorvelin.mdb"));
    auto set = db.OpenRecordset(Statements::Record(1));
    const int tel = set.FieldIndex(u"tel");
    QCOMPARE(set.Text(tel), text);
    QCOMPARE(set.Value(tel).isNull(), value.isNull());
    if (!value.isNull()) {
        QCOMPARE(set.Value(tel).typeId(), value.typeId());
        QCOMPARE(set.Value(tel), value);
    }
}

void TestRecordSet::deleteThenMoveNext_data()
{
    QTest::addColumn<Codes>("deleted");

    QTest::newRow("every row") << Codes{2, 3, 4, 5, 6};
    QTest::newRow("first") << Codes{2};
    QTest::newRow("last") << Codes{6};
    QTest::newRow("alternate") << Codes{2, 4, 6};
    QTest::newRow("two in a row") << Codes{3, 4};
}

void TestRecordSet::deleteThenMoveNext()
{
    QFETCH(Codes, deleted);

    BookFile book;
    book.add(1, QStringLiteral("Folder"), 0, 0);
    for (qint64 code = 2; code <= 6; ++code)
        book.add(code, QStringLiteral("Entry %1").arg(code), 100 + code, 1);
    Database db(QStringLiteral("quorvelin.mdb"));

    auto before = db.OpenRecordset(Statements::Contents(1));
    const Codes order = walkCodes(before);
    QCOMPARE(order.size(), 5);

    Codes visited;
    auto set = db.OpenRecordset(Statements::Contents(1));
    for (; !set.Eof(); set.MoveNext()) {
        const qint64 code = set.Field(u"code").toLongLong();
        visited.append(code);
        if (deleted.contains(code))
            set.Delete();
    }
    QCOMPARE(visited, order);

    Codes left;
    for (const BookFile::Row& row : book.rows(QStringLiteral("parent = 1")))
        left.append(row.code);
    for (qint64 code = 2; code <= 6; ++code)
        QCOMPARE(left.contains(code), !deleted.contains(code));
}

// Deletes a folder as the window does: each level walks its own result set
// while the levels above keep theirs open on the same statement, and a
// subfolder's row vanishes under the outer set's cursor through another set.
static void deleteFolder(Database& db, qint64 code)
{
    auto contents = db.OpenRecordset(Statements::Contents(code));
    for (; !contents.Eof(); contents.MoveNext()) {
        if (contents.Field(u"tel") == u"0")
            deleteFolder(db, contents.Field(u"code").toLongLong());
        else
            contents.Delete();
    }
    auto self = db.OpenRecordset(Statements::Record(code));
    self.Delete();
}

void TestRecordSet::nestedWalksDeleteATree_data()
{
    QTest::addColumn<QString>("columns");
    QTest::addColumn<bool>("index");

    // The set then walks the index while rows vanish from under it.
    QTest::newRow("as quorvelin-init makes it")
        << "code integer primary key, name text, tel integer, parent integer" << true;
    // Rows are then told apart by a key of the engine's own, not by code.
    QTest::newRow("code apart from the row key")
        << "code integer, name text, tel integer, parent integer" << false;
}

void TestRecordSet::nestedWalksDeleteATree()
{
    QFETCH(QString, columns);
    QFETCH(bool, index);

    BookFile book(columns);
    if (index)
        book.exec(QStringLiteral("create index book_parent on book(parent, tel)"));
    // 1 > {2 > {4 > {6, 7}, 5}, 3, 8 > {9}, 10}; 11 > {12} stays. Added out of
    // code order so that no row key equals its code.
    const std::vector<std::array<qint64, 3>> rows = {
        {11, 0, 0}, {12, 1200, 11}, {7, 0, 4}, {1, 0, 0}, {2, 0, 1}, {3, 300, 1},
        {4, 0, 2}, {5, 500, 2}, {6, 600, 4}, {8, 0, 1}, {9, 900, 8}, {10, 1000, 1},
    };
    for (const auto& [code, tel, parent] : rows)
        book.add(code, QStringLiteral("r%1").arg(code), tel, parent);
    Database db(QStringLiteral("quorvelin.mdb"));

    // The window's own listing stays open across the deletion.
    auto listing = db.OpenRecordset(Statements::Folders(0));
    deleteFolder(db, 1);

    Codes left;
    for (const BookFile::Row& row : book.rows())
        left.append(row.code);
    QCOMPARE(left, (Codes{11, 12}));
    QCOMPARE(sortedCodes(db.OpenRecordset(Statements::Folders(0))), (Codes{11}));
}

QTEST_GUILESS_MAIN(TestRecordSet)
#include "tst_recordset.moc"
