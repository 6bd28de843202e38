#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QtGlobal>

#include <vector>

// A failure of the benchmark itself or of the program under it: the figures
// would mean nothing, so the run stops (std::runtime_error, which main()
// reports before its temporary folder goes).
void require(bool condition, const QString& what);

// With verbose on, every measurement also prints its wall and processor time
// to stderr: a wall time far above the processor time means the run waited,
// on the disk or on other programs sharing the processors.
void setVerbose(bool verbose);
void noteMeasurement(double wallMs, double cpuMs);
double cpuMilliseconds();

// Wall-clock milliseconds of one run of `work`.
template <class Work>
double millisecondsOf(Work&& work)
{
    const double cpu = cpuMilliseconds();
    QElapsedTimer clock;
    clock.start();
    work();
    const double wall = double(clock.nsecsElapsed()) / 1e6;
    noteMeasurement(wall, cpuMilliseconds() - cpu);
    return wall;
}

double median(std::vector<double> values);

// Runs every event that is due (posted events, zero timers, deferred layouts
// and repaints, deferred deletes) until none is left: what the user waits for
// before the window shows the result of a command.
void settle();

// Kibibytes of a "Vm..." line of /proc/self/status, or -1.
qint64 statusKiB(const char* field);
// Resets VmHWM to the current resident size; false where the kernel cannot.
bool resetPeakResident();
