#pragma once

#include <QString>

#include <vector>

// quorvelin-tool import on files shaped to make a reader slow: a folder path
// thousands of folders deep, and one logical vCard line megabytes long, by
// folding or by quoted-printable soft breaks. Each is imported at one size
// and at twice that size: a reader whose time grows with the size, as it
// should, takes twice as long at twice the size, and one whose time grows
// with its square four times as long.
class ReaderBench
{
public:
    struct Result
    {
        const char* shape;
        double singleMs; // the median at the first size
        double doubleMs; // the median at twice that size
    };

    // Works in `folder`, which must exist. Throws std::runtime_error.
    static std::vector<Result> run(const QString& folder, int repetitions);
};
