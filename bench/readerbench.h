#pragma once

#include "sizedoubling.h"

#include <QString>

#include <vector>

// quorvelin-tool import of files shaped to make a reader slow or greedy, each
// at a size and at twice it: numbers too long to be any, a card of more TEL
// lines than any real card, Apple's grouped labels and a Google header of
// many columns, a folder path as deep as a file may give one, a name folded
// over hundreds of thousands of lines or made of quoted-printable soft
// breaks, and a plain CSV of many rows. Those beyond a cap are left out, at a
// cost in proportion to their size; the others come in in time growing with
// the file, in memory that holds the entries and not the file.
class ReaderBench
{
public:
    // Works in `folder`, which must exist. Throws std::runtime_error.
    static std::vector<SizeDoubling::Result> run(const QString& folder, int repetitions, bool quick);
};
