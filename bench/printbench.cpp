#include "printbench.h"

#include "benchbook.h"
#include "measure.h"
#include "toolrun.h"

#include "tools/directory/bookwriter.h"

#include <QFile>
#include <QRegularExpression>

#include <vector>

PrintBench::Result PrintBench::run(const QString& folder, int repetitions)
{
    const QString file = folder + QStringLiteral("/print.mdb");
    QFile::remove(file);
    BookWriter writer(file);
    require(writer.create(contactRows(Entries)), writer.errorString());

    // To standard output, as export writes: the figure is of the work, not
    // of the disk's flushing a file. The numbers as the environment's
    // region has them, as the tool's other figures read them.
    const QStringList print{QStringLiteral("--file"), file, QStringLiteral("print"), QStringLiteral("--output"),
                            QStringLiteral("-")};
    const QStringList exported{QStringLiteral("--file"), file, QStringLiteral("export")};
    std::vector<double> printMs, exportMs;
    QByteArray pdf;
    for (int i = 0; i < repetitions; ++i) {
        printMs.push_back(millisecondsOf([&] { pdf = runTool(print); }));
        exportMs.push_back(millisecondsOf([&] { runTool(exported); }));
    }
    // Each page is a /Type /Page object; the tree's root is /Type /Pages.
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page\\b"));
    const int pages = int(QString::fromLatin1(pdf).count(page));
    require(pdf.startsWith("%PDF-") && pages > 0, QStringLiteral("print wrote no PDF"));
    return {median(printMs), median(exportMs), pages};
}
