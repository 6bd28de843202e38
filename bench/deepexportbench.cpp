#include "deepexportbench.h"

#include "benchbook.h"
#include "measure.h"

#include "tools/directory/bookwriter.h"
#include "tools/formats/folderpath.h"

#include <QFile>

namespace {

constexpr int Depth = 16'000;
constexpr int Ordinary = 100;

// The ordinary entries at the top level, then the path, one folder inside
// the other, and the deep entry inside the last.
QString deepBook(const QString& folder, int depth)
{
    const QString path = folder + QStringLiteral("/deep%1.mdb").arg(depth);
    if (QFile::exists(path))
        return path;
    std::vector<SampleBook::Row> rows;
    qint64 code = 0;
    for (int i = 0; i < Ordinary; ++i, ++code)
        rows.push_back({code + 1, benchName(quint64(code)), benchNumber(quint64(code)), 0});
    for (int level = 0; level < depth; ++level, ++code)
        rows.push_back({code + 1, QStringLiteral("Level"), 0, level == 0 ? 0 : code});
    rows.push_back({code + 1, QStringLiteral("Deep"), 5'550'100, code});
    BookWriter writer(path);
    require(writer.create(rows), writer.errorString());
    return path;
}

} // namespace

SizeDoubling::Result DeepExportBench::run(const QString& folder, int repetitions, bool quick)
{
    return SizeDoubling::measure(
        QStringLiteral("deep export"), QStringLiteral("one path of N = 16,000 folders and 100 other entries"),
        repetitions, quick, [&](int times) {
            const int depth = Depth * times;
            const ToolProbe::Run run = ToolProbe::run({QStringLiteral("--file"), deepBook(folder, depth),
                                                       QStringLiteral("export")});
            // The folders of the first MaxDepth + 1 levels have a path a
            // file can carry; the others and the entry are left out.
            const qint64 leftOut = depth - FolderPath::MaxDepth;
            const QString warning = QStringLiteral("warning: %1 records lie deeper than %2 folders")
                                        .arg(leftOut)
                                        .arg(FolderPath::MaxDepth);
            require(run.status == 0 && run.said.contains(warning)
                        && run.printed.count('\n') == 1 + Ordinary + FolderPath::MaxDepth + 1,
                    QStringLiteral("export of a path %1 deep ended %2, saying \"%3\" and printing %4 lines")
                        .arg(depth)
                        .arg(run.status)
                        .arg(run.said)
                        .arg(run.printed.count('\n')));
            return run;
        });
}
