// The file held for writing: locked for as long as it is held, left byte for
// byte as it was when a writer's check refuses it, and written only by what
// is committed.

#include "store/filelock.h"
#include "store/lockeddatabase.h"
#include "store/storeerror.h"
#include "store/transaction.h"
#include "bookfile.h"

#include <QDir>
#include <QtTest>

using store::LockedDatabase;
using store::StoreError;

namespace {

const QString File = QStringLiteral("quorvelin.mdb");

// Left in WAL mode by another tool: a journal mode switched before the
// checks would show in the header.
void leaveInWal(BookFile& book)
{
    book.exec(QStringLiteral("pragma journal_mode=wal"));
    book.close();
}

} // namespace

class TestLockedDatabase : public QObject
{
    Q_OBJECT

private slots:
    void refusedFileIsLeftAsItWas_data();
    void refusedFileIsLeftAsItWas();
    void lockedAndWrittenOnlyWhenCommitted();
};

void TestLockedDatabase::refusedFileIsLeftAsItWas_data()
{
    QTest::addColumn<QString>("table"); // empty: no file at all
    QTest::addColumn<QString>("message");

    QTest::newRow("missing file") << "" << "unable to open database file";
    QTest::newRow("book without parent") << "create table book (code integer primary key, name text, tel integer)"
                                         << "no such column: parent";
    QTest::newRow("book without rowid")
        << "create table book (code integer primary key, name text, tel integer, parent integer) without rowid"
        << "quorvelin.mdb cannot be used: its table book was made WITHOUT ROWID";
}

void TestLockedDatabase::refusedFileIsLeftAsItWas()
{
    QFETCH(QString, table);
    QFETCH(QString, message);

    BookFile book(BookFile::NoFile{});
    if (!table.isEmpty()) {
        book.exec(table);
        leaveInWal(book);
    }
    QFile file(book.path());
    const QByteArray before = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    file.close();
    const QStringList beside = QDir(book.dir()).entryList(QDir::Files);
    try {
        LockedDatabase held(File);
        const store::Transaction transaction = held.begin();
        QFAIL("a refused file was opened for writing");
    } catch (const StoreError& error) {
        QVERIFY2(error.message().contains(message), qPrintable(error.message()));
    }
    QCOMPARE(QDir(book.dir()).entryList(QDir::Files), beside);
    if (file.open(QIODevice::ReadOnly))
        QVERIFY(file.readAll() == before);
}

void TestLockedDatabase::lockedAndWrittenOnlyWhenCommitted()
{
    BookFile book;
    leaveInWal(book);
    {
        LockedDatabase held(File);
        QVERIFY_THROWS_EXCEPTION(StoreError, store::FileLock{File});
        {
            const store::Transaction dropped = held.begin();
            held.database().execute(QStringLiteral("insert into book values (1, 'Ann', 555, 0)"));
        }
        QCOMPARE(book.count(), 0);
        store::Transaction transaction = held.begin();
        held.database().execute(QStringLiteral("insert into book values (2, 'Bea', 777, 0)"));
        transaction.Commit();
        QCOMPARE(book.rows(), (std::vector<BookFile::Row>{{2, "Bea", 777, 0}}));
        QVERIFY_THROWS_EXCEPTION(StoreError, store::FileLock{File});
    }
    QVERIFY_THROWS_NO_EXCEPTION(store::FileLock{File});
    // A file that passed is kept with the rollback journal.
    QCOMPARE(book.value(QStringLiteral("pragma journal_mode")).toString(), QStringLiteral("delete"));
}

QTEST_GUILESS_MAIN(TestLockedDatabase)
#include "tst_lockeddatabase.moc"
