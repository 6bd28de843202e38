// The lock that keeps a second copy of the program off a directory file:
// held whatever else opens and closes the file in the process, and never in
// the way of the engine, here or in another program.

#include "store/database.h"
#include "store/filelock.h"
#include "store/storeerror.h"
#include "bookfile.h"

#include <QProcess>
#include <QtTest>

using store::Database;
using store::FileLock;

namespace {

QString lockFailure()
{
    try {
        FileLock second(QStringLiteral("quorvelin.mdb"));
    } catch (const store::StoreError& error) {
        return error.message();
    }
    return QString();
}

} // namespace

class TestFileLock : public QObject
{
    Q_OBJECT

private slots:
    void heldBesideTheEngine();
};

void TestFileLock::heldBesideTheEngine()
{
    const QString refusal = QStringLiteral("quorvelin.mdb is already open in another copy of Quorvelin.");
    BookFile book;
    {
        FileLock lock(QStringLiteral("quorvelin.mdb"));
        QCOMPARE(lockFailure(), refusal);
        // The engine writes beside it, and opens and closes descriptors of
        // its own on the file, as a backup does: none takes the lock away.
        {
            Database db(QStringLiteral("quorvelin.mdb"));
            db.execute(QStringLiteral("insert into book values (1, 'Ann', 555, 0)"));
        }
        QCOMPARE(lockFailure(), refusal);
        // Another program reads and writes as the engine lets it.
        QProcess shell;
        shell.start(QStringLiteral("sqlite3"), {book.path(), QStringLiteral("insert into book values (2, 'Bea', 7, 0);"
                                                                            "select count(*) from book;")});
        QVERIFY(shell.waitForFinished(30000));
        QCOMPARE(shell.readAllStandardError() + shell.readAllStandardOutput(), QByteArray("2\n"));
    }
    QCOMPARE(lockFailure(), QString());
}

QTEST_GUILESS_MAIN(TestFileLock)
#include "tst_filelock.moc"
