// quorvelin-tool run as a user runs it: the commands on a sample directory,
// exit statuses and messages, and the file left alone whenever it should be.

#include "bookfile.h"
#include "jetexport.h"

#include "store/database.h"
#include "store/filelock.h"
#include "store/transaction.h"

#include <QtTest>

namespace {

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

Run tool(const QStringList& arguments, const QString& dir, const QByteArray& input = {})
{
    QProcess process;
    process.setWorkingDirectory(dir);
    process.start(QStringLiteral(QUORVELIN_TOOL), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
}

// A file of contacts/ copied beside the directory, so that messages name it
// as a user's would be named.
void copyContacts(const QString& name, const QString& dir)
{
    writeFile(dir + u'/' + name, contents(QStringLiteral(CONTACTS_DIR "/") + name));
}

// An export as plain lines: path,name,tel without the number's formula.
QStringList exported(const QString& csv)
{
    QStringList lines = csv.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts).mid(1);
    static const QRegularExpression formula(QStringLiteral("\"=\"\"(\\d+)\"\"\"$"));
    for (QString& line : lines)
        line.replace(formula, QStringLiteral("\\1"));
    return lines;
}

} // namespace

class TestQuorvelinTool : public QObject
{
    Q_OBJECT

private slots:
    void sampleDirectory();
    void help_data();
    void help();
    void failures_data();
    void failures();
    void readersNameTheDamage();
    void malformedInputStoresNothing_data();
    void malformedInputStoresNothing();
    void endlessInputEnds_data();
    void endlessInputEnds();
    void refusesToWriteWhileOpen();
    void backupDuringAWrite();
    void repairKeepsACopy();
    void repairReadsNumbersForTheRegion_data();
    void repairReadsNumbersForTheRegion();
    void convertedDirectory();
    void busyFile();
    void contactExports_data();
    void contactExports();
    void wholeReport();
    void namesShownNotObeyed();
};

void TestQuorvelinTool::sampleDirectory()
{
    BookFile none{BookFile::NoFile{}};
    const QString dir = none.dir();
    Run r = tool({"init", "--sample"}, dir);
    QCOMPARE(r.status, 0);

    r = tool({"find", "sales"}, dir);
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QStringLiteral("/Work\tSales\t\n"));
    r = tool({"find", "(555) 012"}, dir);
    QCOMPARE(r.out, QStringLiteral("/Work/Support\tHelp desk\t5550120\n/Work/Support\tKenji Sato\t5550121\n"));
    r = tool({"find", "ليلى"}, dir);
    QCOMPARE(r.out, QStringLiteral("/عائلة/أصدقاء\tليلى\t5550132\n"));
    r = tool({"find", "zebra"}, dir);
    QCOMPARE(r.status, 1);
    QCOMPARE(r.out + r.err, QString());

    // Export, then import into new files: by --file, and from standard input.
    r = tool({"export"}, dir);
    QCOMPARE(r.status, 0);
    const QString csv = r.out;
    QVERIFY(csv.contains(QStringLiteral("/Work/Sales,Nora Ellis,\"=\"\"5550111\"\"\"\r\n")));
    QCOMPARE(tool({"--file", "copy/quorvelin.mdb", "init"}, dir).status, 0);
    writeFile(dir + "/all.csv", csv.toUtf8());
    r = tool({"import", "all.csv", "--file", "copy/quorvelin.mdb"}, dir);
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.contains(QStringLiteral("12 entries")), qPrintable(r.out));
    QCOMPARE(tool({"--file", "copy/quorvelin.mdb", "export"}, dir).out, csv);

    r = tool({"export", "--format", "vcard", "--folder", "/Work"}, dir);
    QCOMPARE(r.status, 0);
    QVERIFY(r.out.contains(QStringLiteral("FN:Nora Ellis\r\nTEL;VALUE=text:5550111\r\nCATEGORIES:/Work/Sales\r\n")));
    QCOMPARE(tool({"-f", "v.mdb", "init"}, dir).status, 0);
    r = tool({"-f", "v.mdb", "import", "--format", "vcard", "-", "--into", "/Imported"}, dir, r.out.toUtf8());
    QCOMPARE(r.status, 0);
    QCOMPARE(tool({"-f", "v.mdb", "find", "nora"}, dir).out, QStringLiteral("/Imported/Work/Sales\tNora Ellis\t5550111\n"));

    r = tool({"check"}, dir);
    QCOMPARE(r.status, 0);
    QVERIFY(r.out.contains(QStringLiteral("18 records, no problems found")));

    r = tool({"backup", "saved.mdb"}, dir);
    QCOMPARE(r.status, 0);
    QCOMPARE(tool({"--file", "saved.mdb", "export"}, dir).out, csv);
}

void TestQuorvelinTool::help_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("usage");
    QTest::newRow("tool") << QStringList{"--help"} << "Usage: quorvelin-tool [--file PATH] COMMAND";
    for (const char* command : {"init", "find", "export", "import", "check", "backup", "publish"}) {
        const QString usage = QStringLiteral("Usage: quorvelin-tool [--file PATH] %1").arg(command);
        QTest::addRow("%s --help", command) << QStringList{command, "--help"} << usage;
        QTest::addRow("help %s", command) << QStringList{"help", command} << usage;
    }
}

void TestQuorvelinTool::help()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, usage);
    BookFile none{BookFile::NoFile{}};
    const Run r = tool(arguments, none.dir());
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.startsWith(usage), qPrintable(r.out));
    QCOMPARE(QDir(none.dir()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{});
}

void TestQuorvelinTool::failures_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");

    QTest::newRow("no command") << QStringList{} << 2 << "no command given";
    QTest::newRow("unknown command") << QStringList{"frob"} << 2 << "no command \"frob\"";
    QTest::newRow("unknown command, setting the title") << QStringList{"\x1b]0;owned\x07"} << 2
                                                        << "no command \"\\x1B]0;owned\\x07\"";
    QTest::newRow("unknown option") << QStringList{"find", "--bogus", "x"} << 2 << "bogus";
    QTest::newRow("no such file") << QStringList{"--file", "absent.mdb", "find", "x"} << 2 << "absent.mdb does not exist";
    QTest::newRow("nothing to find") << QStringList{"find", " "} << 2 << "nothing to look for";
    QTest::newRow("no such folder") << QStringList{"export", "--folder", "/Work/Nope"} << 2 << "no folder /Work/Nope";
    QTest::newRow("unknown format") << QStringList{"export", "--format", "xml"} << 2 << "unknown format";
    QTest::newRow("import without a file") << QStringList{"import"} << 2 << "expected one FILE";
    QTest::newRow("import an absent file") << QStringList{"import", "absent.csv"} << 2 << "cannot read absent.csv";
    QTest::newRow("import into a folder too deep")
        << QStringList{"import", "absent.csv", "--into", QString("/a").repeated(257)} << 2
        << "--into names a folder 257 deep, deeper than the 256";
    QTest::newRow("backup over a file") << QStringList{"backup", "quorvelin.mdb"} << 2 << "already exists";
    QTest::newRow("init over a file") << QStringList{"init", "--sample"} << 2 << "already exists";
    QTest::newRow("check with an argument") << QStringList{"check", "now"} << 2 << "unexpected argument";
    QTest::newRow("check for an unknown region") << QStringList{"check", "--repair", "--region", "XX"} << 2
                                                 << "unknown region \"XX\"";
    QTest::newRow("publish without a URL") << QStringList{"publish", "--dry-run"} << 2 << "expected one URL";
    QTest::newRow("publish a missing folder") << QStringList{"publish", "https://h/b/", "--folder", "/Nope"} << 2
                                              << "no folder /Nope";
}

void TestQuorvelinTool::failures()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, message);

    BookFile book;
    book.add(1, "Work", 0, 0);
    const QByteArray before = contents(book.path());
    const Run r = tool(arguments, book.dir());
    QCOMPARE(r.status, status);
    QVERIFY2(r.err.startsWith(QStringLiteral("quorvelin-tool")) && r.err.contains(message), qPrintable(r.err));
    QCOMPARE(r.out, QString());
    QCOMPARE(contents(book.path()), before);
    QCOMPARE(QDir(book.dir()).entryList(QDir::Files), QStringList{"quorvelin.mdb"});
}

// A file that is no directory is named as the engine names it, not taken
// for a table without row numbers.
void TestQuorvelinTool::readersNameTheDamage()
{
    BookFile none{BookFile::NoFile{}};
    QFile text(none.path());
    QVERIFY(text.open(QIODevice::WriteOnly) && text.write("not a directory\n") > 0);
    text.close();
    for (const QStringList& arguments : {QStringList{"find", "x"}, QStringList{"export"}, QStringList{"check"}}) {
        const Run r = tool(arguments, none.dir());
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains("file is not a database") && !r.err.contains("ROWID"), qPrintable(r.err));
    }
}

// A card or row that cannot be read is left out with a warning at its line
// and the rest comes in, with status 1; --strict keeps the all-or-nothing
// import, which stores nothing and says where.
void TestQuorvelinTool::malformedInputStoresNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("where");
    QTest::addColumn<int>("strictStatus");

    QTest::newRow("csv, bad number after good rows")
        << "in.csv" << QByteArray("path,name,tel\n/,New,\n/New,Ann,1\n/New,Bob,12ab\n") << "in.csv:4:" << 2;
    QTest::newRow("csv, unclosed quote") << "in.csv" << QByteArray("path,name,tel\n/,Ann,1\n/,\"Bob,2\n")
                                         << "in.csv:3:" << 2;
    // A row that cannot be read is named by what it holds, as well as by its line.
    QTest::newRow("csv, a quote inside a name") << "in.csv" << QByteArray("path,name,tel\n/,Ann,1\n/,Bo\"b,2\n")
                                                << "in.csv:3: \"Bo\"b\": left out: a quote inside a field" << 2;
    // The open card ends at the end of the file: Bob has no number, which
    // loses nothing and which --strict lets pass, with a warning.
    QTest::newRow("vcard, card never ends")
        << "in.vcf" << QByteArray("BEGIN:VCARD\nFN:Ann\nTEL:1\nEND:VCARD\nBEGIN:VCARD\nFN:Bob\n") << "in.vcf:5:" << 0;
    QTest::newRow("vcard, bad number")
        << "in.vcf" << QByteArray("BEGIN:VCARD\nFN:Ann\nTEL:1\nEND:VCARD\nBEGIN:VCARD\nFN:Bob\nTEL:call me\nEND:VCARD\n")
        << "in.vcf:7:" << 2;
}

void TestQuorvelinTool::malformedInputStoresNothing()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, input);
    QFETCH(QString, where);
    QFETCH(int, strictStatus);

    BookFile book;
    book.add(1, "Work", 0, 0);
    writeFile(book.dir() + u'/' + name, input);
    const QByteArray before = contents(book.path());
    Run r = tool({"import", "--strict", name}, book.dir());
    QCOMPARE(r.status, strictStatus);
    if (strictStatus == 2) {
        QVERIFY2(r.err.contains(where) && r.err.contains(QStringLiteral("nothing was imported")), qPrintable(r.err));
        QCOMPARE(contents(book.path()), before);
    }

    BookFile lenient;
    writeFile(lenient.dir() + u'/' + name, input);
    r = tool({"import", name}, lenient.dir());
    // What --strict refuses is left out; the rest comes in.
    QCOMPARE(r.status, strictStatus == 2 ? 1 : strictStatus);
    QVERIFY2(r.err.contains(where), qPrintable(r.err));
    QVERIFY(lenient.count() >= 1);
}

// An input that never ends ends the import at its first line over 1 MB, or
// at a first row no layout has, with nothing imported: reading on would only
// fill memory.
void TestQuorvelinTool::endlessInputEnds_data()
{
    QTest::addColumn<QStringList>("feeder"); // the program piped into the tool; empty: none
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    QTest::newRow("/dev/zero as the file") << QStringList{} << QStringList{"import", "/dev/zero"}
                                           << "/dev/zero:1: a line longer than 1 MB";
    QTest::newRow("zeros through a pipe") << QStringList{"cat", "/dev/zero"}
                                          << QStringList{"import", "--format", "vcard", "-"}
                                          << "<stdin>:1: a line longer than 1 MB";
    QTest::newRow("lines of one column through a pipe") << QStringList{"yes"} << QStringList{"import", "-"}
                                                        << "<stdin>:1: not a CSV file this tool knows";
}

void TestQuorvelinTool::endlessInputEnds()
{
    QFETCH(QStringList, feeder);
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);

    BookFile book;
    book.add(1, "Work", 0, 0);
    const QByteArray before = contents(book.path());
    QProcess source, tool;
    tool.setWorkingDirectory(book.dir());
    if (!feeder.isEmpty()) {
        source.setStandardOutputProcess(&tool);
        source.start(feeder.first(), feeder.mid(1));
    }
    tool.start(QStringLiteral(QUORVELIN_TOOL), arguments);
    const bool ended = tool.waitForFinished(60000);
    source.kill();
    source.waitForFinished();
    QVERIFY(ended);
    QCOMPARE(tool.exitCode(), 2);
    const QString err = QString::fromUtf8(tool.readAllStandardError());
    QVERIFY2(err.contains(message) && err.contains(QStringLiteral("Nothing was imported")), qPrintable(err));
    QCOMPARE(contents(book.path()), before);
}

void TestQuorvelinTool::refusesToWriteWhileOpen()
{
    BookFile book;
    book.add(1, "Work", 0, 0);
    book.add(2, "Orphan", 5550101, 99);
    const QByteArray before = contents(book.path());
    QFile input(book.dir() + QStringLiteral("/in.csv"));
    writeFile(input.fileName(), "/,Ann,1\n");
    {
        // As the program holds it: opened, then locked for the whole run.
        store::Database program(book.path());
        store::FileLock lock(book.path());
        for (const QStringList& arguments : {QStringList{"import", "in.csv"}, QStringList{"check", "--repair"}}) {
            const Run r = tool(arguments, book.dir());
            QCOMPARE(r.status, 2);
            QVERIFY2(r.err.contains(QStringLiteral("already open")) && r.err.contains(QStringLiteral("Nothing was")),
                     qPrintable(r.err));
        }
        QCOMPARE(contents(book.path()), before);
        QCOMPARE(QDir(book.dir()).entryList(QDir::Files), (QStringList{"in.csv", "quorvelin.mdb"}));
        // Reading goes on.
        QCOMPARE(tool({"find", "work"}, book.dir()).status, 0);
        QCOMPARE(tool({"check"}, book.dir()).status, 1);
        QCOMPARE(tool({"backup", "copy.mdb"}, book.dir()).status, 0);
    }
    QCOMPARE(tool({"import", "in.csv"}, book.dir()).status, 0);
    QCOMPARE(book.count(), 3);
}

void TestQuorvelinTool::backupDuringAWrite()
{
    BookFile book;
    book.add(1, "Work", 0, 0);
    book.add(2, "Nora", 5550111, 1);
    store::Database program(book.path());
    store::FileLock lock(book.path());
    {
        store::Transaction change(program);
        for (int i = 0; i < 200; ++i)
            program.execute(QStringLiteral("insert into book values (?, 'pending', 1, 0)"), {100 + i});
        const Run r = tool({"backup", book.dir()}, book.dir()); // a folder: a new name inside
        QCOMPARE(r.status, 0);
        change.Commit();
    }
    const QStringList copies = QDir(book.dir()).entryList({"quorvelin-backup-*.mdb"}, QDir::Files);
    QCOMPARE(copies.size(), 1);
    const Run copy = tool({"--file", copies.first(), "export"}, book.dir());
    QCOMPARE(copy.out, QStringLiteral("path,name,tel\r\n/,Work,\r\n/Work,Nora,\"=\"\"5550111\"\"\"\r\n"));
    QCOMPARE(tool({"--file", copies.first(), "check"}, book.dir()).status, 0);
    QCOMPARE(book.count(), 202);
}

void TestQuorvelinTool::repairKeepsACopy()
{
    BookFile book;
    book.add(1, "Work", 0, 0);
    book.add(2, "Orphan", 5550101, 99);
    book.add(3, "Loop", 0, 3);
    const QByteArray damaged = contents(book.path());

    Run r = tool({"check"}, book.dir());
    QCOMPARE(r.status, 1);
    QVERIFY2(r.out.contains(QStringLiteral("2 problems")) && r.out.contains(QStringLiteral("\"Orphan\"")), qPrintable(r.out));

    r = tool({"check", "--repair"}, book.dir());
    QCOMPARE(r.status, 0);
    // Three records and the Recovered folder made for them.
    QVERIFY2(r.out.contains(QStringLiteral("4 records, no problems found")), qPrintable(r.out));
    const QStringList copies = QDir(book.dir()).entryList({"quorvelin-before-repair-*.mdb"}, QDir::Files);
    QCOMPARE(copies.size(), 1);
    QCOMPARE(tool({"--file", copies.first(), "check"}, book.dir()).status, 1);
    QCOMPARE(tool({"check"}, book.dir()).status, 0);
    QCOMPARE(tool({"find", "orphan"}, book.dir()).out, QStringLiteral("/Recovered\tOrphan\t5550101\n"));
    QVERIFY(contents(book.path()) != damaged);
}

// A number written as text is repaired into what an import of the same text
// stores: read for --region, else the locale's region, else as far as it
// tells its country itself.
void TestQuorvelinTool::repairReadsNumbersForTheRegion_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<qint64>("tel");

    QTest::newRow("region given") << QStringList{"--region", "de"} << QByteArray("C.UTF-8") << qint64(301234567);
    QTest::newRow("the locale's region") << QStringList{} << QByteArray("de_DE.UTF-8") << qint64(301234567);
    QTest::newRow("region given over the locale's") << QStringList{"--region", "CH"} << QByteArray("de_DE.UTF-8")
                                                    << qint64(49301234567);
    QTest::newRow("no region") << QStringList{} << QByteArray("C.UTF-8") << qint64(49301234567);
}

void TestQuorvelinTool::repairReadsNumbersForTheRegion()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, locale);
    QFETCH(qint64, tel);

    BookFile book;
    book.add(1, "Anna", "+49 (0)30 1234567", 0);
    const QByteArray shellLocale = qgetenv("LC_ALL");
    qputenv("LC_ALL", locale);
    const Run r = tool(QStringList{"check", "--repair"} + options, book.dir());
    qputenv("LC_ALL", shellLocale);
    QCOMPARE(r.status, 0);
    QCOMPARE(book.rows(), (std::vector<BookFile::Row>{{1, "Anna", tel, 0}}));
}

// A directory converted from Jet with mdbtools: whole numbers kept as reals
// are found, exported and checked as the whole numbers they are; reals that
// are not whole are reported, and the repair moves nothing else.
void TestQuorvelinTool::convertedDirectory()
{
    BookFile book(BookFile::NoFile{});
    JetExport jet(JetExport::Type::Double, JetExport::Type::Double, JetExport::Type::Double);
    jet.add(1, "Family", 0, 0);
    jet.add(2, "Mum", 5550000000LL, 1);
    jet.add(120, "Office", 1000000, 0);
    jet.convertInto(book.path());

    Run r = tool({"find", "mum"}, book.dir());
    QCOMPARE(r.out, QStringLiteral("/Family\tMum\t5550000000\n"));
    QCOMPARE(tool({"find", "555000"}, book.dir()).out, r.out);
    r = tool({"export"}, book.dir());
    QCOMPARE(r.out, QStringLiteral("path,name,tel\r\n/,Family,\r\n/Family,Mum,\"=\"\"5550000000\"\"\"\r\n"
                                   "/,Office,\"=\"\"1000000\"\"\"\r\n"));
    r = tool({"check"}, book.dir());
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.contains(QStringLiteral("3 records, no problems found")), qPrintable(r.out));
    // Imported records get codes above the largest, stored as a real.
    writeFile(book.dir() + QStringLiteral("/in.csv"), "/Family,Dad,5550000001\n");
    QCOMPARE(tool({"import", "in.csv"}, book.dir()).status, 0);
    QCOMPARE(book.rows(QStringLiteral("name = 'Dad'")), (std::vector<BookFile::Row>{{121, "Dad", 5550000001LL, 1}}));

    book.exec(QStringLiteral("insert into book values (12.5, 'Half code', 0, 0), (7, 'Half number', 12.5, 1), "
                             "(8, 'In half', 5550102, 1.5)"));
    r = tool({"check"}, book.dir());
    QCOMPARE(r.status, 1);
    for (const char* line : {"\"Half code\" (row 5, code 12.5): the code is not a whole number",
                             "7 \"Half number\": the number 12.5 is not a whole number",
                             "8 \"In half\": its folder 1.5 is not a whole number"})
        QVERIFY2(r.out.contains(QString::fromUtf8(line)), qPrintable(r.out));
    r = tool({"check", "--repair"}, book.dir());
    QCOMPARE(r.status, 0);
    QCOMPARE(book.rows(QStringLiteral("name like 'Half%' or name = 'In half'")),
             (std::vector<BookFile::Row>{{7, "Half number [tel: 12.5]", 0, 1},
                                         {8, "In half", 5550102, 123},
                                         {122, "Half code", 0, 0}}));
    // Whole numbers stay reals: the columns are REAL, and they work as they are.
    QCOMPARE(book.value(QStringLiteral("select typeof(tel) from book where name = 'Mum'")), QVariant("real"));
}

// Another program holding a write transaction: reported as busy, not as
// a file that cannot be written, and nothing is changed.
void TestQuorvelinTool::busyFile()
{
    BookFile book;
    book.add(1, "Work", 0, 0);
    writeFile(book.dir() + QStringLiteral("/in.csv"), "/,Ann,1\n");
    const QString busy = QStringLiteral("quorvelin.mdb is in use by another program; try again when it has finished");
    book.exec(QStringLiteral("begin exclusive"));
    Run r = tool({"import", "in.csv"}, book.dir());
    QCOMPARE(r.status, 2);
    QCOMPARE(r.err, QStringLiteral("quorvelin-tool import: ") + busy + QStringLiteral(". Nothing was imported.\n"));
    r = tool({"find", "work"}, book.dir());
    QCOMPARE(r.status, 2);
    QCOMPARE(r.err, QStringLiteral("quorvelin-tool find: ") + busy + u'\n');
    book.exec(QStringLiteral("rollback"));
    QCOMPARE(book.count(), 1);
}

// What people export comes in with every named card's numbers, and the
// second import of the same file adds nothing. A card or row without a
// number loses nothing, and leaves the status 0.
void TestQuorvelinTool::contactExports_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("iPhone") << "iphone.vcf" << 0
                            << QStringList{"/,Praxis,", "/Praxis,Anna Berger (mobile),15123456789",
                                           "/Praxis,Anna Berger (Praxis),301234567",
                                           "/Praxis,Anna Berger (home),307654321", "/Praxis,Anna Berger (fax),301234568",
                                           "/,Stadtwerke Nord,8001234567", "/,Sofia Keller (mobile),41792648866",
                                           "/,Sofia Keller (work),18003569377"};
    QTest::newRow("Google") << "google.csv" << 0
                            << QStringList{"/,Nachbarn,", "/Nachbarn,Jonas Albrecht (mobile),1712345678",
                                           "/Nachbarn,Jonas Albrecht (home),304455667",
                                           "/,Dr. Greta M. Voss (work),892233445", "/,Dr. Greta M. Voss (fax),892233446",
                                           "/,Läden,", "/Läden,Bäckerei Sonnenschein,2219988776",
                                           "/,Pauli,41445551234"};
    QTest::newRow("Google, older") << "google-older.csv" << 0
                                   << QStringList{"/,Verein,", "/Verein,Tobias Keller (mobile),1765544332",
                                                  "/Verein,Tobias Keller (home),6221445566",
                                                  "/,Hausverwaltung Ost (ext. 15),34122330"};
    QTest::newRow("Outlook") << "outlook.csv" << 0
                             << QStringList{"/,Lieferanten,", "/Lieferanten,Jürgen Weiß (mobile),1609988776",
                                            "/Lieferanten,Jürgen Weiß (work),4033445566",
                                            "/Lieferanten,Jürgen Weiß (fax),4033445567", "/,Familie,",
                                            "/Familie,Frau Renée Dubois,33142685300", "/,Taxi Zentrale,711551010"};
    QTest::newRow("Thunderbird") << "thunderbird.csv" << 0
                                 << QStringList{"/,Lena Hofmann (work),511778899", "/,Lena Hofmann (mobile),1523344556",
                                                "/,\"Praxis Dr. Roth (work, ext. 12)\",511665544",
                                                "/,Praxis Dr. Roth (fax),511665545"};
    // Thirteen telephone columns under Outlook's and Thunderbird's names, and
    // a row shorter than the header.
    QTest::newRow("Outlook's and Thunderbird's columns mixed")
        << "mixed-header.csv" << 0
        << QStringList{"/,Karl Brandt (home),304411001",       "/,Karl Brandt (home 2),304411002",
                       "/,Karl Brandt (work),305522001",       "/,Karl Brandt (work 2),305522002",
                       "/,Karl Brandt (mobile),1516633001",    "/,Karl Brandt (main),304411000",
                       "/,Karl Brandt (fax),304411009",        "/,Karl Brandt (fax 2),305522009",
                       "/,Karl Brandt (car),1607744001",       "/,Karl Brandt (pager),1607744002",
                       "/,Karl Brandt (video),304411005",      "/,Karl Brandt (assistant),305522003",
                       "/,Karl Brandt (other),309988001",      "/,Ute Sommer (home),893311221",
                       "/,Ute Sommer (work),894422331"};
    QTest::newRow("a header of its own") << "generic.csv" << 0
                                         << QStringList{"/,Anna Berger (other),402233445",
                                                        "/,Anna Berger (mobile),1719988776", "/,Stadtreinigung,4025760"};
    QTest::newRow("Outlook's with a Name column")
        << "outlook-name.csv" << 0
        << QStringList{"/,Kunden,",
                       "/Kunden,Petra Lindqvist (mobile),1725544331",
                       "/Kunden,Petra Lindqvist (home),7118877665",
                       "/Kunden,Petra Lindqvist (work),711220010",
                       "/Kunden,Petra Lindqvist (work 2),711220011",
                       "/Kunden,Petra Lindqvist (pager),1601122334",
                       "/Kunden,Petra Lindqvist (fax),711220099",
                       "/Kunden,Petra Lindqvist (other),7114433221",
                       "/,Jonas Ek (mobile),1725544332",
                       "/,Jonas Ek (work),711220020"};
    // Bare 2.1 parameters, a + before no country's code, a card without a name.
    QTest::newRow("an older phone's vCard 2.1")
        << "phone-21.vcf" << 0
        << QStringList{"/,Jürgen Müller (mobile),1701234567", "/,Jürgen Müller (home),301234567",
                       "/,René Lefèvre,33142685301",          "/,Bäckerei Korn,123456789",
                       "/,0151 2345678 (mobile),1512345678",  "/,030 7654321 (home),307654321",
                       "/,030 7654300 (work),307654300"};
}

void TestQuorvelinTool::contactExports()
{
    QFETCH(QString, name);
    QFETCH(int, status);
    QFETCH(QStringList, entries);

    BookFile book;
    copyContacts(name, book.dir());
    Run r = tool({"import", "--region", "DE", name}, book.dir());
    QCOMPARE(r.status, status);
    QCOMPARE(exported(tool({"export"}, book.dir()).out), entries);

    const int count = book.count();
    r = tool({"import", "--region", "DE", name}, book.dir());
    QCOMPARE(r.status, status);
    QVERIFY2(r.out.contains(QStringLiteral("Added 0 entries and 0 folders")), qPrintable(r.out));
    QCOMPARE(book.count(), count);
}

// One phone export with every odd card in it: the whole report, and the same
// from --dry-run, which writes nothing.
void TestQuorvelinTool::wholeReport()
{
    const QString err = QStringLiteral(
        "quorvelin-tool import: android.vcf:1: \"+49 160 1112223\": no name; named by its number\n"
        "quorvelin-tool import: android.vcf:15: \"Jürgen Müller\": left out: \"sip:juergen@example.org\" is not a "
        "telephone number\n"
        "quorvelin-tool import: android.vcf:35: \"Kein Telefon\": left out: no telephone number\n"
        "quorvelin-tool import: android.vcf:43: \"Mailbox\": left out: \"*21#\" is not a telephone number\n"
        "quorvelin-tool import: android.vcf:45: the card that begins here has no END:VCARD; it ends where the next "
        "one begins, on line 49\n");
    const QString changes = QStringLiteral(
        "android.vcf: vCard 2.1, numbers read for region DE.\n"
        "6 numbers stored otherwise than written:\n"
        "  android.vcf:4: \"+49 160 1112223\": \"+49 160 1112223\" stored as 1601112223: country code 49 left out, "
        "a number of DE\n"
        "  android.vcf:12: \"Jürgen Müller (work, ext. 12)\": \"030 2345678 ext. 12\" stored as 302345678: ext. 12 "
        "left out of the number, kept in the name\n"
        "  android.vcf:14: \"Jürgen Müller (home, pause 12)\": \"030 2345680p12\" stored as 302345680: pause 12 left "
        "out of the number, kept in the name\n"
        "  android.vcf:27: \"Pizzeria Napoli\": \"+49 30 555-PIZZA\" stored as 3055574992: letters read as digits, "
        "country code 49 left out, a number of DE\n"
        "  android.vcf:52: \"Lisa Lang (mobile)\": \"+49 171 5566778\" stored as 1715566778: country code 49 left "
        "out, a number of DE\n"
        "  android.vcf:55: \"Lisa Lang (home)\": \"0049 30 9988776\" stored as 309988776: international prefix 00 "
        "and country code 49 left out, a number of DE\n");
    const QString added = QStringLiteral("11 entries and 0 folders in / of quorvelin.mdb.\n"
                                         "Left out: 1 card or row without a number; 2 cards, rows or numbers that "
                                         "could not be read (see the warnings).\n");

    BookFile book;
    copyContacts(QStringLiteral("android.vcf"), book.dir());
    const QByteArray before = contents(book.path());
    Run r = tool({"import", "--dry-run", "--region", "DE", "android.vcf"}, book.dir());
    QCOMPARE(r.status, 1);
    QCOMPARE(r.err, err);
    QCOMPARE(r.out, changes + QStringLiteral("Would add ") + added + QStringLiteral("Nothing was written (--dry-run).\n"));
    QCOMPARE(contents(book.path()), before);

    // The region from the locale, as a user's shell gives it.
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(book.dir());
    process.start(QStringLiteral(QUORVELIN_TOOL), {"import", "android.vcf"});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 1);
    QCOMPARE(QString::fromUtf8(process.readAllStandardError()), err);
    QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()), changes + QStringLiteral("Added ") + added);
    QCOMPARE(book.count(), 11);
}

// A name holding what a terminal obeys (clearing the screen, setting the
// clipboard and the title, a C1 CSI, a bidi override) and a folder holding a
// tab: every line the tool says shows them as escapes, find's columns stay
// apart, and export, data written on purpose, keeps the name exactly.
void TestQuorvelinTool::namesShownNotObeyed()
{
    const QString name = QStringLiteral("Eve\x1b[2J\x1b]52;c;ZXZpbA==\x07\x1b]0;owned\x07\u009B1m\u202Etxt");
    const QString shown =
        QStringLiteral("Eve\\x1B[2J\\x1B]52;c;ZXZpbA==\\x07\\x1B]0;owned\\x07\\x9B1m\\u202Etxt");
    BookFile book;
    book.add(1, "Wo\trk", 0, 0);
    book.add(2, name, 5550100, 1);
    writeFile(book.dir() + QStringLiteral("/in.csv"), "path,name,tel\n/," + name.toUtf8() + ",12ab\n");

    // An address book with nothing in it: the lying server's listing of no bytes.
    QTemporaryDir logs;
    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(QStringLiteral("python3"), {QStringLiteral(HOSTILE_SERVER), "--scenario", "huge",
                                             "--size", "0", "--log", logs.filePath("log")});
    while (!server.canReadLine() && server.waitForReadyRead(10'000)) {
    }
    const QString url = QStringLiteral("http://127.0.0.1:%1/book/").arg(server.readLine().split(' ').value(0).toInt());
    const QString label = QStringLiteral("\"%1\" 5550100 in /Wo rk").arg(shown);
    const QByteArray shellState = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", QFile::encodeName(logs.path()));
    const Run runs[] = {tool({"find", "eve"}, book.dir()), tool({"import", "in.csv"}, book.dir()),
                        tool({"publish", "--dry-run", url}, book.dir()), tool({"sync", "--dry-run", url}, book.dir())};
    qputenv("XDG_STATE_HOME", shellState);
    server.kill();
    server.waitForFinished();

    QCOMPARE(runs[0].out, QStringLiteral("/Wo\\x09rk\t") + shown + QStringLiteral("\t5550100\n"));
    QVERIFY2(runs[1].err.contains(QStringLiteral("in.csv:2: \"%1\": left out").arg(shown)), qPrintable(runs[1].err));
    QVERIFY2(runs[2].out.contains(QStringLiteral("(add %1)\n").arg(label)), qPrintable(runs[2].out));
    QVERIFY2(runs[3].out.contains(QStringLiteral("(%1)\n").arg(label)), qPrintable(runs[3].out));
    for (const Run& r : runs) {
        for (const QChar obeyed : {u'\x1b', u'\x07', u'\u009B', u'\u202E'})
            QVERIFY(!r.out.contains(obeyed) && !r.err.contains(obeyed));
    }
    QVERIFY(tool({"export"}, book.dir()).out.contains(name));
}

QTEST_GUILESS_MAIN(TestQuorvelinTool)
#include "tst_quorvelintool.moc"
