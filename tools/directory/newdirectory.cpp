#include "tools/directory/newdirectory.h"

#include "tools/directory/bookwriter.h"
#include "tools/directory/samplebook.h"
#include "tools/formats/toolerror.h"

#include <QDir>

QString NewDirectory::create(const QString& path, bool sample)
{
    const std::vector<SampleBook::Row> rows = sample ? SampleBook::rows() : std::vector<SampleBook::Row>();
    BookWriter writer(path);
    if (!writer.create(rows))
        throw ToolError(writer.errorString());
    QString text = QStringLiteral("Created ") + QDir::toNativeSeparators(path);
    if (rows.empty())
        text += QStringLiteral(", an empty directory.\n");
    else
        text += QStringLiteral(" with %1 sample records.\n").arg(rows.size());
    return text;
}
