#pragma once

#include "sizedoubling.h"

#include <QString>

#include <vector>

// quorvelin-tool sync and publish against address books shaped to make them
// slow or greedy (ShapeServer), each at a size and at twice it: a listing of
// many cards, one of more than an address book the tool keeps in step holds,
// a card of more TEL lines than any real card, one whose folder lies deeper
// than any path, cards with photos, and an answer of nothing but opening
// tags. Where a shape leaves something on the server, the sync after it is
// measured too: it must not read it again.
class ServerShapesBench
{
public:
    // Works in `folder`, which must exist. Throws std::runtime_error.
    static std::vector<SizeDoubling::Result> run(const QString& folder, int repetitions, bool quick);
};
