// Folder paths, telephone numbers, and the CSV and vCard formats, in memory:
// what is written reads back the same, what other programs write reads as
// meant, and malformed text is refused at the right line.

#include "tools/formats/csvformat.h"
#include "tools/formats/folderpath.h"
#include "tools/formats/formaterror.h"
#include "tools/formats/phonenumber.h"
#include "tools/formats/vcardformat.h"

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

} // namespace

class TestTextFormats : public QObject
{
    Q_OBJECT

private slots:
    void pathsRoundTrip_data();
    void pathsRoundTrip();
    void pathsAsTyped_data();
    void pathsAsTyped();
    void numbers_data();
    void numbers();

    void roundTrip_data();
    void roundTrip();
    void csvKeepsNumbersAsText();
    void csvFromSpreadsheets_data();
    void csvFromSpreadsheets();
    void malformedCsv_data();
    void malformedCsv();

    void vcardFromOtherPrograms_data();
    void vcardFromOtherPrograms();
    void vcardLinesAreFolded();
    void malformedVCard_data();
    void malformedVCard();
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

void TestTextFormats::numbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("value"); // 0: not a number

    QTest::newRow("plain") << "5550101" << qint64(5550101);
    QTest::newRow("formatted") << "+1 (555) 010-1.2" << qint64(155501012);
    QTest::newRow("brackets") << "[555] 0101" << qint64(5550101);
    QTest::newRow("arabic-indic digits") << "٥٥٥ ٠١٠١" << qint64(5550101);
    QTest::newRow("unicode dash") << "555\u20110101" << qint64(5550101);
    QTest::newRow("leading zero dropped") << "0123" << qint64(123);
    // The window's limit: whatever an import stores can be edited there.
    QTest::newRow("largest") << "999 999 999 999 999 999" << qint64(999999999999999999);
    QTest::newRow("too large") << "1 000 000 000 000 000 000" << qint64(0);
    QTest::newRow("too large for the column") << "9223372036854775808" << qint64(0);
    QTest::newRow("zero") << "000" << qint64(0);
    QTest::newRow("letters") << "1-800-FLOWERS" << qint64(0);
    QTest::newRow("plus in the middle") << "555+0101" << qint64(0);
    QTest::newRow("no digits") << " - " << qint64(0);
    QTest::newRow("empty") << "" << qint64(0);
}

void TestTextFormats::numbers()
{
    QFETCH(QString, text);
    QFETCH(qint64, value);
    QCOMPARE(PhoneNumber::value(text).value_or(0), value);
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
    const Records fromCsv = CsvFormat::read(CsvFormat::write(records));
    QVERIFY2(fromCsv == records, qPrintable(describe(fromCsv)));
    QStringList warnings;
    const Records fromVCard = VCardFormat::read(VCardFormat::write(records), &warnings);
    QVERIFY2(fromVCard == records, qPrintable(describe(fromVCard)));
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
}

void TestTextFormats::csvKeepsNumbersAsText()
{
    const QByteArray csv = CsvFormat::write({folder({}, "Work"), entry({"Work"}, "=cmd", 5550111)});
    QCOMPARE(csv, QByteArray("\xEF\xBB\xBFpath,name,tel\r\n"
                             "/,Work,\r\n"
                             "/Work,'=cmd,\"=\"\"5550111\"\"\"\r\n"));
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
    const Records read = CsvFormat::read(csv);
    QVERIFY2(read == records, qPrintable(describe(read)));
}

void TestTextFormats::malformedCsv_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<int>("line");

    QTest::newRow("unclosed quote") << QByteArray("path,name,tel\n/,Ann,1\n/,\"Bob,2\n/,Cy,3\n") << 3;
    QTest::newRow("text after closing quote") << QByteArray("path,name,tel\n/,\"Bob\"x,2\n") << 2;
    QTest::newRow("quote inside bare field") << QByteArray("path,name,tel\n/,Ann,1\n/,Bo\"b,2\n") << 3;
    QTest::newRow("too few fields") << QByteArray("path,name,tel\n/,Ann,1\n/,Bob\n") << 3;
    QTest::newRow("too many fields") << QByteArray("/,Ann,1,extra\n") << 1;
    QTest::newRow("letters in number") << QByteArray("path,name,tel\n/,Ann,1\n/,Bob,555-CALL\n") << 3;
    QTest::newRow("zero number") << QByteArray("path,name,tel\n/,Bob,0\n") << 2;
    QTest::newRow("number too large") << QByteArray("path,name,tel\n/,Bob,99999999999999999999\n") << 2;
    QTest::newRow("19 digits, which the window refuses")
        << QByteArray("path,name,tel\n/,Ann,1\n/,Bob,=\"1234567890123456789\"\n") << 3;
    QTest::newRow("line counted after a quoted break")
        << QByteArray("path,name,tel\n/,\"a\nb\",1\n/,Bob,x\n") << 4;
    QTest::newRow("not UTF-8") << QByteArray("path,name,tel\n/,Ann,1\n/,B\xFF\xFE,2\n") << 3;
}

void TestTextFormats::malformedCsv()
{
    QFETCH(QByteArray, csv);
    QFETCH(int, line);
    try {
        const Records read = CsvFormat::read(csv);
        QFAIL(qPrintable(QStringLiteral("read as: ") + describe(read)));
    } catch (const FormatError& error) {
        QCOMPARE(error.line(), line);
        QVERIFY(!error.message().isEmpty());
    }
}

void TestTextFormats::vcardFromOtherPrograms_data()
{
    QTest::addColumn<QByteArray>("vcf");
    QTest::addColumn<Records>("records");
    QTest::addColumn<int>("warnings");

    QTest::newRow("3.0 with types, groups and several numbers")
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Ellis;Nora;;Dr;\r\nFN:Nora Ellis\r\n"
                      "item1.TEL;TYPE=\"cell,voice\":+1 555-0111\r\nTEL;TYPE=HOME:(555) 0112\r\n"
                      "CATEGORIES:Work/Sales,Friends\r\nEND:VCARD\r\n")
        << Records{entry({"Work", "Sales"}, "Nora Ellis", 15550111), entry({"Work", "Sales"}, "Nora Ellis", 5550112)}
        << 0;
    QTest::newRow("4.0 tel URI, name from N only, lower case")
        << QByteArray("begin:vcard\nversion:4.0\nn:Aziz;Omar;;;\ntel;value=uri:tel:+1-555-0112;ext=9\nend:vcard\n")
        << Records{entry({}, "Omar Aziz", 15550112)} << 0;
    QTest::newRow("2.1 quoted-printable arabic over a soft break")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=D9=84=D9=8A=\r\n"
                      "=D9=84=D9=89\r\nTEL;CELL:5550132\r\nEND:VCARD\r\n")
        << Records{entry({}, "ليلى", 5550132)} << 0;
    QTest::newRow("folded lines and a card without a number")
        << QByteArray("BEGIN:VCARD\nVERSION:4.0\nFN:Long\n  Name\nTEL:555\n 0101\nEND:VCARD\n"
                      "BEGIN:VCARD\nVERSION:4.0\nFN:Email only\nEMAIL:a@b.c\nEND:VCARD\n")
        << Records{entry({}, "Long Name", 5550101)} << 1;
    // Shapes that are read in time proportional to their size however long
    // the logical line grows: 2 MB each.
    const QByteArray softBreaks = "BEGIN:VCARD\r\nFN;ENCODING=QUOTED-PRINTABLE:" + QByteArray("=41=\r\n").repeated(350'000)
                                  + "=41\r\nTEL:1\r\nEND:VCARD\r\n";
    QTest::newRow("quoted-printable soft breaks") << softBreaks << Records{{{}, QString(350'001, u'A'), 1, 0}} << 0;
    const QByteArray foldedAtEquals = "BEGIN:VCARD\r\nFN:a=" + QByteArray("\r\n b=").repeated(700'000)
                                      + "\r\nTEL:1\r\nEND:VCARD\r\n";
    QTest::newRow("folded lines ending in =")
        << foldedAtEquals << Records{{{}, "a=" + QStringLiteral("b=").repeated(700'000), 1, 0}} << 0;
}

void TestTextFormats::vcardFromOtherPrograms()
{
    QFETCH(QByteArray, vcf);
    QFETCH(Records, records);
    QFETCH(int, warnings);
    QStringList said;
    const Records read = VCardFormat::read(vcf, &said);
    QVERIFY2(read == records, qPrintable(describe(read)));
    QCOMPARE(said.size(), warnings);
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
    QVERIFY(VCardFormat::read(vcf) == records);
}

void TestTextFormats::malformedVCard_data()
{
    QTest::addColumn<QByteArray>("vcf");
    QTest::addColumn<int>("line");

    const QByteArray good = "BEGIN:VCARD\nVERSION:4.0\nFN:Ann\nTEL:1\nEND:VCARD\n"; // lines 1-5
    QTest::newRow("text outside a card") << good + "hello\n" << 6;
    QTest::newRow("card never ends") << good + "BEGIN:VCARD\nFN:Bob\nTEL:2\n" << 6;
    QTest::newRow("nested card") << good + "BEGIN:VCARD\nFN:Bob\nBEGIN:VCARD\n" << 8;
    QTest::newRow("line without colon") << good + "BEGIN:VCARD\nFN:Bob\nTEL 2\nEND:VCARD\n" << 8;
    QTest::newRow("number with letters") << good + "BEGIN:VCARD\nFN:Bob\nTEL:555-CALL\nEND:VCARD\n" << 8;
    QTest::newRow("no name") << good + "BEGIN:VCARD\nTEL:2\nEND:VCARD\n" << 6;
    QTest::newRow("base64 name") << good + "BEGIN:VCARD\nFN;ENCODING=b:Qm9i\nTEL:2\nEND:VCARD\n" << 7;
    QTest::newRow("broken quoted-printable")
        << good + "BEGIN:VCARD\nFN;ENCODING=QUOTED-PRINTABLE:=ZZ\nTEL:2\nEND:VCARD\n" << 7;
}

void TestTextFormats::malformedVCard()
{
    QFETCH(QByteArray, vcf);
    QFETCH(int, line);
    try {
        const Records read = VCardFormat::read(vcf);
        QFAIL(qPrintable(QStringLiteral("read as: ") + describe(read)));
    } catch (const FormatError& error) {
        QCOMPARE(error.line(), line);
    }
}

QTEST_GUILESS_MAIN(TestTextFormats)
#include "tst_textformats.moc"
