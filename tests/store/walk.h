#pragma once

#include "store/recordset.h"

#include <QList>

#include <algorithm>

// The codes of the rows a set yields, in the engine's order, leaving the set at
// its end.
inline QList<qint64> walkCodes(store::RecordSet& set)
{
    QList<qint64> codes;
    for (; !set.Eof(); set.MoveNext())
        codes.append(set.Field(u"code").toLongLong());
    return codes;
}

// The same, sorted: no statement asks for an order.
inline QList<qint64> sortedCodes(store::RecordSet&& set)
{
    QList<qint64> codes = walkCodes(set);
    std::sort(codes.begin(), codes.end());
    return codes;
}
