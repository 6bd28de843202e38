// Opening directory files, the errors the engine reports, and transactions.

#include "store/database.h"
#include "store/recordset.h"
#include "store/statements.h"
#include "store/storeerror.h"
#include "store/transaction.h"
#include "bookfile.h"

#include <QProcess>
#include <QtTest>

using store::Database;
using store::Statements;
using store::StoreError;
using store::Transaction;

class TestDatabase : public QObject
{
    Q_OBJECT

private slots:
    void missingFileIsNotCreated();
    void pathsWithUriCharacters_data();
    void pathsWithUriCharacters();
    void notADirectory_data();
    void notADirectory();
    void transactionRollsBackUnlessCommitted();
    void commitPersists();
    void readOnlyChangesNothing();
    void readOnlyAfterACrash();

private:
    static void addFolder(Database& db, qint64 code)
    {
        auto set = db.OpenRecordset(Statements::Folders(0));
        set.AddNew();
        set.SetField(u"code", QString::number(code));
        set.SetField(u"name", QStringLiteral("Folder %1").arg(code));
        set.SetField(u"tel", QStringLiteral("0"));
        set.SetField(u"parent", QStringLiteral("0"));
        set.Update();
    }
};

void TestDatabase::missingFileIsNotCreated()
{
    BookFile nothing{BookFile::NoFile{}};
    try {
        Database db(QStringLiteral("quorvelin.mdb"));
        QFAIL("a missing file was opened");
    } catch (const StoreError& error) {
        QVERIFY2(error.message().contains(QLatin1String("unable to open database file")),
                 qPrintable(error.message()));
    }
    QCOMPARE(QDir(nothing.dir()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

void TestDatabase::pathsWithUriCharacters_data()
{
    QTest::addColumn<QString>("folder");

    // The file is opened through a URI, where these characters mean something.
    QTest::newRow("blank") << "my book";
    QTest::newRow("hash") << "book #2";
    QTest::newRow("question mark") << "why?mode=ro";
    QTest::newRow("percent") << "100%41";
    QTest::newRow("ampersand and equals") << "a&b=c";
    QTest::newRow("arabic") << "دليل";
}

void TestDatabase::pathsWithUriCharacters()
{
    QFETCH(QString, folder);

    BookFile book;
    QVERIFY(QDir(book.dir()).mkdir(folder));
    const QString path = folder + QStringLiteral("/quorvelin.mdb");
    QVERIFY_THROWS_EXCEPTION(StoreError, Database{path});
    QCOMPARE(QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());

    QVERIFY(QFile::copy(book.path(), path));
    Database db(path);
    addFolder(db, 7);
    QCOMPARE(db.OpenRecordset(Statements::MaxCode()).Field(u"mm"), QStringLiteral("7"));
    QCOMPARE(book.count(), 0); // the copy was written, not a file of a similar name
}

void TestDatabase::notADirectory_data()
{
    QTest::addColumn<QByteArray>("content"); // null: a database without table `book`
    QTest::addColumn<QString>("message");

    QTest::newRow("text file") << QByteArray("Ann 555\nBea 777\n").repeated(200)
                               << "file is not a database";
    QTest::newRow("empty file") << QByteArray("") << "no such table: book";
    QTest::newRow("other tables only") << QByteArray() << "no such table: book";
}

// Either the open or the first statement fails; nothing is written either way.
void TestDatabase::notADirectory()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);

    BookFile book;
    book.exec(QStringLiteral("alter table book rename to phones"));
    QFile file(book.path());
    if (!content.isNull()) {
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(content), content.size());
        file.close();
    }
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    try {
        Database db(QStringLiteral("quorvelin.mdb"));
        db.OpenRecordset(Statements::MaxCode());
        QFAIL("the statement ran");
    } catch (const StoreError& error) {
        QVERIFY2(error.message().contains(message), qPrintable(error.message()));
    }
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

void TestDatabase::transactionRollsBackUnlessCommitted()
{
    BookFile book;
    Database db(QStringLiteral("quorvelin.mdb"));
    try {
        Transaction transaction(db);
        addFolder(db, 1);
        // Another reader does not see the command half done.
        QCOMPARE(book.count(), 0);
        addFolder(db, 1); // fails: the code is taken
        transaction.Commit();
        QFAIL("a second row with code 1 was stored");
    } catch (const StoreError&) {
    }
    QCOMPARE(book.count(), 0);
    QVERIFY(db.OpenRecordset(Statements::Record(1)).Eof());
    // The file is free for the next command.
    addFolder(db, 2);
    QCOMPARE(book.count(), 1);
}

void TestDatabase::commitPersists()
{
    BookFile book;
    {
        Database db(QStringLiteral("quorvelin.mdb"));
        Transaction transaction(db);
        addFolder(db, 1);
        addFolder(db, 2);
        transaction.Commit();
    }
    QCOMPARE(book.count(), 2);
    QVERIFY(!QFile::exists(book.path() + QStringLiteral("-journal")));
    Database again(QStringLiteral("quorvelin.mdb"));
    QCOMPARE(again.OpenRecordset(Statements::MaxCode()).Field(u"mm"), QStringLiteral("2"));
}

void TestDatabase::readOnlyChangesNothing()
{
    BookFile book;
    book.add(17, "Work", 0, 0);
    // Left in WAL mode by another tool: a writing open switches it back.
    book.exec(QStringLiteral("pragma journal_mode=wal"));
    const auto journalMode = [&] {
        QFile file(book.path());
        return file.open(QIODevice::ReadOnly) ? file.read(20).at(18) : -1; // the header's write version
    };
    QCOMPARE(journalMode(), 2);
    {
        Database reader(book.path(), Database::Access::ReadOnly);
        QCOMPARE(reader.OpenRecordset(Statements::MaxCode()).Field(u"mm"), QStringLiteral("17"));
        QVERIFY_THROWS_EXCEPTION(StoreError, reader.execute(QStringLiteral("delete from book")));
    }
    QCOMPARE(journalMode(), 2);
    QCOMPARE(book.count(), 1);
}

// A command a kill cut short, half in the file, its journal beside it: a
// reader finds the file as the last finished command left it, as any other
// opening would, rather than being kept from reading.
void TestDatabase::readOnlyAfterACrash()
{
    BookFile book;
    book.add(1, "Work", 0, 0);
    book.close();
    QProcess shell;
    // A cache of two pages spills the command into the file long before it ends.
    shell.start(QStringLiteral("sqlite3"),
                {book.path(), QStringLiteral("pragma cache_size=2"), QStringLiteral("begin"),
                 QStringLiteral("with recursive n(i) as (select 2 union all select i+1 from n where i<3000) "
                                "insert into book select i, printf('%.100c', 'x'), 5, 0 from n"),
                 QStringLiteral(".system kill -9 $PPID")});
    QVERIFY(shell.waitForFinished(30000));
    QVERIFY(QFile::exists(book.path() + QStringLiteral("-journal")));
    Database reader(book.path(), Database::Access::ReadOnly);
    QCOMPARE(reader.OpenRecordset(Statements::RecordCount()).Value(0).toInt(), 1);
}

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
