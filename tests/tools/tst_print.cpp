// quorvelin-tool print run as a user runs it, its PDF read back with
// poppler's pdftotext, pdfinfo and pdffonts: what is listed and in which
// order, where it lies on the page, the fonts, and the refusals.

#include "bookfile.h"

#include "tools/carddav/directorystate.h"

#include <QtTest>

namespace {

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

// `environment`: variables to set ("NAME=value") or, without "=", to unset.
Run run(const QString& program, const QStringList& arguments, const QString& dir,
        const QStringList& environment = {})
{
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const QString& v : environment) {
        if (v.contains(u'='))
            variables.insert(v.section(u'=', 0, 0), v.section(u'=', 1));
        else
            variables.remove(v);
    }
    QProcess process;
    process.setProcessEnvironment(variables);
    process.setWorkingDirectory(dir);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

Run tool(const QStringList& arguments, const QString& dir, const QStringList& environment = {})
{
    return run(QStringLiteral(QUORVELIN_TOOL), arguments, dir, environment);
}

// pdftotext of pages [first, last] (0: to the end), line by line as laid
// out, all words one blank apart.
QString text(const QString& pdf, int first = 1, int last = 0)
{
    QStringList arguments{QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(first)};
    if (last)
        arguments << QStringLiteral("-l") << QString::number(last);
    const Run r = run(QStringLiteral("pdftotext"), arguments << pdf << QStringLiteral("-"), QDir::tempPath());
    return r.out.simplified();
}

int pages(const QString& pdf)
{
    static const QRegularExpression count(QStringLiteral("Pages:\\s+(\\d+)"));
    return count.match(run(QStringLiteral("pdfinfo"), {pdf}, QDir::tempPath()).out).captured(1).toInt();
}

// Whether `words` come in this order in `text`.
bool inOrder(const QString& text, const QStringList& words)
{
    qsizetype at = 0;
    for (const QString& word : words) {
        at = text.indexOf(word, at);
        if (at < 0)
            return false;
        at += word.size();
    }
    return true;
}

} // namespace

class TestPrint : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sectionsInOrder();
    void nothingCutOff();
    void manyPages();
    void numbers_data();
    void numbers();
    void paper_data();
    void paper();
    void standardOutput();
    void empty_data();
    void empty();
    void refusals_data();
    void refusals();

private:
    QString pdf(const BookFile& book) const { return book.dir() + QStringLiteral("/quorvelin.pdf"); }
};

void TestPrint::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QFAIL("pdftotext is missing: scripts/setup.sh installs poppler-utils");
}

// The tree in its order, each folder's entries in the locale's, and folders
// without entries of their own left out. Run as from a terminal with no
// display and another platform asked for: print needs neither.
void TestPrint::sectionsInOrder()
{
    BookFile book;
    book.add(1, QStringLiteral("Work"), 0, 0);
    book.add(2, QStringLiteral("Sales"), 0, 1);
    book.add(3, QStringLiteral("Zoë Adams"), 5550103, 2);
    book.add(4, QStringLiteral("Ärger Berg"), 5550104, 2);
    book.add(5, QStringLiteral("Bob Carter"), 5550105, 2);
    book.add(6, QStringLiteral("Reception"), 5550106, 1);
    book.add(7, QStringLiteral("Archive"), 0, 0);
    book.add(8, QStringLiteral("Old"), 0, 7);
    book.add(9, QStringLiteral("Nobody"), 0, 8);
    book.add(10, QStringLiteral("Olga Day"), 5550110, 8);
    book.add(11, QStringLiteral("Taxi"), 5550111, 0);
    const Run r = tool({QStringLiteral("print")}, book.dir(),
                       {QStringLiteral("QT_QPA_PLATFORM=xcb"), QStringLiteral("DISPLAY"),
                        QStringLiteral("WAYLAND_DISPLAY")});
    QCOMPARE(r.err, QString());
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, pdf(book) + QStringLiteral(": 1 page\n"));
    const QString words = text(pdf(book));
    QVERIFY2(inOrder(words, {QStringLiteral("quorvelin"), QStringLiteral("Top level"), QStringLiteral("Taxi 5550111"),
                             QStringLiteral("Work"), QStringLiteral("Reception 5550106"),
                             QStringLiteral("Work / Sales"), QStringLiteral("Ärger Berg 5550104"),
                             QStringLiteral("Bob Carter"), QStringLiteral("Zoë Adams"),
                             QStringLiteral("Archive / Old"), QStringLiteral("Olga Day"), QStringLiteral("page 1 of 1")}),
             qPrintable(words));
    QVERIFY2(words.count(QStringLiteral("Archive")) == 1 && !words.contains(QStringLiteral("Nobody")), qPrintable(words));
    QVERIFY2(!words.contains(QStringLiteral("Index")), qPrintable(words));
}

// Names of every script, a long one and one without a break, each whole and
// every word inside the page's margins, in fonts embedded in the file.
void TestPrint::nothingCutOff()
{
    const QStringList names{
        QStringLiteral("فاطمة الزهراء"),
        QStringLiteral("דוד כהן"),
        QStringLiteral("山田太郎"),
        QStringLiteral("김민수"),
        QStringLiteral("Dr. Maximilian Alexander Friedrich von und zu Hohenzollern-Sigmaringen, Oberbürgermeister a. D."),
        QString(150, u'X'),
    };
    BookFile book;
    for (qsizetype i = 0; i < names.size(); ++i)
        book.add(1 + i, names[i], 5550101 + i, 0);
    // pdftotext gives Arabic in its presentation forms, some ideographs as
    // the radicals of the same shape and right to left text between
    // embedding marks: compared as NFKC folds them, without the marks.
    const auto folded = [](const QString& text) {
        QString f = text.normalized(QString::NormalizationForm_KC);
        f.remove(QRegularExpression(QStringLiteral("[\\s\\x{202A}-\\x{202E}]")));
        return f;
    };
    for (const QString& columns : {QStringLiteral("1"), QStringLiteral("3")}) {
        const Run r = tool({QStringLiteral("print"), QStringLiteral("--columns"), columns}, book.dir());
        QCOMPARE(r.status, 0);
        const QString words = text(pdf(book));
        for (const QString& name : names)
            QVERIFY2(folded(words).contains(folded(name)), qPrintable(name + QStringLiteral(" in ") + words));
        QVERIFY2(words.contains(QStringLiteral("5550106")), qPrintable(words));

        const Run boxes = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf(book), QStringLiteral("-")},
                              book.dir());
        static const QRegularExpression page(QStringLiteral("<page width=\"([\\d.]+)\" height=\"([\\d.]+)\""));
        static const QRegularExpression word(
            QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)"));
        const auto size = page.match(boxes.out);
        QVERIFY(size.hasMatch());
        const double margin = 15 / 25.4 * 72 - 1; // points, less a rounding
        for (auto it = word.globalMatch(boxes.out); it.hasNext();) {
            const auto w = it.next();
            QVERIFY2(w.captured(1).toDouble() >= margin && w.captured(3).toDouble() <= size.captured(1).toDouble() - margin,
                     qPrintable(QStringLiteral("%1 from %2 to %3").arg(w.captured(5), w.captured(1), w.captured(3))));
        }

        const Run fonts = run(QStringLiteral("pdffonts"), {pdf(book)}, book.dir());
        const QStringList rows = fonts.out.split(u'\n', Qt::SkipEmptyParts).mid(2);
        QVERIFY2(rows.size() >= 2, qPrintable(fonts.out)); // Latin and CJK need two at least
        for (const QString& row : rows) {
            const QStringList fields = row.split(u' ', Qt::SkipEmptyParts); // ... emb sub uni object ID
            QVERIFY2(fields.size() > 5 && fields[fields.size() - 5] == u"yes", qPrintable(fonts.out));
        }
    }
}

// A folder running over pages repeats its heading; every page counts them
// all; the index gives the page each folder starts on.
void TestPrint::manyPages()
{
    BookFile book;
    const QStringList folders{QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma")};
    qint64 code = 0;
    for (const QString& folder : folders) {
        const qint64 parent = ++code;
        book.add(parent, folder, 0, 0);
        for (int i = 0; i < (folder == u"Beta" ? 400 : 30); ++i) {
            ++code;
            book.add(code, QStringLiteral("%1 person %2").arg(folder).arg(i, 3, 10, QChar(u'0')), qint64(5550000 + code), parent);
        }
    }
    const Run r = tool({QStringLiteral("print")}, book.dir());
    QCOMPARE(r.status, 0);
    const int total = pages(pdf(book));
    QVERIFY2(total > 3, qPrintable(r.out));
    QCOMPARE(r.out, pdf(book) + QStringLiteral(": %1 pages\n").arg(total));
    for (int p = 1; p <= total; ++p)
        QVERIFY(text(pdf(book), p, p).contains(QStringLiteral("page %1 of %2").arg(p).arg(total)));
    QVERIFY(text(pdf(book), 2, 2).startsWith(QStringLiteral("quorvelin")));
    QVERIFY(text(pdf(book)).contains(QStringLiteral("Beta (continued)")));

    const QString index = text(pdf(book), total, total);
    QVERIFY2(index.contains(QStringLiteral("Index")), qPrintable(index));
    for (const QString& folder : folders) {
        int first = 1;
        while (!text(pdf(book), first, first).contains(folder + QStringLiteral(" person 000")))
            ++first;
        QVERIFY2(index.contains(QStringLiteral("%1 %2").arg(folder).arg(first)), qPrintable(index));
    }
}

// The region numbers are shown for: --region's, else the one the last sync
// was given, else the locale's; with none, the digits as stored.
void TestPrint::numbers_data()
{
    QTest::addColumn<QString>("remembered");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("shown");

    const QStringList stored{QStringLiteral("301234567"), QStringLiteral("14155550123")};
    const QStringList german{QStringLiteral("030 1234567"), QStringLiteral("+1 415-555-0123")};
    const QStringList american{QStringLiteral("301234567"), QStringLiteral("(415) 555-0123")};
    QTest::newRow("none") << "" << QStringList() << "C.UTF-8" << stored;
    QTest::newRow("--region") << "" << QStringList{QStringLiteral("--region"), QStringLiteral("de")} << "C.UTF-8"
                              << german;
    QTest::newRow("the locale's") << "" << QStringList() << "de_DE.UTF-8" << german;
    QTest::newRow("remembered") << "DE" << QStringList() << "C.UTF-8" << german;
    QTest::newRow("remembered, --region wins")
        << "DE" << QStringList{QStringLiteral("--region"), QStringLiteral("US")} << "C.UTF-8" << american;
}

void TestPrint::numbers()
{
    QFETCH(QString, remembered);
    QFETCH(QStringList, arguments);
    QFETCH(QString, locale);
    QFETCH(QStringList, shown);
    BookFile book;
    book.add(1, QStringLiteral("Berlin"), qint64(301234567), 0);
    book.add(2, QStringLiteral("San Francisco"), qint64(14155550123), 0);
    if (!remembered.isEmpty()) {
        DirectoryState state(book.path());
        state.setLastSync({QStringLiteral("https://example.invalid/book/"), {}, {}, remembered, {}});
        state.save();
    }
    const Run r = tool(QStringList{QStringLiteral("print")} + arguments, book.dir(),
                       {QStringLiteral("LC_ALL=") + locale});
    QCOMPARE(r.status, 0);
    const QString words = text(pdf(book));
    QVERIFY2(inOrder(words, {QStringLiteral("Berlin ") + shown[0], QStringLiteral("San Francisco ") + shown[1]}),
             qPrintable(words));
}

// Letter where the locale measures in inches, else A4, unless --paper says.
void TestPrint::paper_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("size");

    QTest::newRow("C") << "C.UTF-8" << QStringList() << "595 x 842";
    QTest::newRow("United States") << "en_US.UTF-8" << QStringList() << "612 x 792";
    QTest::newRow("United Kingdom") << "en_GB.UTF-8" << QStringList() << "595 x 842";
    QTest::newRow("--paper letter") << "C.UTF-8" << QStringList{QStringLiteral("--paper"), QStringLiteral("Letter")}
                                    << "612 x 792";
    QTest::newRow("--paper a4") << "en_US.UTF-8" << QStringList{QStringLiteral("--paper"), QStringLiteral("a4")}
                                << "595 x 842";
}

void TestPrint::paper()
{
    QFETCH(QString, locale);
    QFETCH(QStringList, arguments);
    QFETCH(QString, size);
    BookFile book;
    book.add(1, QStringLiteral("Taxi"), 5550150, 0);
    QCOMPARE(tool(QStringList{QStringLiteral("print")} + arguments, book.dir(), {QStringLiteral("LC_ALL=") + locale})
                 .status,
             0);
    const QString info = run(QStringLiteral("pdfinfo"), {pdf(book)}, book.dir()).out;
    QVERIFY2(info.contains(QStringLiteral("Page size:       %1 pts").arg(size)), qPrintable(info));
}

// "-" writes the PDF to standard output, and nothing beside the directory.
void TestPrint::standardOutput()
{
    BookFile book;
    book.add(1, QStringLiteral("Taxi"), 5550150, 0);
    QProcess process;
    process.setWorkingDirectory(book.dir());
    process.start(QStringLiteral(QUORVELIN_TOOL), {QStringLiteral("print"), QStringLiteral("--output"), QStringLiteral("-")});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 0);
    const QByteArray out = process.readAllStandardOutput();
    QVERIFY(out.startsWith("%PDF-") && out.trimmed().endsWith("%%EOF"));
    QFile saved(book.dir() + QStringLiteral("/piped.pdf"));
    QVERIFY(saved.open(QIODevice::WriteOnly) && saved.write(out) == out.size());
    saved.close();
    QVERIFY(text(saved.fileName()).contains(QStringLiteral("Taxi 5550150")));
    QVERIFY(!QFile::exists(pdf(book)));
}

// Nothing to list still gives one page, which says so.
void TestPrint::empty_data()
{
    QTest::addColumn<int>("records"); // of Work, a folder; Taxi, an entry beside it; Sales, a folder in Work
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("says");

    const QStringList work{QStringLiteral("--folder"), QStringLiteral("/Work")};
    QTest::newRow("directory") << 0 << QStringList() << "This directory holds no entries.";
    QTest::newRow("directory of folders") << 1 << QStringList() << "This directory holds no entries.";
    QTest::newRow("folder") << 2 << work << "This folder holds no entries.";
    QTest::newRow("folder holding folders only") << 3 << work << "This folder holds no entries.";
}

void TestPrint::empty()
{
    QFETCH(int, records);
    QFETCH(QStringList, arguments);
    QFETCH(QString, says);
    BookFile book;
    const BookFile::Row rows[] = {{1, QStringLiteral("Work"), 0, 0},
                                  {2, QStringLiteral("Taxi"), 5550150, 0},
                                  {3, QStringLiteral("Sales"), 0, 1}};
    for (int i = 0; i < records; ++i)
        book.add(rows[i].code, rows[i].name, rows[i].tel, rows[i].parent);
    const Run r = tool(QStringList{QStringLiteral("print")} + arguments, book.dir());
    QCOMPARE(r.status, 0);
    QCOMPARE(pages(pdf(book)), 1);
    const QString words = text(pdf(book));
    QVERIFY2(words.contains(says) && !words.contains(QStringLiteral("Taxi")), qPrintable(words));
}

// Each refused with a message and status 2, leaving nothing behind: the
// folder holds the directory file alone, as it was.
void TestPrint::refusals_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    const auto row = [](const char* tag, const QStringList& arguments, const QString& message) {
        QTest::newRow(tag) << (QStringList{QStringLiteral("print")} + arguments) << message;
    };
    row("no such folder", {QStringLiteral("--folder"), QStringLiteral("/Nowhere")}, QStringLiteral("no folder /Nowhere."));
    row("paper", {QStringLiteral("--paper"), QStringLiteral("a5")}, QStringLiteral("unknown paper \"a5\": use a4 or letter."));
    row("no columns", {QStringLiteral("--columns"), QStringLiteral("0")}, QStringLiteral("--columns takes 1, 2 or 3, not \"0\"."));
    row("four columns", {QStringLiteral("--columns"), QStringLiteral("4")}, QStringLiteral("--columns takes 1, 2 or 3, not \"4\"."));
    row("columns no number", {QStringLiteral("--columns"), QStringLiteral("two")},
        QStringLiteral("--columns takes 1, 2 or 3, not \"two\"."));
    row("region", {QStringLiteral("--region"), QStringLiteral("XX")}, QStringLiteral("unknown region \"XX\""));
    row("output folder missing", {QStringLiteral("--output"), QStringLiteral("missing/list.pdf")},
        QStringLiteral("cannot write missing/list.pdf: "));
    row("output onto the directory", {QStringLiteral("--output"), QStringLiteral("quorvelin.mdb")},
        QStringLiteral("quorvelin.mdb is the directory file itself; name another --output."));
    row("printer and output", {QStringLiteral("--printer"), QStringLiteral("--output"), QStringLiteral("x.pdf")},
        QStringLiteral("--printer and --output both given"));
    row("no such printer", {QStringLiteral("--printer"), QStringLiteral("quorvelin-test-nowhere")},
        QStringLiteral("no printer \"quorvelin-test-nowhere\""));
    row("argument", {QStringLiteral("Work")}, QStringLiteral("unexpected argument \"Work\"."));
}

void TestPrint::refusals()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    BookFile book;
    book.add(1, QStringLiteral("Taxi"), 5550150, 0);
    book.close();
    const QByteArray before = [&] {
        QFile file(book.path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    const Run r = tool(arguments, book.dir());
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.startsWith(QStringLiteral("quorvelin-tool print: ") + message), qPrintable(r.err));
    QCOMPARE(r.out, QString());
    QCOMPARE(QDir(book.dir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{QStringLiteral("quorvelin.mdb")});
    QFile file(book.path());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

QTEST_GUILESS_MAIN(TestPrint)
#include "tst_print.moc"
