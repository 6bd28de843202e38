#pragma once

#include "tools/carddav/directorystate.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <vector>

// What a sync does on either side, worked out before anything is done: each
// entry is linked to one number on one card; what changed on one side since
// both last agreed goes to the other, and what changed on both sides in
// different ways is a conflict that neither side takes, unless told which
// side wins. A removal meets a change: the change wins.
class TwoWayPlan
{
public:
    enum class Prefer { Neither, Directory, Server };

    // An entry of the directory in the part synced, its folder as CATEGORIES
    // carries it ("/" for the top of that part).
    struct Entry
    {
        qint64 code = 0;
        qint64 rowid = 0;
        QString name;
        qint64 number = 0;
        QString folder;
    };

    struct Settings
    {
        QString collectionPath; // the address book's, decoded, ending in "/"
        QString cardPrefix; // the names of the cards this directory makes: prefix, code, ".vcf"
        QString region;
        Prefer prefer = Prefer::Neither;
    };

    TwoWayPlan(const std::vector<Entry>& entries, const DirectoryState::Book& book, const Settings& settings);

    // The directory's side. A new entry's link is completed with its code
    // once it is made.
    struct NewEntry
    {
        QString name;
        qint64 number = 0;
        QString folder;
        DirectoryState::Book::Link link;
    };
    struct EntryChange
    {
        Entry entry; // the values it takes
        QString was; // the entry as it was, for the report
    };
    struct EntryRemoval
    {
        Entry entry;
    };
    // The server's side: a card written whole (only what the tool owns
    // changed on it), or removed. An empty ETag on a write: the card is new.
    struct CardWrite
    {
        QString path;
        QByteArray etag;
        QByteArray text;
        QString label;
        CardReading reading; // of `text`
    };
    struct CardRemoval
    {
        QString path;
        QByteArray etag;
        QString label;
    };
    struct Conflict
    {
        QString directory; // the entry as the directory has it
        QString server;    // the number on the card, as the server has it
    };

    std::vector<NewEntry> newEntries;
    std::vector<EntryChange> entryChanges;
    std::vector<EntryRemoval> entryRemovals;
    std::vector<CardWrite> cardWrites;
    std::vector<CardRemoval> cardRemovals;
    std::vector<Conflict> conflicts;
    // Every link once the plan is carried out, but the new entries'.
    std::vector<DirectoryState::Book::Link> links;
    // How each card the plan leaves as it is reads, by path: remembered
    // beside it, it is not read again until it changes.
    std::map<QString, CardReading> readings;

    // How many numbers each side holds, and how many the plan removes from
    // it: a sync that would take more than half of either side is stopped.
    size_t directoryEntries = 0;
    size_t serverNumbers = 0;
    size_t directoryRemoved = 0;
    size_t serverRemoved = 0;

    bool empty() const
    {
        return newEntries.empty() && entryChanges.empty() && entryRemovals.empty() && cardWrites.empty()
               && cardRemovals.empty();
    }

    // "Name" 5550111 in /Work, as messages show an entry.
    static QString label(const QString& name, qint64 number, const QString& folder);
};
