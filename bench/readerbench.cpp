#include "readerbench.h"

#include "measure.h"
#include "toolrun.h"

#include "tools/directory/bookwriter.h"

#include <QFile>

#include <functional>

namespace {

// One import of `text` into a new, empty directory file, as a user runs it.
double importMs(const QString& folder, const QByteArray& text, const char* suffix)
{
    const QString book = folder + QStringLiteral("/readers.mdb");
    const QString input = folder + QStringLiteral("/readers.") + QLatin1String(suffix);
    QFile::remove(book);
    BookWriter writer(book);
    require(writer.create({}), writer.errorString());
    QFile file(input);
    require(file.open(QIODevice::WriteOnly) && file.write(text) == text.size(), QStringLiteral("cannot write ") + input);
    file.close();

    return millisecondsOf([&] { runTool({QStringLiteral("--file"), book, QStringLiteral("import"), input}); });
}

} // namespace

std::vector<ReaderBench::Result> ReaderBench::run(const QString& folder, int repetitions)
{
    struct Shape
    {
        const char* name;
        const char* suffix;
        std::function<QByteArray(int)> text; // of the first size for 1, twice as big for 2
    };
    const Shape shapes[] = {
        {"deep folder path", "csv",
         [](int times) { return "path,name,tel\r\n" + QByteArray("/a").repeated(16'000 * times) + ",Deep,5550100\r\n"; }},
        {"folded vCard line", "vcf",
         [](int times) {
             return "BEGIN:VCARD\r\nFN:a=" + QByteArray("\r\n b=").repeated(400'000 * times) + "\r\nTEL:1\r\nEND:VCARD\r\n";
         }},
        {"quoted-printable soft breaks", "vcf",
         [](int times) {
             return "BEGIN:VCARD\r\nFN;ENCODING=QUOTED-PRINTABLE:" + QByteArray("=41=\r\n").repeated(350'000 * times)
                    + "=41\r\nTEL:1\r\nEND:VCARD\r\n";
         }},
    };
    std::vector<Result> results;
    for (const Shape& shape : shapes) {
        std::vector<double> single, twice;
        for (int r = 0; r < repetitions; ++r) {
            single.push_back(importMs(folder, shape.text(1), shape.suffix));
            twice.push_back(importMs(folder, shape.text(2), shape.suffix));
        }
        results.push_back({shape.name, median(single), median(twice)});
    }
    return results;
}
