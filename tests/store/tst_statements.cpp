// What each statement yields from a real directory file.

#include "store/database.h"
#include "store/recordset.h"
#include "store/statements.h"
#include "bookfile.h"
#include "walk.h"

#include <QtTest>

#include <limits>
#include <optional>

using store::Database;
using store::Statements;

using Codes = QList<qint64>;

class TestStatements : public QObject
{
    Q_OBJECT

private slots:
    void maxCode();
    void maxCodeAmongReals();
    void foldersAndTelephonesApart();
    void record();
    void telephone_data();
    void telephone();
    void contents();
    void integer_data();
    void integer();

private:
    // Folders 1 (top) > 3; entries 2 (top), 4 and 5 (in 1); folder 6 is named
    // like a number and entry 7 like a folder, to show that only `tel` decides.
    static void fillTree(BookFile& book)
    {
        book.add(1, QStringLiteral("Friends"), 0, 0);
        book.add(2, QStringLiteral("Ann"), 555, 0);
        book.add(3, QStringLiteral("School"), 0, 1);
        book.add(4, QStringLiteral("Ann"), 555, 1);
        book.add(5, QStringLiteral("Jo \"Jr\""), 12, 1);
        book.add(6, QStringLiteral("5550100"), 0, 0);
        book.add(7, QStringLiteral("Friends"), 777, 0);
    }
};

void TestStatements::maxCode()
{
    BookFile book;
    Database db(QStringLiteral("quorvelin.mdb"));
    {
        auto empty = db.OpenRecordset(Statements::MaxCode());
        QVERIFY(!empty.Eof());
        QVERIFY(empty.Value(empty.FieldIndex(u"mm")).isNull());
        QCOMPARE(empty.Field(u"MM"), QString());
    }
    book.add(3, QStringLiteral("a"), 0, 0);
    book.add(17, QStringLiteral("b"), 1, 3);
    book.add(5, QStringLiteral("c"), 0, 0);
    auto set = db.OpenRecordset(Statements::MaxCode());
    QCOMPARE(set.Field(u"mm"), QStringLiteral("17"));
    set.MoveNext();
    QVERIFY(set.Eof());
}

// A file converted from Jet may keep codes as reals: whole ones count, in
// whichever type, and the rest (a fraction, a real beyond every integer,
// text) never do.
void TestStatements::maxCodeAmongReals()
{
    BookFile book(QStringLiteral("code real, name varchar, tel real, parent real"));
    book.exec(QStringLiteral("insert into book values (7, 'a', 0, 0), (120, 'b', 5550000000, 7), "
                             "(120.5, 'c', 0, 0), (1e30, 'd', 0, 0), ('x', 'e', 0, 0)"));
    Database db(QStringLiteral("quorvelin.mdb"));
    auto set = db.OpenRecordset(Statements::MaxCode());
    QCOMPARE(set.Value(0), QVariant(qint64(120)));
    // Matched exactly where statements compare them with whole numbers.
    QCOMPARE(sortedCodes(db.OpenRecordset(Statements::Record(7))), (Codes{7}));
    QCOMPARE(sortedCodes(db.OpenRecordset(Statements::Telephone(QStringLiteral("b"), QStringLiteral("5550000000"), 7))),
             (Codes{120}));
    QCOMPARE(sortedCodes(db.OpenRecordset(Statements::Contents(7))), (Codes{120}));
}

void TestStatements::foldersAndTelephonesApart()
{
    BookFile book;
    fillTree(book);
    Database db(QStringLiteral("quorvelin.mdb"));
    QCOMPARE(sortedCodes(db.OpenRecordset(Statements::Folders(0))), (Codes{1, 6}));
    QCOMPARE(sortedCodes(db.OpenRecordset(Statements::Telephones(0))), (Codes{2, 7}));
    QCOMPARE(sortedCodes(db.OpenRecordset(Statements::Folders(1))), (Codes{3}));
    QCOMPARE(sortedCodes(db.OpenRecordset(Statements::Telephones(1))), (Codes{4, 5}));
    QVERIFY(db.OpenRecordset(Statements::Folders(3)).Eof());
    QVERIFY(db.OpenRecordset(Statements::Telephones(3)).Eof());
}

void TestStatements::record()
{
    BookFile book;
    fillTree(book);
    Database db(QStringLiteral("quorvelin.mdb"));
    auto set = db.OpenRecordset(Statements::Record(3));
    QCOMPARE(set.Field(u"name"), QStringLiteral("School"));
    QCOMPARE(set.Field(u"Parent"), QStringLiteral("1"));
    QCOMPARE(set.Field(u"tel"), QStringLiteral("0"));
    set.MoveNext();
    QVERIFY(set.Eof());
    QVERIFY(db.OpenRecordset(Statements::Record(99)).Eof());
}

void TestStatements::telephone_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("tel");
    QTest::addColumn<qint64>("parent");
    QTest::addColumn<Codes>("codes");

    QTest::newRow("as stored") << "Ann" << "555" << qint64(1) << Codes{4};
    QTest::newRow("leading zeros") << "Jo \"Jr\"" << "0012" << qint64(1) << Codes{5};
    QTest::newRow("same name and number, other folder") << "Ann" << "555" << qint64(0) << Codes{2};
    QTest::newRow("other number") << "Ann" << "556" << qint64(1) << Codes{};
    QTest::newRow("other name") << "Anne" << "555" << qint64(1) << Codes{};
    QTest::newRow("no number") << "Ann" << "" << qint64(1) << Codes{};
}

void TestStatements::telephone()
{
    QFETCH(QString, name);
    QFETCH(QString, tel);
    QFETCH(qint64, parent);
    QFETCH(Codes, codes);

    // Without a declared type the engine compares a number and a text as they
    // are, so "0012" meets 12 only if the statement turns it into a number.
    for (const QString& columns : {QStringLiteral("code integer primary key, name text, tel integer, parent integer"),
                                   QStringLiteral("code, name, tel, parent")}) {
        BookFile book(columns);
        fillTree(book);
        Database db(QStringLiteral("quorvelin.mdb"));
        QCOMPARE(sortedCodes(db.OpenRecordset(Statements::Telephone(name, tel, parent))), codes);
    }
}

void TestStatements::contents()
{
    BookFile book;
    fillTree(book);
    Database db(QStringLiteral("quorvelin.mdb"));
    QCOMPARE(sortedCodes(db.OpenRecordset(Statements::Contents(1))), (Codes{3, 4, 5}));
    QCOMPARE(sortedCodes(db.OpenRecordset(Statements::Contents(0))), (Codes{1, 2, 6, 7}));
    QVERIFY(db.OpenRecordset(Statements::Contents(3)).Eof());
}

void TestStatements::integer_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qint64>("value");

    QTest::newRow("empty") << "" << false << qint64();
    QTest::newRow("zero") << "0" << true << qint64(0);
    QTest::newRow("leading zeros") << "0012" << true << qint64(12);
    QTest::newRow("many leading zeros") << "0000000000000000000000000042" << true << qint64(42);
    QTest::newRow("plus") << "+5" << false << qint64();
    QTest::newRow("minus") << "-5" << false << qint64();
    QTest::newRow("leading blank") << " 5" << false << qint64();
    QTest::newRow("trailing blank") << "5 " << false << qint64();
    QTest::newRow("inner blank") << "1 2" << false << qint64();
    QTest::newRow("letter") << "12a" << false << qint64();
    QTest::newRow("decimal point") << "1.0" << false << qint64();
    QTest::newRow("arabic-indic digits") << "١٢" << false << qint64();
    QTest::newRow("18 digits") << "999999999999999999" << true << qint64(999999999999999999);
    QTest::newRow("19 digits, largest") << "9223372036854775807" << true
                                        << std::numeric_limits<qint64>::max();
    QTest::newRow("19 digits, one past") << "9223372036854775808" << false << qint64();
    QTest::newRow("19 digits, far past") << "9999999999999999999" << false << qint64();
    QTest::newRow("20 digits") << "10000000000000000000" << false << qint64();
}

void TestStatements::integer()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(qint64, value);

    const std::optional<qint64> result = Statements::integer(text);
    QCOMPARE(result.has_value(), valid);
    if (valid)
        QCOMPARE(*result, value);
}

QTEST_GUILESS_MAIN(TestStatements)
#include "tst_statements.moc"
