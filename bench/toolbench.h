#pragma once

#include <QString>

#include <vector>

// quorvelin-tool's commands on the bench's directory, each beside a floor
// that does the same work in bare SQL in the same run: find by a piece of a
// name and by digits (the matches with their folder paths, from a walk of
// the folders down from the top), export as CSV (every record with its
// path, written as a line of text), import of that CSV into an empty file
// (the same rows inserted in one transaction, each folder found by its path)
// and check (the engine's integrity check and the queries that find
// records whose folder is missing, codes used twice and values that stand
// for no number).
class ToolBench
{
public:
    struct Result
    {
        const char* figure;
        double programMs; // medians
        double floorMs;
    };

    // `book` is left as it was; work files go into `folder`. Throws
    // std::runtime_error.
    static std::vector<Result> run(const QString& book, const QString& folder, int repetitions);
};
