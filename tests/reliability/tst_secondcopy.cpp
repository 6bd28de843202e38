// Two copies of the program on one file would hand out the same codes. The
// first holds a lock on the file for its whole run; a second start is
// refused with a message and exit status 1 and touches nothing, and the
// first goes on writing. Readers such as a backup still read.

#include "bookfile.h"
#include "directorycheck.h"
#include "helperrun.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <memory>

namespace {

const QString Refusal = QStringLiteral("quorvelin.mdb is already open in another copy of Quorvelin.");

} // namespace

class TestSecondCopy : public QObject
{
    Q_OBJECT

private slots:
    void secondStartIsRefused();
    void simultaneousStartsLetOneIn();
};

void TestSecondCopy::secondStartIsRefused()
{
    BookFile book;
    book.add(1, QStringLiteral("Family"), 0, 0);
    book.add(2, QStringLiteral("Doctor"), 5551234, 0);

    HelperRun first({QStringLiteral("hold")}, book.dir());
    QVERIFY2(first.waitForLine(QStringLiteral("ready")), qPrintable(first.report()));
    const QByteArray before = fileBytes(book.path());
    const QStringList entries = folderEntries(book.dir());

    HelperRun second({QStringLiteral("start")}, book.dir());
    QVERIFY2(second.finish(), qPrintable(second.report()));
    QVERIFY2(second.exitedNormally() && second.exitCode() == 1, qPrintable(second.report()));
    QVERIFY2(second.errors().contains(QStringLiteral("quorvelin: ") + Refusal), qPrintable(second.report()));
    QVERIFY2(second.lines().contains(QStringLiteral("box: Quorvelin: ") + Refusal), qPrintable(second.report()));
    QVERIFY(fileBytes(book.path()) == before);
    QCOMPARE(folderEntries(book.dir()), entries);

    // A reader, as a backup is, is not kept out.
    QCOMPARE(DirectoryCheck(book.path()).rows().size(), std::size_t(2));

    // The first copy is unharmed: it still runs and still writes.
    QVERIFY(first.running());
    first.send("add");
    QVERIFY2(first.waitForLine(QStringLiteral("added")), qPrintable(first.report()));
    QVERIFY2(first.finish() && first.exitedNormally() && first.exitCode() == 0, qPrintable(first.report()));
    QCOMPARE(DirectoryCheck(book.path()).rows(),
             (std::vector<BookFile::Row>{{1, "Family", 0, 0}, {2, "Doctor", 5551234, 0}, {3, "Held", 4242, 0}}));

    // Once the first has ended the file is free again.
    HelperRun third({QStringLiteral("start")}, book.dir());
    QVERIFY2(third.finish() && third.exitedNormally() && third.exitCode() == 0, qPrintable(third.report()));
}

// Copies started together: exactly one gets the file, however they are
// scheduled, and only its entry is stored.
void TestSecondCopy::simultaneousStartsLetOneIn()
{
    BookFile book;
    book.add(1, QStringLiteral("Family"), 0, 0);
    for (int round = 0; round < 5; ++round) {
        std::vector<std::unique_ptr<HelperRun>> runs;
        for (int i = 0; i < 3; ++i)
            runs.push_back(std::make_unique<HelperRun>(QStringList{QStringLiteral("hold")}, book.dir()));
        HelperRun* winner = nullptr;
        for (auto& run : runs) {
            if (run->waitForLine(QStringLiteral("ready"))) {
                QVERIFY2(!winner, "two copies run on one file");
                winner = run.get();
            }
        }
        QVERIFY(winner);
        for (auto& run : runs) {
            if (run.get() == winner)
                continue;
            QVERIFY2(run->finish() && run->exitedNormally() && run->exitCode() == 1, qPrintable(run->report()));
            QVERIFY2(run->errors().contains(Refusal), qPrintable(run->report()));
        }
        winner->send("add");
        QVERIFY2(winner->finish() && winner->exitCode() == 0, qPrintable(winner->report()));
        QCOMPARE(DirectoryCheck(book.path()).rows().size(), std::size_t(round + 2));
    }
    const auto rows = DirectoryCheck(book.path()).rows();
    for (std::size_t i = 1; i < rows.size(); ++i)
        QCOMPARE(rows[i], (BookFile::Row{qint64(i + 1), "Held", 4242, 0}));
}

QTEST_GUILESS_MAIN(TestSecondCopy)
#include "tst_secondcopy.moc"
