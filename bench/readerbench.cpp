#include "readerbench.h"

#include "benchbook.h"
#include "measure.h"

#include "tools/directory/bookwriter.h"

#include <QFile>

#include <functional>

namespace {

// Numbers of N digits: read as they were, each took libphonenumber time
// growing with the square of its length.
constexpr int LongNumbers = 50;
constexpr int Digits = 100'000;
// A few cards over the cap, so that reading them is more than the
// directory's commit.
constexpr int CardsOverCap = 5;
constexpr int TelLines = 80'000;
// At 2N, 8,000 numbers and as many labels: within a card's caps.
constexpr int GroupedCards = 5;
constexpr int Grouped = 4'000;
// At 2N the header is 0.8 MB, within the 1 MB a line may have.
constexpr int PhoneColumns = 10'000;
constexpr int GoogleRows = 100;
constexpr int PlainRows = 100'000;
// Half the depth a path may have, and all of it.
constexpr int DeepRows = 10'000;
constexpr int Depth = 128;
// At 2N a name of 0.4 MB, and one of 0.96 MB as written, within the 1 MB a
// folded property may have.
constexpr int FoldedCards = 10;
constexpr int Folds = 100'000;
constexpr int SoftBreaks = 80'000;

// Every shape that leaves something out also holds an ordinary contact, so
// that the import still has something to do.
const QByteArray OrdinaryRow = "/Plain,Ordinary Person,5550100\r\n";
const QByteArray OrdinaryCard = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ordinary Person\r\nTEL:5550100\r\nEND:VCARD\r\n";

struct Shape;
// What import must have printed and said; `times` 1 at N, 2 at 2N.
using Check = std::function<void(const Shape& shape, const ToolProbe::Run& run, int times)>;

struct Shape
{
    const char* name;
    const char* sizes; // what N is
    const char* suffix;
    QStringList options; // of import, before the file
    std::function<QByteArray(int times)> text;
    Check check;
};

void expect(bool condition, const Shape& shape, const ToolProbe::Run& run)
{
    require(condition, QStringLiteral("import of the shape \"%1\" %2").arg(QLatin1String(shape.name), run.outcome()));
}

// Everything came in: `entries(times)` entries, and nothing was left out.
Check added(std::function<qint64(int times)> entries)
{
    return [entries](const Shape& shape, const ToolProbe::Run& run, int times) {
        const QByteArray said = QStringLiteral("Added %1 entries").arg(entries(times)).toUtf8();
        expect(run.status == 0 && run.printed.contains(said) && !run.printed.contains("Left out"), shape, run);
    };
}

// The ordinary contact came in and `count` of the shape's were left out,
// each saying `why`.
Check leftOut(int count, const char* why)
{
    return [count, why](const Shape& shape, const ToolProbe::Run& run, int) {
        const QString summary = QStringLiteral("Left out: %1 cards, rows or numbers").arg(count);
        expect(run.status == 1 && run.printed.contains("Added 1 entry") && run.printed.contains(summary.toUtf8())
                   && run.said.count(QLatin1String(why)) == count,
               shape, run);
    };
}

// Rows of `path,name,tel`, each `prefix` and then `digits` ones.
QByteArray longNumbers(const QByteArray& prefix, int digits)
{
    QByteArray text = "path,name,tel\r\n" + OrdinaryRow;
    for (int i = 0; i < LongNumbers; ++i)
        text += "/Long,Long " + QByteArray::number(i) + "," + prefix + QByteArray("1").repeated(digits) + "\r\n";
    return text;
}

const std::vector<Shape>& shapes()
{
    static const std::vector<Shape> all = {
        {"numbers too long, --region DE", "50 numbers of N = 100,000 digits", "csv",
         {QStringLiteral("--region"), QStringLiteral("DE")}, [](int times) { return longNumbers("0", Digits * times); },
         leftOut(LongNumbers, "is no telephone number")},
        {"numbers too long, leading +", "50 numbers of + and N = 100,000 digits", "csv", {},
         [](int times) { return longNumbers("+49", Digits * times); }, leftOut(LongNumbers, "is no telephone number")},
        {"cards of too many TEL lines", "5 cards of N = 80,000 TEL lines", "vcf", {},
         [](int times) {
             QByteArray text;
             for (int c = 0; c < CardsOverCap; ++c) {
                 text += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Many " + QByteArray::number(c) + "\r\n";
                 for (int i = 0; i < TelLines * times; ++i)
                     text += "TEL;TYPE=CELL:+49 151 " + QByteArray::number(10'000'000 + i) + "\r\n";
                 text += "END:VCARD\r\n";
             }
             return text + OrdinaryCard;
         },
         leftOut(CardsOverCap, "more than 10,000 TEL lines")},
        {"grouped labels", "5 cards of N = 4,000 numbers, each with its X-ABLabel", "vcf", {},
         [](int times) {
             QByteArray text;
             for (int c = 0; c < GroupedCards; ++c) {
                 text += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Grouped " + QByteArray::number(c) + "\r\n";
                 for (int i = 1; i <= Grouped * times; ++i) {
                     const QByteArray item = "item" + QByteArray::number(i);
                     text += item + ".TEL:" + QByteArray::number(5'550'000'000LL + i) + "\r\n" + item
                             + ".X-ABLabel:Line " + QByteArray::number(i) + "\r\n";
                 }
                 text += "END:VCARD\r\n";
             }
             return text;
         },
         added([](int times) { return qint64(GroupedCards) * Grouped * times; })},
        {"Google header", "N = 10,000 phone columns (type and value), 100 rows", "csv", {},
         [](int times) {
             QByteArray text = "Name,Group Membership";
             for (int i = 1; i <= PhoneColumns * times; ++i)
                 text += ",Phone " + QByteArray::number(i) + " - Type,Phone " + QByteArray::number(i) + " - Value";
             text += "\r\n";
             const QByteArray empty = QByteArray(",").repeated(2 * (PhoneColumns * times - 1));
             for (int r = 0; r < GoogleRows; ++r)
                 text += benchName(quint64(r)).toUtf8() + ",* myContacts,Mobile,"
                         + QByteArray::number(benchNumber(quint64(r))) + empty + "\r\n";
             return text;
         },
         added([](int) { return qint64(GoogleRows); })},
        {"plain rows", "N = 100,000 rows of a CSV", "csv", {},
         [](int times) {
             QByteArray text = "path,name,tel\r\n";
             for (int r = 0; r < PlainRows * times; ++r)
                 text += "/Folder " + QByteArray::number(r % 100) + "," + benchName(quint64(r)).toUtf8() + ","
                         + QByteArray::number(benchNumber(quint64(r))) + "\r\n";
             return text;
         },
         added([](int times) { return qint64(PlainRows) * times; })},
        {"deep folder paths", "10,000 rows, each a path N = 128 folders deep", "csv", {},
         [](int times) {
             QByteArray text = "path,name,tel\r\n";
             const QByteArray path = QByteArray("/Level").repeated(Depth * times);
             for (int r = 0; r < DeepRows; ++r)
                 text += path + ",Deep " + QByteArray::number(r) + "," + QByteArray::number(5'550'000 + r) + "\r\n";
             return text;
         },
         added([](int) { return qint64(DeepRows); })},
        {"folded vCard lines", "10 cards, each a name folded over N = 100,000 lines", "vcf", {},
         [](int times) {
             QByteArray text;
             for (int c = 0; c < FoldedCards; ++c)
                 text += "BEGIN:VCARD\r\nFN:a=" + QByteArray("\r\n b=").repeated(Folds * times) + "\r\nTEL:"
                         + QByteArray::number(5'550'100 + c) + "\r\nEND:VCARD\r\n";
             return text;
         },
         added([](int) { return qint64(FoldedCards); })},
        {"quoted-printable soft breaks", "10 cards, each a name of N = 80,000 soft breaks", "vcf", {},
         [](int times) {
             QByteArray text;
             for (int c = 0; c < FoldedCards; ++c)
                 text += "BEGIN:VCARD\r\nFN;ENCODING=QUOTED-PRINTABLE:" + QByteArray("=41=\r\n").repeated(SoftBreaks * times)
                         + "=41\r\nTEL:" + QByteArray::number(5'550'100 + c) + "\r\nEND:VCARD\r\n";
             return text;
         },
         added([](int) { return qint64(FoldedCards); })},
    };
    return all;
}

// One import of the shape into a new, empty directory file, as a user runs it.
ToolProbe::Run import(const QString& folder, const Shape& shape, int times)
{
    const QString book = folder + QStringLiteral("/readers.mdb");
    const QString input = folder + QStringLiteral("/readers.") + QLatin1String(shape.suffix);
    QFile::remove(book);
    BookWriter writer(book);
    require(writer.create({}), writer.errorString());
    const QByteArray text = shape.text(times);
    QFile file(input);
    require(file.open(QIODevice::WriteOnly) && file.write(text) == text.size(), QStringLiteral("cannot write ") + input);
    file.close();
    const ToolProbe::Run run = ToolProbe::run(QStringList{QStringLiteral("--file"), book, QStringLiteral("import")}
                                              + shape.options + QStringList{input});
    shape.check(shape, run, times);
    return run;
}

} // namespace

std::vector<SizeDoubling::Result> ReaderBench::run(const QString& folder, int repetitions, bool quick)
{
    std::vector<SizeDoubling::Result> results;
    for (const Shape& shape : shapes())
        results.push_back(SizeDoubling::measure(QLatin1String(shape.name), QLatin1String(shape.sizes), repetitions,
                                                quick, [&](int times) { return import(folder, shape, times); }));
    return results;
}
