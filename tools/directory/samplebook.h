#pragma once

#include <QString>

#include <vector>

// A small demonstration tree: folders two levels deep with entries at every
// level, under Latin and Arabic names, so a first start shows what the
// program does.
class SampleBook
{
public:
    struct Row
    {
        qint64 code;
        QString name;
        qint64 tel; // 0 for a folder
        qint64 parent;
    };

    // Codes run from 1 without gaps, and every folder comes before what it
    // holds, so each row's parent is 0 or a folder already listed.
    static std::vector<Row> rows();
};
