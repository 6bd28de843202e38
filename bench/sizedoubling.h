#pragma once

#include "toolprobe.h"

#include <QString>

#include <functional>
#include <vector>

// A shape of input measured at a size N and at twice it, each run a fresh
// process (ToolProbe): a command whose time grows with its input takes twice
// as long at 2N, one growing with the square four times as long; its peak
// memory, bounded or growing with the input, at most doubles.
class SizeDoubling
{
public:
    struct Result
    {
        QString shape;
        QString sizes;   // what N is, in words
        double singleMs; // medians, at N and at 2N
        double doubleMs;
        double singleMB;
        double doubleMB;
    };

    SizeDoubling(QString shape, QString sizes);

    // One run at N (`times` 1) or at 2N (`times` 2).
    void add(int times, const ToolProbe::Run& run);
    Result result() const;

    // `once(times)` run at N and at 2N by turns, so that whatever else the
    // machine does falls on both alike, `repetitions` times (fewer in the
    // quick mode, within its time budget).
    static Result measure(QString shape, QString sizes, int repetitions, bool quick,
                          const std::function<ToolProbe::Run(int times)>& once);

private:
    QString m_shape;
    QString m_sizes;
    std::vector<double> m_ms[2];
    std::vector<double> m_mb[2];
};
