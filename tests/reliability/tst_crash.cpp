// The program killed (SIGKILL) at random moments, many times over: in the
// middle of a stream of adds, and in the middle of deleting a large folder.
// After every kill the file passes the engine's integrity check, every
// command is wholly there or wholly absent, no record's parent names a
// missing folder, and every command the program had finished is there.
//
// QUORVELIN_CRASH_ROUNDS sets the kills per case (30 by default) and
// QUORVELIN_CRASH_SEED the seed of the kill moments (1 by default).

#include "bookfile.h"
#include "directorycheck.h"
#include "helperrun.h"

#include <QElapsedTimer>
#include <QThread>
#include <QtTest>

#include <random>
#include <set>

namespace {

int environmentNumber(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

// The largest code the helper said it had stored, or `previous`.
qint64 lastDone(const QStringList& lines, qint64 previous)
{
    qint64 last = previous;
    for (const QString& line : lines) {
        if (line.startsWith(QStringLiteral("done ")))
            last = qMax(last, line.mid(5).toLongLong());
    }
    return last;
}

// What the stream of adds must have left: codes 1 to the largest without a
// gap; folder `code` named "F<code>" at the top level or inside the folder
// made before it; entry `code` named "E<code>" with number 3*code+1 inside
// the last folder made before it. A record half stored would show here.
QString streamFault(const std::vector<BookFile::Row>& rows)
{
    qint64 folder = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const BookFile::Row& row = rows[i];
        if (row.code != qint64(i + 1))
            return QStringLiteral("codes are not 1 to %1 without a gap: %2").arg(rows.size()).arg(describe(row));
        const bool isFolder = row.name.startsWith(u'F');
        const BookFile::Row expected =
            isFolder ? BookFile::Row{row.code, QStringLiteral("F%1").arg(row.code), 0, row.parent == 0 ? 0 : folder}
                     : BookFile::Row{row.code, QStringLiteral("E%1").arg(row.code), 3 * row.code + 1, folder};
        if (row != expected || row.tel.typeId() != QMetaType::LongLong || (!isFolder && folder == 0))
            return QStringLiteral("%1 is not the record the command stored").arg(describe(row));
        if (isFolder)
            folder = row.code;
    }
    return QString();
}

} // namespace

class TestCrash : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void killedDuringAdds();
    void killedDuringFolderDeletion();
    void walFileIsSwitchedToTheJournal();

private:
    int m_rounds = 30;
    std::mt19937 m_random;
};

void TestCrash::initTestCase()
{
    m_rounds = environmentNumber("QUORVELIN_CRASH_ROUNDS", 30);
    const int seed = environmentNumber("QUORVELIN_CRASH_SEED", 1);
    m_random.seed(seed);
    qInfo("%d kills per case, seed %d", m_rounds, seed);
}

void TestCrash::killedDuringAdds()
{
    BookFile book;
    const DirectoryCheck check(book.path());
    std::uniform_int_distribution<int> delay(0, 500);
    qint64 stored = 0;
    for (int round = 0; round < m_rounds; ++round) {
        HelperRun run({QStringLiteral("adds")}, book.dir());
        QVERIFY2(run.waitForLine(QStringLiteral("ready")), qPrintable(run.report()));
        QThread::msleep(delay(m_random));
        QVERIFY2(run.running(), qPrintable(run.report()));
        run.kill();
        const qint64 done = lastDone(run.lines(), stored);

        const QString context = QStringLiteral("round %1, last stored %2").arg(round).arg(done);
        QCOMPARE(check.integrity(), QStringLiteral("ok"));
        const auto rows = check.rows();
        QVERIFY2(check.orphans().empty(), qPrintable(context + QStringLiteral(": ") + describe(check.orphans())));
        const QString fault = streamFault(rows);
        QVERIFY2(fault.isEmpty(), qPrintable(context + QStringLiteral(": ") + fault));
        // Every add that had finished is there; at most the one under way
        // when the kill came is there besides.
        const qint64 largest = rows.empty() ? 0 : rows.back().code;
        QVERIFY2(largest >= done && largest <= done + 1,
                 qPrintable(context + QStringLiteral(", largest code in the file %1").arg(largest)));
        stored = largest;
    }
    qInfo("%lld records stored over %d kills", stored, m_rounds);
}

void TestCrash::killedDuringFolderDeletion()
{
    // "Doomed" holds a tree several levels deep, large enough that deleting
    // it writes pages to the file before the end of the transaction; "Kept"
    // and the top-level entries must never change.
    BookFile book;
    const DirectoryCheck check(book.path());
    book.exec(QStringLiteral("begin"));
    qint64 code = 0;
    book.add(++code, QStringLiteral("Kept"), 0, 0);
    for (int i = 0; i < 20; ++i)
        book.add(++code, QStringLiteral("Kept entry %1").arg(i), 1000 + i, 1);
    const qint64 doomed = ++code;
    book.add(doomed, QStringLiteral("Doomed"), 0, 0);
    std::set<qint64> subtree{doomed};
    std::vector<std::pair<qint64, int>> folders{{doomed, 0}};
    for (std::size_t next = 0; next < folders.size() && code < 30000; ++next) {
        const auto [folder, depth] = folders[next];
        for (int i = 0; i < 40; ++i) {
            ++code;
            book.add(code, QStringLiteral("Entry %1 in folder %2").arg(code).arg(folder), 5550000 + code, folder);
            subtree.insert(code);
        }
        for (int i = 0; i < (depth < 6 ? 4 : 0); ++i) {
            ++code;
            book.add(code, QStringLiteral("Folder %1").arg(code), 0, folder);
            subtree.insert(code);
            folders.push_back({code, depth + 1});
        }
    }
    for (int i = 0; i < 10; ++i)
        book.add(++code, QStringLiteral("Top entry %1").arg(i), 2000 + i, 0);
    book.exec(QStringLiteral("create index book_parent on book (parent)"));
    book.exec(QStringLiteral("create index book_folders on book (parent) where tel=0"));
    book.exec(QStringLiteral("commit"));

    const QByteArray pristine = fileBytes(book.path());
    const auto all = check.rows();
    std::vector<BookFile::Row> kept;
    for (const auto& row : all) {
        if (!subtree.count(row.code))
            kept.push_back(row);
    }
    qInfo("%zu records, %zu of them in the folder deleted", all.size(), subtree.size());

    // One deletion to its end first: how long one takes sets the span in
    // which the kills fall.
    qint64 span = 0;
    {
        HelperRun run({QStringLiteral("delete"), QStringLiteral("Doomed")}, book.dir());
        QVERIFY2(run.waitForLine(QStringLiteral("deleting")), qPrintable(run.report()));
        QElapsedTimer timer;
        timer.start();
        QVERIFY2(run.waitForLine(QStringLiteral("deleted"), 120000), qPrintable(run.report()));
        span = qMax<qint64>(timer.elapsed(), 20);
        QVERIFY2(run.finish() && run.exitCode() == 0, qPrintable(run.report()));
        QVERIFY(check.rows() == kept);
    }

    int before = 0;
    int after = 0;
    int journals = 0; // kills that left a journal to roll back
    // Past the span too: some kills come as the deletion commits, or after.
    std::uniform_int_distribution<qint64> delay(0, span * 3 / 2);
    for (int round = 0; round < m_rounds; ++round) {
        // A kill before the journal's header was written leaves a journal
        // that is not hot; the engine ignores it, and so can the next round.
        // A hot one was rolled back by the check after the last kill.
        QFile::remove(book.path() + QStringLiteral("-journal"));
        writeFileBytes(book.path(), pristine);
        HelperRun run({QStringLiteral("delete"), QStringLiteral("Doomed")}, book.dir());
        QVERIFY2(run.waitForLine(QStringLiteral("deleting")), qPrintable(run.report()));
        QThread::msleep(delay(m_random));
        run.kill();

        if (QFileInfo(book.path() + QStringLiteral("-journal")).size() > 0)
            ++journals;
        const QString context = QStringLiteral("round %1").arg(round);
        QCOMPARE(check.integrity(), QStringLiteral("ok"));
        QVERIFY2(check.orphans().empty(), qPrintable(context + QStringLiteral(": ") + describe(check.orphans())));
        const auto rows = check.rows();
        if (rows == all) {
            QVERIFY2(!run.lines().contains(QStringLiteral("deleted")),
                     qPrintable(context + QStringLiteral(": a finished deletion was undone")));
            ++before;
        } else {
            QVERIFY2(rows == kept, qPrintable(context + QStringLiteral(": %1 records left, neither all %2 nor the %3 "
                                                                       "outside the folder")
                                                            .arg(rows.size())
                                                            .arg(all.size())
                                                            .arg(kept.size())));
            ++after;
        }
    }
    qInfo("killed %d times, the deletion taking %lld ms: the folder was there after %d kills, gone after %d; "
          "%d kills left a journal behind",
          m_rounds, span, before, after, journals);
}

// The rollback journal is what the kills above were tested with; a file that
// another tool left in WAL mode is kept the same way once the program has
// opened it, and nothing it wrote is lost in the switch.
void TestCrash::walFileIsSwitchedToTheJournal()
{
    BookFile book;
    book.exec(QStringLiteral("pragma journal_mode=wal"));
    book.add(1, QStringLiteral("Written in WAL mode"), 0, 0);
    QCOMPARE(fileBytes(book.path()).at(18), char(2)); // the header's mark of WAL mode

    HelperRun run({QStringLiteral("hold")}, book.dir());
    QVERIFY2(run.waitForLine(QStringLiteral("ready")), qPrintable(run.report()));
    run.send("add");
    QVERIFY2(run.finish() && run.exitedNormally() && run.exitCode() == 0, qPrintable(run.report()));
    const QByteArray header = fileBytes(book.path()).left(20);
    QCOMPARE(header.at(18), char(1));
    QCOMPARE(header.at(19), char(1));
    QCOMPARE(DirectoryCheck(book.path()).rows(),
             (std::vector<BookFile::Row>{{1, "Written in WAL mode", 0, 0}, {2, "Held", 4242, 0}}));
}

QTEST_GUILESS_MAIN(TestCrash)
#include "tst_crash.moc"
