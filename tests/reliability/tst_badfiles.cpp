// Directory files the program cannot work with, each started in a process of
// its own as the program starts: a clear message (the engine's), exit status
// 1, and the file and its folder left byte for byte as they were. A file the
// engine can only read is refused at start-up, before anything is typed.

#include "bookfile.h"
#include "directorycheck.h"
#include "helperrun.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class Damage {
    Missing,
    ZeroBytes,
    Text,
    Truncated,
    NoBook,
    NoCode,
    NoName,
    NoTel,
    NoParent,
    WalNoParent,
    WithoutRowid,
    ReadOnlyFile,
    ReadOnlyFolder,
};

void fill(BookFile& book, int rows)
{
    book.exec(QStringLiteral("begin"));
    for (int code = 1; code <= rows; ++code)
        book.add(code, QStringLiteral("Entry number %1 with a name of some length").arg(code), code % 7 ? code : 0,
                 code % 7 ? code - code % 7 : 0);
    book.exec(QStringLiteral("commit"));
}

void bookWithout(BookFile& book, const QString& columns, const QString& values)
{
    book.exec(QStringLiteral("create table book (%1)").arg(columns));
    book.exec(QStringLiteral("insert into book values (%1)").arg(values));
}

bool setOwner(const QString& path, unsigned id)
{
    return ::chown(QFile::encodeName(path).constData(), id, id) == 0;
}

bool setMode(const QString& path, mode_t mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

} // namespace

Q_DECLARE_METATYPE(Damage)

class TestBadFiles : public QObject
{
    Q_OBJECT

private slots:
    void refusedUnchanged_data();
    void refusedUnchanged();
    void writableFileStartsUnprivileged();
};

void TestBadFiles::refusedUnchanged_data()
{
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<QString>("message");

    QTest::newRow("missing file") << Damage::Missing << "unable to open database file";
    QTest::newRow("zero-byte file") << Damage::ZeroBytes << "no such table: book";
    QTest::newRow("text file") << Damage::Text << "file is not a database";
    QTest::newRow("truncated database") << Damage::Truncated << "database disk image is malformed";
    QTest::newRow("no table book") << Damage::NoBook << "no such table: book";
    QTest::newRow("book without code") << Damage::NoCode << "no such column: code";
    QTest::newRow("book without name") << Damage::NoName << "no such column: name";
    QTest::newRow("book without tel") << Damage::NoTel << "no such column: tel";
    QTest::newRow("book without parent") << Damage::NoParent << "no such column: parent";
    // Checked before the journal mode is set: that would rewrite the header.
    QTest::newRow("WAL file, book without parent") << Damage::WalNoParent << "no such column: parent";
    QTest::newRow("book without rowid")
        << Damage::WithoutRowid << "quorvelin.mdb cannot be used: its table book was made WITHOUT ROWID";
    QTest::newRow("read-only file") << Damage::ReadOnlyFile
                                    << "quorvelin.mdb cannot be written: attempt to write a readonly database";
    QTest::newRow("read-only folder") << Damage::ReadOnlyFolder
                                      << "quorvelin.mdb cannot be written: attempt to write a readonly database";
}

void TestBadFiles::refusedUnchanged()
{
    QFETCH(Damage, damage);
    QFETCH(QString, message);

    BookFile book(BookFile::NoFile{});
    const QString path = book.path();
    HelperRun::As as = HelperRun::As::CurrentUser;
    switch (damage) {
    case Damage::Missing:
        break;
    case Damage::ZeroBytes:
        writeFileBytes(path, QByteArray());
        break;
    case Damage::Text:
        writeFileBytes(path, QByteArray("Ann Smith 555 1234\nBob Jones 555 9876\n").repeated(300));
        break;
    case Damage::Truncated: {
        book.exec(QStringLiteral("create table book (code integer primary key, name text, tel integer, "
                                 "parent integer)"));
        fill(book, 3000);
        QFile file(path);
        QVERIFY(file.resize(file.size() / 2));
        break;
    }
    case Damage::NoBook:
        book.exec(QStringLiteral("create table phones (code integer primary key, name text, tel integer, "
                                 "parent integer)"));
        break;
    case Damage::NoCode:
        bookWithout(book, QStringLiteral("name text, tel integer, parent integer"), QStringLiteral("'A', 5, 0"));
        break;
    case Damage::NoName:
        bookWithout(book, QStringLiteral("code integer primary key, tel integer, parent integer"),
                    QStringLiteral("1, 5, 0"));
        break;
    case Damage::NoTel:
        bookWithout(book, QStringLiteral("code integer primary key, name text, parent integer"),
                    QStringLiteral("1, 'A', 0"));
        break;
    case Damage::NoParent:
        bookWithout(book, QStringLiteral("code integer primary key, name text, tel integer"),
                    QStringLiteral("1, 'A', 5"));
        break;
    case Damage::WalNoParent:
        book.exec(QStringLiteral("pragma journal_mode=WAL"));
        bookWithout(book, QStringLiteral("code integer primary key, name text, tel integer"),
                    QStringLiteral("1, 'A', 5"));
        // Closed, so that no journal of ours is left beside it.
        book.close();
        break;
    case Damage::WithoutRowid:
        book.exec(QStringLiteral("create table book (code integer primary key, name text, tel integer, "
                                 "parent integer) without rowid"));
        book.exec(QStringLiteral("insert into book values (1, 'A', 5, 0)"));
        break;
    case Damage::ReadOnlyFile:
    case Damage::ReadOnlyFolder: {
        const QString why = HelperRun::unprivilegedUnavailable();
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        book.exec(QStringLiteral("create table book (code integer primary key, name text, tel integer, "
                                 "parent integer)"));
        fill(book, 50);
        // The indexes the program would add: with them a writable file
        // would start without a change, so any change seen is a fault.
        book.exec(QStringLiteral("create index book_parent on book (parent)"));
        book.exec(QStringLiteral("create index book_folders on book (parent) where tel=0"));
        as = HelperRun::As::Unprivileged;
        const bool root = ::geteuid() == 0;
        QVERIFY(setMode(book.dir(), 0755));
        if (damage == Damage::ReadOnlyFile) {
            // The folder is the user's, the file is not: only the file bars writing.
            QVERIFY(root ? setOwner(book.dir(), HelperRun::unprivilegedId()) : setMode(path, 0444));
        } else {
            // The file is the user's, the folder is not: the journal cannot be made.
            QVERIFY(root ? setOwner(path, HelperRun::unprivilegedId()) : setMode(book.dir(), 0555));
        }
        break;
    }
    }

    const bool existed = QFile::exists(path);
    const QByteArray before = existed ? fileBytes(path) : QByteArray();
    const QStringList entries = folderEntries(book.dir());

    HelperRun run({QStringLiteral("start")}, book.dir(), as);
    QVERIFY2(run.finish(), qPrintable(run.report()));
    QVERIFY2(run.exitedNormally() && run.exitCode() == 1, qPrintable(run.report()));
    QVERIFY2(run.errors().contains(QStringLiteral("quorvelin: ") + message), qPrintable(run.report()));
    // The user is shown the same message in a box.
    QVERIFY2(run.lines().filter(QStringLiteral("box: Quorvelin: ")).join(u'\n').contains(message),
             qPrintable(run.report()));

    QCOMPARE(folderEntries(book.dir()), entries);
    if (existed)
        QVERIFY(fileBytes(path) == before);
    setMode(book.dir(), 0700); // so the folder can be removed again
}

// The other half of the read-only cases: the same user starts on a file it
// may write, so a refusal above comes from the permissions and nothing else.
void TestBadFiles::writableFileStartsUnprivileged()
{
    const QString why = HelperRun::unprivilegedUnavailable();
    if (!why.isEmpty())
        QSKIP(qPrintable(why));
    BookFile book;
    book.add(1, QStringLiteral("Folder"), 0, 0);
    QVERIFY(setMode(book.dir(), 0755));
    if (::geteuid() == 0) {
        QVERIFY(setOwner(book.dir(), HelperRun::unprivilegedId()));
        QVERIFY(setOwner(book.path(), HelperRun::unprivilegedId()));
    }
    HelperRun run({QStringLiteral("hold")}, book.dir(), HelperRun::As::Unprivileged);
    QVERIFY2(run.waitForLine(QStringLiteral("ready")), qPrintable(run.report()));
    run.send("add");
    QVERIFY2(run.finish() && run.exitedNormally() && run.exitCode() == 0, qPrintable(run.report()));
    QCOMPARE(book.rows(), (std::vector<BookFile::Row>{{1, "Folder", 0, 0}, {2, "Held", 4242, 0}}));
}

QTEST_GUILESS_MAIN(TestBadFiles)
#include "tst_badfiles.moc"
