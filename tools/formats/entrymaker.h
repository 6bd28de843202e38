#pragma once

#include "tools/formats/contact.h"
#include "tools/formats/flatrecord.h"
#include "tools/formats/importreport.h"
#include "tools/formats/numberreader.h"

#include <vector>

// The entries the directory gets from cards and rows: one for each number,
// read by a NumberReader. When a card has more than one number, each entry's
// name shows its kind ("Anna Berger (mobile)") or the card's own label; the
// same number twice on a card makes one entry; an extension, pause or wait
// goes into the name ("(ext. 12)"). A card with numbers and no name names
// each entry by its own number, with its kind where there are several
// ("0170 1234567 (mobile)"). A card or row whose folder path would lie deeper than
// FolderPath::MaxDepth is left out. What cannot be imported, and every number
// stored otherwise than written, goes into the report.
class EntryMaker
{
public:
    // `below`: how deep the folder is that the entries go into (--into).
    EntryMaker(const NumberReader& numbers, ImportReport& report, qsizetype below = 0);

    std::vector<FlatRecord> entries(const std::vector<Contact>& contacts);
    // The entries of one contact after `records`, as a file is read.
    void add(const Contact& contact, std::vector<FlatRecord>& records);

    // What tells each of a card's numbers from its others, in the card's
    // order: its kind, "other" where it has none, and a count where a kind
    // comes again ("mobile 2"). Nothing for a card's only number.
    static QStringList marks(const QStringList& kinds);

    // The entries as read without a region, the report set aside: what a
    // card says, for messages and checks.
    static std::vector<FlatRecord> plainEntries(const std::vector<Contact>& contacts);

private:
    const NumberReader& m_numbers;
    ImportReport& m_report;
    const qsizetype m_below;
    // The last folder path: most cards and rows share the one before's (an
    // export writes folder by folder), and then their entries share one list.
    QStringList m_folder;
};
