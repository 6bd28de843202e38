#include "measure.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <stdexcept>

void require(bool condition, const QString& what)
{
    if (!condition)
        throw std::runtime_error(what.toStdString());
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void settle()
{
    QEventLoop loop;
    // A bound, in case some timer keeps firing: nothing the figures drive
    // needs more than a few rounds.
    for (int round = 0; round < 100; ++round) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (!loop.processEvents(QEventLoop::AllEvents))
            break;
    }
}

qint64 statusKiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix)) {
            QByteArray value = line.mid(prefix.size()).trimmed();
            if (value.endsWith(" kB"))
                value.chop(3);
            bool ok = false;
            const qint64 kib = value.trimmed().toLongLong(&ok);
            return ok ? kib : -1;
        }
    }
    return -1;
}

bool resetPeakResident()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (!clearRefs.open(QIODevice::WriteOnly))
        return false;
    return clearRefs.write("5") == 1;
}

namespace {
bool s_verbose = false;
}

void setVerbose(bool verbose)
{
    s_verbose = verbose;
}

void noteMeasurement(double wallMs, double cpuMs)
{
    if (s_verbose)
        std::fprintf(stderr, "  wall %.1f ms, processor %.1f ms\n", wallMs, cpuMs);
}

double cpuMilliseconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}
