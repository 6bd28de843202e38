#pragma once

#include "tools/formats/contact.h"
#include "tools/formats/flatrecord.h"
#include "tools/formats/importreport.h"

#include <QByteArray>

#include <functional>
#include <vector>

class QIODevice;
class VCard;

// vCard 4.0 (RFC 6350): one card for each entry, with FN, TEL and the folder's
// path in CATEGORIES, and one card of KIND:group for each folder, so that
// empty folders and sibling folders of the same name come back too. Every
// folder's card comes before the cards of what it holds.
class VCardFormat
{
public:
    static QByteArray write(const std::vector<FlatRecord>& records);

    // What write() writes and what phones and address books export (vCard
    // 2.1, 3.0 and 4.0, as VCardReader takes them): for each card its name
    // parts (FN, N, ORG, NICKNAME, EMAIL), its numbers with their kinds (TYPE,
    // Apple's item1.X-ABLabel, Android's X- types), and the first CATEGORIES
    // value as a folder path, Google's system groups myContacts and starred
    // left out. A card of KIND:group is a folder. Each card's contact goes to
    // `take` as the card is read. What is odd about the file goes into
    // `report` as notes, and a card over a cap (VCard::overCap) is left out
    // there; only a line or property over InputText's cap makes the file
    // unreadable, with a FormatError.
    static void read(QIODevice& input, ImportReport& report, const std::function<void(const Contact&)>& take);
    static std::vector<Contact> read(const QByteArray& data, ImportReport& report);
    // One card read as read() reads each.
    static Contact contact(const VCard& card, ImportReport& report);
    // A CATEGORIES value that is an address book's own rather than a folder.
    static bool isSystemGroup(const QString& category);
};
