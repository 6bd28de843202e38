// Folder paths, telephone numbers, text as a terminal is given it, and the
// CSV and vCard formats, in memory: what is written reads back the same,
// what other programs write reads as meant, numbers are read as the field
// reads them, a card is written back with only what was changed on it, and
// what cannot be read is left out at the right line, or the whole file
// refused when it is in no format known.

#include "tools/formats/csvformat.h"
#include "tools/formats/entrymaker.h"
#include "tools/formats/folderpath.h"
#include "tools/formats/formaterror.h"
#include "tools/formats/inputtext.h"
#include "tools/formats/numberreader.h"
#include "tools/formats/printable.h"
#include "tools/formats/vcardformat.h"
#include "tools/formats/vcardreader.h"

#include <QtTest>

Q_DECLARE_METATYPE(std::vector<FlatRecord>)

namespace {

using Records = std::vector<FlatRecord>;

FlatRecord folder(const QStringList& path, const QString& name)
{
    return {path, name, 0, 0};
}

FlatRecord entry(const QStringList& path, const QString& name, qint64 tel)
{
    return {path, name, tel, 0};
}

QString describe(const Records& records)
{
    QStringList lines;
    for (const FlatRecord& r : records)
        lines.append(QStringLiteral("%1 | %2 | %3").arg(r.path.join(u'|'), r.name).arg(r.tel));
    return lines.join(u'\n');
}

// The entries an import makes of a file, numbers read without a region.
Records readCsv(const QByteArray& data, ImportReport& report)
{
    const NumberReader numbers;
    return EntryMaker(numbers, report).entries(CsvFormat::read(data, std::nullopt, report));
}

Records readVCard(const QByteArray& data, ImportReport& report)
{
    const NumberReader numbers;
    return EntryMaker(numbers, report).entries(VCardFormat::read(data, report));
}

// What the report says, kind and line: "skipped 3", "note 6".
QStringList said(const ImportReport& report, bool changes = false)
{
    QStringList out;
    for (const ImportReport::Item& item : report.items()) {
        static const char* const kinds[] = {"skipped", "no number", "changed", "note"};
        if (changes || item.kind != ImportReport::Kind::Changed)
            out.append(QStringLiteral("%1 %2").arg(QLatin1String(kinds[int(item.kind)])).arg(item.line));
    }
    return out;
}

// A pipe that gives one byte at each read.
class Trickle : public QIODevice
{
public:
    explicit Trickle(const QByteArray& data)
        : m_data(data)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 size) override
    {
        if (m_at == m_data.size() || size == 0)
            return 0;
        *data = m_data[m_at++];
        return 1;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_data;
    qsizetype m_at = 0;
};

} // namespace

class TestTextFormats : public QObject
{
    Q_OBJECT

private slots:
    void pathsRoundTrip_data();
    void pathsRoundTrip();
    void pathsAsTyped_data();
    void pathsAsTyped();
    void typedDigits_data();
    void typedDigits();
    void printable_data();
    void printable();

    void roundTrip_data();
    void roundTrip();
    void csvKeepsNumbersAsText();
    void formulasAfterSeparators_data();
    void formulasAfterSeparators();
    void csvFromSpreadsheets_data();
    void csvFromSpreadsheets();
    void malformedCsv_data();
    void malformedCsv();

    void vcardFromOtherPrograms_data();
    void vcardFromOtherPrograms();
    void vcardLinesAreFolded();
    void malformedVCard_data();
    void malformedVCard();
    void beyondCaps_data();
    void beyondCaps();
    void readAPieceAtATime_data();
    void readAPieceAtATime();

    void numberReading_data();
    void numberReading();
    void internationalForm_data();
    void internationalForm();
    void csvLayouts_data();
    void csvLayouts();
    void csvByColumnNames_data();
    void csvByColumnNames();
    void cardWrittenBack();
};

void TestTextFormats::pathsRoundTrip_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::newRow("top level") << QStringList{};
    QTest::newRow("plain") << QStringList{"Work", "Sales"};
    QTest::newRow("arabic") << QStringList{"عائلة", "أصدقاء"};
    QTest::newRow("slash in a name") << QStringList{"24/7", "A/B/"};
    QTest::newRow("backslashes") << QStringList{"C:\\x", "\\", "\\e", "ends\\"};
    QTest::newRow("empty names") << QStringList{"", "x", ""};
    QTest::newRow("blanks kept") << QStringList{" padded ", "  "};
}

void TestTextFormats::pathsRoundTrip()
{
    QFETCH(QStringList, names);
    const QString text = FolderPath::format(names);
    QVERIFY2(text.startsWith(u'/'), qPrintable(text));
    QCOMPARE(FolderPath::parse(text), names);
}

void TestTextFormats::pathsAsTyped_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("no leading slash") << "Work/Sales" << QStringList{"Work", "Sales"};
    QTest::newRow("trailing and doubled slashes") << "//Work//Sales/" << QStringList{"Work", "Sales"};
    QTest::newRow("root") << "/" << QStringList{};
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("backslash before other text stays") << "/C:\\x" << QStringList{"C:\\x"};
}

void TestTextFormats::pathsAsTyped()
{
    QFETCH(QString, text);
    QFETCH(QStringList, names);
    QCOMPARE(FolderPath::parse(text), names);
}

// What find looks for among the stored numbers: the digits typed, however
// formatted, or nothing when the text is no number.
void TestTextFormats::typedDigits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("digits"); // empty: none

    QTest::newRow("plain") << "5550101" << "5550101";
    QTest::newRow("formatted") << "+1 (555) 010-1.2" << "155501012";
    QTest::newRow("brackets") << "[555] 0101" << "5550101";
    QTest::newRow("arabic-indic digits") << "٥٥٥ ٠١٠١" << "5550101";
    QTest::newRow("unicode dash") << "555\u20110101" << "5550101";
    QTest::newRow("leading zeros kept") << "0123" << "0123";
    QTest::newRow("letters") << "1-800-FLOWERS" << "";
    QTest::newRow("plus in the middle") << "555+0101" << "";
    QTest::newRow("slash") << "24/7" << "";
    QTest::newRow("no digits") << " - " << "";
    QTest::newRow("empty") << "" << "";
}

void TestTextFormats::typedDigits()
{
    QFETCH(QString, text);
    QFETCH(QString, digits);
    QCOMPARE(NumberReader::typedDigits(text).value_or(QString()), digits);
}

// What a terminal would obey, rather than show, is shown as an escape;
// every script is shown as it is. Made printable twice, text is as once.
void TestTextFormats::printable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("lines");
    QTest::addColumn<QString>("shown");

    QTest::newRow("scripts") << QStringLiteral("Zoë ليلى שלום 🍕") << false << QStringLiteral("Zoë ليلى שלום 🍕");
    QTest::newRow("clear the screen") << QStringLiteral("\x1b[2JAnn") << false << QStringLiteral("\\x1B[2JAnn");
    QTest::newRow("set the clipboard and the title")
        << QStringLiteral("\x1b]52;c;ZXZpbA==\x07\x1b]0;owned\x1b\\") << false
        << QStringLiteral("\\x1B]52;c;ZXZpbA==\\x07\\x1B]0;owned\\x1B\\");
    QTest::newRow("NUL, DEL, a C1 CSI and the C1 edges")
        << QStringLiteral("\0\x7f\u0080\u009B2J\u009F\u00A0") << false
        << QStringLiteral("\\x00\\x7F\\x80\\x9B2J\\x9F\u00A0");
    QTest::newRow("bidi overrides and isolates") << QStringLiteral("\u202A\u202Eexe.txt\u2066\u2069") << false
                                                 << QStringLiteral("\\u202A\\u202Eexe.txt\\u2066\\u2069");
    QTest::newRow("marks and their neighbours") << QStringLiteral("\u200F\u2029\u202F\u2065\u206A") << false
                                                << QStringLiteral("\u200F\u2029\u202F\u2065\u206A");
    QTest::newRow("one line") << QStringLiteral("a\nb\tc\rd") << false << QStringLiteral("a\\x0Ab\\x09c\\x0Dd");
    QTest::newRow("lines") << QStringLiteral("a\nb\tc\rd\x01\x1f") << true
                           << QStringLiteral("a\nb\tc\\x0Dd\\x01\\x1F");
    QTest::newRow("backslashes") << QStringLiteral("C:\\x1B \\/ \\e") << false << QStringLiteral("C:\\x1B \\/ \\e");
}

void TestTextFormats::printable()
{
    QFETCH(QString, text);
    QFETCH(bool, lines);
    QFETCH(QString, shown);
    const Printable::Layout layout = lines ? Printable::Layout::Lines : Printable::Layout::OneLine;
    QCOMPARE(Printable::text(text, layout), shown);
    QCOMPARE(Printable::text(shown, layout), shown);
}

void TestTextFormats::roundTrip_data()
{
    QTest::addColumn<Records>("records");

    QTest::newRow("nested tree") << Records{
        folder({}, "Work"), entry({"Work"}, "Reception", 5550110), folder({"Work"}, "Sales"),
        entry({"Work", "Sales"}, "Nora Ellis", 5550111), entry({}, "Taxi", 5550150)};
    QTest::newRow("arabic") << Records{folder({}, "عائلة"), entry({"عائلة"}, "جدتي", 5550130),
                                       folder({"عائلة"}, "أصدقاء"), entry({"عائلة", "أصدقاء"}, "ليلى", 5550132)};
    QTest::newRow("quotes, commas and separators") << Records{
        folder({}, "Smith, \"Jr\""), entry({"Smith, \"Jr\""}, "O'Brien; \"Bob\", the 2nd", 1),
        folder({}, "a/b\\c"), entry({"a/b\\c"}, "back\\slash", 2)};
    QTest::newRow("line breaks in names") << Records{entry({}, "two\nlines", 3), folder({}, "x\ny")};
    QTest::newRow("names a spreadsheet would run") << Records{
        entry({}, "=1+1", 4), entry({}, "+Plus", 5), entry({}, "-minus", 6), entry({}, "@at", 7),
        entry({}, "'quoted", 8), entry({}, "''two", 9)};
    QTest::newRow("empty and blank names") << Records{folder({}, ""), entry({""}, "", 10), entry({}, "  ", 11)};
    QTest::newRow("sibling folders of one name") << Records{
        folder({}, "Dup"), entry({"Dup"}, "first", 12), folder({}, "Dup"), entry({"Dup"}, "second", 13)};
    QTest::newRow("long arabic name") << Records{entry({QString(60, QChar(0x0644))}, QString(100, QChar(0x0639)), 14)};
    QTest::newRow("largest number") << Records{entry({}, "big", 999999999999999999)};
}

void TestTextFormats::roundTrip()
{
    QFETCH(Records, records);
    ImportReport csvReport;
    const Records fromCsv = readCsv(CsvFormat::write(records), csvReport);
    QVERIFY2(fromCsv == records, qPrintable(describe(fromCsv)));
    QCOMPARE(said(csvReport, true), QStringList());
    // A card with no name is named by its number, with a note: the tool's
    // own CSV keeps an empty name as the directory held it, vCard cannot.
    Records named = records;
    size_t unnamed = 0;
    for (FlatRecord& r : named) {
        if (!r.isFolder() && r.name.trimmed().isEmpty()) {
            r.name = QString::number(r.tel);
            ++unnamed;
        }
    }
    ImportReport vcardReport;
    const Records fromVCard = readVCard(VCardFormat::write(records), vcardReport);
    QVERIFY2(fromVCard == named, qPrintable(describe(fromVCard)));
    QCOMPARE(vcardReport.items().size(), unnamed);
    QCOMPARE(vcardReport.count(ImportReport::Kind::Note), qsizetype(unnamed));
}

void TestTextFormats::csvKeepsNumbersAsText()
{
    const QByteArray csv = CsvFormat::write({folder({}, "Work"), entry({"Work"}, "=cmd", 5550111)});
    QCOMPARE(csv, QByteArray("\xEF\xBB\xBFpath,name,tel\r\n"
                             "/,Work,\r\n"
                             "/Work,'=cmd,\"=\"\"5550111\"\"\"\r\n"));
}

// A spreadsheet runs a cell starting = + - @ as a formula, and may split
// a field at commas, semicolons and tabs into cells of its own: each place
// a cell may start gets the apostrophe that makes it text, and import takes
// off exactly those.
void TestTextFormats::formulasAfterSeparators_data()
{
    QTest::addColumn<Records>("records");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("after a semicolon") << Records{folder({}, "Bob;=1+1")} << QByteArray("/,Bob;'=1+1,");
    QTest::newRow("after a tab") << Records{folder({}, "Bob\t@SUM(A1)")} << QByteArray("/,Bob\t'@SUM(A1),");
    QTest::newRow("after a comma, in quotes") << Records{folder({}, "Bob,-2+3")} << QByteArray("/,\"Bob,'-2+3\",");
    QTest::newRow("an apostrophe after a separator") << Records{folder({}, "a;'b")} << QByteArray("/,a;''b,");
    QTest::newRow("a tab after a separator") << Records{folder({}, "a;\t=b")} << QByteArray("/,a;'\t'=b,");
    QTest::newRow("in a folder's path") << Records{folder({"x;+cmd"}, "y")} << QByteArray("/x;'+cmd,y,");
    QTest::newRow("separators before no formula") << Records{folder({}, "a; b,c")} << QByteArray("/,\"a; b,c\",");
}

void TestTextFormats::formulasAfterSeparators()
{
    QFETCH(Records, records);
    QFETCH(QByteArray, line);
    const QByteArray csv = CsvFormat::write(records);
    QCOMPARE(csv, "\xEF\xBB\xBFpath,name,tel\r\n" + line + "\r\n");
    ImportReport report;
    const Records read = readCsv(csv, report);
    QVERIFY2(read == records, qPrintable(describe(read)));
}

void TestTextFormats::csvFromSpreadsheets_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<Records>("records");

    QTest::newRow("no header, LF, plain numbers") << QByteArray("/Work,Bob,5550101\n/,Taxi,555 0150\n")
                                                  << Records{entry({"Work"}, "Bob", 5550101), entry({}, "Taxi", 5550150)};
    QTest::newRow("columns reordered, extra column, blank lines")
        << QByteArray("Name,Tel,Notes,Path\r\n\r\nBob,+1 (555) 0101,x,Work/Sales\r\n\r\n")
        << Records{entry({"Work", "Sales"}, "Bob", 15550101)};
    QTest::newRow("semicolons, as spreadsheets in many countries save")
        << QByteArray("path;name;tel\r\n/Work;\"Ellis; Nora, Dr\";\"=\"\"5550111\"\"\"\r\n")
        << Records{entry({"Work"}, "Ellis; Nora, Dr", 5550111)};
    QTest::newRow("apostrophe number") << QByteArray("path,name,tel\n/,Bob,'0101\n") << Records{entry({}, "Bob", 101)};
    QTest::newRow("quoted line break") << QByteArray("path,name,tel\n/,\"a\r\nb\",1\n/,c,2\n")
                                       << Records{entry({}, "a\r\nb", 1), entry({}, "c", 2)};
    QTest::newRow("last line without a line end") << QByteArray("path,name,tel\n/,Bob,")
                                                  << Records{folder({}, "Bob")};
}

void TestTextFormats::csvFromSpreadsheets()
{
    QFETCH(QByteArray, csv);
    QFETCH(Records, records);
    ImportReport report;
    const Records read = readCsv(csv, report);
    QVERIFY2(read == records, qPrintable(describe(read)));
    QCOMPARE(said(report), QStringList());
}

// Rows that cannot be read are left out, each at its line, and the rows
// around them read; only a file in no layout known is refused.
void TestTextFormats::malformedCsv_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QStringList>("report"); // empty: the file is refused
    QTest::addColumn<int>("entries");

    QTest::newRow("unclosed quote") << QByteArray("path,name,tel\n/,Ann,1\n/,\"Bob,2\n/,Cy,3\n")
                                    << QStringList{"skipped 3"} << 1;
    QTest::newRow("text after closing quote") << QByteArray("path,name,tel\n/,\"Bob\"x,2\n/,Cy,3\n")
                                              << QStringList{"skipped 2"} << 1;
    QTest::newRow("quote inside bare field") << QByteArray("path,name,tel\n/,Ann,1\n/,Bo\"b,2\n")
                                             << QStringList{"skipped 3"} << 1;
    QTest::newRow("too few fields") << QByteArray("path,name,tel\n/,Ann,1\n/,Bob\n") << QStringList{"skipped 3"} << 1;
    QTest::newRow("too many fields") << QByteArray("/,Ann,1,extra\n") << QStringList() << 0;
    QTest::newRow("names and no telephone column") << QByteArray("last_name,first_name,email\nBerger,Anna,a@b.c\n")
                                                   << QStringList() << 0;
    // Letters are a keypad's now (555-CALL is read, see numberReading); words are no number.
    QTest::newRow("words in number") << QByteArray("path,name,tel\n/,Ann,1\n/,Bob,call me\n")
                                     << QStringList{"skipped 3"} << 1;
    QTest::newRow("zero number") << QByteArray("path,name,tel\n/,Bob,0\n") << QStringList{"skipped 2"} << 0;
    QTest::newRow("number too large") << QByteArray("path,name,tel\n/,Bob,99999999999999999999\n")
                                      << QStringList{"skipped 2"} << 0;
    QTest::newRow("19 digits, which the window refuses")
        << QByteArray("path,name,tel\n/,Ann,1\n/,Bob,=\"1234567890123456789\"\n") << QStringList{"skipped 3"} << 1;
    QTest::newRow("line counted after a quoted break") << QByteArray("path,name,tel\n/,\"a\nb\",1\n/,Bob,x\n")
                                                       << QStringList{"skipped 4"} << 1;
    // Not refused any more: Windows-1252, as Outlook writes.
    QTest::newRow("not UTF-8") << QByteArray("path,name,tel\n/,Ann,1\n/,B\xFF\xFE,2\n") << QStringList{"note 3"} << 2;
}

void TestTextFormats::malformedCsv()
{
    QFETCH(QByteArray, csv);
    QFETCH(QStringList, report);
    QFETCH(int, entries);
    ImportReport read;
    try {
        const Records records = readCsv(csv, read);
        QVERIFY2(!report.isEmpty(), qPrintable(QStringLiteral("read as: ") + describe(records)));
        QCOMPARE(said(read), report);
        QCOMPARE(int(records.size()), entries);
    } catch (const FormatError& error) {
        QVERIFY2(report.isEmpty(), qPrintable(error.message()));
        QCOMPARE(error.line(), 1);
    }
}

void TestTextFormats::vcardFromOtherPrograms_data()
{
    QTest::addColumn<QByteArray>("vcf");
    QTest::addColumn<Records>("records");
    QTest::addColumn<int>("warnings");

    // Several numbers on a card now show their kinds, and an extension stays
    // in the name.
    QTest::newRow("3.0 with types, groups and several numbers")
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Ellis;Nora;;Dr;\r\nFN:Nora Ellis\r\n"
                      "item1.TEL;TYPE=\"cell,voice\":+1 555-0111\r\nTEL;TYPE=HOME:(555) 0112\r\n"
                      "CATEGORIES:Work/Sales,Friends\r\nEND:VCARD\r\n")
        << Records{entry({"Work", "Sales"}, "Nora Ellis (mobile)", 15550111),
                   entry({"Work", "Sales"}, "Nora Ellis (home)", 5550112)}
        << 0;
    QTest::newRow("4.0 tel URI, name from N only, lower case")
        << QByteArray("begin:vcard\nversion:4.0\nn:Aziz;Omar;;;\ntel;value=uri:tel:+1-555-0112;ext=9\nend:vcard\n")
        << Records{entry({}, "Omar Aziz (ext. 9)", 15550112)} << 0;
    QTest::newRow("2.1 quoted-printable arabic over a soft break")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=D9=84=D9=8A=\r\n"
                      "=D9=84=D9=89\r\nTEL;CELL:5550132\r\nEND:VCARD\r\n")
        << Records{entry({}, "ليلى", 5550132)} << 0;
    QTest::newRow("Apple's labels by group, whatever its case, first label first")
        << QByteArray("BEGIN:VCARD\nFN:Ann\nITEM2.X-ABLabel:Boat\nItem1.TEL:1\nitem2.TEL:2\n"
                      "item1.X-ABLABEL:_$!<Mobile>!$_\nITEM1.X-ABLabel:Second\nEND:VCARD\n")
        << Records{entry({}, "Ann (mobile)", 1), entry({}, "Ann (Boat)", 2)} << 0;
    // 2.1 lets an encoding and a character set stand without their names.
    QTest::newRow("2.1 bare QUOTED-PRINTABLE")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;QUOTED-PRINTABLE:M=C3=BCller;J=C3=BCrgen;;;\r\n"
                      "TEL;CELL:1\r\nEND:VCARD\r\n")
        << Records{entry({}, "Jürgen Müller", 1)} << 0;
    QTest::newRow("2.1 bare character set and 8BIT")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nFN;WINDOWS-1251;8BIT:\xC8\xE2\xE0\xED\r\nTEL:1\r\nEND:VCARD\r\n")
        << Records{entry({}, "Иван", 1)} << 0;
    QTest::newRow("2.1 bare BASE64") << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nORG;BASE64:QsOkY2tlcmVpIEtvcm4=\r\n"
                                                   "TEL:1\r\nEND:VCARD\r\n")
                                     << Records{entry({}, "Bäckerei Korn", 1)} << 0;
    QTest::newRow("no name, several numbers, each named by its own")
        << QByteArray("BEGIN:VCARD\nTEL;CELL:0151 2345678\nTEL;HOME:030 7654321\nEND:VCARD\n")
        << Records{entry({}, "0151 2345678 (mobile)", 1512345678), entry({}, "030 7654321 (home)", 307654321)} << 1;
    QTest::newRow("folded lines and a card without a number")
        << QByteArray("BEGIN:VCARD\nVERSION:4.0\nFN:Long\n  Name\nTEL:555\n 0101\nEND:VCARD\n"
                      "BEGIN:VCARD\nVERSION:4.0\nFN:Email only\nEMAIL:a@b.c\nEND:VCARD\n")
        << Records{entry({}, "Long Name", 5550101)} << 1;
    // Shapes that are read in time proportional to their size however long
    // the logical line grows, up to the 1 MB read: 2 MB of file each.
    const QByteArray softBreaks = "BEGIN:VCARD\r\nFN;ENCODING=QUOTED-PRINTABLE:" + QByteArray("=41=\r\n").repeated(340'000)
                                  + "=41\r\nTEL:1\r\nEND:VCARD\r\n";
    QTest::newRow("quoted-printable soft breaks") << softBreaks << Records{{{}, QString(340'001, u'A'), 1, 0}} << 0;
    const QByteArray foldedAtEquals = "BEGIN:VCARD\r\nFN:a=" + QByteArray("\r\n b=").repeated(500'000)
                                      + "\r\nTEL:1\r\nEND:VCARD\r\n";
    QTest::newRow("folded lines ending in =")
        << foldedAtEquals << Records{{{}, "a=" + QStringLiteral("b=").repeated(500'000), 1, 0}} << 0;
}

void TestTextFormats::vcardFromOtherPrograms()
{
    QFETCH(QByteArray, vcf);
    QFETCH(Records, records);
    QFETCH(int, warnings);
    ImportReport report;
    const Records read = readVCard(vcf, report);
    QVERIFY2(read == records, qPrintable(describe(read)));
    QCOMPARE(said(report).size(), warnings);
}

void TestTextFormats::vcardLinesAreFolded()
{
    // 200 two-byte letters: folding must keep every line within 75 octets
    // and never cut a letter in half.
    const Records records{entry({QString(150, QChar(0x0639))}, QString(200, QChar(0x0644)), 5550101)};
    const QByteArray vcf = VCardFormat::write(records);
    for (const QByteArray& line : vcf.split('\n')) {
        QVERIFY2(line.size() <= 76, line.constData()); // with the CR
        QVERIFY(QString::fromUtf8(line).toUtf8() == line);
    }
    ImportReport report;
    QVERIFY(readVCard(vcf, report) == records);
}

// Nothing makes a vCard file unreadable any more: each shape that once
// refused the whole file is read as far as it goes, and what was odd is
// reported at its line.
void TestTextFormats::malformedVCard_data()
{
    QTest::addColumn<QByteArray>("vcf");
    QTest::addColumn<Records>("records");
    QTest::addColumn<QStringList>("report");

    const QByteArray good = "BEGIN:VCARD\nVERSION:4.0\nFN:Ann\nTEL:1\nEND:VCARD\n"; // lines 1-5
    const FlatRecord ann = entry({}, "Ann", 1);
    QTest::newRow("text outside a card") << good + "hello\n" << Records{ann} << QStringList{"note 6"};
    QTest::newRow("card never ends") << good + "BEGIN:VCARD\nFN:Bob\nTEL:2\n"
                                     << Records{ann, entry({}, "Bob", 2)} << QStringList{"note 6"};
    QTest::newRow("nested card") << good + "BEGIN:VCARD\nFN:Bob\nBEGIN:VCARD\nTEL:3\n"
                                 << Records{ann, entry({}, "3", 3)}
                                 << QStringList{"note 6", "note 8", "no number 6", "note 8"};
    QTest::newRow("line without colon") << good + "BEGIN:VCARD\nFN:Bob\nTEL 2\nEND:VCARD\n" << Records{ann}
                                        << QStringList{"no number 6"};
    QTest::newRow("number with letters") << good + "BEGIN:VCARD\nFN:Bob\nTEL:555-CALL\nEND:VCARD\n"
                                         << Records{ann, entry({}, "Bob", 5552255)} << QStringList();
    QTest::newRow("no name") << good + "BEGIN:VCARD\nTEL:2\nEND:VCARD\n" << Records{ann, entry({}, "2", 2)}
                             << QStringList{"note 6"};
    QTest::newRow("base64 name") << good + "BEGIN:VCARD\nFN;ENCODING=b:Qm9i\nTEL:2\nEND:VCARD\n"
                                 << Records{ann, entry({}, "Bob", 2)} << QStringList();
    QTest::newRow("broken quoted-printable")
        << good + "BEGIN:VCARD\nFN;ENCODING=QUOTED-PRINTABLE:=ZZ=4\nTEL:2\nEND:VCARD\n"
        << Records{ann, entry({}, "=ZZ=4", 2)} << QStringList();
    QTest::newRow("lone CRs, and CR CR LF counted as one line end")
        << QByteArray("BEGIN:VCARD\rFN:Ann\rTEL:1\rEND:VCARD\rBEGIN:VCARD\r\r\nTEL:sip:x@y\r\r\nEND:VCARD\r\r\n")
        << Records{ann} << QStringList{"skipped 6"};
    QTest::newRow("stray Windows-1252 in a name, Shift_JIS declared in another")
        << QByteArray("BEGIN:VCARD\nFN:Caf\xE9\nTEL:1\nEND:VCARD\nBEGIN:VCARD\nFN;CHARSET=SHIFT_JIS:\x8ER\x93\x63\nTEL:2\nEND:VCARD\n")
        << Records{entry({}, "Café", 1), entry({}, "山田", 2)} << QStringList{"note 1"};
}

void TestTextFormats::malformedVCard()
{
    QFETCH(QByteArray, vcf);
    QFETCH(Records, records);
    QFETCH(QStringList, report);
    ImportReport read;
    const Records result = readVCard(vcf, read);
    QVERIFY2(result == records, qPrintable(describe(result)));
    QCOMPARE(said(read), report);
}

// What no real file holds is refused where it is met: a card or row over a
// cap is left out whole, at its line and naming the cap, and the rest comes
// in; a line or a field over 1 MB ends the reading, as an endless input
// would otherwise never end.
void TestTextFormats::beyondCaps_data()
{
    QTest::addColumn<bool>("vcard");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("said"); // how the one report item or the refusal starts; empty: none
    QTest::addColumn<int>("entries");  // -1: the file is refused

    // Ann's card, then one from line 5 whose name is Big.
    const auto cards = [](const QByteArray& big) {
        return "BEGIN:VCARD\nFN:Ann\nTEL:1\nEND:VCARD\nBEGIN:VCARD\nFN:Big\n" + big + "END:VCARD\n";
    };
    QTest::newRow("10,000 TEL lines") << true << cards(QByteArray("TEL:2\n").repeated(VCard::MaxNumbers)) << ""
                                      << 2;
    QTest::newRow("10,001 TEL lines") << true << cards(QByteArray("TEL:2\n").repeated(VCard::MaxNumbers + 1))
                                      << "skipped 5: the card has more than 10,000 TEL lines" << 1;
    // FN and the notes.
    QTest::newRow("10,000 properties besides the numbers")
        << true << cards("TEL:2\n" + QByteArray("NOTE:x\n").repeated(VCard::MaxProperties - 1)) << "" << 2;
    QTest::newRow("10,001 properties besides the numbers")
        << true << cards("TEL:2\n" + QByteArray("NOTE:x\n").repeated(VCard::MaxProperties))
        << "skipped 5: the card has more than 10,000 properties" << 1;

    const QByteArray deep = QByteArray("/a").repeated(FolderPath::MaxDepth + 1);
    QTest::newRow("a card's folder 257 deep") << true << cards("TEL:2\nCATEGORIES:" + deep + "\n")
                                              << "skipped 5: its folder path is 257 folders deep" << 1;
    QTest::newRow("a row's folder 257 deep") << false << "path,name,tel\n/,Ann,1\n" + deep + ",Big,2\n"
                                             << "skipped 3: its folder path is 257 folders deep" << 1;

    const qsizetype most = InputText::MaxLength;
    QTest::newRow("a line of 1 MB") << false << "path,name,tel\n/," + QByteArray(most - 4, 'x') + ",1\n" << "" << 1;
    QTest::newRow("a line over 1 MB") << false << "path,name,tel\n/,Ann,1\n/," + QByteArray(most - 3, 'x') + ",2\n"
                                      << "refused 3: a line longer than 1 MB" << -1;
    const QByteArray kilobytes = (QByteArray(1023, 'x') + '\n').repeated(most / 1024 + 1);
    QTest::newRow("a quoted field running on over 1 MB") << false << "path,name,tel\n/,Ann,1\n/,\"Big" + kilobytes
                                                         << "refused 3: a quoted field opened on this line runs on"
                                                         << -1;
    QTest::newRow("the first row's quoted field running on")
        << false << "\n\"" + kilobytes << "refused 2: a quoted field opened on this line runs on" << -1;
    QTest::newRow("a property folded over 1 MB")
        << true << cards("NOTE:x" + (QByteArray("\n ") + QByteArray(1023, 'x')).repeated(most / 1023 + 1) + "\n")
        << "refused 7: a property folded over lines 7 to 1032 is longer than 1 MB" << -1;
}

void TestTextFormats::beyondCaps()
{
    QFETCH(bool, vcard);
    QFETCH(QByteArray, input);
    QFETCH(QString, said);
    QFETCH(int, entries);
    ImportReport report;
    int read = -1;
    QStringList items;
    try {
        read = int((vcard ? readVCard(input, report) : readCsv(input, report)).size());
        const QStringList where = ::said(report, true);
        for (size_t i = 0; i < report.items().size(); ++i)
            items.append(where[qsizetype(i)] + QStringLiteral(": ") + report.items()[i].text);
    } catch (const FormatError& error) {
        items.append(QStringLiteral("refused %1: %2").arg(error.line()).arg(error.message()));
    }
    QCOMPARE(read, entries);
    QCOMPARE(items.size(), said.isEmpty() ? 0 : 1);
    if (!said.isEmpty())
        QVERIFY2(items.first().startsWith(said), qPrintable(items.first()));
}

// A pipe may give a byte at a time: a line end, a byte-order mark or a
// UTF-16 pair cut in two reads as it does whole.
void TestTextFormats::readAPieceAtATime_data()
{
    QTest::addColumn<bool>("vcard");
    QTest::addColumn<QByteArray>("input");

    QTest::newRow("CSV: byte-order mark, CRLF, a quoted line break")
        << false << QByteArray("\xEF\xBB\xBFpath,name,tel\r\n/,\"a\r\nb\",1\r\n\r\n/,c,2\r\n");
    QTest::newRow("CSV: UTF-16 with a pair")
        << false
        << (QByteArray("\xFF\xFE")
            + QByteArray(reinterpret_cast<const char*>(u"name\ttel\r\n🍕 Zoë\t5550101\r\n"), 2 * 24));
    QTest::newRow("vCard: lone CRs and CR CR LF")
        << true << QByteArray("BEGIN:VCARD\rFN:Ann\rTEL:1\rEND:VCARD\rBEGIN:VCARD\r\r\nTEL:2\r\r\n 3\r\r\nEND:VCARD\r");
    QTest::newRow("vCard: byte-order mark, folded and quoted-printable lines")
        << true << QByteArray("\xEF\xBB\xBF" "BEGIN:VCARD\r\nFN;ENCODING=QUOTED-PRINTABLE:=D9=84=\r\n=D9=8A\r\n"
                              "TEL:555\r\n 0101\r\nEND:VCARD\r\n");
}

void TestTextFormats::readAPieceAtATime()
{
    QFETCH(bool, vcard);
    QFETCH(QByteArray, input);
    ImportReport wholeReport;
    const Records whole = vcard ? readVCard(input, wholeReport) : readCsv(input, wholeReport);

    ImportReport report;
    std::vector<Contact> contacts;
    const auto take = [&](const Contact& contact) { contacts.push_back(contact); };
    Trickle pieces(input);
    if (vcard)
        VCardFormat::read(pieces, report, take);
    else
        CsvFormat::read(pieces, std::nullopt, report, take);
    const NumberReader numbers;
    const Records read = EntryMaker(numbers, report).entries(contacts);
    QVERIFY(!whole.empty());
    QVERIFY2(read == whole, qPrintable(describe(read)));
    QCOMPARE(said(report, true), said(wholeReport, true));
}

// The number rules, with and without a region: what is stored, what is left
// out of the number, and what the report says of it.
void TestTextFormats::numberReading_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("region");
    QTest::addColumn<qint64>("value"); // 0: not stored
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("changes");

    // A region's own numbers: national number, without the trunk prefix.
    QTest::newRow("national, trunk prefix") << "030 1234567" << "DE" << qint64(301234567) << "" << "";
    QTest::newRow("(0) after the country code") << "+49 (0)30 1234567" << "DE" << qint64(301234567) << ""
                                                << "country code 49 left out, a number of DE, "
                                                   "(0) after the country code left out";
    QTest::newRow("international prefix") << "0049 30 1234567" << "DE" << qint64(301234567) << ""
                                          << "international prefix 00 and country code 49 left out, a number of DE";
    QTest::newRow("Arabic-Indic digits") << "٠٣٠ ١٢٣٤٥٦٧" << "DE" << qint64(301234567) << "" << "";
    QTest::newRow("trunk prefix 8") << "8 495 123-45-67" << "RU" << qint64(4951234567) << "" << "";
    QTest::newRow("leading zero that is no trunk prefix") << "+39 06 1234 5678" << "IT" << qint64(612345678) << ""
                                                          << "country code 39 left out, a number of IT";
    // Another country's: country code and national number.
    QTest::newRow("another country") << "+41 79 264 88 66" << "DE" << qint64(41792648866) << "" << "";
    QTest::newRow("another country after 00") << "0041 79 264 88 66" << "DE" << qint64(41792648866) << "" << "";
    QTest::newRow("another country after 011") << "011 41 79 264 88 66" << "US" << qint64(41792648866) << ""
                                               << "international prefix 011 left out";
    // A 1 after a + is a country code, though US and CA dial 1 as a trunk prefix.
    QTest::newRow("+1 of the region") << "+1 418-656-9254" << "US" << qint64(4186569254) << ""
                                      << "country code 1 left out, a number of US";
    // A + that starts no country's number: the store's rule alone decides.
    QTest::newRow("+ before a 0") << "+0123456789" << "" << qint64(123456789) << ""
                                  << "read as no country's number (no country code starts with 0), "
                                     "the + and the leading 0 left out";
    QTest::newRow("+ before a 0, with a region") << "+08154711" << "DE" << qint64(8154711) << ""
                                                 << "read as no country's number (no country code starts with 0), "
                                                    "the + and the leading 0 left out";
    QTest::newRow("+ before no country's code") << "+999 1234567" << "" << qint64(9991234567) << ""
                                                << "read as no country's number (no country has the code it "
                                                   "starts with), the + left out";
    QTest::newRow("(0) without a region") << "+49 (0)30 1234567" << "" << qint64(49301234567) << ""
                                          << "(0) after the country code left out";
    QTest::newRow("national without a region") << "030 1234567" << "" << qint64(301234567) << "" << "";
    // Letters, and what the directory cannot store.
    QTest::newRow("letters") << "1-800-FLOWERS" << "" << qint64(18003569377) << "" << "letters read as digits";
    QTest::newRow("letters, trunk prefix 1") << "1-800-FLOWERS" << "US" << qint64(8003569377) << ""
                                             << "letters read as digits";
    QTest::newRow("tel URI extension") << "tel:+1-418-656-9254;ext=102" << "" << qint64(14186569254) << "ext. 102"
                                       << "";
    QTest::newRow("ext.") << "030 1234567 ext. 12" << "DE" << qint64(301234567) << "ext. 12" << "";
    QTest::newRow("x") << "030 1234567 x12" << "DE" << qint64(301234567) << "ext. 12" << "";
    QTest::newRow("commas") << "030 1234567,,12" << "DE" << qint64(301234567) << "pause 12" << "";
    QTest::newRow("pause") << "0301234567p12" << "DE" << qint64(301234567) << "pause 12" << "";
    QTest::newRow("wait") << "0301234567w12" << "" << qint64(301234567) << "wait 12" << "";
    // Stored numbers, as this tool's export writes them, are kept.
    QTest::newRow("stored number") << "15550111" << "US" << qint64(15550111) << "" << "";
    QTest::newRow("largest") << "999999999999999999" << "DE" << qint64(999999999999999999) << "" << "";
    // No numbers.
    QTest::newRow("sip") << "sip:anna@example.org" << "DE" << qint64(0) << "" << "";
    QTest::newRow("e-mail") << "anna@example.org" << "" << qint64(0) << "" << "";
    QTest::newRow("service code") << "*21#" << "DE" << qint64(0) << "" << "";
    QTest::newRow("words") << "ask at the desk" << "DE" << qint64(0) << "" << "";
    QTest::newRow("zero") << "000" << "" << qint64(0) << "" << "";
    QTest::newRow("19 digits") << "1234567890123456789" << "" << qint64(0) << "" << "";
    QTest::newRow("19 digits, formatted") << "1 000 000 000 000 000 000" << "" << qint64(0) << "" << "";
    // libphonenumber takes time growing with the square of what it reads.
    QTest::newRow("64 characters") << QStringLiteral("030") + QString(54, u' ') + QStringLiteral("1234567") << "DE"
                                   << qint64(301234567) << "" << "";
    QTest::newRow("65 characters") << QStringLiteral("030") + QString(55, u' ') + QStringLiteral("1234567") << "DE"
                                   << qint64(0) << "" << "";
    QTest::newRow("empty") << "  " << "DE" << qint64(0) << "" << "";
}

void TestTextFormats::numberReading()
{
    QFETCH(QString, text);
    QFETCH(QString, region);
    QFETCH(qint64, value);
    QFETCH(QString, extension);
    QFETCH(QString, changes);
    const NumberReader::Reading reading = NumberReader(region).read(text);
    QCOMPARE(reading.value.value_or(0), value);
    QCOMPARE(reading.problem.isEmpty(), value != 0);
    QCOMPARE(reading.extension, extension);
    QCOMPARE(reading.changes.join(QStringLiteral(", ")), changes);
}

void TestTextFormats::internationalForm_data()
{
    QTest::addColumn<QString>("region");
    QTest::addColumn<qint64>("stored");
    QTest::addColumn<QString>("international"); // empty: none
    QTest::addColumn<QString>("readable");      // as printed

    QTest::newRow("the region's") << "DE" << qint64(301234567) << "+49 30 1234567" << "030 1234567";
    QTest::newRow("with trunk prefix 1") << "US" << qint64(14186569254) << "+1 418-656-9254" << "(418) 656-9254";
    QTest::newRow("leading zero put back") << "IT" << qint64(612345678) << "+39 06 1234 5678" << "06 1234 5678";
    QTest::newRow("another country's") << "US" << qint64(41792648866) << "+41 79 264 88 66" << "+41 79 264 88 66";
    QTest::newRow("another country's, region DE")
        << "DE" << qint64(14155550123) << "+1 415-555-0123" << "+1 415-555-0123";
    QTest::newRow("no region") << "" << qint64(41792648866) << "+41 79 264 88 66" << "41792648866";
    QTest::newRow("no number of either") << "DE" << qint64(12) << "" << "12";
}

void TestTextFormats::internationalForm()
{
    QFETCH(QString, region);
    QFETCH(qint64, stored);
    QFETCH(QString, international);
    QFETCH(QString, readable);
    QCOMPARE(NumberReader(region).international(stored).value_or(QString()), international);
    QCOMPARE(NumberReader(region).readable(stored), readable);
}

// The layouts other files come in, known by their header or, without one, by
// what their columns hold.
void TestTextFormats::csvLayouts_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QString>("source");
    QTest::addColumn<Records>("records");

    QTest::newRow("name and number") << QByteArray("Anna Berger,030 1234567\nBob,0171 2233\n")
                                     << "name and number CSV"
                                     << Records{entry({}, "Anna Berger", 301234567), entry({}, "Bob", 1712233)};
    QTest::newRow("number and name, header, semicolons")
        << QByteArray("Telefon;Name\n030 1234567;Anna Berger\n0171 2233;Bob\n") << "name and number CSV"
        << Records{entry({}, "Anna Berger", 301234567), entry({}, "Bob", 1712233)};
    QTest::newRow("three columns in another order, no header")
        << QByteArray("Anna Berger,5550101,/Work/Sales\nBob,5550102,/\n") << "path,name,tel CSV"
        << Records{entry({"Work", "Sales"}, "Anna Berger", 5550101), entry({}, "Bob", 5550102)};
    QTest::newRow("UTF-16 with tabs, as spreadsheets save Unicode text")
        << (QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char*>(u"name\ttel\tpath\r\nZoë\t5550101\t/\r\n"),
                                                 2 * 29))
        << "path,name,tel CSV" << Records{entry({}, "Zoë", 5550101)};
    QTest::newRow("a column named twice read from the first")
        << QByteArray("Name,Phone 1 - Value,Phone 1 - Label,Phone 2 - Value,Phone 2 - Label,Name,Phone 1 - Label\n"
                      "Ann,1,Mobile,2,Work,Bob,Home\n")
        << "Google Contacts CSV" << Records{entry({}, "Ann (mobile)", 1), entry({}, "Ann (work)", 2)};
    QTest::newRow("Google, numbers in one cell, system groups left out")
        << QByteArray("\xEF\xBB\xBF" "First Name,Last Name,Labels,Phone 1 - Label,Phone 1 - Value\n"
                      "Anna,Berger,* myContacts ::: Friends,Mobile,0171 111 ::: 0172 222\n")
        << "Google Contacts CSV"
        << Records{entry({"Friends"}, "Anna Berger (mobile)", 171111), entry({"Friends"}, "Anna Berger (mobile 2)", 172222)};
    QTest::newRow("no header, a telephone's word in the first name")
        << QByteArray("/,Phone Shop,5550101\n/Work,Bob,5550102\n") << "path,name,tel CSV"
        << Records{entry({}, "Phone Shop", 5550101), entry({"Work"}, "Bob", 5550102)};
}

void TestTextFormats::csvLayouts()
{
    QFETCH(QByteArray, csv);
    QFETCH(QString, source);
    QFETCH(Records, records);
    ImportReport report;
    const Records read = readCsv(csv, report);
    QVERIFY2(read == records, qPrintable(describe(read)));
    QCOMPARE(report.source, source);
    QCOMPARE(said(report), QStringList());
}

// Headers no one program writes: each column read by what its header names,
// the name from the person before the company, rows of any length read for
// what they hold, and a column of numbers left unread named once.
void TestTextFormats::csvByColumnNames_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QString>("source");
    QTest::addColumn<Records>("records");
    QTest::addColumn<QStringList>("report");

    QTest::newRow("Outlook's and Thunderbird's names mixed")
        << QByteArray("Display Name,Home Phone,Home Phone 2,Business Phone,Home Mobile,Primary Phone,Home Fax,"
                      "Car Phone,Phone Video,Assistant's Phone,Other Phone\nKarl,1,2,3,4,5,6,7,8,9,10\n")
        << "Thunderbird CSV"
        << Records{entry({}, "Karl (home)", 1),   entry({}, "Karl (home 2)", 2), entry({}, "Karl (work)", 3),
                   entry({}, "Karl (mobile)", 4), entry({}, "Karl (main)", 5),   entry({}, "Karl (fax)", 6),
                   entry({}, "Karl (car)", 7),    entry({}, "Karl (video)", 8),  entry({}, "Karl (assistant)", 9),
                   entry({}, "Karl (other)", 10)}
        << QStringList();
    QTest::newRow("a header of its own, the person before the company")
        << QByteArray("last_name,first_name,title,org,phone\nBerger,Anna,Head of Sales,Nordlicht,040 2233445\n"
                      ",,,Stadtreinigung,040 25760\n")
        << "CSV read by its column names"
        << Records{entry({}, "Anna Berger", 402233445), entry({}, "Stadtreinigung", 4025760)} << QStringList();
    QTest::newRow("Outlook's with a Name column")
        << QByteArray("Name,Company,Business Phone,Mobile Phone\nPetra Lind,Acme Inc.,0711 1,0172 2\n") << "Outlook CSV"
        << Records{entry({}, "Petra Lind (mobile)", 1722), entry({}, "Petra Lind (work)", 7111)} << QStringList();
    QTest::newRow("German, semicolons")
        << QByteArray("Vorname;Nachname;Telefon privat;Telefon geschäftlich;Mobiltelefon;Fax geschäftlich;Handynummer;"
                      "Weiteres Telefon\nJürgen;Weiß;1;2;3;4;5;6\n")
        << "CSV read by its column names"
        << Records{entry({}, "Jürgen Weiß (home)", 1),     entry({}, "Jürgen Weiß (work)", 2),
                   entry({}, "Jürgen Weiß (mobile)", 3),   entry({}, "Jürgen Weiß (fax)", 4),
                   entry({}, "Jürgen Weiß (mobile 2)", 5), entry({}, "Jürgen Weiß (other)", 6)}
        << QStringList();
    QTest::newRow("French, Spanish and Italian")
        << QByteArray("Prénom,Nom,Téléphone (domicile),Teléfono móvil,Telefono cellulare,Télécopie bureau,"
                      "Téléphone 1 - Libellé,Téléphone 1 - Valeur\nRenée,Dubois,1,2,3,4,Mobile,5\n")
        << "CSV read by its column names"
        << Records{entry({}, "Renée Dubois (home)", 1), entry({}, "Renée Dubois (mobile)", 2),
                   entry({}, "Renée Dubois (mobile 2)", 3), entry({}, "Renée Dubois (fax)", 4),
                   entry({}, "Renée Dubois (other)", 5)}
        << QStringList();
    // A header's words are in every entry's name: a sentence is no kind.
    QTest::newRow("kinds of a header's own words")
        << QByteArray("Name,Boat Phone,Phone for calls after six in the evening\nAnn,1,2\n")
        << "CSV read by its column names" << Records{entry({}, "Ann (boat)", 1), entry({}, "Ann (other)", 2)}
        << QStringList();
    QTest::newRow("no name column: each entry named by its own number")
        << QByteArray("Nummer,Fax\n555 0101,555 0102\n") << "CSV read by its column names"
        << Records{entry({}, "555 0101 (other)", 5550101), entry({}, "555 0102 (fax)", 5550102)}
        << QStringList{"note 2"};
    QTest::newRow("Google's phonetic names are no numbers")
        << QByteArray("First Name,Phonetic First Name,Phone 1 - Label,Phone 1 - Value\nJonas,Yo-nas,Mobile,0171 1\n")
        << "Google Contacts CSV" << Records{entry({}, "Jonas", 1711)} << QStringList();
    // Outlook's order of kinds, mobile first, whatever the row's length.
    QTest::newRow("short rows read, a long row's extra fields not")
        << QByteArray("Name,Home Phone,Mobile Phone,Pager,Business Fax\nAnn,1,2\nBob,3,4,5,6,7,8\n") << "Outlook CSV"
        << Records{entry({}, "Ann (mobile)", 2),  entry({}, "Ann (home)", 1),  entry({}, "Bob (mobile)", 4),
                   entry({}, "Bob (home)", 3),    entry({}, "Bob (pager)", 5), entry({}, "Bob (fax)", 6)}
        << QStringList{"note 3"};
    QTest::newRow("numbers in a column not read, named once")
        << QByteArray("Name,Phone,Notes\nAnn,1,\nBob,2,555 0103\nCy,3,555 0104\n") << "CSV read by its column names"
        << Records{entry({}, "Ann", 1), entry({}, "Bob", 2), entry({}, "Cy", 3)} << QStringList{"note 3"};
}

void TestTextFormats::csvByColumnNames()
{
    QFETCH(QByteArray, csv);
    QFETCH(QString, source);
    QFETCH(Records, records);
    QFETCH(QStringList, report);
    ImportReport read;
    const Records result = readCsv(csv, read);
    QVERIFY2(result == records, qPrintable(describe(result)));
    QCOMPARE(read.source, source);
    QCOMPARE(said(read), report);
}

// A card read, changed and written back keeps every line nobody changed as
// it stood: groups, parameters, unknown properties, a folded photo, a
// quoted-printable 2.1 value; line ends become CRLF.
void TestTextFormats::cardWrittenBack()
{
    const QByteArray photo = "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD\r\n 2wBDAAMCAgMCAgMDAwME\r\n";
    const QByteArray read = "BEGIN:VCARD\nVERSION:3.0\nFN:Anna Berger\n"
                            "item1.TEL;type=pref:+49 30 1234567\nitem1.X-ABLabel:Praxis\n"
                            "NOTE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Gr=C3=BC=\n=C3=9Fe\n"
                            "X-UNKNOWN;X-PARAM=\"a:b\":kept\n" + photo + "END:VCARD\n";
    std::vector<VCard> cards = VCardReader::read(read);
    QCOMPARE(cards.size(), size_t(1));
    VCard& card = cards.front();
    const VCardProperty* tel = card.first(u"TEL");
    QVERIFY(tel);
    QCOMPARE(tel->group(), QStringLiteral("item1"));
    QCOMPARE(tel->types(), QStringList{"PREF"});
    QCOMPARE(card.byGroup(u"X-ABLABEL").value(tel->group())->text(), QStringLiteral("Praxis"));
    QCOMPARE(card.first(u"NOTE")->text(), QStringLiteral("Grüße"));
    QCOMPARE(card.first(u"NOTE")->line(), 6);
    QCOMPARE(card.first(u"NOTE")->lastLine(), 7);
    QCOMPARE(card.first(u"X-UNKNOWN")->parameter(u"X-PARAM"), QStringLiteral("a:b"));

    for (VCardProperty& p : card.properties()) {
        if (p.name() == u"FN")
            p.setValue(QStringLiteral("Dr. Anna Berger-") + QString(70, u'x'));
        if (p.name() == u"NOTE")
            p.setValue(QStringLiteral("Grüße\\, neu"));
    }
    card.properties().push_back(VCardProperty(QString(), QStringLiteral("CATEGORIES"), {}, QStringLiteral("Praxis")));
    QCOMPARE(card.toBytes(),
             "BEGIN:VCARD\r\nVERSION:3.0\r\n"
             "FN:Dr. Anna Berger-" + QByteArray(56, 'x') + "\r\n " + QByteArray(14, 'x') + "\r\n"
             "item1.TEL;type=pref:+49 30 1234567\r\nitem1.X-ABLabel:Praxis\r\n"
             "NOTE:Grüße\\, neu\r\n"
             "X-UNKNOWN;X-PARAM=\"a:b\":kept\r\n" + photo + "CATEGORIES:Praxis\r\nEND:VCARD\r\n");
}

QTEST_GUILESS_MAIN(TestTextFormats)
#include "tst_textformats.moc"
