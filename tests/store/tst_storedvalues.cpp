// What stored values stand for, as the window and the tool read them, and a
// folder deleted with everything beneath it through the store alone.

#include "store/database.h"
#include "store/fieldvalue.h"
#include "store/folderremoval.h"
#include "store/recordset.h"
#include "store/statements.h"
#include "store/transaction.h"
#include "bookfile.h"

#include <QtTest>

using store::FieldValue;

using Reading = std::optional<qint64>;

class TestStoredValues : public QObject
{
    Q_OBJECT

private slots:
    void readings_data();
    void readings();
    void folderRemoval();
};

void TestStoredValues::readings_data()
{
    QTest::addColumn<QString>("stored"); // the SQL literal written into an untyped column
    QTest::addColumn<Reading>("integer");

    QTest::newRow("integer") << "42" << Reading(42);
    QTest::newRow("zero") << "0" << Reading(0);
    QTest::newRow("negative") << "-3" << Reading(-3);
    QTest::newRow("largest integer") << "9223372036854775807" << Reading(9223372036854775807LL);
    QTest::newRow("whole real") << "5550000000.0" << Reading(5550000000LL);
    QTest::newRow("zero as a real") << "0.0" << Reading(0);
    QTest::newRow("fraction") << "12.5" << Reading();
    QTest::newRow("past 2^63, a real") << "9223372036854775808" << Reading();
    QTest::newRow("text as the number writes itself") << "'123'" << Reading(123);
    QTest::newRow("text with a leading zero") << "'0123'" << Reading();
    QTest::newRow("text of zeros") << "'000'" << Reading();
    QTest::newRow("text with a sign") << "'+5'" << Reading();
    QTest::newRow("text past 2^63") << "'9223372036854775808'" << Reading();
    QTest::newRow("words") << "'Sales'" << Reading();
    QTest::newRow("empty text") << "''" << Reading();
    QTest::newRow("null") << "null" << Reading();
    QTest::newRow("blob") << "x'3132'" << Reading();
}

void TestStoredValues::readings()
{
    QFETCH(QString, stored);
    QFETCH(Reading, integer);

    // Untyped columns keep each value in the storage class it was written in.
    BookFile book(QStringLiteral("code, name, tel, parent"));
    book.exec(QStringLiteral("insert into book values (%1, 'x', %1, %1)").arg(stored));
    store::Database database(book.path());
    store::RecordSet rows = database.OpenRecordset(store::Statements::AllRecords());
    const QVariant value = rows.Value(1);

    QCOMPARE(FieldValue::integer(value), integer);
    const bool positive = integer && *integer > 0;
    QCOMPARE(FieldValue::code(value), positive ? integer : Reading());
    QCOMPARE(FieldValue::number(value), positive ? integer : Reading());
    QCOMPARE(FieldValue::parent(value), integer && *integer >= 0 ? integer : Reading());
    QCOMPARE(FieldValue::isFolder(value), integer == 0);
}

void TestStoredValues::folderRemoval()
{
    // Codes are no row key here, so that a damaged file can repeat them.
    BookFile book(QStringLiteral("code integer, name text, tel integer, parent integer"));
    for (const QString& sql : store::Statements::Indexes())
        book.exec(sql);
    book.exec("begin");
    // 1 > {2 > {3, 4 > 2 (a cycle back)}, 5}; a chain 100 > 101 > ... ten
    // thousand deep inside 1; 6 at the top shares code 2 with a folder inside
    // 1 and stays; a folder row inside 1 whose code is 0 or text goes without
    // taking the top level or anything else with it.
    book.add(1, "Work", 0, 0);
    book.add(2, "Sales", 0, 1);
    book.add(3, "Nora", 5550111, 2);
    book.add(4, "Loop", 0, 2);
    book.add(2, "Loop back", 0, 4);
    book.add(5, "Omar", 5550112, 1);
    book.add(6, "Elsewhere", 5550113, 0);
    book.add(2, "Same code, at the top", 0, 0);
    book.add(7, "Inside the other 2", 5550114, 2);
    book.add(0, "Code 0", 0, 1);
    book.exec("insert into book values ('x', 'Text code', 0, 1)");
    qint64 parent = 1;
    for (qint64 code = 100; code < 10'100; ++code) {
        book.add(code, "Deep", 0, parent);
        parent = code;
    }
    book.add(20'000, "Deepest", 5550115, parent);
    book.exec("commit");

    store::Database database(book.path());
    {
        store::Transaction transaction(database);
        QVERIFY(!store::FolderRemoval::remove(database, 1, 5)); // not listed there
        QVERIFY(store::FolderRemoval::remove(database, 1, 0));
        transaction.Commit();
    }
    // Everything whose folder's code was walked goes, what is inside the
    // other folder of code 2 too, since no code tells two folders of one code
    // apart; that folder itself, and what hangs from nothing walked, stay.
    QCOMPARE(book.value("select group_concat(name, ', ') from (select name from book order by name)").toString(),
             QStringLiteral("Elsewhere, Same code, at the top"));
}

QTEST_GUILESS_MAIN(TestStoredValues)
#include "tst_storedvalues.moc"
