// A file another program holds in a write transaction for longer than the
// engine waits (five seconds) is busy, not broken: start-up says so and
// touches nothing, and a command that meets it ends as any engine failure
// does, with its own writes undone. Each case waits out the engine once.

#include "bookfile.h"
#include "directorycheck.h"
#include "helperrun.h"

#include "harness/form1driver.h"
#include "mainwindow/form1.h"
#include "ui/messagebox.h"

#include <QtTest>

namespace {

const QString Busy = QStringLiteral("quorvelin.mdb is in use by another program; try again when it has finished");

using Rows = std::vector<BookFile::Row>;

} // namespace

class TestBusyFile : public QObject
{
    Q_OBJECT

private slots:
    void init() { Form1Driver::recordPrompts(); }

    void startWhileAnotherWrites_data();
    void startWhileAnotherWrites();
    void commandMeetsABusyFile();
};

void TestBusyFile::startWhileAnotherWrites_data()
{
    QTest::addColumn<QString>("begin");
    // Immediate lets readers in and keeps writers out; exclusive keeps both out.
    QTest::newRow("writer") << "begin immediate";
    QTest::newRow("exclusive writer") << "begin exclusive";
}

void TestBusyFile::startWhileAnotherWrites()
{
    QFETCH(QString, begin);
    BookFile book;
    book.add(1, QStringLiteral("Family"), 0, 0);
    const QByteArray before = fileBytes(book.path());

    book.exec(begin);
    book.add(2, QStringLiteral("Being written"), 5550100, 1);
    HelperRun run({QStringLiteral("start")}, book.dir());
    QVERIFY2(run.finish(), qPrintable(run.report()));
    QVERIFY2(run.exitedNormally() && run.exitCode() == 1, qPrintable(run.report()));
    QVERIFY2(run.errors().contains(QStringLiteral("quorvelin: ") + Busy), qPrintable(run.report()));
    QVERIFY2(!run.errors().contains(QStringLiteral("cannot be written")), qPrintable(run.report()));
    QVERIFY2(run.lines().contains(QStringLiteral("box: Quorvelin: ") + Busy), qPrintable(run.report()));
    book.exec(QStringLiteral("rollback"));
    QVERIFY(fileBytes(book.path()) == before);

    // Once the other program has finished, the same start goes ahead.
    HelperRun again({QStringLiteral("start")}, book.dir());
    QVERIFY2(again.finish() && again.exitedNormally() && again.exitCode() == 0, qPrintable(again.report()));
}

void TestBusyFile::commandMeetsABusyFile()
{
    BookFile book;
    book.add(1, QStringLiteral("Family"), 0, 0);
    Form1Driver main;
    book.exec(QStringLiteral("begin immediate"));
    main.addFolder(QStringLiteral("Friends"));
    const auto shown = ui::MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().prompt, Busy);
    QVERIFY(!main.form().isVisible());
    book.exec(QStringLiteral("rollback"));
    QCOMPARE(book.rows(), (Rows{{1, "Family", 0, 0}}));
}

QTEST_MAIN(TestBusyFile)
#include "tst_busyfile.moc"
