#pragma once

#include "tools/formats/flatrecord.h"
#include "tools/formats/formaterror.h"

#include <QByteArray>
#include <QStringList>

#include <vector>

// vCard 4.0 (RFC 6350): one card for each entry, with FN, TEL and the folder's
// path in CATEGORIES, and one card of KIND:group for each folder, so that
// empty folders and sibling folders of the same name come back too. Every
// folder's card comes before the cards of what it holds.
class VCardFormat
{
public:
    static QByteArray write(const std::vector<FlatRecord>& records);

    // Reads what write() writes, and the cards other address books export
    // (vCard 2.1, 3.0 and 4.0): a card's name is FN (or else N), each TEL
    // becomes an entry of that name, and the first CATEGORIES value, read as
    // a folder path, says where it goes (the top level without one). Cards
    // with no TEL are skipped with a warning, since no entry can be made
    // from them. Throws FormatError on the first line that cannot be read.
    static std::vector<FlatRecord> read(const QByteArray& data, QStringList* warnings = nullptr);
};
