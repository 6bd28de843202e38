#pragma once

#include "sizedoubling.h"

#include <QString>

// quorvelin-tool export of a directory holding, beside a few ordinary
// entries, one path of folders N deep with an entry at its end, at N and at
// 2N: what lies deeper than a file can carry back in is left out with a
// warning, in time and memory growing with the records and not with how
// deep they lie.
class DeepExportBench
{
public:
    // Works in `folder`, which must exist. Throws std::runtime_error.
    static SizeDoubling::Result run(const QString& folder, int repetitions, bool quick);
};
