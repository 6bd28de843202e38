#pragma once

#include <QString>

// quorvelin-tool print on 10,000 entries in 100 folders, beside export of
// the same directory as CSV in the same run: a phone list costs laying out
// and painting every name, which a data file does not, but no more than a
// few times as much.
class PrintBench
{
public:
    static constexpr int Entries = 10'000;

    struct Result
    {
        double printMs; // medians
        double exportMs;
        int pages;
    };

    // Work files go into `folder`. Throws std::runtime_error.
    static Result run(const QString& folder, int repetitions);
};
