#include "toolrun.h"

#include "measure.h"

#include "tools/cli/cli.h"

#include <QBuffer>

QByteArray runTool(const QStringList& arguments)
{
    QBuffer out, err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    Cli cli(out, err);
    const int status = cli.run(QStringList{QStringLiteral("quorvelin-tool")} + arguments);
    require(status == 0, arguments.join(u' ') + QStringLiteral(" failed: ") + QString::fromUtf8(err.data()));
    return out.data();
}
