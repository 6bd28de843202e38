#include "toolprobe.h"

#include "measure.h"

#include "tools/cli/cli.h"
#include "tools/directory/bookwriter.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <malloc.h>

#include <cstdio>

namespace {

// A child that takes longer than this is stuck: no run of a figure comes near.
constexpr int ChildTimeoutMs = 300'000;

// What a process loads once for good, loaded before anything is measured.
void warmUp()
{
    QTemporaryDir scratch;
    require(scratch.isValid(), QStringLiteral("cannot make a temporary folder"));
    const QString book = scratch.filePath(QStringLiteral("warm.mdb"));
    const QString input = scratch.filePath(QStringLiteral("warm.csv"));
    BookWriter writer(book);
    require(writer.create({}), writer.errorString());
    QFile file(input);
    require(file.open(QIODevice::WriteOnly) && file.write("path,name,tel\r\n/Warm,Warm Up,030 5550100\r\n") > 0,
            QStringLiteral("cannot write ") + input);
    file.close();
    QBuffer out, err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    Cli cli(out, err);
    require(cli.run({QStringLiteral("quorvelin-tool"), QStringLiteral("--file"), book, QStringLiteral("import"),
                     QStringLiteral("--region"), QStringLiteral("DE"), input})
                == 0,
            QStringLiteral("the warm-up import failed: ") + QString::fromUtf8(err.data()));
}

} // namespace

int ToolProbe::child(const QStringList& arguments)
{
    warmUp();
    QTemporaryFile printed;
    require(printed.open(), QStringLiteral("cannot make a temporary file"));
    QBuffer said;
    said.open(QIODevice::WriteOnly);

    malloc_trim(0);
    require(resetPeakResident(), QStringLiteral("this kernel cannot reset the peak resident size"));
    const qint64 before = statusKiB("VmRSS");
    const double cpu = cpuMilliseconds();
    QElapsedTimer clock;
    clock.start();
    int status = 0;
    {
        Cli cli(printed, said);
        status = cli.run(QStringList{QStringLiteral("quorvelin-tool")} + arguments);
    }
    const double wallMs = double(clock.nsecsElapsed()) / 1e6;
    const double cpuMs = cpuMilliseconds() - cpu;
    const qint64 peak = statusKiB("VmHWM");
    require(before > 0 && peak > 0, QStringLiteral("no resident size in /proc/self/status"));

    require(printed.seek(0), QStringLiteral("cannot read back what the tool printed"));
    const QByteArray out = printed.readAll();
    std::printf("%d %.3f %.3f %lld\n%lld\n", status, wallMs, cpuMs, peak - before, qint64(out.size()));
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    std::fwrite(said.data().constData(), 1, size_t(said.data().size()), stdout);
    return 0;
}

ToolProbe::Run ToolProbe::run(const QStringList& arguments, const QProcessEnvironment& environment)
{
    QProcess probe;
    probe.setProgram(QCoreApplication::applicationFilePath());
    probe.setArguments(QStringList{ChildOption} + arguments);
    probe.setProcessEnvironment(environment);
    probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    probe.start();
    const QString what = QStringLiteral("quorvelin-tool ") + arguments.join(u' ');
    require(probe.waitForFinished(ChildTimeoutMs) && probe.exitStatus() == QProcess::NormalExit
                && probe.exitCode() == 0,
            QStringLiteral("the probe of %1 failed").arg(what));

    const QByteArray answer = probe.readAllStandardOutput();
    const qsizetype figuresEnd = answer.indexOf('\n');
    const qsizetype sizeEnd = answer.indexOf('\n', figuresEnd + 1);
    require(figuresEnd > 0 && sizeEnd > 0, QStringLiteral("the probe of %1 printed no figures").arg(what));
    const QList<QByteArray> figures = answer.first(figuresEnd).split(' ');
    bool ok = false;
    const qint64 printedSize = answer.mid(figuresEnd + 1, sizeEnd - figuresEnd - 1).toLongLong(&ok);
    require(ok && figures.size() == 4 && sizeEnd + 1 + printedSize <= answer.size(),
            QStringLiteral("the probe of %1 printed no figures").arg(what));
    Run run;
    run.status = figures[0].toInt();
    run.ms = figures[1].toDouble();
    noteMeasurement(run.ms, figures[2].toDouble());
    run.peakMB = double(figures[3].toLongLong()) * 1024 / 1e6;
    run.printed = answer.mid(sizeEnd + 1, printedSize);
    run.said = QString::fromUtf8(answer.mid(sizeEnd + 1 + printedSize));
    return run;
}

QString ToolProbe::Run::outcome() const
{
    return QStringLiteral("ended %1, printing \"%2\" and saying \"%3\"")
        .arg(QString::number(status), QString::fromUtf8(printed.left(2000)), said.left(2000));
}
