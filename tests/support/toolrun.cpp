#include "toolrun.h"

#include <QProcess>

ToolRun ToolRun::of(const QString& program, const QStringList& arguments, const std::optional<QString>& password)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QUORVELIN_CARDDAV_PASSWORD"));
    if (password)
        environment.insert(QStringLiteral("QUORVELIN_CARDDAV_PASSWORD"), *password);
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(120'000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}
